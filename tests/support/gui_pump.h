// Running the toolkit's event loop in a GUI test until something has happened.
#pragma once

#include <wx/app.h>
#include <wx/utils.h>

#include <chrono>
#include <functional>
#include <thread>

namespace vixo_test {

// Runs the event loop until the condition holds (or a time limit passes); false on the limit.
inline bool pumpUntil(const std::function<bool()>& done,
                      std::chrono::milliseconds limit = std::chrono::seconds(5)) {
  const auto end = std::chrono::steady_clock::now() + limit;
  while (!done()) {
    if (std::chrono::steady_clock::now() > end) return false;
    wxTheApp->ProcessPendingEvents();
    wxYield();
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return true;
}

}  // namespace vixo_test
