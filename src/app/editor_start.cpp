#include <wx/msgdlg.h>

#include "app/play_path.h"
#include "app/vixo_app.h"
#include "app/wnd_main.h"
#include "common/prompt.h"
#include "shell/dlg_messages.h"
#include "shell/wnd_about.h"
#include "shell/wnd_loading.h"

namespace {

// The editor's own services plus those of the rest of the application: test runs through the
// start-test dialog and the players, the messages dialog, About and the loading window.
EditorServices applicationEditorServices() {
  EditorServices services = defaultEditorServices();
  services.runTest = [](const Task& task, const std::wstring& taskPath, bool debug) {
    return runTest(task, taskPath, debug);
  };
  services.showMessages = [](wxWindow* parent, const std::vector<ValidationMessage>& messages) {
    DlgMessages dialog(parent, messages);
    vixo::showModal(dialog);
  };
  services.showAbout = [](wxWindow* parent) { showAboutBox(parent); };
  services.showLoadingWindow = [](wxWindow* parent) -> wxWindow* {
    return showLoadingWindow(parent);
  };
  return services;
}

}  // namespace

bool openEditor(const StartOptions& options) {
  auto* frame = new WndMain(applicationEditorServices());
  if (options.taskGiven && !frame->loadTask(options.taskPath)) {
    vixo::Prompt prompt;
    prompt.caption = "Loading problem";
    prompt.text =
        "Error while loading task. File corrupted, incompatible with this VIXO version or can't "
        "be opened.";
    prompt.style = wxOK | wxICON_ERROR;
    vixo::showPrompt(prompt);
  }
  frame->Show();
  return true;
}
