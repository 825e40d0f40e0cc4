// Window layouts as text, so that a test compares a whole layout with its tables at once and a
// failure shows the difference line by line.
//
// A LayoutText is made from a window's members (pointer members, in declaration order) and
// describes
// - the members: per member its class, parent, label or value, style and what else is set on
//   it (fonts, colours, minimum size, tool tip, hidden, disabled, default button), and for
//   menus, menu items, tools and list columns what they carry; the items of a menu and the
//   tools of a tool bar in their order;
// - the sizer tree from the window's own sizer, depth first: every item with its proportion,
//   flags and border, spacers with their sizes, and the sizers of child windows, splitter panes
//   and notebook pages nested under their windows.
// GUI thread only.
#pragma once

#include <map>
#include <string>
#include <variant>
#include <vector>

#include <wx/colour.h>

class wxDataViewColumn;
class wxMenu;
class wxMenuItem;
class wxSizer;
class wxToolBar;
class wxToolBarToolBase;
class wxWindow;

namespace vixo_test {

struct Member {
  using Object = std::variant<wxWindow*, wxSizer*, wxMenu*, wxMenuItem*, wxToolBarToolBase*,
                              wxDataViewColumn*>;
  std::string name;
  const void* address;  // of the member itself: declaration order is address order
  Object object;
};

// MEMBER(dialog, okButton): the member okButton of dialog, named "okButton".
#define MEMBER(owner, member) \
  vixo_test::Member { #member, &(owner).member, (owner).member }

class LayoutText {
 public:
  // top is named topName ("frame", "dialog" or "panel") in the descriptions.
  LayoutText(wxWindow* top, std::string topName, std::vector<Member> members);

  // Colours equal to colour are written as name ("HIGHLIGHT") instead of #rrggbb.
  void nameColour(const wxColour& colour, std::string name);

  // One line per member, "name: description"; a member declared out of order is marked.
  std::string members() const;
  // The sizer tree of window (the top window by default).
  std::string sizers(wxWindow* window = nullptr) const;
  // The items of menu in order, one line each: a separator as "---", else the member (or
  // "(item)") and its description.
  std::string menuItems(wxMenu* menu) const;
  // The tools of toolBar in order, one line each: a separator as "---", else the member and its
  // description.
  std::string tools(wxToolBar* toolBar) const;
  // Members that are windows whose name is not the toolkit's default for their class, one
  // "member=name" per line; the names listed in expected (member to name) are taken as right.
  std::string unusualNames(const std::map<std::string, std::string>& expected = {}) const;

  std::string nameOf(const void* object) const;

 private:
  std::string describe(const Member::Object& object) const;
  std::string describeWindow(wxWindow* window) const;
  std::string colourText(const wxColour& colour) const;
  void describeSizer(wxSizer* sizer, int depth, std::string& out) const;
  void describeWindowChildren(wxWindow* window, int depth, std::string& out) const;

  wxWindow* top_;
  std::vector<Member> members_;
  std::map<const void*, std::string> names_;
  std::vector<std::pair<wxColour, std::string>> colourNames_;
};

}  // namespace vixo_test
