#include "layouts/status_bar_panel2_stub.h"

#include <wx/hyperlink.h>
#include <wx/sizer.h>
#include <wx/stattext.h>

#include "layouts/layout_rows.h"

StatusBarPanel2stub::StatusBarPanel2stub(wxWindow* parent, wxWindowID id, const wxPoint& pos,
                                         const wxSize& size, long style)
    : wxPanel(parent, id, pos, size, style) {
  panelSizer = new wxBoxSizer(wxHORIZONTAL);
  saveHintLabel = newLabel(this, "Save project to start result monitoring");
  panelSizer->Add(saveHintLabel, 0, wxALIGN_CENTER_VERTICAL, 5);

  // Natural widths: no proportion and no wxEXPAND, whatever the panel's width.
  resultsSizer = new wxBoxSizer(wxHORIZONTAL);
  resultsStatusLabel = newLabel(this, "Finished: ...; In progres: ...;");
  resultsSizer->Add(resultsStatusLabel, 0, wxALIGN_CENTER | wxLEFT | wxRIGHT, 5);
  openResultsLink = newLink(this, "Open results", kPlaceholderUrl);
  resultsSizer->Add(openResultsLink, 0, wxALIGN_CENTER_VERTICAL | wxLEFT | wxRIGHT, 5);
  refreshLink = newLink(this, "Refresh", kPlaceholderUrl);
  resultsSizer->Add(refreshLink, 0, wxALIGN_CENTER_VERTICAL | wxLEFT | wxRIGHT, 5);
  panelSizer->Add(resultsSizer, 0, wxALIGN_CENTER_VERTICAL, 5);

  finishPanel(this, panelSizer);
}
