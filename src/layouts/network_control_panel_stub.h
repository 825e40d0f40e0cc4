// Layout of the operator's "Online test control panel" during an online test: the test's
// address as a link, the number of observers online, the current stage, the vote count and the
// countdown, and the buttons "Repeat last video", "Stop countdown" and "Proceed".
//
// Builds the controls and nothing else; the control panel derives from it and fills the values,
// and the online player writes the test's address into addressLink. GUI thread only.
#pragma once

#include <wx/dialog.h>

class wxButton;
class wxHyperlinkCtrl;
class wxStaticText;

class NetworkControlPanelStub : public wxDialog {
 public:
  NetworkControlPanelStub(wxWindow* parent, wxWindowID id = wxID_ANY,
                          const wxString& title = "Online test control panel",
                          const wxPoint& pos = wxDefaultPosition,
                          const wxSize& size = wxDefaultSize, long style = wxDEFAULT_DIALOG_STYLE);

  wxHyperlinkCtrl* addressLink = nullptr;
  wxStaticText* expertsCaptionLabel = nullptr;
  wxStaticText* expertsLabel = nullptr;
  wxStaticText* stageCaptionLabel = nullptr;
  wxStaticText* stageLabel = nullptr;
  wxStaticText* votesCaptionLabel = nullptr;
  wxStaticText* votesLabel = nullptr;
  wxStaticText* countdownCaptionLabel = nullptr;
  wxStaticText* countdownLabel = nullptr;
  wxButton* repeatVideoButton = nullptr;
  wxButton* stopCountdownButton = nullptr;
  wxButton* proceedButton = nullptr;  // relabelled per stage
};
