// The operator's "Online test control panel": the online player runs it modally once per stage
// of an online test (waiting for observers, viewing the instructions, voting). It shows the
// test's link, the observers online, the stage, the votes and a countdown, and ends the stage
// on a button, when the countdown runs out, or by itself once every observer has voted and the
// stage's minimum time has passed. Closing it asks the player's interrupter.
//
// The one-second timer runs in every stage whose countdown or minimum time is above 0 and is
// reset with each stage, so that a stage's seconds are always counted from its start.
//
// GUI thread only. The two counters it follows change on the web server's connection threads;
// their listeners only post to the panel, and the posted calls read the counters' current
// values, so no change is lost between a stage's start and its first post.
#pragma once

#include <wx/timer.h>

#include "common/event_getter.h"
#include "common/operations.h"
#include "common/variable.h"
#include "layouts/network_control_panel_stub.h"

class TestInterrupter;

class NetworkControlPanel : public NetworkControlPanelStub {
 public:
  NetworkControlPanel(wxWindow* parent, TestInterrupter* interrupter);
  ~NetworkControlPanel() override;

  // Starts a stage: its texts, its countdown in seconds (0 none, -1 none and "Stop countdown"
  // disabled), whether "Repeat last video" is offered, whether it ends by itself once every
  // observer has voted, and the seconds that must pass before it does.
  void setStage(const wxString& stage, const wxString& button, int countdownSeconds,
                bool repeatEnabled, bool automaticEnd, int minimumSeconds);
  // "Experts online:" follows the count from now on.
  void bindObserverCount(const connections::ExpressionPtr<int>& count);

  // Ends the stage: "finishing...", and the modal loop ends.
  void endStage();
  // One second of the running stage.
  void tick();

  // --- GUI thread only
  EventGetter poster{this};
  wxString stageText;
  wxString buttonText;
  bool stageEnded = true;
  bool autoEnd = false;
  int elapsed = 0;    // seconds counted since the stage started
  int voteTally = 0;  // the last vote count shown
  connections::VariableMemPtr<int> minimumTime;
  connections::VariableMemPtr<int> countdown;
  connections::VariableMemPtr<bool> stopped;
  connections::ExpressionPtr<int> observerCountSource;
  // The online state's vote count; assigned by the player.
  connections::ExpressionPtr<int> voteCountSource;
  connections::ExpressionPtr<void> voteListener;  // only while a stage with automatic end runs
  bool repeatRequested = false;                   // "Repeat last video" ended the stage
  wxTimer timer;
  // The length of the countdown's second; tests shorten it.
  int tickMs = 1000;
  TestInterrupter* interrupter;
  connections::BindingList bindings;

 private:
  void showStage();
  void updateVotes(int votes);
  void checkAutoEnd();
  void updateCountdown();
  void startTimer();
  void onClose(wxCloseEvent& event);
};
