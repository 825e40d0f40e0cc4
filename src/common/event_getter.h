// Posting work from worker threads to a window.
//
// The window owns an EventGetter; workers hold a shared handle of its EventGetterSetterHelper
// and post callables, which run later on the GUI thread in the window's event handling, in the
// order they were posted. Once the window is gone, posts are dropped silently. Posting from the
// GUI thread itself also defers the callable to a later pass of the event loop.
#pragma once

#include <wx/event.h>

#include <functional>
#include <memory>
#include <mutex>

class wxWindow;

// The state a window shares with the threads that post to it. Thread-safe.
class EventGetterSetterHelper {
 public:
  // The callable and its copy travel with the posted event.
  class EventData {
   public:
    explicit EventData(std::function<void()> callable) : callable(std::move(callable)) {}
    std::function<void()> callable;
  };

  explicit EventGetterSetterHelper(wxWindow* window) : window(window) {}

  // From any thread: queues the callable on the window, or drops it when the window is gone.
  // Never runs it on the calling thread.
  static void post(const std::shared_ptr<EventGetterSetterHelper>& helper,
                   std::function<void()> callable);

  std::recursive_mutex mutex;
  wxWindow* window;  // null when there is none or it is gone
};

// A member of the window it posts to; destroyed with the window (GUI thread).
class EventGetter {
 public:
  // Clears the shared state's window when it goes, so that later posts are dropped.
  class Nuller {
   public:
    explicit Nuller(std::shared_ptr<EventGetterSetterHelper> shared) : shared(std::move(shared)) {}
    ~Nuller();  // under the shared state's lock, so a post in progress finishes first
    Nuller(const Nuller&) = delete;
    Nuller& operator=(const Nuller&) = delete;

    std::shared_ptr<EventGetterSetterHelper> shared;
  };

  explicit EventGetter(wxWindow* window);
  // Lets the nuller go first (its only handle), then the shared state.
  ~EventGetter() = default;
  EventGetter(const EventGetter&) = delete;
  EventGetter& operator=(const EventGetter&) = delete;

  const std::shared_ptr<EventGetterSetterHelper>& helper() const { return shared; }

  static void onPostedEvent(wxCommandEvent& event);

  std::shared_ptr<EventGetterSetterHelper> shared;
  std::shared_ptr<Nuller> nuller;  // declared after `shared`, so destroyed before it
};

// The event of a posted callable. It owns its payload, so a callable that never runs (its
// window went first) is released with the event.
class PostedCallEvent : public wxCommandEvent {
 public:
  explicit PostedCallEvent(std::function<void()> callable);
  wxEvent* Clone() const override { return new PostedCallEvent(*this); }
  std::shared_ptr<EventGetterSetterHelper::EventData> data;
};

// The event type of posted callables; bound for nothing else.
wxDECLARE_EVENT(VIXO_EVT_POSTED_CALL, PostedCallEvent);
