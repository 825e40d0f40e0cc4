#include "task/planner_base.h"

#include "media/video_info.h"
#include "task/saturating.h"
#include "task/task_properties.h"
#include "task/vixo_method.h"

namespace {

bool methodUses(const VIXOmethod* method, const props::Property& property) {
  if (!method) return false;
  for (const props::Property* p : method->properties())
    if (p == &property) return true;
  return false;
}

}  // namespace

int QuestionPlannerBase::cycles(const Task& task) const {
  const props::Integer& cycles = getTaskProperties().cycles;
  return methodUses(method(), cycles)
             ? saturating::toInt(cycles.getIntegerProperty(task.properties))
             : 1;
}

int QuestionPlannerBase::trainingQuestions(const Task& task) const {
  const props::Integer& training = getTaskProperties().trainingQuestions;
  return methodUses(method(), training)
             ? saturating::toInt(training.getIntegerProperty(task.properties))
             : 0;
}

int64_t QuestionPlannerBase::playingTime(const Task& task, const std::wstring& path,
                                         VideoInfoCache& media) {
  const VideoInfo& info = media.getInfo(path);
  if (!info.opened || !info.valid) return 0;
  if (info.stillImage) return getTaskProperties().imageLength.getIntegerProperty(task.properties);
  return info.durationMs;
}

std::vector<int> filesInUse(const Task& task) {
  std::vector<int> files;
  for (size_t i = 0; i < task.files.size(); ++i)
    if (task.files[i].group != 0) files.push_back(static_cast<int>(i));
  return files;
}

int64_t pairCount(const Task& task) {
  int64_t pairs = 0;
  for (const auto& [group, n] : task.groupSizes())
    if (group != 0) pairs += static_cast<int64_t>(n) * (n - 1) / 2;
  return pairs;
}

std::vector<int> testFiles(const Task& task) {
  std::vector<int> files;
  for (int i : filesInUse(task))
    if (!task.references.count(i)) files.push_back(i);
  return files;
}
