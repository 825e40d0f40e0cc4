#include "common/dialog_place.h"

#include <wx/display.h>
#include <wx/sizer.h>
#include <wx/toplevel.h>

#include <algorithm>
#include <memory>

namespace vixo {
namespace {

// wxDisplay of an index that does not exist asserts: the index is checked first.
int primaryDisplayIndex() {
  for (unsigned i = 0; i < wxDisplay::GetCount(); ++i)
    if (wxDisplay(i).IsPrimary()) return static_cast<int>(i);
  return 0;
}

}  // namespace

unsigned displayCount() { return std::max(1u, wxDisplay::GetCount()); }

wxRect displayRect(int index) {
  if (index < 0 || static_cast<unsigned>(index) >= wxDisplay::GetCount())
    index = primaryDisplayIndex();
  return wxDisplay(static_cast<unsigned>(index)).GetGeometry();
}

wxRect displayRectAt(wxPoint point) {
  const int index = wxDisplay::GetFromPoint(point);
  return displayRect(index == wxNOT_FOUND ? primaryDisplayIndex() : index);
}

wxPoint windowCentre(const wxWindow& window) {
  const wxRect r = window.GetRect();
  return {(2 * r.x + r.width - 1) / 2, (2 * r.y + r.height - 1) / 2};
}

void placeDialogAt(wxTopLevelWindow* window, int cx, int cy) {
  if (!window) return;
  const wxRect display = displayRectAt({cx, cy});
  const wxSize size = window->GetSize();
  const int x = std::max(display.x, cx - size.x / 2);
  const int y = std::max(display.y, cy - size.y / 2);
  window->Move(x, y);
  if (size.x <= 0 || size.y <= 0) return;
  if (window->IsShown()) {
    window->WarpPointer(size.x / 2, size.y / 2);
    return;
  }
  // The pointer is moved in the window's coordinates, which exist once it is on screen.
  auto done = std::make_shared<bool>(false);
  window->Bind(wxEVT_SHOW, [window, done, size](wxShowEvent& event) {
    event.Skip();
    if (*done || !event.IsShown()) return;
    *done = true;
    window->WarpPointer(size.x / 2, size.y / 2);
  });
}

void growToFitControls(wxTopLevelWindow* window) {
  if (!window || !window->GetSizer()) return;
  wxSize size = window->GetSize();
  size.IncTo(window->GetSizer()->ComputeFittingWindowSize(window));
  const int index = wxDisplay::GetFromWindow(window);
  const wxRect area = index == wxNOT_FOUND
                          ? wxDisplay(static_cast<unsigned>(primaryDisplayIndex())).GetClientArea()
                          : wxDisplay(static_cast<unsigned>(index)).GetClientArea();
  size.DecToIfSpecified(area.GetSize());
  size.IncTo(window->GetSize());
  if (size == window->GetSize()) return;
  window->SetSize(size);
  window->Centre(wxBOTH);
}

void presentSoon(wxTopLevelWindow* window) {
  if (!window) return;
  // Dropped with the window when it goes first.
  window->CallAfter([window] {
    if (window->IsShown()) window->Raise();
  });
}

}  // namespace vixo
