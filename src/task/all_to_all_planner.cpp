#include "task/all_to_all_planner.h"

#include <map>

#include "task/saturating.h"
#include "task/task_properties.h"

int QuestionPlannerAllToAll::questionsPerCycle(const Task& task) const {
  const int64_t pairs = pairCount(task);
  const long long limit = getTaskProperties().limitPairs.getIntegerProperty(task.properties);
  if (limit > 0 && limit < pairs) return saturating::toInt(limit);
  return saturating::toInt(pairs);
}

int64_t QuestionPlannerAllToAll::blockCandidates(const Task& task) const { return pairCount(task); }

int64_t QuestionPlannerAllToAll::estimatedDuration(const Task& task, VideoInfoCache& media) const {
  using namespace saturating;
  const std::map<int, int> sizes = task.groupSizes();
  int64_t s = 0, t = 0;
  for (int i : filesInUse(task)) {
    const int64_t n = sizes.at(task.files[i].group);
    s += n - 1;
    t = add(t, multiply(playingTime(task, task.files[i].path, media), n - 1));
  }
  if (s == 0) return 0;
  const int64_t perPair = twoPlaybacks ? t : t / 2;
  const int64_t pairs = s / 2;
  return multiply<int64_t>(perPair, questionsPerCycle(task)) / pairs;
}

std::shared_ptr<VIXOplay> QuestionPlannerAllToAll::makePlay(
    PlayContext context, std::shared_ptr<QuestionPerformer<QuestionInit>> performer,
    std::shared_ptr<AnswerGetterBase> recorder) const {
  if (!planTooLarge(context.loadedTask.task).empty()) return nullptr;
  return std::make_shared<Play>(this, std::move(context), std::move(performer),
                                std::move(recorder));
}

QuestionPlannerAllToAll::Play::Play(const QuestionPlannerAllToAll* planner, PlayContext context,
                                    std::shared_ptr<QuestionPerformer<QuestionInit>> performer,
                                    std::shared_ptr<AnswerGetterBase> recorder)
    : BlockPlay<std::pair<int, int>>(planner, std::move(context), std::move(recorder)),
      performer(std::move(performer)) {}

std::vector<std::pair<int, int>> QuestionPlannerAllToAll::Play::candidates() const {
  const Task& task = context.loadedTask.task;
  std::map<int, std::vector<int>> members;
  for (int i : filesInUse(task)) members[task.files[i].group].push_back(i);
  std::vector<std::pair<int, int>> pairs;
  for (const auto& [group, files] : members)
    for (size_t i = 0; i < files.size(); ++i)
      for (size_t j = i + 1; j < files.size(); ++j) pairs.emplace_back(files[i], files[j]);
  return pairs;
}

void QuestionPlannerAllToAll::Play::arrangeBlock(std::vector<std::pair<int, int>>& items) {
  random.shuffle(items);
  const long long limit =
      getTaskProperties().limitPairs.getIntegerProperty(context.loadedTask.task.properties);
  if (limit > 0 && static_cast<size_t>(limit) < items.size())
    items.resize(static_cast<size_t>(limit));
}

bool QuestionPlannerAllToAll::Play::ask(const std::pair<int, int>& pair) {
  return performer->perform(QuestionInit{pair.first, pair.second, blockId}, *this,
                            currentBlockTraining);
}
