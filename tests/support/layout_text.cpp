#include "support/layout_text.h"

#include <wx/bookctrl.h>
#include <wx/button.h>
#include <wx/choice.h>
#include <wx/combobox.h>
#include <wx/dataview.h>
#include <wx/font.h>
#include <wx/gauge.h>
#include <wx/gdicmn.h>
#include <wx/hyperlink.h>
#include <wx/menu.h>
#include <wx/radiobut.h>
#include <wx/scrolwin.h>
#include <wx/sizer.h>
#include <wx/slider.h>
#include <wx/splitter.h>
#include <wx/statbmp.h>
#include <wx/stattext.h>
#include <wx/statusbr.h>
#include <wx/textctrl.h>
#include <wx/toolbar.h>
#include <wx/toplevel.h>

#include <cstdio>

namespace vixo_test {

namespace {

std::string utf8(const wxString& text) { return std::string(text.utf8_str()); }

std::string quoted(const wxString& text) {
  std::string out = "\"";
  for (const char c : utf8(text)) {
    if (c == '\n') {
      out += "\\n";
    } else if (c == '\t') {
      out += "\\t";
    } else {
      if (c == '"' || c == '\\') out += '\\';
      out += c;
    }
  }
  return out + "\"";
}

std::string hex(long value) {
  if (value == 0) return "0";
  char text[32];
  // Styles and flags are 32-bit values kept in a long.
  std::snprintf(text, sizeof text, "0x%X", static_cast<unsigned>(value & 0xFFFFFFFF));
  return text;
}

std::string sizeText(const wxSize& size) {
  return std::to_string(size.x) + "x" + std::to_string(size.y);
}

std::string bitmapText(const wxBitmap& bitmap) {
  return bitmap.IsOk() ? sizeText(bitmap.GetSize()) : "none";
}

std::string fontText(const wxFont& font) {
  std::string out = std::to_string(font.GetPointSize()) + "pt";
  if (font.GetStyle() == wxFONTSTYLE_ITALIC) out += " italic";
  if (font.GetWeight() == wxFONTWEIGHT_BOLD) out += " bold";
  if (font.GetUnderlined()) out += " underlined";
  return out + " face=" + quoted(font.GetFaceName());
}

// The toolkit's default window names by class.
const std::map<std::string, std::string>& defaultNames() {
  static const std::map<std::string, std::string> names = {{"wxStaticText", "staticText"},
                                                           {"wxStaticBitmap", "staticBitmap"},
                                                           {"wxTextCtrl", "text"},
                                                           {"wxButton", "button"},
                                                           {"wxSlider", "slider"},
                                                           {"wxPanel", "panel"},
                                                           {"wxHyperlinkCtrl", "hyperlink"},
                                                           {"wxGauge", "gauge"},
                                                           {"wxChoice", "choice"},
                                                           {"wxComboBox", "comboBox"},
                                                           {"wxRadioButton", "radioButton"},
                                                           {"wxDataViewListCtrl", "dataviewCtrl"},
                                                           {"wxNotebook", "notebook"},
                                                           {"wxSplitterWindow", "splitter"},
                                                           {"wxPropertyGrid", "wxPropertyGrid"},
                                                           {"wxScrolledWindow", "panel"},
                                                           {"wxStatusBar", "statusBar"},
                                                           {"wxToolBar", "toolbar"},
                                                           {"wxFrame", "frame"},
                                                           {"wxDialog", "dialog"},
                                                           {"wxMenuBar", "menubar"}};
  return names;
}

// The font set on a window (or inherited from a parent that had one set), else an invalid font:
// the window keeps it in a member that its public interface does not tell apart from the
// class's default font.
struct FontOfWindow : wxWindow {
  static const wxFont& of(const wxWindow& window) {
    constexpr wxFont wxWindowBase::*font = &FontOfWindow::m_font;
    return window.*font;
  }
};

const wxFont& explicitFont(const wxWindow& window) { return FontOfWindow::of(window); }

// Whether sizer holds a window or a spacer, directly or in a nested sizer.
bool holdsItems(wxSizer* sizer) {
  for (wxSizerItem* item : sizer->GetChildren())
    if (!item->IsSizer() || holdsItems(item->GetSizer())) return true;
  return false;
}

std::string className(const wxObject* object) {
  return utf8(object->GetClassInfo()->GetClassName());
}

}  // namespace

LayoutText::LayoutText(wxWindow* top, std::string topName, std::vector<Member> members)
    : top_(top), members_(std::move(members)) {
  names_[top] = std::move(topName);
  for (const Member& member : members_)
    std::visit([&](auto* object) { names_[object] = member.name; }, member.object);
}

void LayoutText::nameColour(const wxColour& colour, std::string name) {
  colourNames_.emplace_back(colour, std::move(name));
}

std::string LayoutText::nameOf(const void* object) const {
  if (!object) return "none";
  const auto found = names_.find(object);
  return found != names_.end() ? found->second : "?";
}

std::string LayoutText::colourText(const wxColour& colour) const {
  for (const auto& [known, name] : colourNames_)
    if (known == colour) return name;
  return utf8(colour.GetAsString(wxC2S_HTML_SYNTAX));
}

std::string LayoutText::members() const {
  std::string out;
  const void* previous = nullptr;
  for (const Member& member : members_) {
    out += member.name + ": " + describe(member.object);
    if (previous && member.address <= previous) out += " (declared out of order)";
    previous = member.address;
    out += "\n";
  }
  return out;
}

std::string LayoutText::menuItems(wxMenu* menu) const {
  std::string out;
  for (wxMenuItem* item : menu->GetMenuItems()) {
    if (item->IsSeparator()) {
      out += "---\n";
      continue;
    }
    const auto named = names_.find(item);
    out += (named != names_.end() ? named->second : std::string("(item)")) + ": " + describe(item) +
           "\n";
  }
  return out;
}

std::string LayoutText::tools(wxToolBar* toolBar) const {
  std::string out;
  for (size_t i = 0; i < toolBar->GetToolsCount(); ++i) {
    const wxToolBarToolBase* tool = toolBar->GetToolByPos(static_cast<int>(i));
    if (tool->IsSeparator()) {
      out += "---\n";
      continue;
    }
    const void* object = tool->IsControl() ? static_cast<const void*>(tool->GetControl()) : tool;
    out += nameOf(object) + ": " + describe(const_cast<wxToolBarToolBase*>(tool)) + "\n";
  }
  return out;
}

std::string LayoutText::unusualNames(const std::map<std::string, std::string>& expected) const {
  std::string out;
  for (const Member& member : members_) {
    const auto* window = std::get_if<wxWindow*>(&member.object);
    if (!window || !*window) continue;
    const std::string name = utf8((*window)->GetName());
    const auto listed = expected.find(member.name);
    if (listed != expected.end()) {
      if (listed->second != name) out += member.name + "=" + name + "\n";
      continue;
    }
    const auto standard = defaultNames().find(className(*window));
    if (standard == defaultNames().end() || standard->second != name)
      out += member.name + "=" + name + "\n";
  }
  return out;
}

std::string LayoutText::describe(const Member::Object& object) const {
  if (auto* const* window = std::get_if<wxWindow*>(&object)) return describeWindow(*window);
  if (auto* const* sizer = std::get_if<wxSizer*>(&object)) {
    if (!*sizer) return "none";
    wxWindow* owner = (*sizer)->GetContainingWindow();
    const bool isOwn = owner && owner->GetSizer() == *sizer;
    return className(*sizer) + (isOwn ? " of " + nameOf(owner) : "");
  }
  if (auto* const* menu = std::get_if<wxMenu*>(&object)) {
    if (!*menu) return "none";
    std::string out = "wxMenu items=" + std::to_string((*menu)->GetMenuItemCount());
    if (wxMenuBar* bar = (*menu)->GetMenuBar()) {
      for (size_t i = 0; i < bar->GetMenuCount(); ++i)
        if (bar->GetMenu(i) == *menu)
          out += " in " + nameOf(bar) + " at " + std::to_string(i) + " " +
                 quoted(bar->GetMenuLabel(i));
    } else if ((*menu)->GetParent()) {
      out += " submenu of " + nameOf((*menu)->GetParent());
    }
    return out;
  }
  if (auto* const* item = std::get_if<wxMenuItem*>(&object)) {
    if (!*item) return "none";
    std::string out =
        "wxMenuItem in " + nameOf((*item)->GetMenu()) + " " + quoted((*item)->GetItemLabel());
    if (wxAcceleratorEntry* accel = (*item)->GetAccel()) {
      out += " accel=" + utf8(accel->ToRawString());
      delete accel;
    }
    if (!(*item)->GetHelp().empty()) out += " help=" + quoted((*item)->GetHelp());
    if ((*item)->GetBitmap().IsOk()) out += " bitmap=" + bitmapText((*item)->GetBitmap());
    if ((*item)->GetKind() != wxITEM_NORMAL) out += " kind=" + std::to_string((*item)->GetKind());
    if ((*item)->GetSubMenu()) out += " submenu=" + nameOf((*item)->GetSubMenu());
    if ((*item)->GetId() > wxID_AUTO_HIGHEST || (*item)->GetId() < wxID_AUTO_LOWEST)
      out += " id=" + std::to_string((*item)->GetId());
    if (!(*item)->IsEnabled()) out += " disabled";
    return out;
  }
  if (auto* const* tool = std::get_if<wxToolBarToolBase*>(&object)) {
    if (!*tool) return "none";
    if ((*tool)->IsControl()) return "control " + nameOf((*tool)->GetControl());
    std::string out =
        "tool " + quoted((*tool)->GetLabel()) + " bitmap=" + bitmapText((*tool)->GetNormalBitmap());
    if ((*tool)->GetDisabledBitmap().IsOk()) out += " disabledBitmap";
    out += " help=" + quoted((*tool)->GetShortHelp());
    if (!(*tool)->GetLongHelp().empty()) out += " long=" + quoted((*tool)->GetLongHelp());
    if ((*tool)->GetKind() != wxITEM_NORMAL) out += " kind=" + std::to_string((*tool)->GetKind());
    if (!(*tool)->IsEnabled()) out += " disabled";
    return out;
  }
  if (auto* const* column = std::get_if<wxDataViewColumn*>(&object)) {
    if (!*column) return "none";
    wxDataViewRenderer* renderer = (*column)->GetRenderer();
    return "column " + quoted((*column)->GetTitle()) + " of " + nameOf((*column)->GetOwner()) +
           " type=" + utf8(renderer->GetVariantType()) +
           " mode=" + std::to_string(renderer->GetMode()) +
           " width=" + std::to_string((*column)->GetWidth()) +
           " align=" + hex((*column)->GetAlignment()) + " flags=" + hex((*column)->GetFlags());
  }
  return "?";
}

std::string LayoutText::describeWindow(wxWindow* w) const {
  if (!w) return "none";
  std::string out = className(w) + " in " + nameOf(w->GetParent());
  if (auto* t = dynamic_cast<wxStaticText*>(w)) {
    out += " " + quoted(t->GetLabel());
  } else if (auto* b = dynamic_cast<wxButton*>(w)) {
    out += " " + quoted(b->GetLabel());
  } else if (auto* h = dynamic_cast<wxHyperlinkCtrl*>(w)) {
    out += " " + quoted(h->GetLabel()) + " url=" + quoted(h->GetURL());
  } else if (auto* c = dynamic_cast<wxComboBox*>(w)) {
    out += " " + quoted(c->GetValue()) + " items=" + std::to_string(c->GetCount());
  } else if (auto* x = dynamic_cast<wxTextCtrl*>(w)) {
    out += " " + quoted(x->GetValue());
  } else if (auto* ch = dynamic_cast<wxChoice*>(w)) {
    out += " items=" + std::to_string(ch->GetCount()) +
           " selection=" + std::to_string(ch->GetSelection());
  } else if (auto* s = dynamic_cast<wxSlider*>(w)) {
    out += " value=" + std::to_string(s->GetValue()) + " range=" + std::to_string(s->GetMin()) +
           ".." + std::to_string(s->GetMax());
  } else if (auto* g = dynamic_cast<wxGauge*>(w)) {
    out += " value=" + std::to_string(g->GetValue()) + " range=" + std::to_string(g->GetRange());
  } else if (auto* r = dynamic_cast<wxRadioButton*>(w)) {
    out += " " + quoted(r->GetLabel()) + (r->GetValue() ? " checked" : "");
  } else if (auto* p = dynamic_cast<wxStaticBitmap*>(w)) {
    out += " bitmap=" + bitmapText(p->GetBitmap());
  } else if (auto* d = dynamic_cast<wxDataViewListCtrl*>(w)) {
    out += " columns=" + std::to_string(d->GetColumnCount()) +
           " rows=" + std::to_string(d->GetItemCount());
  } else if (auto* book = dynamic_cast<wxBookCtrlBase*>(w)) {
    out += " pages=" + std::to_string(book->GetPageCount()) +
           " selection=" + std::to_string(book->GetSelection());
  } else if (auto* sp = dynamic_cast<wxSplitterWindow*>(w)) {
    out += std::string(" split=") +
           (!sp->IsSplit()                           ? "none"
            : sp->GetSplitMode() == wxSPLIT_VERTICAL ? "vertical"
                                                     : "horizontal") +
           " gravity=" + std::to_string(sp->GetSashGravity()).substr(0, 3) +
           " minPane=" + std::to_string(sp->GetMinimumPaneSize());
  } else if (auto* sc = dynamic_cast<wxScrolledWindow*>(w)) {
    int x = 0, y = 0;
    sc->GetScrollPixelsPerUnit(&x, &y);
    out += " scrollRate=" + std::to_string(x) + "x" + std::to_string(y);
  } else if (auto* sb = dynamic_cast<wxStatusBar*>(w)) {
    out += " fields=" + std::to_string(sb->GetFieldsCount());
  } else if (auto* tb = dynamic_cast<wxToolBar*>(w)) {
    out += " tools=" + std::to_string(tb->GetToolsCount());
  }
  out += " style=" + hex(w->GetWindowStyleFlag());
  if (const wxFont& font = explicitFont(*w); font.IsOk()) out += " font=" + fontText(font);
  if (w->UseForegroundColour()) out += " fg=" + colourText(w->GetForegroundColour());
  if (w->UseBackgroundColour()) out += " bg=" + colourText(w->GetBackgroundColour());
  if (w->GetMinSize() != wxDefaultSize) out += " min=" + sizeText(w->GetMinSize());
  if (!w->GetToolTipText().empty()) out += " tip=" + quoted(w->GetToolTipText());
  if (!w->IsShown()) out += " hidden";
  if (!w->IsThisEnabled()) out += " disabled";
  if (auto* tlw = dynamic_cast<wxTopLevelWindow*>(wxGetTopLevelParent(w));
      tlw && tlw->GetDefaultItem() == w)
    out += " default";
  return out;
}

std::string LayoutText::sizers(wxWindow* window) const {
  if (!window) window = top_;
  std::string out;
  if (wxSizer* sizer = window->GetSizer()) describeSizer(sizer, 0, out);
  describeWindowChildren(window, 0, out);
  return out;
}

void LayoutText::describeSizer(wxSizer* sizer, int depth, std::string& out) const {
  std::string header;
  const auto named = names_.find(sizer);
  if (named != names_.end()) header = named->second + "=";
  if (auto* flex = dynamic_cast<wxFlexGridSizer*>(sizer)) {
    const int cols = flex->GetCols();
    const int count = static_cast<int>(flex->GetItemCount());
    const int rows = cols > 0 ? (count + cols - 1) / cols : 0;
    header += "flex rows=" + std::to_string(flex->GetRows()) + " cols=" + std::to_string(cols) +
              " gap=" + std::to_string(flex->GetVGap()) + "," + std::to_string(flex->GetHGap());
    std::string growCols, growRows;
    for (int i = 0; i < cols; ++i)
      if (flex->IsColGrowable(i)) growCols += (growCols.empty() ? "" : ",") + std::to_string(i);
    for (int i = 0; i < rows; ++i)
      if (flex->IsRowGrowable(i)) growRows += (growRows.empty() ? "" : ",") + std::to_string(i);
    header += " growCols=" + (growCols.empty() ? "-" : growCols) +
              " growRows=" + (growRows.empty() ? "-" : growRows);
    header += std::string(" dir=") + (flex->GetFlexibleDirection() == wxBOTH         ? "both"
                                      : flex->GetFlexibleDirection() == wxHORIZONTAL ? "h"
                                                                                     : "v");
    header += std::string(" mode=") +
              (flex->GetNonFlexibleGrowMode() == wxFLEX_GROWMODE_SPECIFIED ? "specified"
               : flex->GetNonFlexibleGrowMode() == wxFLEX_GROWMODE_ALL     ? "all"
                                                                           : "none");
  } else if (auto* grid = dynamic_cast<wxGridSizer*>(sizer)) {
    header += "grid rows=" + std::to_string(grid->GetRows()) +
              " cols=" + std::to_string(grid->GetCols()) +
              " gap=" + std::to_string(grid->GetVGap()) + "," + std::to_string(grid->GetHGap());
  } else if (auto* box = dynamic_cast<wxBoxSizer*>(sizer)) {
    header += std::string("box ") + (box->GetOrientation() == wxVERTICAL ? "V" : "H");
  } else {
    header += className(sizer);
  }
  // The caller has written the indentation and, for an item, appends its arguments.
  out += header;
  const std::string indent(2 * (depth + 1), ' ');
  out += "\n";
  for (wxSizerItem* item : sizer->GetChildren()) {
    const std::string args =
        " " + std::to_string(item->GetProportion()) + " " + hex(item->GetFlag()) + " " +
        std::to_string(item->GetBorder()) +
        // (the toolkit counts a sizer without windows as hidden)
        (item->IsShown() || (item->IsSizer() && !holdsItems(item->GetSizer())) ? "" : " hidden");
    out += indent;
    if (item->IsWindow()) {
      wxWindow* window = item->GetWindow();
      out += nameOf(window) + args + "\n";
      if (wxSizer* own = window->GetSizer()) {
        out += indent + "  ";
        describeSizer(own, depth + 2, out);
      }
      describeWindowChildren(window, depth + 1, out);
    } else if (item->IsSizer()) {
      // The header ends the line; put the item's arguments before that line break.
      std::string nested;
      describeSizer(item->GetSizer(), depth + 1, nested);
      const auto lineEnd = nested.find('\n');
      out += nested.substr(0, lineEnd) + args + nested.substr(lineEnd);
    } else {
      // A spacer item keeps the size it was made with as its minimum size.
      out += "spacer " + sizeText(item->GetMinSize()) + args + "\n";
    }
  }
}

void LayoutText::describeWindowChildren(wxWindow* window, int depth, std::string& out) const {
  const std::string indent(2 * (depth + 1), ' ');
  const auto describePane = [&](const std::string& what, wxWindow* pane) {
    out += indent + what + " " + nameOf(pane) + "\n";
    if (wxSizer* own = pane ? pane->GetSizer() : nullptr) {
      out += indent + "  ";
      describeSizer(own, depth + 2, out);
    }
    if (pane) describeWindowChildren(pane, depth + 1, out);
  };
  if (auto* splitter = dynamic_cast<wxSplitterWindow*>(window)) {
    describePane("pane1", splitter->GetWindow1());
    describePane("pane2", splitter->GetWindow2());
  } else if (auto* book = dynamic_cast<wxBookCtrlBase*>(window)) {
    for (size_t i = 0; i < book->GetPageCount(); ++i) {
      const bool selected = static_cast<int>(i) == book->GetSelection();
      describePane("page " + quoted(book->GetPageText(i)) + (selected ? " selected" : ""),
                   book->GetPage(i));
    }
  }
}

}  // namespace vixo_test
