// Waiting on the GUI thread until a bool expression holds, with the interface alive: a nested
// event loop runs until the expression has been true once.
#pragma once

#include "common/operations.h"

namespace connections {

// GUI thread only. Returns at once, without dispatching any event, when the expression is
// true already. The listener is connected before the expression is first read, so a change
// made by another thread in between is not lost. Another thread that makes the expression true
// asks the loop to end through the GUI thread's event queue.
void runEventLoopUntil(const ExpressionPtr<bool>& cond);

}  // namespace connections
