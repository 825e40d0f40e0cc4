#include "app/status_panel.h"

#include <wx/hyperlink.h>
#include <wx/sizer.h>
#include <wx/stattext.h>
#include <wx/statusbr.h>

#include <vector>

#include "common/control_bindings.h"
#include "results/dlg_results.h"
#include "results/results_monitor.h"

// ---------------------------------------------------------------- field placement

StatusFieldPlacer::StatusFieldPlacer(wxStatusBar* statusBar, wxWindow* child, int field,
                                     bool fitToChild)
    : field(field), fitToChild(fitToChild), statusBar(statusBar), child(child) {
  statusBar->Bind(wxEVT_SIZE, &StatusFieldPlacer::onSize, this);
}

StatusFieldPlacer::~StatusFieldPlacer() {
  statusBar->Unbind(wxEVT_SIZE, &StatusFieldPlacer::onSize, this);
}

void StatusFieldPlacer::onSize(wxSizeEvent& event) {
  place();
  event.Skip();
}

void StatusFieldPlacer::place() {
  const wxSize size = child->GetClientSize();
  const int count = statusBar->GetFieldsCount();
  std::vector<int> widths(static_cast<size_t>(count));
  for (int i = 0; i < count; ++i) widths[static_cast<size_t>(i)] = statusBar->GetStatusWidth(i);
  widths[static_cast<size_t>(field)] = fitToChild ? size.x : -1;
  statusBar->SetStatusWidths(count, widths.data());
  wxRect rect;
  if (!statusBar->GetFieldRect(field, rect)) return;
  // The toolkit draws borders inside a field's width: widen the field until the child fits.
  if (fitToChild && rect.width < size.x) {
    widths[static_cast<size_t>(field)] += size.x - rect.width;
    statusBar->SetStatusWidths(count, widths.data());
    if (!statusBar->GetFieldRect(field, rect)) return;
  }
  const int dx = fitToChild ? (rect.width - size.x) / 2 : 5;
  child->Move(rect.x + dx, rect.y + (rect.height - size.y) / 2);
}

// ---------------------------------------------------------------- results panel

WndMain::StatusBarPanel2::StatusBarPanel2(WndMain* mainWindow)
    : StatusBarPanel2stub(mainWindow->statusBar),
      mainWindow(mainWindow),
      monitoring(connections::makeVariableMem(false)),
      watching(connections::makeVariableMem(false)) {
  using namespace connections;
  holdBinding(makeWxWindowShowVar(saveHintLabel, panelSizer), bindings)->assign(!monitoring);
  holdBinding(makeWxSizerItemShowVar(resultsSizer, panelSizer), bindings)->assign(monitoring);
  holdBinding(makeWxWindowShowVar(refreshLink, panelSizer), bindings)
      ->assign(monitoring && !watching);
  openResultsLink->Bind(wxEVT_HYPERLINK, [this](wxHyperlinkEvent&) { openResults(); });
  refreshLink->Bind(wxEVT_HYPERLINK, [this](wxHyperlinkEvent&) { watchResults(taskPath); });
}

void WndMain::StatusBarPanel2::watchResults(std::wstring path) {
  taskPath = std::move(path);
  // The old monitor goes first: its destructor stops and joins its thread.
  monitor.reset();
  if (!taskPath.empty()) {
    monitor = std::make_shared<ResultsMonitor>(taskPath);
    // Runs on the monitor's thread: it only posts. Posts that arrive after the main window has
    // gone are dropped by its event getter.
    monitor->subscribe([helper = mainWindow->eventGetter->helper(), window = mainWindow] {
      EventGetterSetterHelper::post(helper, [window] { window->updateValidationStatus(); });
    });
  }
  mainWindow->updateValidationStatus();
}

void WndMain::StatusBarPanel2::refresh() {
  monitoring->set(monitor != nullptr);
  watching->set(monitor != nullptr && monitor->isWatching());
  if (monitor) resultsStatusLabel->SetLabel(wxString(monitor->statusText().c_str()));
  Layout();
  Fit();
}

void WndMain::StatusBarPanel2::openResults() {
  if (monitor) showResults(mainWindow, *monitor, mainWindow->fileLoadingIcon);
}
