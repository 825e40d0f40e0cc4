// The DSIS voting dialog: one impairment grade from 1 to 5 on the layout's slider, chosen with
// the mouse or the digit keys 1 to 5 (main keyboard or numeric pad).
//
// Made by the player for one question, shown modally once and read: `watchAgain` true asks for
// the videos again; otherwise `mark` is the grade, provided a button ended the dialog
// (`buttonPressed`). A close goes through the player's interrupter. The dialog records nothing
// itself. GUI thread only.
#pragma once

#include "common/operations.h"
#include "common/variable.h"
#include "layouts/dlg_voting_dsis_stub.h"

class TestInterrupter;

class DlgVotingDSIS : public DlgVotingDSISstub {
 public:
  DlgVotingDSIS(wxWindow* parent, TestInterrupter* interrupter);

  bool buttonPressed = false;
  bool watchAgain = false;
  connections::VariablePtr<int> markVar;  // the slider's position
  connections::ExpressionPtr<int> mark;   // the same node
  connections::BindingList bindings;      // must stay the last member: released first
};
