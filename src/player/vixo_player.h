// The player interface through which a pass shows its questions and asks for marks, and the
// interface through which the dialogs of a run ask to stop it.
//
// Players run on the GUI thread; every operation blocks (a modal dialog or a nested event loop)
// until the playback or the vote is over.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "avifile/json.h"

struct CustomQuestion;
class wxWindow;

class VIXOplayer {
 public:
  VIXOplayer() = default;
  VIXOplayer(const VIXOplayer&) = delete;
  VIXOplayer& operator=(const VIXOplayer&) = delete;

  // Shows the text, then plays both videos together, the first on the left. False when the
  // playback was interrupted.
  virtual bool playVideoPair(const std::wstring& message, const std::wstring& first,
                             const std::wstring& second) = 0;
  // Shows the text, then plays the video. False when the playback was interrupted.
  virtual bool playVideo(const std::wstring& message, const std::wstring& path) = 0;
  // Lets the observer choose a sequence, plays it and returns its letter 'A' or 'B'; 0 when the
  // playback was interrupted.
  virtual char playChosenSequence(const std::wstring& message, const std::wstring& pathA,
                                  const std::wstring& pathB) = 0;
  // True once a stop of the pass was asked (interrupted, window closed or pass finished).
  virtual bool isStopRequested() = 0;

  // The votes record the mark through the play's recorder under the question number. True when
  // a mark was recorded or a stop was asked before asking; false asks the question again.
  virtual bool voteDSIS(int question) = 0;
  virtual bool voteSCACJ(int question) = 0;
  virtual bool voteSCACJbinary(int question) = 0;
  // Both marks given (or stopping): 0. 'A' or 'B': the observer wants to see that sequence
  // again; offered only when `singleSequence` is true.
  virtual char voteDSCQS(bool singleSequence, int question) = 0;
  // Shows the marks of the group's sequences (file index to mark 0..100, changed in place) and
  // returns the position in `order` to watch next, -1 for the reference, -2 to leave the group.
  virtual int voteSAMVIQ(const std::vector<int>& order, std::map<int, int>& marks, int current,
                         bool lastGroup) = 0;
  // Asks every question in order; false as soon as one gets no answer.
  virtual bool voteCustom(const std::vector<CustomQuestion>& questions, int question) = 0;

  // The window placement kept in a pass's state.
  virtual Brindle::JSON saveLayout() = 0;
  virtual bool loadLayout(Brindle::JSON layout) = 0;
  virtual void showInstructions(const std::wstring& message) = 0;
  // False stops the pass before its first question.
  virtual bool beginPass() = 0;

 protected:
  // Players are owned as their own type, never deleted through this interface.
  ~VIXOplayer() = default;
};

class TestInterrupter {
 public:
  // Asked by a dialog whose close can be refused: true when the pass is to stop.
  virtual bool askInterrupt(wxWindow* asking) = 0;
  // Stops the pass without asking.
  virtual void forceInterrupt() = 0;

 protected:
  ~TestInterrupter() = default;
};
