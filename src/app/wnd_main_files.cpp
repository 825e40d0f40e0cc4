// The task's files: new, open, recent, save, save as, the unsaved-changes question, the import
// of pass archives and the window title.
#include <wx/filedlg.h>
#include <wx/msgdlg.h>
#include <wx/textctrl.h>

#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <climits>
#include <cstdlib>

#include "app/recent_tasks.h"
#include "app/status_panel.h"
#include "app/wnd_main.h"
#include "avifile/avi_system.h"
#include "common/prompt.h"
#include "results/archive_import.h"
#include "results/pass_file_io.h"
#include "results/pass_files.h"

namespace {

const wxString kTaskWildcard = "VIXO task files (*.vixo)|*.vixo";
const wxString kLoadingFailed =
    "Error while loading task. File corrupted, incompatible with this VIXO version or can't be "
    "opened.";

wxString wide(const std::wstring& text) { return wxString(text.c_str()); }

// A message box without parent and with an OK button.
void tell(const wxString& caption, const wxString& text, long icon) {
  vixo::Prompt prompt;
  prompt.caption = caption;
  prompt.text = text;
  prompt.style = wxOK | icon;
  vixo::showPrompt(prompt);
}

// The file that a write to the path lands in: a link's target, else the path itself.
std::string writeTarget(const std::string& path) {
  char* real = realpath(path.c_str(), nullptr);
  if (!real) return path;
  std::string target = real;
  std::free(real);
  return target;
}

// Replaces the file's content as a whole: the text goes to a new file beside it, reaches the
// disk and is then moved over the old file, so that a failed write (a full disk, say) leaves
// the old task file as it was, never a cut-off one. The old file's permissions are kept.
bool replaceFile(const std::wstring& path, const std::string& text) {
  static std::atomic<unsigned> counter{0};
  std::string native;
  if (!toNativePath(path, native) || native.empty()) return false;
  const std::string target = writeTarget(native);
  const std::string temporary =
      target + ".tmp." + std::to_string(getpid()) + "." + std::to_string(counter++);
  const std::wstring temporaryWide = fromUtf8(temporary);
  if (temporaryWide.empty() || !passfiles::writeFileDurably(temporaryWide, text)) {
    unlink(temporary.c_str());
    return false;
  }
  struct stat old {};
  if (stat(target.c_str(), &old) == 0) chmod(temporary.c_str(), old.st_mode & 07777);
  if (rename(temporary.c_str(), target.c_str()) != 0) {
    unlink(temporary.c_str());
    return false;
  }
  const std::wstring folder = splitPath(fromUtf8(target)).directory;
  (void)passfiles::syncFolder(folder.empty() ? L"." : folder);
  return true;
}

}  // namespace

bool WndMain::confirmDiscard(const wxString& caption) {
  if (undoPosition == savedPosition) return true;
  vixo::Prompt prompt;
  prompt.parent = this;
  prompt.caption = caption;
  prompt.text = "The task has unsaved modifications.\nDo you want to save it?";
  prompt.style = wxYES_NO | wxCANCEL | wxICON_INFORMATION;
  prompt.yesLabel = "Save";
  prompt.noLabel = "Close, without saving";
  prompt.cancelLabel = "Cancel";
  switch (vixo::showPrompt(prompt)) {
    case wxID_YES:
      return saveTask();
    case wxID_NO:
      return true;
    default:
      return false;
  }
}

bool WndMain::newTask() {
  if (!confirmDiscard("New task")) return false;
  setTask(Task(), std::wstring());
  return true;
}

bool WndMain::loadTask(const std::wstring& path) {
  Task loaded;
  if (!loadTaskFile(loaded, path)) return false;
  setTask(loaded, path);
  recentTasks->add(path);
  return true;
}

bool WndMain::openTask() {
  if (!confirmDiscard("Load task")) return false;
  vixo::FilePrompt chooser;
  chooser.parent = this;
  chooser.message = "Load VIXO task";
  chooser.wildcard = kTaskWildcard;
  chooser.style = wxFD_OPEN | wxFD_FILE_MUST_EXIST;
  const std::vector<wxString> chosen = vixo::showFilePrompt(chooser);
  if (chosen.empty()) return false;
  if (!loadTask(chosen.front().ToStdWstring())) {
    tell("Loading problem", kLoadingFailed, wxICON_ERROR);
    return false;
  }
  return true;
}

void WndMain::openRecentTask(const std::wstring& path) {
  if (loadTask(path)) return;
  vixo::Prompt prompt;
  prompt.parent = this;
  prompt.caption = "Loading problem";
  prompt.text = kLoadingFailed;
  prompt.style = wxYES_NO | wxICON_ERROR;
  prompt.yesLabel = "Delete from history";
  prompt.noLabel = "OK";
  if (vixo::showPrompt(prompt) != wxID_YES) return;
  recentTasks->remove(path);
  recentTasks->save();
  recentTasks->rebuildMenu();
}

bool WndMain::saveTask() {
  if (taskPath.empty()) return saveTaskAs();
  if (!replaceFile(taskPath, taskToJson(task, taskPath).toString(-1))) {
    tell("Saving problem", "Error while saving task. Choose another file.", wxICON_ERROR);
    return false;
  }
  savedPosition = undoPosition;
  updateTitle();
  recentTasks->add(taskPath);
  return true;
}

bool WndMain::saveTaskAs() {
  const std::wstring oldPath = taskPath;
  const PathParts old = splitPath(oldPath);
  vixo::FilePrompt chooser;
  chooser.parent = this;
  chooser.message = "Save VIXO task";
  chooser.defaultDir = wide(old.drive + old.directory);
  chooser.defaultFile = wide(old.fileName());
  chooser.wildcard = kTaskWildcard;
  chooser.style = wxFD_SAVE | wxFD_OVERWRITE_PROMPT;
  const std::vector<wxString> chosen = vixo::showFilePrompt(chooser);
  if (chosen.empty()) return false;

  taskPath = chosen.front().ToStdWstring();
  if (task.name.empty()) {
    const std::wstring name = splitPath(taskPath).baseName;
    taskNameText->SetValue(wide(name));  // one undo step, like typing it
    task.name = name;
  }
  if (!saveTask()) {
    taskPath = oldPath;
    return false;
  }
  statusPanel->watchResults(taskPath);
  return true;
}

void WndMain::importResults() {
  // Archives land beside the task file: a task never saved has nowhere to put them.
  if (taskPath.empty()) return;
  vixo::FilePrompt chooser;
  chooser.parent = this;
  chooser.message = "Import one or multiple results";
  chooser.wildcard = "VIXO result archive (*.vixores)|*.vixores";
  chooser.style = wxFD_OPEN | wxFD_MULTIPLE;
  const std::vector<wxString> chosen = vixo::showFilePrompt(chooser);
  if (chosen.empty()) return;

  // The pass folders exist once a task's passes are followed; an import may come first.
  createPassFolders(taskPath);
  std::vector<wxString> imported, failed;
  for (const wxString& path : chosen)
    (importArchive(taskPath, path.ToStdWstring()) ? imported : failed).push_back(path);

  if (!imported.empty() && !failed.empty()) {
    wxString text = "The following file(s) imported correctly:\n";
    for (const wxString& path : imported) text += path + "\n";
    text += "\nThe following file(s) was not imported due to error:\n";
    for (const wxString& path : failed) text += path + "\n";
    tell("Import", text, wxICON_ERROR);
  } else if (!imported.empty()) {
    tell("Import", "All files imported correctly", wxICON_INFORMATION);
  } else {
    tell("Import", "Can't import file(s)", wxICON_ERROR);
  }
  if (!imported.empty()) updateValidationStatus();
}

void WndMain::updateTitle() {
  wxString title = undoPosition != savedPosition ? "*" : "";
  title += task.name.empty() ? wxString("Untitled") : wide(task.name);
  if (!taskPath.empty()) title += " (" + wide(splitPath(taskPath).fileName()) + ")";
  SetTitle(title + " - Orlo VIXO Editor 2.1 BETA r12218");
}
