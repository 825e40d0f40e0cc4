#include "support/control_fit.h"

#include <wx/button.h>
#include <wx/checkbox.h>
#include <wx/choice.h>
#include <wx/hyperlink.h>
#include <wx/propgrid/propgrid.h>
#include <wx/radiobut.h>
#include <wx/stattext.h>

namespace vixo_test {

namespace {

// Controls whose text must be read whole; labels that ellipsize or keep a fixed size are drawn
// to fit the room they are given.
bool measured(const wxWindow* window) {
  if (dynamic_cast<const wxStaticText*>(window))
    return !window->GetLabel().empty() && !window->HasFlag(wxST_NO_AUTORESIZE) &&
           !window->HasFlag(wxST_ELLIPSIZE_START) && !window->HasFlag(wxST_ELLIPSIZE_MIDDLE) &&
           !window->HasFlag(wxST_ELLIPSIZE_END);
  return dynamic_cast<const wxButton*>(window) || dynamic_cast<const wxHyperlinkCtrl*>(window) ||
         dynamic_cast<const wxCheckBox*>(window) || dynamic_cast<const wxRadioButton*>(window) ||
         dynamic_cast<const wxChoice*>(window);
}

std::string nameOf(const wxWindow* window) {
  return wxString(window->GetClassInfo()->GetClassName()).utf8_string() + " \"" +
         window->GetLabel().utf8_string() + "\"";
}

void collect(wxWindow* window, std::vector<std::string>& cut) {
  for (wxWindow* child : window->GetChildren()) {
    if (!child->IsShown() || child->IsTopLevel()) continue;
    if (measured(child)) {
      const wxRect rect = child->GetRect();
      const wxSize best = child->GetBestSize();
      const wxSize room = window->GetClientSize();
      if (rect.width < best.x || rect.height < best.y)
        cut.push_back(nameOf(child) + ": " + std::to_string(rect.width) + " x " +
                      std::to_string(rect.height) + " of " + std::to_string(best.x) + " x " +
                      std::to_string(best.y));
      if (rect.x < 0 || rect.y < 0 || rect.GetRight() >= room.x || rect.GetBottom() >= room.y)
        cut.push_back(nameOf(child) + ": " + std::to_string(rect.x) + ", " +
                      std::to_string(rect.y) + ", " + std::to_string(rect.width) + " x " +
                      std::to_string(rect.height) + " reaches beyond " + std::to_string(room.x) +
                      " x " + std::to_string(room.y));
    }
    collect(child, cut);
  }
}

}  // namespace

std::vector<std::string> cutControls(wxWindow* window) {
  std::vector<std::string> cut;
  collect(window, cut);
  return cut;
}

std::vector<std::string> cutGridLabels(wxPropertyGrid* grid) {
  std::vector<std::string> cut;
  const int column = grid->GetSplitterPosition();
  for (wxPropertyGridIterator it = grid->GetIterator(wxPG_ITERATE_VISIBLE); !it.AtEnd(); ++it) {
    const wxPGProperty* row = *it;
    if (row->IsCategory()) continue;
    // The label starts after the margin, indented by the row's depth, with a small gap.
    const int needed = grid->GetMarginWidth() + grid->GetTextExtent(row->GetLabel()).x + 8;
    if (needed > column)
      cut.push_back(row->GetLabel().utf8_string() + ": " + std::to_string(needed) + " > " +
                    std::to_string(column));
  }
  return cut;
}

}  // namespace vixo_test
