// The DSCQS voting dialog: two continuous marks from 0 to 100, for the sequences A and B.
//
// For DSCQS type I (`repeatButtons` true) the observer may ask to watch one sequence again
// ("Repeat Seq. A", "Repeat Seq. B", or the keys A and B); for type II only "Watch again",
// which asks for both. After the modal loop the player reads `repeatA` and `repeatB`, then the
// two marks, provided a button ended the dialog (`buttonPressed`). A close goes through the
// player's interrupter. The dialog records nothing itself. GUI thread only.
#pragma once

#include "common/operations.h"
#include "common/variable.h"
#include "layouts/dlg_voting_dscqs_stub.h"

class TestInterrupter;

class DlgVotingDSCQS : public DlgVotingDSCQSstub {
 public:
  DlgVotingDSCQS(wxWindow* parent, TestInterrupter* interrupter, bool repeatButtons);

  bool buttonPressed = false;
  bool repeatA = false;
  bool repeatB = false;
  connections::VariablePtr<int> markAVar;  // the sliders' positions
  connections::VariablePtr<int> markBVar;
  connections::ExpressionPtr<int> markA;  // the same nodes
  connections::ExpressionPtr<int> markB;
  connections::BindingList bindings;  // must stay the last member: released first

 private:
  void end(bool a, bool b);
};
