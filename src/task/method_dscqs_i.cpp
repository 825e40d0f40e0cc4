#include "task/method_dscqs_i.h"

#include "player/vixo_player.h"
#include "task/task_properties.h"
#include "task/validation.h"

namespace {

const wchar_t kChoose[] = L"Choose sequence you want to watch first.";
const wchar_t kThen[] = L"\"\nThen you will be asked to give your mark for each sequence.";

}  // namespace

MT_DSCQS_I::MT_DSCQS_I()
    : VIXOmethod("DSCQS I",
                 L"Double Stimulus Continuous Quality Scale (DSCQS, from ITU-R).\nType I. In one "
                 L"playback window observer is free to switch between two videos. One of videos is "
                 L"the reference one, but an observer is not informed about it.") {}

std::vector<ValidationMessage> MT_DSCQS_I::validate(const Task& task) const {
  return refuseOnline(task, name);
}

const std::vector<const props::Property*>& MT_DSCQS_I::properties() const {
  const VixoProperties& p = getTaskProperties();
  static const std::vector<const props::Property*> list =
      p.inTableOrder({&p.pauseAllowed, &p.cycles, &p.trainingQuestions, &p.shuffleSources});
  return list;
}

std::shared_ptr<VIXOplay> MT_DSCQS_I::createPlay(const PlayContext& context) const {
  auto recorder = std::make_shared<AnswerGetterAuto<DSCQSquestionData>>();
  auto performer = std::make_shared<QuestionPerformer>(recorder);
  return planner_.makePlay(context, std::move(performer), std::move(recorder));
}

bool MT_DSCQS_I::QuestionPerformer::showAndVote(const std::wstring& pathA,
                                                const std::wstring& pathB, PlayContext& context,
                                                int question) {
  VIXOplayer* player = context.player;
  if (!player) return false;
  const char chosen = player->playChosenSequence(std::wstring(kDscqsIntro) + kChoose, pathA, pathB);
  if (chosen == 0) return false;
  const char other = chosen == 'B' ? 'A' : 'B';
  // Whether the second sequence played to its end is not examined: the vote follows anyway
  // and gives nothing once a stop was asked.
  player->playVideo(
      std::wstring(L"Please watch other sequence: \"Sequence ") + wchar_t(other) + kThen,
      other == 'A' ? pathA : pathB);
  char again = player->voteDSCQS(true, question);
  while (again != 0) {
    if (player->isStopRequested()) return false;
    const char letter = again == 'A' ? 'A' : 'B';
    player->playVideo(std::wstring(L"Please watch sequence: \"Sequence ") + wchar_t(letter) + kThen,
                      letter == 'A' ? pathA : pathB);
    again = player->voteDSCQS(true, question);
  }
  return !player->isStopRequested();
}
