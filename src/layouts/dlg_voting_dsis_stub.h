// Layout of the DSIS voting dialog: the instruction, a framed five-grade impairment scale on a
// vertical slider with the chosen grade, and the buttons "Watch again" and "OK".
//
// Builds the controls and nothing else; the DSIS voting dialog derives from it and binds the
// slider, the value label and the buttons. GUI thread only.
#pragma once

#include <wx/dialog.h>

class wxButton;
class wxPanel;
class wxSlider;
class wxStaticText;

class DlgVotingDSISstub : public wxDialog {
 public:
  DlgVotingDSISstub(wxWindow* parent, wxWindowID id = wxID_ANY,
                    const wxString& title = "Give your mark (DSIS method)",
                    const wxPoint& pos = wxDefaultPosition, const wxSize& size = wxDefaultSize,
                    long style = wxDEFAULT_DIALOG_STYLE);

  wxStaticText* instructionLabel = nullptr;
  wxPanel* scalePanel = nullptr;
  wxStaticText* scaleCaptionLabel = nullptr;
  wxSlider* markSlider = nullptr;  // 1 to 5, 5 at the top
  wxStaticText* grade5Label = nullptr;
  wxStaticText* grade4Label = nullptr;
  wxStaticText* grade3Label = nullptr;
  wxStaticText* grade2Label = nullptr;
  wxStaticText* grade1Label = nullptr;
  wxStaticText* choiceCaptionLabel = nullptr;
  wxStaticText* choiceValueLabel = nullptr;
  wxButton* watchAgainButton = nullptr;
  wxButton* okButton = nullptr;
};
