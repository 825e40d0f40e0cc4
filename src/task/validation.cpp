#include "task/validation.h"

#include <algorithm>
#include <optional>
#include <set>

#include "avifile/avi_system.h"
#include "task/question_planner.h"
#include "task/task_properties.h"
#include "task/vixo_method.h"

namespace {

constexpr int64_t kLongSequenceMs = 10999;      // longer than this is a long sequence
constexpr int64_t kLongTestMs = 1800000;        // 30 minutes
constexpr int64_t kLengthSpreadMs = 1000;       // this much difference or more is reported
constexpr int64_t kDefaultAnswerTimeMs = 5000;  // also the default instruction time

std::wstring number(int64_t value) { return std::to_wstring(value); }

// Stored settings are not clamped to their range, so every step of the length is checked.
std::optional<int64_t> multiply(int64_t a, int64_t b) {
  int64_t r;
  if (__builtin_mul_overflow(a, b, &r)) return std::nullopt;
  return r;
}

std::optional<int64_t> add(int64_t a, int64_t b) {
  int64_t r;
  if (__builtin_add_overflow(a, b, &r)) return std::nullopt;
  return r;
}

// Seconds to milliseconds, with 0 meaning the default of five seconds.
std::optional<int64_t> secondsOrDefault(long long seconds) {
  return seconds == 0 ? std::optional<int64_t>(kDefaultAnswerTimeMs) : multiply(seconds, 1000);
}

}  // namespace

int64_t Task::estimatedLength(VideoInfoCache& media) const {
  const VIXOmethod* m = method();
  if (!m) return 0;
  const QuestionPlanner* planner = m->planner(*this);
  if (!planner) return -1;

  const VixoProperties& p = getTaskProperties();
  // Answer time A and instruction time B.
  int64_t answer = kDefaultAnswerTimeMs;
  int64_t instructions = kDefaultAnswerTimeMs;
  if (p.network.getBoolProperty(properties)) {
    // "networkMinTime" holds the longest time for an answer, "networkMaxTime" the shortest.
    const std::optional<int64_t> longest =
        secondsOrDefault(p.networkMinTime.getIntegerProperty(properties));
    const std::optional<int64_t> shortest =
        multiply(p.networkMaxTime.getIntegerProperty(properties), 1000);
    const std::optional<int64_t> shown =
        secondsOrDefault(p.networkInstrTime.getIntegerProperty(properties));
    if (!longest || !shortest || !shown) return -1;
    answer = std::max(*longest, *shortest);
    instructions = *shown;
  }

  const int64_t playbacks = planner->playbacksPerQuestion(*this);
  const int64_t cycle = planner->estimatedDuration(*this, media);
  const int64_t perCycle = planner->questionsPerCycle(*this);
  if (cycle < 0 || perCycle <= 0) return -1;
  const int64_t questions = planQuestionCount();

  // (A + B * P) * N + (D * N) / Q; a length beyond 64 bits cannot be estimated.
  std::optional<int64_t> waiting = multiply(instructions, playbacks);
  if (waiting) waiting = add(answer, *waiting);
  if (waiting) waiting = multiply(*waiting, questions);
  const std::optional<int64_t> playing = multiply(cycle, questions);
  if (!waiting || !playing) return -1;
  return add(*waiting, *playing / perCycle).value_or(-1);
}

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
    if (!info.opened || !info.valid) {
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
  return messages;
}
