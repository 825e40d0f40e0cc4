#include "shell/wnd_loading.h"

#include <wx/timer.h>

#include <memory>

#include "common/event_loop_wait.h"
#include "common/variable.h"

WndLoading::WndLoading(wxWindow* parent, const wxString& title, const wxSize& size, long style)
    : WndLoadingStub(parent, wxID_ANY, title, wxDefaultPosition, size, style) {}

WndLoading* showLoadingWindow(wxWindow* parent) {
  auto* loading =
      new WndLoading(parent, "Orlo VIXO Start Work", wxSize(525, 256), wxDEFAULT_DIALOG_STYLE);
  loading->Show();

  auto shown = connections::makeVariableMem(false);
  auto destroyed = std::make_shared<bool>(false);
  loading->Bind(wxEVT_IDLE, [shown](wxIdleEvent& event) {
    shown->set(true);
    event.Skip();
  });
  loading->Bind(wxEVT_CLOSE_WINDOW, [shown](wxCloseEvent& event) {
    shown->set(true);
    event.Skip();
  });
  loading->Bind(wxEVT_DESTROY, [shown, destroyed, loading](wxWindowDestroyEvent& event) {
    if (event.GetEventObject() == loading) {
      *destroyed = true;
      shown->set(true);
    }
    event.Skip();
  });

  // Not owned by the window: the window may be destroyed while the wait still runs.
  wxTimer timer;
  timer.Bind(wxEVT_TIMER, [shown](wxTimerEvent&) { shown->set(true); });
  timer.StartOnce(100);

  connections::runEventLoopUntil(shown);
  timer.Stop();
  // Bound once the wait is over: the parent, still being built, gets idle events during the
  // wait too, and the window is to stay until the caller has finished.
  if (parent) {
    parent->Bind(wxEVT_IDLE, [destroyed, loading](wxIdleEvent&) {
      if (*destroyed) return;
      *destroyed = true;
      loading->Destroy();
    });
  }
  return loading;
}
