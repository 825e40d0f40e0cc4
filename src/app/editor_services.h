// What the task editor asks of the rest of the application: the test run, the shell's dialogs
// and the results dialog. Each main window holds one set, made by defaultEditorServices(); the
// parts of the application that provide a service plug it in there, and tests replace entries
// on their own window to see what the editor asked for. GUI thread only.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "avifile/property_validator.h"

class ResultsMonitor;
class wxIcon;
class wxWindow;
struct Task;

struct EditorServices {
  // Runs a pass of a copy of the task; the path is empty for a task never saved. True when a
  // pass ran.
  std::function<bool(const Task& task, const std::wstring& taskPath, bool debug)> runTest;
  // Lists the validation messages in a modal dialog.
  std::function<void(wxWindow* parent, const std::vector<ValidationMessage>& messages)>
      showMessages;
  // The About box, modal.
  std::function<void(wxWindow* parent)> showAbout;
  // The start-up window over a frame under construction; it goes by itself. Null when none.
  std::function<wxWindow*(wxWindow* parent)> showLoadingWindow;
  // Exports the results of the monitored passes as CSV (file chooser and writing) without
  // showing the results dialog.
  std::function<void(wxWindow* parent, const std::shared_ptr<ResultsMonitor>& monitor,
                     const wxIcon& inProgressIcon)>
      exportResultsCsv;
};

// The services of this build of the application.
EditorServices defaultEditorServices();
