// The editor's status bar: the placer that keeps a child window inside its field, and the panel
// of the third field, which follows the passes of a saved task. GUI thread only.
#pragma once

#include <memory>
#include <string>

#include "app/wnd_main.h"
#include "common/operations.h"
#include "common/variable.h"
#include "layouts/status_bar_panel2_stub.h"

class ResultsMonitor;
class wxSizeEvent;
class wxStatusBar;

// Keeps a child of the status bar inside one field, after every size change of the bar and
// when asked. With fitToChild the field is as wide as the child and the child is centred in it;
// without, the field's width is variable and the child sits 5 pixels from its left edge. The
// child is centred vertically.
class StatusFieldPlacer {
 public:
  StatusFieldPlacer(wxStatusBar* statusBar, wxWindow* child, int field, bool fitToChild);
  ~StatusFieldPlacer();
  StatusFieldPlacer(const StatusFieldPlacer&) = delete;
  StatusFieldPlacer& operator=(const StatusFieldPlacer&) = delete;

  void place();

  int32_t field;
  bool fitToChild;
  wxStatusBar* statusBar;
  wxWindow* child;

 private:
  void onSize(wxSizeEvent& event);
};

// The results part of the status bar. It tells whether the task's passes are being followed,
// which enables the editor's result commands.
class WndMain::StatusBarPanel2 : public StatusBarPanel2stub {
 public:
  explicit StatusBarPanel2(WndMain* mainWindow);

  // Follows the passes of the task file (none for an empty path), then has the main window
  // refresh its summary.
  void watchResults(std::wstring path);
  // Brings the panel's state and text up to date.
  void refresh();
  // Shows the results dialog while passes are followed.
  void openResults();
  // True while the passes are followed.
  connections::ExpressionPtr<bool> monitoringExpression() const { return monitoring; }

  WndMain* mainWindow;
  std::wstring taskPath;
  connections::BindingList bindings;
  connections::VariableMemPtr<bool> monitoring;
  connections::VariableMemPtr<bool> watching;
  std::shared_ptr<ResultsMonitor> monitor;  // null while nothing is followed
};
