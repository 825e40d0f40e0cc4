#include "player/dlg_voting_dscqs.h"

#include <wx/button.h>
#include <wx/sizer.h>
#include <wx/slider.h>
#include <wx/stattext.h>

#include <functional>
#include <string>

#include "common/control_bindings.h"
#include "player/run_dialog.h"

namespace {

void bindPrefixedLabel(wxStaticText* label, const wxString& prefix,
                       const connections::ExpressionPtr<int>& mark,
                       connections::BindingList& bindings) {
  auto text = connections::holdBinding(connections::makeWxLabelVar(label), bindings);
  text->assign(connections::makeFunctor(std::function<wxString(int)>([prefix](int v) {
                                          return prefix + wxString(std::to_string(v));
                                        }),
                                        mark));
}

}  // namespace

DlgVotingDSCQS::DlgVotingDSCQS(wxWindow* parent, TestInterrupter* interrupter, bool repeatButtons)
    : DlgVotingDSCQSstub(parent, wxID_ANY, "Give your mark (DSCQS method)", wxDefaultPosition,
                         wxSize(403, 321)) {
  markAVar = connections::makeVarWxSlider(markSliderA);
  markBVar = connections::makeVarWxSlider(markSliderB);
  markA = markAVar;
  markB = markBVar;
  bindPrefixedLabel(markALabel, "A: ", markA, bindings);
  bindPrefixedLabel(markBLabel, "B: ", markB, bindings);

  watchAgainButton->Show(!repeatButtons);
  repeatButtonsSizer->ShowItems(repeatButtons);
  Layout();

  okButton->Bind(wxEVT_BUTTON, [this](wxCommandEvent&) { end(false, false); });
  watchAgainButton->Bind(wxEVT_BUTTON, [this](wxCommandEvent&) { end(true, true); });
  repeatAButton->Bind(wxEVT_BUTTON, [this](wxCommandEvent&) { end(true, false); });
  repeatBButton->Bind(wxEVT_BUTTON, [this](wxCommandEvent&) { end(false, true); });
  bindRunDialogClose(*this, buttonPressed, interrupter);
  if (repeatButtons) {
    Bind(wxEVT_CHAR_HOOK, [this](wxKeyEvent& event) {
      switch (event.GetKeyCode()) {
        case 'A':
        case 'a':
          end(true, false);
          break;
        case 'B':
        case 'b':
          end(false, true);
          break;
        default:
          event.Skip();
      }
    });
  }
}

void DlgVotingDSCQS::end(bool a, bool b) {
  repeatA = a;
  repeatB = b;
  buttonPressed = true;
  EndModal(0);
}
