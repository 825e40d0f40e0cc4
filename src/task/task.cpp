#include "task/task.h"

#include <algorithm>
#include <chrono>
#include <compare>
#include <fstream>
#include <optional>

#include "avifile/avi_system.h"
#include "avifile/json_parser.h"
#include "task/question_planner.h"
#include "task/vixo_method.h"

namespace E = Brindle::JSONElements;
using Brindle::intSetToJson;
using Brindle::JSON;

namespace {

// The web address written into every task file; never read.
constexpr const char* kGeneratorUrl = "http://vixo.orlo.example/";

// The components of a full path, the root first: every absolute path shares the root, as paths
// on one drive share their drive.
std::vector<std::wstring> fullComponents(const std::wstring& path) {
  const std::wstring full = getFullPath(path);
  if (full.empty()) return {};
  std::vector<std::wstring> components{L"/"};
  for (std::wstring& c : splitPathComponents(full)) components.push_back(std::move(c));
  return components;
}

int sign(std::strong_ordering order) { return order < 0 ? -1 : order > 0 ? 1 : 0; }

constexpr int64_t kDefaultAnswerTimeMs = 5000;  // also the default instruction time

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

// ---------------------------------------------------------------- the task record

const VIXOmethod* Task::method() const {
  return getTaskProperties().method.getEnumeratedProperty(properties);
}

int Task::referenceOfGroup(int group) const {
  for (int index : references)
    if (hasFile(index) && files[index].group == group) return index;
  return -1;
}

bool Task::allGroupsHaveReference() const {
  std::set<int> used, withReference;
  for (const TaskFile& f : files)
    if (f.group != 0) used.insert(f.group);
  for (int index : references)
    if (hasFile(index) && files[index].group != 0) withReference.insert(files[index].group);
  return used.size() == withReference.size();
}

int Task::excludedCount() const {
  int n = 0;
  for (const TaskFile& f : files) n += f.group == 0 ? 1 : 0;
  return n;
}

std::map<int, int> Task::groupSizes() const {
  std::map<int, int> sizes;
  for (const TaskFile& f : files) ++sizes[f.group];
  return sizes;
}

int Task::planQuestionCount() const {
  const VIXOmethod* m = method();
  const QuestionPlanner* planner = m ? m->planner(*this) : nullptr;
  return planner ? planner->totalQuestions(*this) : 0;
}

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
    if (answer < 0 || instructions < 0) return -1;  // stored times are not clamped
  }

  const int64_t playbacks = planner->playbacksPerQuestion(*this);
  const int64_t cycle = planner->estimatedDuration(*this, media);
  const int64_t perCycle = planner->questionsPerCycle(*this);
  if (cycle < 0 || perCycle <= 0) return -1;
  const int64_t questions = planQuestionCount();
  if (questions <= 0) return 0;  // negative cycles: the pass asks nothing

  // (A + B * P) * N + (D * N) / Q; a length beyond 64 bits cannot be estimated.
  std::optional<int64_t> waiting = multiply(instructions, playbacks);
  if (waiting) waiting = add(answer, *waiting);
  if (waiting) waiting = multiply(*waiting, questions);
  const std::optional<int64_t> playing = multiply(cycle, questions);
  if (!waiting || !playing) return -1;
  return add(*waiting, *playing / perCycle).value_or(-1);
}

std::string groupLabel(int group) {
  return group == 0 ? "(Excluded)" : "Group " + std::to_string(group);
}

int compareTasks(const Task& a, const Task& b) {
  if (int c = sign(a.name <=> b.name)) return c;
  // File by file, a list that runs out first being the lesser.
  if (int c = sign(a.files <=> b.files)) return c;
  if (int c = samePropertyValues(a.properties, b.properties)) return c;
  return sign(a.references <=> b.references);
}

// ---------------------------------------------------------------- writing

JSON taskPropertiesToJson(const PropertyMap& properties) {
  JSON object{E::Object()};
  for (const auto& [key, value] : properties)
    if (!value.empty()) object.set(key, anyToJson(value));
  return object;
}

SettingsScheme::Object taskFileScheme(TaskFile& file) {
  SettingsScheme::Object scheme;
  scheme.add(L"id", &file.id).add(L"path", &file.path).add(L"group", &file.group);
  return scheme;
}

std::wstring makeRelativePaths(const std::vector<std::wstring>& folderComponents,
                               const std::wstring& path) {
  // A path that the reader does not take as relative and that is not a path of this system (a
  // drive, a network name, a leading backslash) stays as it stands: made relative to the
  // working folder it would read back as another file. So does a path with a backslash in a
  // name: the reader takes the backslashes of a relative path for separators.
  if (!isRelativePath(path) && path[0] != L'/') return path;
  if (path.find(L'\\') != std::wstring::npos) return path;
  const std::vector<std::wstring> file = fullComponents(path);
  size_t matched = 0;
  while (matched < folderComponents.size() && matched < file.size() &&
         folderComponents[matched] == file[matched])
    ++matched;
  if (matched == 0) return path;
  std::wstring relative;
  for (size_t i = matched; i < folderComponents.size(); ++i)
    relative = combinePath(relative, L"..");
  for (size_t i = matched; i < file.size(); ++i) relative = combinePath(relative, file[i]);
  // The task folder itself is "." (a task file holds no empty path), and a trailing separator
  // stays, so that the path reads back as the same place.
  if (relative.empty()) relative = L".";
  if (path.back() == L'/' && relative.back() != L'/') relative += L'/';
  return relative;
}

JSON taskToJson(const Task& task, const std::wstring& taskFilePath) {
  // Empty folder components leave every path as stored; finding them reads the working folder,
  // so it is done only when relative paths are wanted.
  std::vector<std::wstring> folder;
  if (!taskFilePath.empty() && getTaskProperties().relativePaths.getBoolProperty(task.properties))
    folder = fullComponents(splitPath(taskFilePath).directory);
  JSON files{E::Array()};
  for (TaskFile file : task.files) {
    if (!folder.empty()) file.path = makeRelativePaths(folder, file.path);
    files.append(taskFileScheme(file).save());
  }

  JSON object{E::Object()};
  object.set("generator", kTaskGenerator);
  object.set("generator-version-maj", E::Integer(2));
  object.set("generator-version-min", E::Integer(1));
  object.set("generator-version-rev", E::Integer(12218));
  object.set("generator-version-extra", "BETA");
  object.set("file-format-version", E::Integer(kTaskFileFormatVersion));
  object.set("generator-url", kGeneratorUrl);
  object.set("task-name", task.name);
  object.set("files", files);
  object.set("properties", taskPropertiesToJson(task.properties));
  object.set("references", intSetToJson(task.references));
  return object;
}

// ---------------------------------------------------------------- reading

bool taskFromJson(Task& task, const JSON& value, const std::wstring& taskFilePath) {
  // The shape first.
  if (!value.isObject()) return false;
  const JSON* generator = value.find("generator");
  const JSON* name = value.find("task-name");
  const JSON* files = value.find("files");
  const JSON* properties = value.find("properties");
  const JSON* version = value.find("file-format-version");
  const JSON* references = value.find("references");
  if (!generator || !name || !files || !properties || !version) return false;
  if (!generator->isString() || generator->getString() != kTaskGenerator) return false;
  if (!name->isString() || !files->isArray() || !properties->isObject()) return false;
  if (!version->isInteger() ||
      static_cast<int32_t>(static_cast<uint64_t>(version->getInteger())) != kTaskFileFormatVersion)
    return false;
  if (references && !references->isArray()) return false;

  // Everything is read into a task of its own, handed over only when the whole file is valid.
  Task read;
  for (const auto& member : properties->members()) {
    if (member.value.isArray() || member.value.isObject()) return false;
    read.properties[member.key] = anyFromJson(member.value);
  }
  const bool relative = getTaskProperties().relativePaths.getBoolProperty(read.properties);
  const std::wstring folder = splitPath(taskFilePath).directory;
  read.name = name->getWString();

  for (const JSON& element : files->elements()) {
    TaskFile file{L"", L"", 1};
    taskFileScheme(file).load(element);
    if (file.id.empty() || file.path.empty() || file.group < 0 || file.group > 19) return false;
    if (relative && isRelativePath(file.path)) file.path = combinePath(folder, file.path);
    read.files.push_back(std::move(file));
  }
  if (references) {
    for (const JSON& element : references->elements()) {
      if (!element.isInteger()) return false;
      const auto index = static_cast<int32_t>(static_cast<uint64_t>(element.getInteger()));
      if (index < 0 || static_cast<size_t>(index) >= read.files.size()) return false;
      read.references.insert(index);
    }
  }
  task = std::move(read);
  return true;
}

bool loadTaskFile(Task& task, const std::wstring& taskFilePath) {
  std::string native;
  if (!toNativePath(taskFilePath, native) || native.empty()) return false;
  std::ifstream in(native, std::ios::binary);
  JSON value;
  try {
    value = Brindle::JSONparser::parse(in);
  } catch (const Brindle::JSONparser::Error&) {
    return false;  // malformed text, an empty file or one that could not be opened
  }
  return taskFromJson(task, value, taskFilePath);
}

// ---------------------------------------------------------------- contexts

int64_t currentTimeTicks() {
  using namespace std::chrono;
  return duration_cast<duration<int64_t, std::ratio<1, 10000000>>>(
             system_clock::now().time_since_epoch())
      .count();
}

PlayContext::PlayContext(LoadedTask loadedTask, VIXOplayer* player, std::wstring expert,
                         std::string host, int port, bool network, bool debug)
    : loadedTask(std::move(loadedTask)),
      player(player),
      expert(std::move(expert)),
      host(std::move(host)),
      port(port),
      network(network),
      debug(debug) {}
