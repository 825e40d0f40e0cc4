#include "app/vixo_app.h"

#include <wx/filedlg.h>
#include <wx/image.h>
#include <wx/msgdlg.h>

#include <exception>

#include "app/play_path.h"
#include "app/test_script.h"
#include "common/prompt.h"

bool MyApp::OnInit() {
  if (onStarted) onStarted();
  wxInitAllImageHandlers();
  vixo_test_hook::installFromEnvironment();
  if (!playMode) return openEditor(StartOptions{taskGiven, playMode, taskPath});

  if (taskPath.empty()) {
    vixo::FilePrompt chooser;
    chooser.message = "Load VIXO task";
    chooser.wildcard = "VIXO task files (*.vixo)|*.vixo";
    chooser.style = wxFD_OPEN | wxFD_FILE_MUST_EXIST;
    const std::vector<wxString> chosen = vixo::showFilePrompt(chooser);
    if (chosen.empty()) return false;
    taskPath = chosen.front().ToStdWstring();
  }
  playTaskFile(taskPath);
  return false;
}

bool MyApp::OnExceptionInMainLoop() {
  wxString what = "Unknown error";
  try {
    throw;
  } catch (const std::exception& error) {
    what = wxString::FromUTF8(error.what());
  } catch (...) {
  }
  vixo::Prompt prompt;
  prompt.caption = "Orlo VIXO";
  prompt.text = "Unexpected error: " + what;
  prompt.style = wxOK | wxICON_ERROR;
  vixo::showPrompt(prompt);
  return true;
}
