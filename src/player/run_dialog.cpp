#include "player/run_dialog.h"

#include <wx/button.h>
#include <wx/dialog.h>
#include <wx/event.h>
#include <wx/stattext.h>

#include <functional>
#include <string>

#include "common/control_bindings.h"
#include "player/vixo_player.h"

void bindRunDialogClose(wxDialog& dialog, const bool& answered, TestInterrupter* interrupter) {
  wxDialog* window = &dialog;
  dialog.Bind(wxEVT_CLOSE_WINDOW, [window, &answered, interrupter](wxCloseEvent& event) {
    if (!answered && interrupter) {
      if (!event.CanVeto()) {
        interrupter->forceInterrupt();
      } else if (!interrupter->askInterrupt(window)) {
        event.Veto();
        return;
      }
    }
    event.Skip();  // the toolkit's default close ends the modal loop
  });
}

void bindVoteButtons(wxDialog& dialog, wxButton* ok, wxButton* again, bool& buttonPressed,
                     bool& watchAgain) {
  wxDialog* window = &dialog;
  const auto end = [window, &buttonPressed, &watchAgain](bool watch) {
    watchAgain = watch;
    buttonPressed = true;
    window->EndModal(0);
  };
  ok->Bind(wxEVT_BUTTON, [end](wxCommandEvent&) { end(false); });
  again->Bind(wxEVT_BUTTON, [end](wxCommandEvent&) { end(true); });
}

int digitOfKey(int keyCode) {
  if (keyCode >= '0' && keyCode <= '9') return keyCode - '0';
  if (keyCode >= WXK_NUMPAD0 && keyCode <= WXK_NUMPAD9) return keyCode - WXK_NUMPAD0;
  return -1;
}

void bindDecimalLabel(wxStaticText* label, const connections::ExpressionPtr<int>& mark,
                      connections::BindingList& bindings) {
  auto text = connections::holdBinding(connections::makeWxLabelVar(label), bindings);
  text->assign(connections::makeFunctor(
      std::function<wxString(int)>([](int v) { return wxString(std::to_string(v)); }), mark));
}
