#include "player/player_online.h"

#include <wx/dialog.h>
#include <wx/hyperlink.h>
#include <wx/image.h>

#include <cstdlib>
#include <cstring>
#include <utility>

#include "avifile/avi_system.h"
#include "common/dialog_place.h"
#include "common/event_loop_wait.h"
#include "common/prompt.h"
#include "player/dlg_before_video.h"
#include "player/dlg_send_archive.h"
#include "player/full_screen_wnd.h"
#include "player/network_control_panel.h"
#include "player/online_vote_post.h"
#include "player/qr_picture.h"
#include "task/answer_getter.h"
#include "task/method_custom.h"
#include "task/play.h"
#include "task/task_properties.h"

namespace {

const std::vector<std::wstring> kDsisLabels = {L"Imperceptible", L"Perceptible, but not annoying",
                                               L"Slightly annoying", L"Annoying", L"Very annoying"};
const std::vector<std::wstring> kScacjLabels = {
    L"Left is much better",      L"Left is better",  L"Left is slightly better", L"Same quality",
    L"Right is slightly better", L"Right is better", L"Right is much better"};
const std::vector<std::wstring> kScacjBinaryLabels = {L"Left is better", L"Same quality",
                                                      L"Right is better"};
const std::vector<std::wstring> kDscqsLabels = {L"Excellent", L"Good", L"Fair", L"Poor", L"Bad"};

OnlineMessage questionMessage(int question, std::vector<OnlineQuestion> questions) {
  OnlineMessage message;
  message.qIndex = question;
  message.type = OnlineMessage::Question;
  message.questions = std::move(questions);
  return message;
}

// The recorder of the running play when it takes answers of type T, else null.
template <class T>
AnswerGetter<T>* recorderOf(VIXOplay* play) {
  return play ? dynamic_cast<AnswerGetter<T>*>(play->recorder.get()) : nullptr;
}

// The toolkit's picture of a QR code; it takes a buffer of its own.
wxImage toImage(const QrPicture& picture) {
  if (picture.size <= 0) return wxImage();
  auto* data = static_cast<unsigned char*>(std::malloc(picture.rgb.size()));
  if (!data) return wxImage();
  std::memcpy(data, picture.rgb.data(), picture.rgb.size());
  return wxImage(picture.size, picture.size, data);  // frees the buffer with free()
}

}  // namespace

PlayerOnline::PlayerOnline() {
  if (!fullScreenWnd) return;
  controlPanel = new NetworkControlPanel(fullScreenWnd, &interrupter);
  // The panel goes with its parent when the toolkit destroys the full-screen window first.
  controlPanel->Bind(wxEVT_DESTROY, [self = self, panel = controlPanel](wxWindowDestroyEvent& e) {
    e.Skip();
    if (*self && e.GetEventObject() == panel) (*self)->controlPanel = nullptr;
  });
}

PlayerOnline::~PlayerOnline() {
  onlineState.reset();
  *self = nullptr;
  if (controlPanel) controlPanel->Destroy();
  controlPanel = nullptr;
}

std::wstring PlayerOnline::link() const {
  if (!play || !play->context.network) return {};
  return L"http://" + fromUtf8(play->context.host) + L":" + std::to_wstring(play->context.port);
}

// ---------------------------------------------------------------- the pass

bool PlayerOnline::beginPass() {
  if (!play || !fullScreenWnd || !controlPanel) return false;
  const std::wstring address = link();
  const wxImage picture = toImage(makeQrPicture(toUtf8(address)));

  const std::wstring& taskName = play->context.loadedTask.task.name;
  // The old state's browsers see the end of its test.
  onlineState.reset();
  votesHandled->set(0);
  onlineState = std::make_unique<OnlineTestState>(
      L"Welcome to test " + taskName, L"Please, enter your name",
      L"You are registered to test " + taskName + L"\nThe test will be started soon",
      postVotesTo(fullScreenWnd->poster.helper(),
                  [self = self](OnlineVote& vote) {
                    if (*self) (*self)->runPostedVote(vote);
                  }),
      play->context.port, onlineOptions);
  if (!onlineState->startServer()) {
    vixo::Prompt prompt;
    prompt.caption = "Server start";
    prompt.text = "Can't start server listening\nCheck firewall configure or try another port";
    prompt.style = wxOK | wxICON_ERROR;
    vixo::showPrompt(prompt);
    return false;
  }

  fullScreenWnd->present();
  fullScreenWnd->showLink(wxString(address), picture);
  controlPanel->addressLink->SetURL(wxString(address));
  controlPanel->addressLink->SetLabel(wxString(address));
  controlPanel->bindObserverCount(onlineState->observerCount());
  controlPanel->voteCountSource = onlineState->voteCount();
  controlPanel->Layout();
  controlPanel->Fit();

  for (;;) {
    controlPanel->setStage("Waiting connections", "Start test", -1, false, false, 0);
    runModal(*controlPanel);
    if (!controlPanel) break;
    if (onlineState->observerCount()->get() > 0 || interruptRequested->get()) break;
    vixo::Prompt prompt;
    prompt.parent = fullScreenWnd;
    prompt.caption = "No connections";
    prompt.text = "Do you want to start test without observers?";
    prompt.style = wxYES_NO | wxICON_INFORMATION;
    if (vixo::showPrompt(prompt) == wxID_YES) break;
  }
  return !interruptRequested->get() && controlPanel;
}

void PlayerOnline::showInstructions(const std::wstring& message) {
  if (isStopRequested() || !controlPanel) return;
  wxWeakRef<wxDialog> dialog =
      new DlgBeforeVideo(fullScreenWnd, message, false, false, false, false, play, &interrupter);
  dialog->Show();
  vixo::presentSoon(dialog.get());  // above the full-screen window; the panel comes over it

  OnlineMessage attention;
  attention.type = OnlineMessage::Text;
  attention.text = L"Attention to the screen";
  if (onlineState) onlineState->publish(attention);

  const int seconds = static_cast<int>(getTaskProperties().networkInstrTime.getIntegerProperty(
      play->context.loadedTask.task.properties));
  controlPanel->setStage("Viewing instructions", "Show video", seconds, false, false, 0);
  runModal(*controlPanel);
  if (dialog) dialog->Destroy();
}

bool PlayerOnline::runVotingStage() {
  if (!controlPanel) return true;
  const auto& properties = play->context.loadedTask.task.properties;
  const VixoProperties& p = getTaskProperties();
  // "networkMinTime" holds the longest time for an answer and "networkMaxTime" the shortest
  // (their labels say so).
  const int countdown = static_cast<int>(p.networkMinTime.getIntegerProperty(properties));
  const int minimum = static_cast<int>(p.networkMaxTime.getIntegerProperty(properties));
  controlPanel->setStage("Voting", "Stop voting", countdown, true, true, minimum);
  runModal(*controlPanel);
  handleAcceptedVotes();
  return !(controlPanel && controlPanel->repeatRequested);
}

PlayerOnline::VoteHandler PlayerOnline::singleMark(int (*mark)(int index)) {
  return [this, mark](int question, int subQuestion, const std::wstring& name,
                      const std::vector<int>& votes, const std::string&) {
    AnswerGetter<int>* recorder = recorderOf<int>(play);
    if (!recorder || subQuestion != 0 || votes.size() != 1) return;
    recorder->setAnswer(question, name, mark(votes[0]));
  };
}

bool PlayerOnline::ask(const OnlineMessage& question, VoteHandler handler) {
  voteHandler = std::move(handler);
  if (onlineState) onlineState->publish(question);
  return runVotingStage();
}

// ---------------------------------------------------------------- the votes

bool PlayerOnline::voteDSIS(int question) {
  if (isStopRequested()) return true;
  return ask(questionMessage(question, {{L"Please, vote on the impared video, keeping in mind the "
                                         L"reference one",
                                         kDsisLabels, OnlineQuestion::OneIndex}}),
             singleMark([](int index) { return 5 - index; }));
}

bool PlayerOnline::voteSCACJ(int question) {
  if (isStopRequested()) return true;
  return ask(questionMessage(question, {{L"Please, choose better image", kScacjLabels,
                                         OnlineQuestion::OneIndex}}),
             singleMark([](int index) { return index - 3; }));
}

bool PlayerOnline::voteSCACJbinary(int question) {
  if (isStopRequested()) return true;
  return ask(questionMessage(question, {{L"Please, choose better image", kScacjBinaryLabels,
                                         OnlineQuestion::OneIndex}}),
             singleMark([](int index) { return index - 1; }));
}

char PlayerOnline::voteDSCQS(bool singleSequence, int question) {
  if (singleSequence || isStopRequested()) return 0;
  const bool done = ask(questionMessage(question, {{L"Please, vote on both videos", kDscqsLabels,
                                                    OnlineQuestion::TwoIndices}}),
                        [this](int q, int subQuestion, const std::wstring& name,
                               const std::vector<int>& votes, const std::string&) {
                          auto* recorder = recorderOf<std::pair<int, int>>(play);
                          if (!recorder || subQuestion != 0 || votes.size() != 2) return;
                          // The recorder takes marks 0..100 with 100 best; the labels run from
                          // "Excellent".
                          const auto mark = [](int index) { return 100 - 25 * index; };
                          recorder->setAnswer(q, name, {mark(votes[0]), mark(votes[1])});
                        });
  return done ? 0 : 'A';
}

int PlayerOnline::voteSAMVIQ(const std::vector<int>&, std::map<int, int>&, int, bool) { return 0; }

bool PlayerOnline::voteCustom(const std::vector<CustomQuestion>& questions, int question) {
  if (isStopRequested()) return true;
  std::vector<OnlineQuestion> asked;
  for (const CustomQuestion& q : questions) {
    OnlineQuestion item;
    item.text = q.text;
    for (const CustomQuestionVariant& variant : q.variants) item.vars.push_back(variant.text);
    item.type = q.variants.empty() ? OnlineQuestion::FreeText : OnlineQuestion::OneIndex;
    asked.push_back(std::move(item));
  }
  return ask(questionMessage(question, std::move(asked)),
             [this](int q, int subQuestion, const std::wstring& name, const std::vector<int>& votes,
                    const std::string& text) {
               auto* recorder = recorderOf<MT_CUSTOM::Answer>(play);
               if (!recorder) return;
               const int choice = votes.empty() ? -1 : votes[0];
               recorder->setAnswer(q, name, {subQuestion, CustomAnswer{choice, text}});
             });
}

void PlayerOnline::runPostedVote(const OnlineVote& vote) {
  votesHandled->set(votesHandled->get() + 1);
  // Once the pass stops, its play may be gone and nothing recorded would be saved.
  if (voteHandler && !isStopRequested())
    voteHandler(vote.question, vote.subQuestion, vote.name, vote.votes, vote.text);
}

void PlayerOnline::takeLastAnswers() {
  if (!onlineState) return;
  onlineState->endTest();
  handleAcceptedVotes();
}

void PlayerOnline::handleAcceptedVotes() {
  if (!onlineState) return;
  const long long accepted = onlineState->acceptedVotes();
  connections::runEventLoopUntil((votesHandled >= connections::makeConstant(accepted)) ||
                                 stopRequested);
}

// ---------------------------------------------------------------- dialogs of the pass

char PlayerOnline::runBeforeVideoDialog(wxWindow* parent, const std::wstring& message,
                                        bool chooseSequence, bool pressSpace, bool pauseAllowed) {
  DlgBeforeVideo dialog(parent, message, chooseSequence, pressSpace, pauseAllowed, true, play,
                        &interrupter);
  vixo::showModal(dialog);
  return dialog.key;
}

std::unique_ptr<wxDialog> PlayerOnline::makeSendArchiveDialog(wxWindow* parent,
                                                              const std::wstring& email,
                                                              const std::wstring& archivePath) {
  return std::make_unique<DlgSendArchive>(parent, email, archivePath);
}
