// Lets a window test's windows live for a while: the event loop runs for about the given time,
// the toolkit's own timers included. GUI thread only.
#pragma once

#include <wx/evtloop.h>
#include <wx/timer.h>

namespace vixo_test {

inline void runEvents(int ms) {
  wxGUIEventLoop loop;
  wxTimer timer;
  timer.Bind(wxEVT_TIMER, [&loop](wxTimerEvent&) { loop.Exit(); });
  timer.StartOnce(ms);
  loop.Run();
}

}  // namespace vixo_test
