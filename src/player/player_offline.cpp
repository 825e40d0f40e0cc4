#include "player/player_offline.h"

#include <wx/dialog.h>

#include <utility>

#include "common/prompt.h"
#include "player/dlg_before_video.h"
#include "player/dlg_send_archive.h"
#include "player/dlg_voting_custom.h"
#include "player/dlg_voting_dscqs.h"
#include "player/dlg_voting_dsis.h"
#include "player/dlg_voting_samviq.h"
#include "player/dlg_voting_scacj.h"
#include "player/dlg_voting_scacj_bin.h"
#include "player/full_screen_wnd.h"
#include "task/answer_getter.h"
#include "task/custom_question.h"
#include "task/method_custom.h"
#include "task/play.h"

template <class T>
void PlayerOffline::record(int question, const T& answer) {
  if (!play) return;
  if (auto* recorder = dynamic_cast<AnswerGetter<T>*>(play->recorder.get()))
    recorder->setAnswer(question, play->context.expert, answer);
}

template <class Dialog, class Mark>
bool PlayerOffline::voteSingle(int question, Mark markOf) {
  if (isStopRequested()) return true;
  Dialog dialog(fullScreenWnd, &interrupter);
  runModal(dialog);
  // Only a button gives an answer: where the slider stood when the dialog was closed is not one.
  const int mark = dialog.buttonPressed && !dialog.watchAgain ? markOf(dialog) : kNoMark;
  if (mark == kNoMark) return false;
  record(question, mark);
  return true;
}

bool PlayerOffline::voteDSIS(int question) {
  return voteSingle<DlgVotingDSIS>(question, [](DlgVotingDSIS& d) { return d.mark->get(); });
}

bool PlayerOffline::voteSCACJ(int question) {
  return voteSingle<DlgVotingSCACJ>(question, [](DlgVotingSCACJ& d) { return d.mark->get(); });
}

bool PlayerOffline::voteSCACJbinary(int question) {
  return voteSingle<DlgVotingSCACJbin>(question,
                                       [](DlgVotingSCACJbin& d) { return d.choice->get(); });
}

char PlayerOffline::voteDSCQS(bool singleSequence, int question) {
  if (isStopRequested()) return 0;
  DlgVotingDSCQS dialog(fullScreenWnd, &interrupter, singleSequence);
  runModal(dialog);
  int a = kNoMark, b = kNoMark;  // a dialog closed without a button: no marks
  if (dialog.buttonPressed) {
    if (dialog.repeatA || dialog.repeatB) {
      a = dialog.repeatA ? kNoMark : 0;
      b = dialog.repeatB ? kNoMark : 0;
    } else {
      a = dialog.markA->get();
      b = dialog.markB->get();
    }
  }
  if (a == kNoMark) return 'A';
  if (b == kNoMark) return 'B';
  record(question, std::make_pair(a, b));
  return 0;
}

int PlayerOffline::voteSAMVIQ(const std::vector<int>& order, std::map<int, int>& marks, int current,
                              bool lastGroup) {
  if (isStopRequested()) return 0;
  const std::map<int, int> before = marks;
  DlgVotingSAMVIQ dialog(fullScreenWnd, &interrupter, order, marks, current, lastGroup);
  runModal(dialog);
  if (!dialog.buttonPressed) {
    // Closed without a button: the marks given in this dialog were not confirmed.
    marks = before;
    return current;
  }
  return dialog.nextStep ? -2 : dialog.selected->get();
}

bool PlayerOffline::voteCustom(const std::vector<CustomQuestion>& questions, int question) {
  for (size_t k = 0; k < questions.size(); ++k) {
    // Asked before every dialog: once a stop is requested the full-screen window, the parent of
    // the next dialog, is closing, and the remaining questions are not asked.
    if (isStopRequested()) return true;
    DlgVotingCustom dialog(fullScreenWnd, questions[k], &interrupter);
    runModal(dialog);
    if (!dialog.buttonPressed || dialog.watchAgain) return false;
    const int answer = dialog.answerIndex->get();
    // A question with variants is answered by one of them.
    if (answer == kNoMark || (!questions[k].variants.empty() && answer < 0)) return false;
    record(question,
           MT_CUSTOM::Answer(static_cast<int>(k),
                             CustomAnswer{answer, dialog.answerText->get().utf8_string()}));
  }
  return true;
}

void PlayerOffline::showInstructions(const std::wstring& message) {
  showBeforeVideo(message, false, true);
}

char PlayerOffline::runBeforeVideoDialog(wxWindow* parent, const std::wstring& message,
                                         bool chooseSequence, bool pressSpace, bool pauseAllowed) {
  DlgBeforeVideo dialog(parent, message, chooseSequence, pressSpace, pauseAllowed, true, play,
                        &interrupter);
  vixo::showModal(dialog);
  return dialog.key;
}

std::unique_ptr<wxDialog> PlayerOffline::makeSendArchiveDialog(wxWindow* parent,
                                                               const std::wstring& email,
                                                               const std::wstring& archivePath) {
  return std::make_unique<DlgSendArchive>(parent, email, archivePath);
}
