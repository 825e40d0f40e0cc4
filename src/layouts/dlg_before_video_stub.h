// Layout of the dialog shown before a video: task name, observer and question number, a framed
// box with the instructions and the hot keys, and the prompts to start or to choose sequence A
// or B.
//
// Builds the controls and nothing else; the before-video dialog derives from it, fills the
// values, shows the prompts that apply and handles the keys. GUI thread only.
#pragma once

#include <wx/dialog.h>

class wxBoxSizer;
class wxHyperlinkCtrl;
class wxPanel;
class wxStaticText;

class DlgBeforeVideoStub : public wxDialog {
 public:
  DlgBeforeVideoStub(wxWindow* parent, wxWindowID id = wxID_ANY,
                     const wxString& title = wxEmptyString, const wxPoint& pos = wxDefaultPosition,
                     const wxSize& size = wxDefaultSize, long style = wxDEFAULT_DIALOG_STYLE);

  wxBoxSizer* mainSizer = nullptr;  // the dialog fits itself to it again after filling the texts
  wxStaticText* taskNameCaptionLabel = nullptr;
  wxStaticText* taskNameValueLabel = nullptr;
  wxStaticText* expertNameCaptionLabel = nullptr;
  wxStaticText* expertNameValueLabel = nullptr;
  wxStaticText* questionNumberCaptionLabel = nullptr;
  wxStaticText* questionNumberValueLabel = nullptr;
  wxPanel* instructionsPanel = nullptr;
  wxStaticText* instructionsTitleLabel = nullptr;
  wxStaticText* messageLabel = nullptr;
  wxStaticText* hotkeysLabel = nullptr;
  wxHyperlinkCtrl* startLink = nullptr;  // the prompts look like links; the dialog handles them
  wxHyperlinkCtrl* sequenceALink = nullptr;
  wxHyperlinkCtrl* sequenceBLink = nullptr;
};
