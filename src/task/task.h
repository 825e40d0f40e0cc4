// The test task (name, files in numbered groups, references, settings), its ".vixo" file, and
// the context one pass runs on.
//
// Tasks, loaded tasks and contexts are plain values used by one thread at a time.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "avifile/avi_system.h"
#include "avifile/json.h"
#include "avifile/settings_scheme.h"
#include "results/test_results.h"
#include "task/task_properties.h"

class VIXOmethod;
class VIXOplayer;
class VideoFile;
class VideoInfoCache;

// One entry of the file list. A file's position in the list is its index everywhere.
struct TaskFile {
  std::wstring id;    // shown to the operator; never empty in a task file
  std::wstring path;  // a full path once a task file's relative paths are resolved
  int group = 1;      // 0 excluded, 1 to 19 test groups

  // Ordered by id, then path, then group (the member order), as compareTasks wants.
  friend auto operator<=>(const TaskFile&, const TaskFile&) = default;
  friend bool operator==(const TaskFile&, const TaskFile&) = default;
};

struct Task {
  std::wstring name;
  std::vector<TaskFile> files;
  std::set<int> references;  // indices into files
  PropertyMap properties;

  // The task's method, or none.
  const VIXOmethod* method() const;
  // The index names a file of the list.
  bool hasFile(int index) const { return index >= 0 && static_cast<size_t>(index) < files.size(); }
  // The lowest reference index whose file is in the group; -1 when none.
  int referenceOfGroup(int group) const;
  // Every non-zero group in use has a reference.
  bool allGroupsHaveReference() const;
  int excludedCount() const;
  // Group number to number of files, group 0 included.
  std::map<int, int> groupSizes() const;
  // The number of questions of a pass (training included); 0 without a method.
  int planQuestionCount() const;
  // The expected length of a pass in milliseconds; 0 without a method or without questions, -1
  // when it cannot be estimated (it would not fit 64 bits, or stored times are negative).
  int64_t estimatedLength(VideoInfoCache& media) const;
};

// "(Excluded)" for 0, "Group N" otherwise.
std::string groupLabel(int group);

// 0 when equal; otherwise the first difference (name, files, settings, references) decides.
int compareTasks(const Task& a, const Task& b);

// The stored settings as a JSON object, keys ascending, unset ones left out.
Brindle::JSON taskPropertiesToJson(const PropertyMap& properties);
// The scheme of a file entry: "id", "path", "group".
SettingsScheme::Object taskFileScheme(TaskFile& file);
// The path written for a file when relative paths are on: relative to the task folder (given
// as its components) when the two share their first component; as given otherwise, and always
// for a path that the reader does not take as relative but that is not an absolute path here
// (one with a drive, a network name or a leading backslash) and for a path with a backslash in
// a name (which the reader would take for a separator).
std::wstring makeRelativePaths(const std::vector<std::wstring>& folderComponents,
                               const std::wstring& path);
// The task as the object of its task file.
Brindle::JSON taskToJson(const Task& task, const std::wstring& taskFilePath);
// Reads a task file's object. On success the task is replaced by the one read and true is
// returned; on any fault the task is left exactly as it was and false is returned.
[[nodiscard]] bool taskFromJson(Task& task, const Brindle::JSON& value,
                                const std::wstring& taskFilePath);
// Reads a task file (all or nothing, as taskFromJson). A path that cannot be handed to the
// system as it is (one holding a NUL, say) is refused.
[[nodiscard]] bool loadTaskFile(Task& task, const std::wstring& taskFilePath);

// The fixed values the writer puts in every task file.
constexpr const char* kTaskGenerator = "Orlo VIXO";
constexpr int kTaskFileFormatVersion = 100;

// A task with its file and the media files opened for it.
struct LoadedTask {
  LoadedTask() = default;
  LoadedTask(Task task, std::wstring path) : task(std::move(task)), path(std::move(path)) {}

  std::map<std::wstring, std::weak_ptr<VideoFile>> openedFiles;
  Task task;
  std::wstring path;  // empty for a task never saved
};

// The current time as 100-ns ticks since 1970-01-01 UTC.
int64_t currentTimeTicks();

// What one pass runs on.
struct PlayContext {
  // Empty: no player, debug on, network off, a new pass id and the current time.
  PlayContext() = default;
  PlayContext(LoadedTask loadedTask, VIXOplayer* player, std::wstring expert, std::string host,
              int port, bool network, bool debug);

  LoadedTask loadedTask;
  VIXOplayer* player = nullptr;
  std::wstring expert;
  std::string host;
  int port = 0;
  bool network = false;
  bool debug = true;
  std::string passId = newUuidString();
  int64_t startTime = currentTimeTicks();  // 100-ns ticks since 1970-01-01 UTC
  TestResults results;
};
