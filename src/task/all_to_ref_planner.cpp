#include "task/all_to_ref_planner.h"

#include <algorithm>

#include "task/saturating.h"
#include "task/task_properties.h"

int QuestionPlannerAllToRef::questionsPerCycle(const Task& task) const {
  return saturating::toInt(static_cast<long long>(testFiles(task).size()));
}

int QuestionPlannerAllToRef::playbacksPerQuestion(const Task& task) const {
  const int times =
      repetitions
          ? saturating::toInt(getTaskProperties().repetitions.getIntegerProperty(task.properties))
          : 1;
  return saturating::multiply(twoPlaybacks ? 2 : 1, times);
}

int64_t QuestionPlannerAllToRef::estimatedDuration(const Task& task, VideoInfoCache& media) const {
  using namespace saturating;
  int64_t sum = 0;
  for (int i : testFiles(task)) {
    const int r = task.referenceOfGroup(task.files[i].group);
    const std::wstring referencePath = task.hasFile(r) ? task.files[r].path : std::wstring();
    const int64_t test = playingTime(task, task.files[i].path, media);
    const int64_t reference = playingTime(task, referencePath, media);
    sum = add(sum, twoPlaybacks ? add(test, reference) : std::max(reference, test));
  }
  if (repetitions)
    sum =
        multiply<int64_t>(sum, getTaskProperties().repetitions.getIntegerProperty(task.properties));
  return sum;
}

std::shared_ptr<VIXOplay> QuestionPlannerAllToRef::makePlay(
    PlayContext context, std::shared_ptr<QuestionPerformer<QuestionInit>> performer,
    std::shared_ptr<AnswerGetterBase> recorder) const {
  if (!planTooLarge(context.loadedTask.task).empty()) return nullptr;
  return std::make_shared<Play>(this, std::move(context), std::move(performer),
                                std::move(recorder));
}

QuestionPlannerAllToRef::Play::Play(const QuestionPlannerAllToRef* planner, PlayContext context,
                                    std::shared_ptr<QuestionPerformer<QuestionInit>> performer,
                                    std::shared_ptr<AnswerGetterBase> recorder)
    : BlockPlay<int>(planner, std::move(context), std::move(recorder)),
      performer(std::move(performer)) {}

std::vector<int> QuestionPlannerAllToRef::Play::candidates() const {
  return testFiles(context.loadedTask.task);
}

bool QuestionPlannerAllToRef::Play::ask(const int& file) {
  const Task& task = context.loadedTask.task;
  const QuestionInit init{file, task.referenceOfGroup(task.files[file].group), blockId};
  return performer->perform(init, *this, currentBlockTraining);
}
