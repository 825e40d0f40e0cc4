#include "common/event_loop_wait.h"

#include <wx/app.h>
#include <wx/evtloop.h>

#include <memory>
#include <mutex>

#include "common/wait.h"

namespace connections {
namespace detail {

// The nested loop of runEventLoopUntil.
class wxCustomLoop : public wxGUIEventLoop {
 public:
  // What the loop shares with the listener that ends it.
  struct State {
    std::mutex mutex;
    bool running = false;  // the toolkit's loop is dispatching
    bool done = false;     // the expression has been seen true
    wxCustomLoop* loop = nullptr;
  };

  explicit wxCustomLoop(std::shared_ptr<State> state);
  ~wxCustomLoop() override;

 protected:
  int DoRun() override;

 private:
  std::shared_ptr<State> state_;
};

wxCustomLoop::wxCustomLoop(std::shared_ptr<State> state) : state_(std::move(state)) {
  std::lock_guard<std::mutex> lock(state_->mutex);
  state_->loop = this;
}

wxCustomLoop::~wxCustomLoop() {
  std::lock_guard<std::mutex> lock(state_->mutex);
  state_->loop = nullptr;
}

int wxCustomLoop::DoRun() {
  {
    std::lock_guard<std::mutex> lock(state_->mutex);
    if (state_->done) return 0;  // true before the loop began: it does not begin
    state_->running = true;
  }
  // Whatever way the toolkit's loop ends, a later change must not ask it to exit.
  struct NotRunning {
    State& state;
    ~NotRunning() {
      std::lock_guard<std::mutex> lock(state.mutex);
      state.running = false;
    }
  } notRunning{*state_};
  return wxGUIEventLoop::DoRun();
}

}  // namespace detail

void runEventLoopUntil(const ExpressionPtr<bool>& cond) {
  auto state = std::make_shared<detail::wxCustomLoop::State>();
  // Only the GUI thread touches the loop: the request to exit travels there as an event and
  // finds the loop through the shared state, which forgets it when the loop is gone.
  auto requestExit = [state] {
    std::lock_guard<std::mutex> lock(state->mutex);
    if (state->running && state->loop) state->loop->ScheduleExit(0);
  };
  const ExpressionPtr<void> listener = callWhenTrue(cond, [state, requestExit] {
    std::lock_guard<std::mutex> lock(state->mutex);
    if (state->done) return;
    state->done = true;
    if (state->running && wxTheApp) wxTheApp->CallAfter(requestExit);
  });
  {
    std::lock_guard<std::mutex> lock(state->mutex);
    if (state->done) return;
  }
  detail::wxCustomLoop loop(state);
  loop.Run();
}

}  // namespace connections
