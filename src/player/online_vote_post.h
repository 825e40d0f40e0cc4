// Hands the votes of an online test from the web server's connection threads to the GUI thread.
//
// The callback made here runs on a connection thread: it copies the vote into a callable and
// posts it to a window through its EventGetterSetterHelper, touching nothing else. On the GUI
// thread the callable gives the vote to `run`. A post after the window is gone is dropped, and a
// posted vote owns its values, so it stays valid when the online state is gone before it runs.
#pragma once

#include <functional>
#include <memory>

#include "player/online_test_state.h"

class EventGetterSetterHelper;

// `run` is called on the GUI thread for every vote, in the order of the posts; it must
// stay callable as long as the window can run posted calls.
OnlineTestState::VoteCallback postVotesTo(std::shared_ptr<EventGetterSetterHelper> window,
                                          std::function<void(OnlineVote&)> run);
