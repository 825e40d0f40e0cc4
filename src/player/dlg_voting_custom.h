// The custom-question voting dialog: the operator's question with one radio button per answer
// variant, or a free-text field when the question has no variants.
//
// "OK" is enabled while a variant is chosen or the text is not empty. After the modal loop the
// player reads `watchAgain` (true: ask again), then `answerIndex` (the chosen variant's position,
// -1 for none) and the text, provided a button ended the dialog (`buttonPressed`). A close goes
// through the player's interrupter. The dialog records nothing itself. GUI thread only.
#pragma once

#include <wx/string.h>

#include <string>
#include <vector>

#include "common/operations.h"
#include "common/variable.h"
#include "layouts/dlg_voting_custom_stub.h"

struct CustomQuestion;
class TestInterrupter;
class wxRadioButton;

class DlgVotingCustom : public DlgVotingCustomStub {
 public:
  DlgVotingCustom(wxWindow* parent, const CustomQuestion& question, TestInterrupter* interrupter);

  // The typed text in the narrow text of the process locale (the toolkit's libc conversion);
  // empty when the text does not convert.
  std::string answerTextNarrow() const;

  bool buttonPressed = false;
  bool watchAgain = false;
  // The typed text (the layout's text field is DlgVotingCustomStub::answerText).
  connections::VariableMemPtr<wxString> answerText;
  connections::VariableMemPtr<int> answerIndex;  // -1 while no variant is chosen
  connections::BindingList bindings;             // must stay the last member: released first

  // The variants' radio buttons, in list order.
  std::vector<wxRadioButton*> variantButtons;
};
