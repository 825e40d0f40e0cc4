#include "player/dlg_voting_dsis.h"

#include <wx/slider.h>

#include "common/control_bindings.h"
#include "player/run_dialog.h"

DlgVotingDSIS::DlgVotingDSIS(wxWindow* parent, TestInterrupter* interrupter)
    : DlgVotingDSISstub(parent, wxID_ANY, "Give your mark (DSIS method)") {
  markVar = connections::makeVarWxSlider(markSlider);
  mark = markVar;
  bindDecimalLabel(choiceValueLabel, mark, bindings);

  bindVoteButtons(*this, okButton, watchAgainButton, buttonPressed, watchAgain);
  bindRunDialogClose(*this, buttonPressed, interrupter);
  Bind(wxEVT_CHAR_HOOK, [this](wxKeyEvent& event) {
    const int grade = digitOfKey(event.GetKeyCode());
    if (grade < 1 || grade > 5) {
      event.Skip();
      return;
    }
    markVar->set(grade);
  });
}
