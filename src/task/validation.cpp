#include "task/validation.h"

#include <algorithm>
#include <optional>
#include <set>

#include "avifile/avi_system.h"
#include "task/question_planner.h"
#include "task/task_properties.h"
#include "task/vixo_method.h"

namespace {

constexpr int64_t kLongSequenceMs = 10999;  // longer than this is a long sequence
constexpr int64_t kLongTestMs = 1800000;    // 30 minutes
constexpr int64_t kLengthSpreadMs = 1000;   // this much difference or more is reported

std::wstring number(int64_t value) { return std::to_wstring(value); }

}  // namespace

std::vector<ValidationMessage> validateTask(const Task& task, const std::wstring& taskFilePath,
                                            VideoInfoCache& media) {
  std::vector<ValidationMessage> messages;
  const VixoProperties& p = getTaskProperties();
  const VIXOmethod* method = task.method();
  if (!method) messages.emplace_back(0, L"select method", L"Method not selected: select method");

  std::set<std::wstring> ids;
  int duplicates = 0;
  std::wstring firstDuplicate;
  int notOpenable = 0;
  std::wstring firstNotOpenable;
  bool longSequence = false;
  // Only durations actually seen take part in the spread.
  std::optional<int64_t> shortest, longest;
  for (const TaskFile& file : task.files) {
    if (!ids.insert(file.id).second && duplicates++ == 0) firstDuplicate = file.id;
    if (file.group == 0) continue;
    // The answer is valid only until the next question to the source: read it at once.
    const VideoInfo& info = media.getInfo(file.path);
    // A file whose open has not ended yet (the editor examines files in the background) is not
    // known not to open: only a failed open counts.
    if (!info.opened) continue;
    if (!info.valid) {
      if (notOpenable++ == 0) firstNotOpenable = file.id;
      continue;
    }
    if (info.stillImage) continue;
    const int64_t duration = info.durationMs;
    if (duration > kLongSequenceMs) longSequence = true;
    shortest = std::min(shortest.value_or(duration), duration);
    longest = std::max(longest.value_or(duration), duration);
  }

  if (!taskFilePath.empty() && p.relativePaths.getBoolProperty(task.properties)) {
    const std::wstring taskDrive = splitPath(taskFilePath).drive;
    for (const TaskFile& file : task.files) {
      const std::wstring drive = splitPath(file.path).drive;
      if (!drive.empty() && drive != taskDrive) {
        messages.emplace_back(1, L"a file and project on diferent partitions",
                              L"You turned on relative paths, but project is on " + taskDrive +
                                  L" and '" + file.id + L"' is on " + drive);
        break;
      }
    }
  }

  if (notOpenable > 0) {
    messages.emplace_back(1, L"can't open " + number(notOpenable) + L" file(s)",
                          notOpenable == 1 ? L"Can't open file " + firstNotOpenable
                                           : L"Can't open " + firstNotOpenable + L" and " +
                                                 number(notOpenable - 1) + L" other file(s)");
  }
  if (duplicates > 0) {
    messages.emplace_back(1, L"ids not uniqe",
                          duplicates == 1 ? L"Not unique id: " + firstDuplicate
                                          : L"Not unique id: " + firstDuplicate + L" and " +
                                                number(duplicates - 1) + L" other");
  }
  if (longSequence) {
    messages.emplace_back(1, L"long sequence(s) in project",
                          L"ITU-R BT.500 recommends sequences not longer than 10s");
  }
  if (task.estimatedLength(media) > kLongTestMs) {
    messages.emplace_back(1, L"test longer 30m",
                          L"ITU-R BT.500 recommends tests not longer than 30m");
  }
  // The difference of extreme durations may not fit; then it is certainly large.
  if (shortest && longest) {
    int64_t spread;
    if (__builtin_sub_overflow(*longest, *shortest, &spread) || spread >= kLengthSpreadMs) {
      messages.emplace_back(1, L"sequences of different length in project",
                            L"Length of the sequences varies from " +
                                fromUtf8(formatDuration(*shortest)) + L" to " +
                                fromUtf8(formatDuration(*longest)));
    }
  }

  if (!method) return messages;

  const int64_t included =
      static_cast<int64_t>(task.files.size()) - static_cast<int64_t>(task.excludedCount());
  const int need = method->videosPerQuestion(task);
  if (included < need) {
    messages.emplace_back(0, L"add more files",
                          L"Not enought files for this method: " + number(need) + L" at least");
  } else {
    std::optional<std::pair<int, int>> smallest;  // {group, size}
    for (const auto& [group, size] : task.groupSizes()) {
      if (group == 0) continue;
      if (!smallest || size < smallest->second) smallest = std::make_pair(group, size);
    }
    const int minimum = method->minGroupSize(task);
    if (smallest && smallest->second < minimum) {
      messages.emplace_back(0, L"groups smaller " + number(minimum) + L" files not allowed",
                            L"Group " + number(smallest->first) + L" should have at least " +
                                number(minimum) + L" files");
    }
  }
  if (method->needsReference(task) && !task.allGroupsHaveReference()) {
    messages.emplace_back(0, L"set reference to all groups",
                          L"Reference not set (set not for all groups), but needed for this "
                          L"settings");
  }
  for (ValidationMessage& message : method->validate(task)) messages.push_back(std::move(message));
  // A pass that could not be held as a question sequence is refused before it starts.
  if (const QuestionPlanner* planner = method->planner(task)) {
    std::wstring why = planner->planTooLarge(task);
    if (!why.empty()) messages.emplace_back(0, L"too many questions", std::move(why));
  }
  return messages;
}

std::vector<ValidationMessage> refuseOnline(const Task& task, const std::string& method) {
  if (!getTaskProperties().network.getBoolProperty(task.properties)) return {};
  const std::wstring name = fromUtf8(method);
  return {ValidationMessage(0, L"network not supported by " + name,
                            L"Network not supported by " + name)};
}
