#include "task/question_planner.h"

#include <algorithm>

#include "task/vixo_method.h"

namespace {

bool methodUses(const VIXOmethod* method, const props::Property& property) {
  if (!method) return false;
  for (const props::Property* p : method->properties())
    if (p == &property) return true;
  return false;
}

}  // namespace

std::vector<int> filesInUse(const Task& task) {
  std::vector<int> files;
  for (size_t i = 0; i < task.files.size(); ++i)
    if (task.files[i].group != 0) files.push_back(static_cast<int>(i));
  return files;
}

std::vector<int> testFiles(const Task& task) {
  std::vector<int> files;
  for (int i : filesInUse(task))
    if (!task.references.count(i)) files.push_back(i);
  return files;
}

int Task::planQuestionCount() const {
  const VIXOmethod* m = method();
  const QuestionPlanner* planner = m ? m->planner(*this) : nullptr;
  return planner ? planner->totalQuestions(*this) : 0;
}

// ---------------------------------------------------------------- base

int QuestionPlanner::totalQuestions(const Task& task) const {
  return cycles(task) * questionsPerCycle(task) + trainingQuestions(task);
}

int QuestionPlanner::cycles(const Task& task) const {
  const props::Integer& cycles = getTaskProperties().cycles;
  return methodUses(method_, cycles) ? static_cast<int>(cycles.getIntegerProperty(task.properties))
                                     : 1;
}

int QuestionPlanner::trainingQuestions(const Task& task) const {
  const props::Integer& training = getTaskProperties().trainingQuestions;
  return methodUses(method_, training)
             ? static_cast<int>(training.getIntegerProperty(task.properties))
             : 0;
}

int64_t QuestionPlanner::playingTime(const Task& task, const std::wstring& path,
                                     VideoInfoCache& media) {
  const VideoInfo& info = media.getInfo(path);
  if (!info.opened || !info.valid) return 0;
  if (info.stillImage) return getTaskProperties().imageLength.getIntegerProperty(task.properties);
  return info.durationMs;
}

// ---------------------------------------------------------------- all to reference

int QuestionPlannerAllToRef::questionsPerCycle(const Task& task) const {
  return static_cast<int>(testFiles(task).size());
}

int QuestionPlannerAllToRef::playbacksPerQuestion(const Task& task) const {
  const int times =
      repetitions
          ? static_cast<int>(getTaskProperties().repetitions.getIntegerProperty(task.properties))
          : 1;
  return (twoPlaybacks ? 2 : 1) * times;
}

int64_t QuestionPlannerAllToRef::estimatedDuration(const Task& task, VideoInfoCache& media) const {
  int64_t sum = 0;
  for (int i : testFiles(task)) {
    const int r = task.referenceOfGroup(task.files[i].group);
    const std::wstring referencePath = task.hasFile(r) ? task.files[r].path : std::wstring();
    const int64_t test = playingTime(task, task.files[i].path, media);
    const int64_t reference = playingTime(task, referencePath, media);
    sum += twoPlaybacks ? test + reference : std::max(reference, test);
  }
  if (repetitions) sum *= getTaskProperties().repetitions.getIntegerProperty(task.properties);
  return sum;
}

// ---------------------------------------------------------------- all to all

int QuestionPlannerAllToAll::questionsPerCycle(const Task& task) const {
  long long pairs = 0;
  for (const auto& [group, n] : task.groupSizes())
    if (group != 0) pairs += static_cast<long long>(n) * (n - 1) / 2;
  const long long limit = getTaskProperties().limitPairs.getIntegerProperty(task.properties);
  if (limit > 0 && limit < pairs) return static_cast<int>(limit);
  return static_cast<int>(pairs);
}

int64_t QuestionPlannerAllToAll::estimatedDuration(const Task& task, VideoInfoCache& media) const {
  const std::map<int, int> sizes = task.groupSizes();
  int64_t s = 0, t = 0;
  for (int i : filesInUse(task)) {
    const int64_t n = sizes.at(task.files[i].group);
    s += n - 1;
    t += playingTime(task, task.files[i].path, media) * (n - 1);
  }
  if (s == 0) return 0;
  const int64_t perPair = twoPlaybacks ? t : t / 2;
  const int64_t pairs = s / 2;
  return perPair * questionsPerCycle(task) / pairs;
}

// ---------------------------------------------------------------- single video

int QuestionPlannerSingleVideo::questionsPerCycle(const Task& task) const {
  return static_cast<int>(filesInUse(task).size());
}

int64_t QuestionPlannerSingleVideo::estimatedDuration(const Task& task,
                                                      VideoInfoCache& media) const {
  int64_t sum = 0;
  for (int i : filesInUse(task)) sum += playingTime(task, task.files[i].path, media);
  return sum;
}

// ---------------------------------------------------------------- SAMVIQ

int64_t SamviqQuestionPlanner::estimatedDuration(const Task& task, VideoInfoCache& media) const {
  int64_t sum = 0;
  for (int i : filesInUse(task))
    sum += playingTime(task, task.files[i].path, media) * (task.references.count(i) ? 2 : 1);
  return sum;
}

int SamviqQuestionPlanner::totalQuestions(const Task& task) const {
  return static_cast<int>(filesInUse(task).size());
}
