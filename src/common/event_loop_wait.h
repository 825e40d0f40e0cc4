// Waiting on the GUI thread until a bool expression holds, with the interface alive: a nested
// event loop runs until the expression has been true once.
#pragma once

#include <wx/evtloop.h>

#include <memory>
#include <mutex>

#include "common/operations.h"

namespace connections {

// GUI thread only. Returns at once, without dispatching any event, when the expression is
// true already. The listener is connected before the expression is first read, so a change
// made by another thread in between is not lost. Another thread that makes the expression true
// asks the loop to end through the GUI thread's event queue.
void runEventLoopUntil(const ExpressionPtr<bool>& cond);

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

}  // namespace detail
}  // namespace connections
