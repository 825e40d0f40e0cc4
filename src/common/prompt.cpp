#include "common/prompt.h"

#include <wx/app.h>
#include <wx/dialog.h>
#include <wx/filedlg.h>
#include <wx/msgdlg.h>
#include <wx/weakref.h>
// After msgdlg.h, which declares its base class.
#include <wx/generic/msgdlgg.h>

#include <utility>

#include "common/dialog_place.h"

namespace vixo {
namespace {

// GUI thread only, like everything here.
PromptAnswerer& promptAnswerer() {
  static PromptAnswerer answerer;
  return answerer;
}
FilePromptAnswerer& fileAnswerer() {
  static FilePromptAnswerer answerer;
  return answerer;
}
ModalAnswerer& modalAnswerer() {
  static ModalAnswerer answerer;
  return answerer;
}

// The labels and the answer of a message box of either kind.
template <class Box>
int runBox(Box& box, const Prompt& prompt) {
  const bool yesNo = (prompt.style & wxYES_NO) != 0;
  const bool cancel = (prompt.style & wxCANCEL) != 0;
  const wxString ok = prompt.okLabel.empty() ? wxString(wxGetTranslation("OK")) : prompt.okLabel;
  if (yesNo && cancel &&
      (!prompt.yesLabel.empty() || !prompt.noLabel.empty() || !prompt.cancelLabel.empty())) {
    box.SetYesNoCancelLabels(
        prompt.yesLabel.empty() ? wxMessageDialog::ButtonLabel(wxID_YES) : prompt.yesLabel,
        prompt.noLabel.empty() ? wxMessageDialog::ButtonLabel(wxID_NO) : prompt.noLabel,
        prompt.cancelLabel.empty() ? wxMessageDialog::ButtonLabel(wxID_CANCEL)
                                   : prompt.cancelLabel);
  } else if (yesNo && (!prompt.yesLabel.empty() || !prompt.noLabel.empty())) {
    box.SetYesNoLabels(
        prompt.yesLabel.empty() ? wxMessageDialog::ButtonLabel(wxID_YES) : prompt.yesLabel,
        prompt.noLabel.empty() ? wxMessageDialog::ButtonLabel(wxID_NO) : prompt.noLabel);
  } else if (!yesNo && cancel && (!prompt.okLabel.empty() || !prompt.cancelLabel.empty())) {
    box.SetOKCancelLabels(ok, prompt.cancelLabel.empty() ? wxMessageDialog::ButtonLabel(wxID_CANCEL)
                                                         : prompt.cancelLabel);
  } else if (!prompt.okLabel.empty()) {
    box.SetOKLabel(prompt.okLabel);
  }
  return box.ShowModal();
}

}  // namespace

int showPrompt(const Prompt& prompt) {
  if (promptAnswerer()) return promptAnswerer()(prompt);
  if (!prompt.at) {
    wxMessageDialog box(prompt.parent, prompt.text, prompt.caption, prompt.style);
    // The native box is made and shown inside its own loop, without the toolkit's show.
    box.CallAfter([&box] {
      if (box.GetHandle()) box.Raise();
    });
    return runBox(box, prompt);
  }
  // The native box cannot be moved; the toolkit's own one is a dialog like any other. It
  // builds its controls when its modal loop starts, so it is placed once it is shown.
  wxGenericMessageDialog box(prompt.parent, prompt.text, prompt.caption, prompt.style);
  presentSoon(&box);
  const wxPoint at = *prompt.at;
  box.Bind(wxEVT_SHOW, [&box, at](wxShowEvent& event) {
    event.Skip();
    if (event.IsShown()) placeDialogAt(&box, at.x, at.y);
  });
  return runBox(box, prompt);
}

std::vector<wxString> showFilePrompt(const FilePrompt& prompt) {
  if (fileAnswerer()) return fileAnswerer()(prompt);
  wxFileDialog chooser(prompt.parent, prompt.message, prompt.defaultDir, prompt.defaultFile,
                       prompt.wildcard, prompt.style);
  std::vector<wxString> chosen;
  if (chooser.ShowModal() != wxID_OK) return chosen;
  if (prompt.style & wxFD_MULTIPLE) {
    wxArrayString paths;
    chooser.GetPaths(paths);
    chosen.assign(paths.begin(), paths.end());
  } else {
    chosen.push_back(chooser.GetPath());
  }
  return chosen;
}

int showModal(wxDialog& dialog) {
  presentSoon(&dialog);
  if (modalAnswerer() && wxTheApp) {
    // Answered once the dialog's own loop runs, as a person would answer it.
    wxWeakRef<wxDialog> weak(&dialog);
    ModalAnswerer answer = modalAnswerer();
    wxTheApp->CallAfter([weak, answer] {
      if (weak && weak->IsModal()) answer(*weak);
    });
  }
  return dialog.ShowModal();
}

void setPromptAnswerer(PromptAnswerer answerer) { promptAnswerer() = std::move(answerer); }
void setFilePromptAnswerer(FilePromptAnswerer answerer) { fileAnswerer() = std::move(answerer); }
void setModalAnswerer(ModalAnswerer answerer) { modalAnswerer() = std::move(answerer); }

}  // namespace vixo
