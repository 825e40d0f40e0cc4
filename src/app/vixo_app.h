// The application object: play mode runs one test from a task file and ends; edit mode opens
// the task editor and lets the toolkit's main loop run. GUI thread only.
#pragma once

#include <wx/app.h>

#include <functional>
#include <string>

#include "app/start_options.h"

class MyApp : public wxApp {
 public:
  explicit MyApp(const StartOptions& options)
      : taskGiven(options.taskGiven), playMode(options.playMode), taskPath(options.taskPath) {}
  ~MyApp() override = default;

  // Play mode: asks for a task when none was given, runs it and returns false, so that the
  // toolkit ends without entering its main loop. Edit mode: shows the editor and returns true.
  bool OnInit() override;
  // An error that escaped a window's handler is shown, and the program goes on.
  bool OnExceptionInMainLoop() override;

  // Called when the toolkit has started and the application begins.
  std::function<void()> onStarted;

  bool taskGiven;
  bool playMode;
  std::wstring taskPath;
};

// Opens the task editor, with the task when one is given; false when there is no editor to
// open. Edit mode's part of the application (editor_start.cpp).
bool openEditor(const StartOptions& options);
