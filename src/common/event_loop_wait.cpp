#include "common/event_loop_wait.h"

#include <wx/app.h>

#include <functional>

namespace connections {
namespace detail {

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
  ExpressionPtr<void> functor = makeFunctor(
      std::function<void(bool)>([state, requestExit](bool value) {
        if (!value) return;
        std::lock_guard<std::mutex> lock(state->mutex);
        if (state->done) return;
        state->done = true;
        if (state->running && wxTheApp) wxTheApp->CallAfter(requestExit);
      }),
      cond);
  ExpressionPtr<void> listener = makeListener(functor);
  const bool now = cond->get();
  {
    std::lock_guard<std::mutex> lock(state->mutex);
    state->done = state->done || now;
    if (state->done) return;
  }
  detail::wxCustomLoop loop(state);
  loop.Run();
}

}  // namespace connections
