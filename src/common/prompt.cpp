#include "common/prompt.h"

#include <wx/app.h>
#include <wx/dialog.h>
#include <wx/filedlg.h>
#include <wx/msgdlg.h>
#include <wx/weakref.h>

#include <utility>

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

}  // namespace

int showPrompt(const Prompt& prompt) {
  if (promptAnswerer()) return promptAnswerer()(prompt);
  wxMessageDialog box(prompt.parent, prompt.text, prompt.caption, prompt.style);
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
