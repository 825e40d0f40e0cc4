// Layout of the DSCQS voting dialog: the instruction, a framed panel with two vertical sliders
// from 0 to 100 (sequences A and B) beside a scale of numbers and quality words, the two marks
// under the sliders, and the buttons "Watch again", "Repeat Seq. A", "Repeat Seq. B" and "OK".
//
// Builds the controls and nothing else; the DSCQS voting dialog derives from it, binds the
// sliders and marks and shows either "Watch again" or the repeat buttons. GUI thread only.
#pragma once

#include <wx/dialog.h>

class wxBoxSizer;
class wxButton;
class wxPanel;
class wxSlider;
class wxStaticText;

class DlgVotingDSCQSstub : public wxDialog {
 public:
  DlgVotingDSCQSstub(wxWindow* parent, wxWindowID id = wxID_ANY,
                     const wxString& title = "Give your mark (DSCQS method)",
                     const wxPoint& pos = wxDefaultPosition, const wxSize& size = wxSize(403, 321),
                     long style = wxDEFAULT_DIALOG_STYLE);

  wxStaticText* instructionLabel = nullptr;
  wxPanel* scalePanel = nullptr;
  wxSlider* markSliderA = nullptr;  // 0 to 100, 100 at the top
  wxSlider* markSliderB = nullptr;
  wxStaticText* scale100Label = nullptr;
  wxStaticText* scale80Label = nullptr;
  wxStaticText* scale60Label = nullptr;
  wxStaticText* scale40Label = nullptr;
  wxStaticText* scale20Label = nullptr;
  wxStaticText* scale0Label = nullptr;
  wxStaticText* excellentLabel = nullptr;
  wxStaticText* goodLabel = nullptr;
  wxStaticText* fairLabel = nullptr;
  wxStaticText* poorLabel = nullptr;
  wxStaticText* badLabel = nullptr;
  wxStaticText* markALabel = nullptr;
  wxStaticText* markBLabel = nullptr;
  wxButton* watchAgainButton = nullptr;
  wxBoxSizer* repeatButtonsSizer = nullptr;  // shown or hidden as a whole
  wxButton* repeatAButton = nullptr;
  wxButton* repeatBButton = nullptr;
  wxButton* okButton = nullptr;
};
