#include "player/dlg_voting_custom.h"

#include <wx/button.h>
#include <wx/radiobut.h>
#include <wx/sizer.h>
#include <wx/stattext.h>
#include <wx/strconv.h>
#include <wx/textctrl.h>

#include "common/control_bindings.h"
#include "player/run_dialog.h"
#include "task/custom_question.h"

DlgVotingCustom::DlgVotingCustom(wxWindow* parent, const CustomQuestion& question,
                                 TestInterrupter* interrupter)
    : DlgVotingCustomStub(parent, wxID_ANY, "Give your mark", wxDefaultPosition, wxSize(400, -1)),
      answerText(connections::makeVariableMem(wxString())),
      answerIndex(connections::makeVariableMem(-1)) {
  // Wrapped at the width the layout gave the label: a new text resizes the label to itself.
  const int width = questionLabel->GetSize().GetWidth();
  questionLabel->SetLabel(question.text);
  questionLabel->Wrap(width);

  if (!question.variants.empty()) {
    // GTK always shows one button of a radio group on; a hidden first button of the group
    // holds that state, so that no variant looks chosen before the observer chooses one.
    auto* none = new wxRadioButton(this, wxID_ANY, wxEmptyString);
    none->Hide();
  }
  for (size_t i = 0; i < question.variants.size(); ++i) {
    auto* button = new wxRadioButton(this, wxID_ANY, question.variants[i].text);
    answersSizer->Add(button, 0, wxALL | wxEXPAND, 5);
    const int position = static_cast<int>(i);
    button->Bind(wxEVT_RADIOBUTTON,
                 [this, position](wxCommandEvent&) { answerIndex->set(position); });
    variantButtons.push_back(button);
  }
  DlgVotingCustomStub::answerText->Show(question.variants.empty());

  auto typed = connections::holdBinding(connections::makeVarWxText(DlgVotingCustomStub::answerText),
                                        bindings);
  answerText->assign(typed);
  auto okEnabled = connections::holdBinding(connections::makeWxEnableVar(okButton), bindings);
  okEnabled->assign((answerIndex >= connections::makeConstant(0)) ||
                    (answerText != connections::makeConstant(wxString())));

  bindVoteButtons(*this, okButton, watchAgainButton, buttonPressed, watchAgain);
  bindRunDialogClose(*this, buttonPressed, interrupter);

  Layout();
  Fit();
}

std::string DlgVotingCustom::answerTextNarrow() const {
  const wxString text = answerText->get();
  const wxScopedCharBuffer narrow = text.mb_str(wxConvLibc);
  return std::string(narrow.data(), narrow.length());
}
