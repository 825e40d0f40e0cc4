// The SCACJ binary-choice voting dialog: the observer clicks one of three boxes, "Left",
// "Difficult to\ndistinguish" or "Right"; the chosen box is highlighted, its word bold, and the
// choice is spelt out below. "OK" is enabled once a box was chosen.
//
// After the modal loop the player reads `watchAgain` (true: ask again), then `choice` (-1 the
// left video is better, 0 cannot tell, 1 the right one), provided a button ended the dialog
// (`buttonPressed`). A close goes through the player's interrupter. The dialog records nothing
// itself. GUI thread only.
#pragma once

#include <wx/colour.h>

#include "common/operations.h"
#include "common/variable.h"
#include "layouts/dlg_voting_scacj_bin_stub.h"

class TestInterrupter;

class DlgVotingSCACJbin : public DlgVotingSCACJbinStub {
 public:
  DlgVotingSCACJbin(wxWindow* parent, TestInterrupter* interrupter);

  // choice := v, then chosen := true.
  void choose(int v);

  bool buttonPressed = false;
  bool watchAgain = false;
  connections::BindingList bindings;
  connections::VariableMemPtr<int> choice;   // -1 left, 0 cannot distinguish, 1 right
  connections::VariableMemPtr<bool> chosen;  // a box was clicked
};

// The background of the chosen box, and of the others (the system's window background).
const wxColour& highlightColour();
const wxColour& normalColour();
