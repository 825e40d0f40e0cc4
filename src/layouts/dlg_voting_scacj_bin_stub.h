// Layout of the SCACJ binary-choice voting dialog: the instruction, three framed boxes "Left",
// "Difficult to distinguish" and "Right" that the observer clicks, the current choice and the
// buttons "Watch again" and "OK" (disabled until a choice is made).
//
// Builds the controls and nothing else; the binary-choice voting dialog derives from it, marks
// the chosen box, enables "OK" and handles the buttons. GUI thread only.
#pragma once

#include <wx/dialog.h>

class wxButton;
class wxPanel;
class wxStaticText;

class DlgVotingSCACJbinStub : public wxDialog {
 public:
  DlgVotingSCACJbinStub(wxWindow* parent, wxWindowID id = wxID_ANY,
                        const wxString& title = "Give your mark (SCACJ method)",
                        const wxPoint& pos = wxDefaultPosition, const wxSize& size = wxDefaultSize,
                        long style = wxDEFAULT_DIALOG_STYLE);

  wxStaticText* instructionLabel = nullptr;
  wxPanel* leftChoicePanel = nullptr;
  wxStaticText* leftChoiceLabel = nullptr;  // bold when chosen
  wxPanel* sameChoicePanel = nullptr;
  wxStaticText* sameChoiceLabel = nullptr;
  wxPanel* rightChoicePanel = nullptr;
  wxStaticText* rightChoiceLabel = nullptr;
  wxStaticText* choiceCaptionLabel = nullptr;
  wxStaticText* choiceValueLabel = nullptr;
  wxButton* watchAgainButton = nullptr;
  wxButton* okButton = nullptr;  // disabled until a choice is made
};
