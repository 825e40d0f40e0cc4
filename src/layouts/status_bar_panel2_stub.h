// Layout of the panel that the task editor puts into its status bar: a hint for a task that has
// not been saved yet, and the results-monitoring part: a status line with the links "Open
// results" and "Refresh".
//
// Builds the controls and nothing else; the editor's status panel derives from it, shows and
// hides the items of the member sizers and handles the links. GUI thread only.
#pragma once

#include <wx/panel.h>

class wxBoxSizer;
class wxHyperlinkCtrl;
class wxStaticText;

class StatusBarPanel2stub : public wxPanel {
 public:
  StatusBarPanel2stub(wxWindow* parent, wxWindowID id = wxID_ANY,
                      const wxPoint& pos = wxDefaultPosition, const wxSize& size = wxDefaultSize,
                      long style = wxTAB_TRAVERSAL);

  wxBoxSizer* panelSizer = nullptr;
  wxStaticText* saveHintLabel = nullptr;
  wxBoxSizer* resultsSizer = nullptr;
  wxStaticText* resultsStatusLabel = nullptr;
  wxHyperlinkCtrl* openResultsLink = nullptr;
  wxHyperlinkCtrl* refreshLink = nullptr;
};
