#include "task/method_dscqs_ii.h"

#include "player/vixo_player.h"
#include "task/task_properties.h"

MT_DSCQS_II::MT_DSCQS_II()
    : VIXOmethod("DSCQS II",
                 L"Double Stimulus Continuous Quality Scale (DSCQS, from ITU-R).\nType II. Videos "
                 L"are played simultaneously a given amount of times (repetitions), one is the "
                 L"reference one, but an observer is not informed about it.") {}

const std::vector<const props::Property*>& MT_DSCQS_II::properties() const {
  const VixoProperties& p = getTaskProperties();
  static const std::vector<const props::Property*> list = p.inTableOrder(
      {&p.pauseAllowed, &p.repetitions, &p.cycles, &p.trainingQuestions, &p.shuffleSources});
  return list;
}

std::shared_ptr<VIXOplay> MT_DSCQS_II::createPlay(const PlayContext& context) const {
  auto recorder = std::make_shared<AnswerGetterAuto<DSCQSquestionData>>();
  auto performer = std::make_shared<QuestionPerformer>(recorder);
  return planner_.makePlay(context, std::move(performer), std::move(recorder));
}

bool MT_DSCQS_II::QuestionPerformer::showAndVote(const std::wstring& pathA,
                                                 const std::wstring& pathB, PlayContext& context,
                                                 int question) {
  VIXOplayer* player = context.player;
  if (!player) return false;
  const Task& task = context.loadedTask.task;
  char again = 0;
  do {
    if (player->isStopRequested()) return false;
    const long long k = getTaskProperties().repetitions.getIntegerProperty(task.properties);
    for (long long i = 0; i < k; ++i) {
      std::wstring text = kDscqsIntro;
      if (i == 0) {
        text += L"You will watch them ";
        if (k >= 2) text += std::to_wstring(k) + L" times ";
        text += L"and then you will be asked to give your mark for each sequence.";
      } else {
        text += L"You will be asked to give your mark for each sequence after " +
                std::to_wstring(k - i) + L" remaining time(s).";
      }
      if (!player->playVideoPair(text, pathA, pathB)) return false;
    }
    again = player->voteDSCQS(false, question);
  } while (again != 0);
  return !player->isStopRequested();
}
