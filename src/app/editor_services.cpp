#include "app/editor_services.h"

#include "results/dlg_results.h"

// Each service is plugged in by the part of the application that provides it; until then the
// editor's command does nothing (and a test run reports that no pass ran).
EditorServices defaultEditorServices() {
  EditorServices services;

  // The test run: the start-test dialog and the players.
  services.runTest = [](const Task&, const std::wstring&, bool) { return false; };

  // The messages dialog.
  services.showMessages = [](wxWindow*, const std::vector<ValidationMessage>&) {};

  // The About box.
  services.showAbout = [](wxWindow*) {};

  // The loading window.
  services.showLoadingWindow = [](wxWindow*) -> wxWindow* { return nullptr; };

  // The results dialog's CSV export.
  services.exportResultsCsv = [](wxWindow* parent, const std::shared_ptr<ResultsMonitor>& monitor,
                                 const wxIcon& inProgressIcon) {
    if (monitor) ::exportResultsCsv(parent, *monitor, inProgressIcon);
  };

  return services;
}
