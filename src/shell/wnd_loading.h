// The loading window shown over a window that is still being built (the editor's main window,
// a player's full-screen window): it is really on screen before the caller goes on with its
// long construction, and goes away by itself once the caller's window first becomes idle.
// GUI thread only.
#pragma once

#include "layouts/wnd_loading_stub.h"

class WndLoading : public WndLoadingStub {
 public:
  WndLoading(wxWindow* parent, const wxString& title, const wxSize& size, long style);
};

// Shows the loading window over `parent` and returns once it has appeared (its first idle
// event, a close, its destruction, or 100 ms, whichever comes first), running a nested event
// loop meanwhile. The window belongs to the toolkit: it is destroyed at the parent's first idle
// event after this returns; callers keep the pointer but do not use it.
WndLoading* showLoadingWindow(wxWindow* parent);
