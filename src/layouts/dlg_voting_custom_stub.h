// Layout of the custom-question voting dialog: the question's text, an empty column for the
// answer choices, a free-text answer area, and the buttons "Watch again" and "OK".
//
// Builds the controls and nothing else; the custom-question voting dialog derives from it, sets
// the question, puts one radio button per answer into answersSizer, shows the text area only
// for a question without choices and binds the buttons. GUI thread only.
#pragma once

#include <wx/dialog.h>

class wxBoxSizer;
class wxButton;
class wxStaticText;
class wxTextCtrl;

class DlgVotingCustomStub : public wxDialog {
 public:
  DlgVotingCustomStub(wxWindow* parent, wxWindowID id = wxID_ANY,
                      const wxString& title = "Give your mark",
                      const wxPoint& pos = wxDefaultPosition, const wxSize& size = wxSize(400, -1),
                      long style = wxDEFAULT_DIALOG_STYLE | wxRESIZE_BORDER);

  wxBoxSizer* mainSizer = nullptr;
  wxStaticText* questionLabel = nullptr;
  wxBoxSizer* answersSizer = nullptr;  // empty: the dialog adds the answer choices
  wxTextCtrl* answerText = nullptr;
  wxButton* watchAgainButton = nullptr;
  wxButton* okButton = nullptr;
};
