// Layout of the SAMVIQ voting dialog: the instruction, a framed rating scale (a vertical slider
// from 0 to 100 beside the numbers 100 to 0 and the words "Excellent" to "Bad"), a hint on
// finishing, an empty area for the mark panels of the reference and the sequences, the current
// sequence and the buttons "Change mark", "Watch video" and "Next".
//
// Builds the controls and nothing else; the SAMVIQ voting dialog derives from it, adds the mark
// panels to referenceSizer and sequenceGridSizer, binds the slider and relabels "Next". GUI
// thread only.
#pragma once

#include <wx/dialog.h>

class wxBoxSizer;
class wxButton;
class wxGridSizer;
class wxPanel;
class wxSlider;
class wxStaticText;

class DlgVotingSAMVIQstub : public wxDialog {
 public:
  DlgVotingSAMVIQstub(wxWindow* parent, wxWindowID id = wxID_ANY,
                      const wxString& title = "Give your mark (SAMVIQ method)",
                      const wxPoint& pos = wxDefaultPosition, const wxSize& size = wxDefaultSize,
                      long style = wxDEFAULT_DIALOG_STYLE);

  wxBoxSizer* mainSizer = nullptr;
  wxStaticText* instructionLabel = nullptr;
  wxPanel* scalePanel = nullptr;
  wxSlider* markSlider = nullptr;  // 0 to 100, 100 at the top
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
  wxStaticText* finishHintLabel = nullptr;
  wxBoxSizer* referenceSizer = nullptr;      // receives the reference's mark panel
  wxGridSizer* sequenceGridSizer = nullptr;  // receives one mark panel per sequence
  wxStaticText* currentSequenceCaptionLabel = nullptr;
  wxStaticText* currentSequenceValueLabel = nullptr;
  wxButton* changeMarkButton = nullptr;
  wxButton* watchVideoButton = nullptr;
  wxButton* nextButton = nullptr;
};
