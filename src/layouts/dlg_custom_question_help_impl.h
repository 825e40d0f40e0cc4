// Layout of the "Custom question help" dialog: the rules of the question syntax, a choice of
// samples and a read-only text that shows the chosen sample.
//
// Builds the controls and nothing else; the help dialog derives from it, fills the choice and
// shows the chosen sample. GUI thread only.
#pragma once

#include <wx/dialog.h>

class wxChoice;
class wxStaticText;
class wxTextCtrl;

class DlgCustomQuestionHelpImpl : public wxDialog {
 public:
  DlgCustomQuestionHelpImpl(wxWindow* parent, wxWindowID id = wxID_ANY,
                            const wxString& title = "Custom question help",
                            const wxPoint& pos = wxDefaultPosition,
                            const wxSize& size = wxSize(400, 338),
                            long style = wxDEFAULT_DIALOG_STYLE);

  wxStaticText* rulesLabel = nullptr;
  wxStaticText* chooseSampleLabel = nullptr;
  wxChoice* sampleChoice = nullptr;
  wxTextCtrl* sampleText = nullptr;
};
