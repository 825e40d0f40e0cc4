// The SCACJ voting dialog: a comparison of the two videos shown side by side on the scale -3
// (the left one much better) to 3 (the right one much better), with a coloured circle at each
// end of the scale showing the opinion of each video, from red (bad) to green (good).
//
// The mark is chosen on the slider or with the keys 0 to 3 (main keyboard or numeric pad),
// held with Control for the negative marks. After the modal loop the player reads `watchAgain`
// (true: ask again), then `mark`, provided a button ended the dialog (`buttonPressed`). A close
// goes through the player's interrupter. The dialog records nothing itself. GUI thread only.
#pragma once

#include <wx/bitmap.h>

#include "common/operations.h"
#include "common/variable.h"
#include "layouts/dlg_voting_scacj_stub.h"

class TestInterrupter;

class DlgVotingSCACJ : public DlgVotingSCACJstub {
 public:
  DlgVotingSCACJ(wxWindow* parent, TestInterrupter* interrupter);

  // The left picture shows the circle of -v, the right one the circle of v.
  void showCircles(int v);

  bool buttonPressed = false;
  bool watchAgain = false;
  connections::VariablePtr<int> markVar;  // the slider's position
  connections::ExpressionPtr<int> mark;   // the same node
  connections::BindingList bindings;      // must stay the last member: released first
};

// The circle of the scale value v, -3 <= v <= 3; the seven circles are made once, on first use.
const wxBitmap& circleBitmap(int v);

// A 48 x 48 picture, transparent but for a filled circle whose colour runs from red (x = 0)
// through yellow to green (x = 1): hue x * 120 degrees, saturation 0.6, value 0.9.
wxBitmap makeCircleBitmap(double x);
