#include "common/event_getter.h"

#include <wx/window.h>

wxDEFINE_EVENT(VIXO_EVT_POSTED_CALL, PostedCallEvent);

PostedCallEvent::PostedCallEvent(std::function<void()> callable)
    : wxCommandEvent(VIXO_EVT_POSTED_CALL, wxID_ANY),
      data(std::make_shared<EventGetterSetterHelper::EventData>(std::move(callable))) {}

void EventGetterSetterHelper::post(const std::shared_ptr<EventGetterSetterHelper>& helper,
                                   std::function<void()> callable) {
  if (!helper) return;
  std::lock_guard<std::recursive_mutex> lock(helper->mutex);
  if (!helper->window) return;
  PostedCallEvent event(std::move(callable));
  // Copies the event into the window's queue and wakes the GUI thread.
  helper->window->GetEventHandler()->AddPendingEvent(event);
}

EventGetter::EventGetter(wxWindow* window)
    : shared(std::make_shared<EventGetterSetterHelper>(window)),
      nuller(std::make_shared<Nuller>(shared)) {
  if (window) window->Bind(VIXO_EVT_POSTED_CALL, &EventGetter::onPostedEvent);
}

EventGetter::Nuller::~Nuller() {
  // Under the lock, so that a post in progress on another thread finishes with the window.
  std::lock_guard<std::recursive_mutex> lock(shared->mutex);
  shared->window = nullptr;
}

void EventGetter::onPostedEvent(wxCommandEvent& event) {
  auto* posted = dynamic_cast<PostedCallEvent*>(&event);
  if (posted && posted->data && posted->data->callable) {
    // Released before it runs, so that what it captures goes when it has run.
    const std::shared_ptr<EventGetterSetterHelper::EventData> data = std::move(posted->data);
    data->callable();
  }
}
