// The player of a pass taken by one observer at the test machine: each vote shows the method's
// voting dialog modally over the full-screen window and turns what the observer gave into an
// answer for the play's recorder, or into a request to ask again (the stimuli play once more).
//
// A dialog closed through the interrupter (the observer chose to stop) gives no mark: nothing
// is recorded and the vote answers as for a question not answered, so the pass stops without
// counting the question. GUI thread only.
#pragma once

#include <climits>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "player/default_player.h"

class PlayerOffline : public DefaultPlayer {
 public:
  // No mark: the vote gave no answer.
  static constexpr int kNoMark = INT_MIN;

  bool voteDSIS(int question) override;
  bool voteSCACJ(int question) override;
  bool voteSCACJbinary(int question) override;
  char voteDSCQS(bool singleSequence, int question) override;
  int voteSAMVIQ(const std::vector<int>& order, std::map<int, int>& marks, int current,
                 bool lastGroup) override;
  bool voteCustom(const std::vector<CustomQuestion>& questions, int question) override;
  void showInstructions(const std::wstring& message) override;
  bool beginPass() override { return true; }

 protected:
  char runBeforeVideoDialog(wxWindow* parent, const std::wstring& message, bool chooseSequence,
                            bool pressSpace, bool pauseAllowed) override;
  std::unique_ptr<wxDialog> makeSendArchiveDialog(wxWindow* parent, const std::wstring& email,
                                                  const std::wstring& archivePath) override;

 private:
  // Shows the single-mark dialog and records its mark; see voteDSIS.
  template <class Dialog, class Mark>
  bool voteSingle(int question, Mark markOf);
  // Records the answer when the play's recorder takes answers of type T.
  template <class T>
  void record(int question, const T& answer);
};
