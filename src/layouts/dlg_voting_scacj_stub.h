// Layout of the SCACJ voting dialog (seven-grade comparison of two videos side by side): the
// instruction, a horizontal slider from -3 to 3 under seven scale words and over seven scale
// numbers, a circle picture at each end of the scale, a note on the circles, the current choice
// and the buttons "Watch again" and "OK".
//
// Builds the controls and nothing else; the SCACJ voting dialog derives from it, binds the mark
// to the slider, draws the circles and handles the buttons. GUI thread only.
#pragma once

#include <wx/dialog.h>

class wxButton;
class wxSlider;
class wxStaticBitmap;
class wxStaticText;

class DlgVotingSCACJstub : public wxDialog {
 public:
  DlgVotingSCACJstub(wxWindow* parent, wxWindowID id = wxID_ANY,
                     const wxString& title = "Give your mark (SCACJ method)",
                     const wxPoint& pos = wxDefaultPosition, const wxSize& size = wxDefaultSize,
                     long style = wxDEFAULT_DIALOG_STYLE);

  wxStaticText* instructionLabel = nullptr;
  wxStaticBitmap* leftCirclePicture = nullptr;  // the opinion of the left video
  wxStaticText* leftMuchBetterLabel = nullptr;  // scale words at -3 .. 3
  wxStaticText* leftBetterLabel = nullptr;
  wxStaticText* leftSlightlyBetterLabel = nullptr;
  wxStaticText* sameLabel = nullptr;
  wxStaticText* rightSlightlyBetterLabel = nullptr;
  wxStaticText* rightBetterLabel = nullptr;
  wxStaticText* rightMuchBetterLabel = nullptr;
  wxSlider* markSlider = nullptr;  // -3 (left much better) to 3 (right much better)
  wxStaticText* scaleMinus3Label = nullptr;
  wxStaticText* scaleMinus2Label = nullptr;
  wxStaticText* scaleMinus1Label = nullptr;
  wxStaticText* scale0Label = nullptr;
  wxStaticText* scale1Label = nullptr;
  wxStaticText* scale2Label = nullptr;
  wxStaticText* scale3Label = nullptr;
  wxStaticBitmap* rightCirclePicture = nullptr;  // the opinion of the right video
  wxStaticText* circlesHintLabel = nullptr;
  wxStaticText* choiceCaptionLabel = nullptr;
  wxStaticText* choiceValueLabel = nullptr;
  wxButton* watchAgainButton = nullptr;
  wxButton* okButton = nullptr;
};
