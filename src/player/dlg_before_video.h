// The dialog shown before a question's video: the task's and the observer's names, the question
// number, the instructions of the question and the hot keys of the playback that follows.
//
// At the test machine the observer starts the video with the space key or the start link, or,
// for a DSCQS type I question, chooses the sequence to watch first with A or B (keys or links);
// `key` then holds 'A', 'B' or 0 for a plain start. The online player shows it without any of
// these (all flags false) and closes it itself. A close that no key or link made goes through
// the player's interrupter. GUI thread only.
#pragma once

#include <wx/string.h>

#include "layouts/dlg_before_video_stub.h"

class TestInterrupter;
class VIXOplay;

class DlgBeforeVideo : public DlgBeforeVideoStub {
 public:
  // `play` gives the names, the answered count and the number of questions; it may be null.
  DlgBeforeVideo(wxWindow* parent, const wxString& message, bool chooseSequence, bool pressSpace,
                 bool pauseAllowed, bool showHotkeys, VIXOplay* play, TestInterrupter* interrupter);

  char key = 0;
  bool answered = false;

 private:
  void answer(char k);
};
