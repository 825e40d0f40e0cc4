#include "player/dlg_voting_scacj_bin.h"

#include <wx/button.h>
#include <wx/panel.h>
#include <wx/settings.h>
#include <wx/stattext.h>

#include <functional>

#include "common/control_bindings.h"
#include "player/run_dialog.h"

const wxColour& highlightColour() {
  static const wxColour colour(148, 180, 254, 255);
  return colour;
}

const wxColour& normalColour() {
  static const wxColour colour = wxSystemSettings::GetColour(wxSYS_COLOUR_WINDOW);
  return colour;
}

DlgVotingSCACJbin::DlgVotingSCACJbin(wxWindow* parent, TestInterrupter* interrupter)
    : DlgVotingSCACJbinStub(parent, wxID_ANY, "Give your mark (SCACJ method)"),
      choice(connections::makeVariableMem(0)),
      chosen(connections::makeVariableMem(false)) {
  using connections::holdBinding;
  using connections::makeConstant;
  auto okEnabled = holdBinding(connections::makeWxEnableVar(okButton), bindings);
  okEnabled->assign(chosen);

  const auto zero = makeConstant(0);
  struct Box {
    wxPanel* panel;
    wxStaticText* label;
    connections::ExpressionPtr<bool> picked;
    int value;
  };
  const Box boxes[] = {
      {leftChoicePanel, leftChoiceLabel, chosen && (choice < zero), -1},
      {sameChoicePanel, sameChoiceLabel, chosen && (choice == zero), 0},
      {rightChoicePanel, rightChoiceLabel, chosen && (choice > zero), 1},
  };
  const auto highlight = makeConstant(highlightColour());
  const auto normal = makeConstant(normalColour());
  for (const Box& box : boxes) {
    holdBinding(connections::makeWxBoldVar(box.label), bindings)->assign(box.picked);
    holdBinding(connections::makeWxBgColorVar(box.panel), bindings)
        ->assign(connections::makeTernaryOp(box.picked, highlight, normal));
    const int value = box.value;
    auto click = [this, value](wxMouseEvent& event) {
      choose(value);
      event.Skip();
    };
    box.panel->Bind(wxEVT_LEFT_DOWN, click);
    box.label->Bind(wxEVT_LEFT_DOWN, click);
    // A bold word is wider: the box places it anew once the font changed.
    holdBinding(
        connections::makeListener(connections::makeFunctor(
            std::function<void(bool)>([panel = box.panel](bool) { panel->Layout(); }), box.picked)),
        bindings);
  }
  holdBinding(connections::makeListener(
                  connections::makeFunctor(std::function<void(int, bool)>([this](int c, bool ch) {
                                             if (!ch)
                                               choiceValueLabel->SetLabel("select left or right");
                                             else if (c < 0)
                                               choiceValueLabel->SetLabel("left is better");
                                             else if (c > 0)
                                               choiceValueLabel->SetLabel("right is better");
                                             else
                                               choiceValueLabel->SetLabel("you can't distinguish");
                                           }),
                                           choice, chosen)),
              bindings);

  bindVoteButtons(*this, okButton, watchAgainButton, buttonPressed, watchAgain);
  bindRunDialogClose(*this, buttonPressed, interrupter);
}

void DlgVotingSCACJbin::choose(int v) {
  choice->set(v);
  chosen->set(true);
}
