// The player of an online test. It plays the videos on its full-screen window like every
// player, but the marks come from the observers' browsers: each vote operation publishes its
// question through the pass's OnlineTestState and runs the operator's control panel as the
// voting stage; the votes the web server accepts are posted to the GUI thread and recorded
// there by the handler of the method asked last.
//
// Stages, each a modal run of the control panel: waiting for observers (beginPass, with the
// test's link and its QR code on the full-screen window), viewing the instructions
// (showInstructions, "Attention to the screen" in the browsers), voting (the vote operations).
// The browsers see the end of the test ("term") as soon as the pass ends, before its files are
// written; from then on every vote is refused, and the votes accepted before are recorded.
//
// Everything here runs on the GUI thread, except the vote callback, which runs on a
// connection thread of the web server and only posts.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "common/variable.h"
#include "player/default_player.h"
#include "player/online_test_state.h"

class NetworkControlPanel;

class PlayerOnline : public DefaultPlayer {
 public:
  // (question index, sub-question index, the observer's registered name, the label indices,
  // the text) of one vote, on the GUI thread.
  using VoteHandler = std::function<void(int question, int subQuestion, const std::wstring& name,
                                         const std::vector<int>& votes, const std::string& text)>;

  // The full-screen window and the control panel on it, both hidden; no server yet.
  PlayerOnline();
  // The online state goes first (the browsers get "term", the server stops), then the panel.
  ~PlayerOnline() override;

  // --- VIXOplayer: every vote returns at once (answered) while a stop is requested.
  // 5 - index: "Imperceptible" 5 .. "Very annoying" 1.
  bool voteDSIS(int question) override;
  // index - 3: "Left is much better" -3 .. "Right is much better" 3.
  bool voteSCACJ(int question) override;
  // index - 1: "Left is better" -1, "Same quality" 0, "Right is better" 1.
  bool voteSCACJbinary(int question) override;
  // Two answers, first and second video, recorded as marks 100 - 25 x index ("Excellent" 100 ..
  // "Bad" 0). The single-sequence variant is not asked online: 0 at once. 'A' repeats the pair.
  char voteDSCQS(bool singleSequence, int question) override;
  // Not asked online: 0 at once.
  int voteSAMVIQ(const std::vector<int>& order, std::map<int, int>& marks, int current,
                 bool lastGroup) override;
  // One sub-question per custom question; each answer is recorded as (its position, {the
  // variant's index, or -1 for a question without variants, the text sent}).
  bool voteCustom(const std::vector<CustomQuestion>& questions, int question) override;
  // The instructions on the full-screen window (without keys or links) while the browsers show
  // "Attention to the screen" and the panel runs the "Viewing instructions" stage.
  void showInstructions(const std::wstring& message) override;
  // Starts the server, shows the link and its QR code and waits for observers; false stops the
  // pass (the server could not listen, or the operator interrupted).
  bool beginPass() override;

  // The "Voting" stage; false when the operator asked to repeat the last video.
  bool runVotingStage();
  // "http://" host ":" port of the pass, empty when the pass is not online.
  std::wstring link() const;

  // --- GUI thread only
  // Set by each vote operation to its method's handler.
  VoteHandler voteHandler;
  // The toolkit's (a child of the full-screen window); null once it is gone.
  NetworkControlPanel* controlPanel = nullptr;
  // The state of the running pass; replaced at the next pass.
  std::unique_ptr<OnlineTestState> onlineState;
  // The folder of the observers' page and the poll's time-out of the next pass's state.
  OnlineTestState::Options onlineOptions;

 protected:
  char runBeforeVideoDialog(wxWindow* parent, const std::wstring& message, bool chooseSequence,
                            bool pressSpace, bool pauseAllowed) override;
  std::unique_ptr<wxDialog> makeSendArchiveDialog(wxWindow* parent, const std::wstring& email,
                                                  const std::wstring& archivePath) override;
  // Shows the browsers the end, so that they take no more answers, and records every vote the
  // state accepted before it.
  void takeLastAnswers() override;

 private:
  // The handler of a one-question method: the mark of sub-question 0's single index.
  VoteHandler singleMark(int (*mark)(int index));
  // Publishes the question, makes `handler` the vote handler and runs the voting stage.
  bool ask(const OnlineMessage& question, VoteHandler handler);
  void runPostedVote(const OnlineVote& vote);
  // Runs the event loop until every vote the state accepted so far has been handled, so that
  // no vote of a question stays behind its stage (a stage can end on a count before the votes
  // behind it have reached this thread).
  void handleAcceptedVotes();

  // Votes handled on this thread since the state was made.
  connections::VariableMemPtr<long long> votesHandled = connections::makeVariableMem(0LL);
  // This player while it lives, for the calls posted to its window.
  std::shared_ptr<PlayerOnline*> self = std::make_shared<PlayerOnline*>(this);
};
