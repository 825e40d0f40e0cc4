#include "player/network_control_panel.h"

#include <wx/button.h>
#include <wx/stattext.h>

#include <string>

#include "common/control_bindings.h"
#include "player/vixo_player.h"

using connections::makeConstant;
using connections::makeVariableMem;

namespace {

const wchar_t kNone[] = L"\u2014";

wxString decimal(int n) { return wxString(std::to_string(n)); }

// Posts a refresh of the panel on every change of the counter; the refresh reads the counter
// when it runs, so the panel shows the newest value whatever the order of the posts.
connections::ExpressionPtr<void> postOnChange(const connections::ExpressionPtr<int>& counter,
                                              const EventGetter& poster,
                                              std::function<void()> refresh) {
  return connections::makeListener(connections::makeFunctor(
      [helper = poster.helper(), refresh = std::move(refresh)](int) {
        EventGetterSetterHelper::post(helper, refresh);
      },
      counter));
}

}  // namespace

NetworkControlPanel::NetworkControlPanel(wxWindow* parent, TestInterrupter* interrupter)
    : NetworkControlPanelStub(parent, wxID_ANY, "Online test control panel"),
      minimumTime(makeVariableMem(0)),
      countdown(makeVariableMem(0)),
      stopped(makeVariableMem(false)),
      observerCountSource(makeConstant(0)),
      voteCountSource(makeConstant(0)),
      timer(this),
      interrupter(interrupter) {
  auto stopEnabled = connections::makeNode<connections::WxEnableVar>(stopCountdownButton);
  stopEnabled->assign((countdown >= makeConstant(0)) && !stopped);
  bindings.push_back(stopEnabled.shared());

  Bind(
      wxEVT_TIMER, [this](wxTimerEvent&) { tick(); }, timer.GetId());
  Bind(wxEVT_SHOW, [this](wxShowEvent& event) {
    event.Skip();
    // A stage that ended before the panel appeared (an automatic end at its start) closes it
    // at once; the close waits for the modal loop, which starts after the show.
    if (stageEnded)
      CallAfter([this] {
        if (stageEnded && IsShown()) Close(false);
      });
  });
  Bind(wxEVT_CLOSE_WINDOW, [this](wxCloseEvent& event) { onClose(event); });
  proceedButton->Bind(wxEVT_BUTTON, [this](wxCommandEvent&) { endStage(); });
  repeatVideoButton->Bind(wxEVT_BUTTON, [this](wxCommandEvent&) {
    repeatRequested = true;
    endStage();
  });
  stopCountdownButton->Bind(wxEVT_BUTTON, [this](wxCommandEvent&) {
    stopped->set(true);
    timer.Stop();
  });
}

NetworkControlPanel::~NetworkControlPanel() {
  timer.Stop();
  voteListener = {};
  bindings.clear();
}

void NetworkControlPanel::setStage(const wxString& stage, const wxString& button,
                                   int countdownSeconds, bool repeatEnabled, bool automaticEnd,
                                   int minimumSeconds) {
  stageText = stage;
  buttonText = button;
  minimumTime->set(minimumSeconds);
  countdown->set(countdownSeconds);
  stageEnded = false;
  autoEnd = automaticEnd;
  repeatVideoButton->Enable(repeatEnabled);
  repeatRequested = false;
  showStage();
}

void NetworkControlPanel::showStage() {
  stageLabel->SetLabel(stageText);
  proceedButton->SetLabel(buttonText);
  // Every stage counts its own seconds from its start.
  timer.Stop();
  stopped->set(false);
  elapsed = 0;
  if (autoEnd) {
    voteListener = postOnChange(voteCountSource, poster, [this] {
      if (autoEnd && !stageEnded) updateVotes(voteCountSource->get());
    });
    updateVotes(voteCountSource->get());
  } else {
    voteListener = {};
    votesLabel->SetLabel(kNone);
  }
  updateCountdown();
  startTimer();
  Fit();
}

void NetworkControlPanel::startTimer() {
  if (!stageEnded && !stopped->get() && (countdown->get() > 0 || minimumTime->get() > 0))
    timer.Start(tickMs, wxTIMER_CONTINUOUS);
}

void NetworkControlPanel::updateVotes(int votes) {
  voteTally = votes;
  votesLabel->SetLabel(decimal(votes) + "/" + decimal(observerCountSource->get()));
  checkAutoEnd();
}

void NetworkControlPanel::checkAutoEnd() {
  if (autoEnd && voteTally >= observerCountSource->get() && !stopped->get() &&
      elapsed >= minimumTime->get())
    endStage();
}

void NetworkControlPanel::updateCountdown() {
  if (stageEnded) return;
  const int c = countdown->get();
  if (c > 0) {
    if (!stopped->get() && elapsed >= c)
      endStage();
    else
      countdownLabel->SetLabel(decimal(c - elapsed));
  } else {
    countdownLabel->SetLabel(kNone);
  }
}

void NetworkControlPanel::tick() {
  if (stopped->get() || stageEnded) return;
  ++elapsed;
  checkAutoEnd();
  updateCountdown();
}

void NetworkControlPanel::endStage() {
  if (stageEnded) return;
  countdownLabel->SetLabel("finishing...");
  stageEnded = true;
  timer.Stop();
  voteListener = {};
  if (IsModal()) EndModal(0);
}

void NetworkControlPanel::bindObserverCount(const connections::ExpressionPtr<int>& count) {
  observerCountSource = count;
  expertsLabel->SetLabel(decimal(count->get()));
  bindings.push_back(postOnChange(count, poster, [this] {
                       expertsLabel->SetLabel(decimal(observerCountSource->get()));
                     }).shared());
}

void NetworkControlPanel::onClose(wxCloseEvent& event) {
  if (stageEnded) {
    event.Skip();  // the dialog's own close: the modal loop ends
    return;
  }
  const bool wasRunning = timer.IsRunning();
  timer.Stop();
  if (!event.CanVeto()) {
    if (interrupter) interrupter->forceInterrupt();
    event.Skip();
    return;
  }
  if (interrupter && !interrupter->askInterrupt(this)) {
    event.Veto();
    if (wasRunning) timer.Start(tickMs, wxTIMER_CONTINUOUS);
    return;
  }
  event.Skip();
}
