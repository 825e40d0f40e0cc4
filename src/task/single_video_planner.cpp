#include "task/single_video_planner.h"

#include "task/saturating.h"

int QuestionPlannerSingleVideo::questionsPerCycle(const Task& task) const {
  return saturating::toInt(static_cast<long long>(filesInUse(task).size()));
}

int64_t QuestionPlannerSingleVideo::estimatedDuration(const Task& task,
                                                      VideoInfoCache& media) const {
  int64_t sum = 0;
  for (int i : filesInUse(task))
    sum = saturating::add(sum, playingTime(task, task.files[i].path, media));
  return sum;
}

std::shared_ptr<VIXOplay> QuestionPlannerSingleVideo::makePlay(
    PlayContext context, std::shared_ptr<QuestionPerformer<QuestionInit>> performer,
    std::shared_ptr<AnswerGetterBase> recorder) const {
  if (!planTooLarge(context.loadedTask.task).empty()) return nullptr;
  return std::make_shared<Play>(this, std::move(context), std::move(performer),
                                std::move(recorder));
}

QuestionPlannerSingleVideo::Play::Play(const QuestionPlannerSingleVideo* planner,
                                       PlayContext context,
                                       std::shared_ptr<QuestionPerformer<QuestionInit>> performer,
                                       std::shared_ptr<AnswerGetterBase> recorder)
    : BlockPlay<int>(planner, std::move(context), std::move(recorder)),
      performer(std::move(performer)) {}

std::vector<int> QuestionPlannerSingleVideo::Play::candidates() const {
  return filesInUse(context.loadedTask.task);
}

bool QuestionPlannerSingleVideo::Play::ask(const int& file) {
  return performer->perform(QuestionInit{file, blockId}, *this, currentBlockTraining);
}
