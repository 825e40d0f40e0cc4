#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>

#include "avifile/avi_system.h"
#include "avifile/json_parser.h"
#include "support/json_text.h"
#include "support/temp_folder.h"
#include "task/task.h"
#include "task/vixo_method.h"

namespace {

namespace fs = std::filesystem;
using Brindle::JSON;

std::string readText(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

using vixo_test::parseText;

std::string written(const Task& task, const std::wstring& path) {
  std::ostringstream out;
  taskToJson(task, path).write(out, -1, 0);
  return out.str();
}

// A task that a test can tell from an empty one, to see that a refused file changes nothing.
Task sentinelTask() {
  Task t;
  t.name = L"before";
  t.files.push_back({L"keep", L"/keep.avi", 3});
  t.references = {0};
  t.properties["cycles"] = Any::of(4LL);
  return t;
}

class TaskFileTest : public testing::Test {
 protected:
  std::wstring taskPath() const { return fromUtf8(folder_ / "tasks/t.vixo"); }
  std::wstring inTasks(const std::string& name) const {
    return fromUtf8(folder_ / ("tasks/" + name));
  }
  std::string writeTaskFile(const std::string& text) const {
    return folder_.makeFile("tasks/t.vixo", text);
  }

  vixo_test::TempFolder folder_;
};

TEST_F(TaskFileTest, WrittenByteForByte) {
  Task task;
  task.name = L"Demo \u00e9";
  task.files = {{L"ref", inTasks("v/ref.avi"), 1},
                {L"a", inTasks("v/a.avi"), 1},
                {L"off", fromUtf8(folder_ / "u/off.avi"), 0}};
  task.references = {0};
  // set in some order, written in key order; a setting with no value is left out
  task.properties["shuffleSources"] = Any::of(false);
  task.properties["method"] = makeStringValue("DSIS");
  task.properties["margin"] = Any();
  task.properties["cycles"] = Any::of(2LL);
  task.properties["customQuestion"] = makeStringValue("q");
  EXPECT_EQ(written(task, taskPath()),
            "{\n"
            "  \"generator\" : \"Orlo VIXO\",\n"
            "  \"generator-version-maj\" : 2,\n"
            "  \"generator-version-min\" : 1,\n"
            "  \"generator-version-rev\" : 12218,\n"
            "  \"generator-version-extra\" : \"BETA\",\n"
            "  \"file-format-version\" : 100,\n"
            "  \"generator-url\" : \"http://vixo.orlo.example/\",\n"
            "  \"task-name\" : \"Demo \xC3\xA9\",\n"
            "  \"files\" : [\n"
            "    {\n"
            "      \"id\" : \"ref\",\n"
            "      \"path\" : \"v/ref.avi\",\n"
            "      \"group\" : 1\n"
            "    },\n"
            "    {\n"
            "      \"id\" : \"a\",\n"
            "      \"path\" : \"v/a.avi\",\n"
            "      \"group\" : 1\n"
            "    },\n"
            "    {\n"
            "      \"id\" : \"off\",\n"
            "      \"path\" : \"../u/off.avi\",\n"
            "      \"group\" : 0\n"
            "    }\n"
            "  ],\n"
            "  \"properties\" : {\n"
            "    \"customQuestion\" : \"q\",\n"
            "    \"cycles\" : 2,\n"
            "    \"method\" : \"DSIS\",\n"
            "    \"shuffleSources\" : false\n"
            "  },\n"
            "  \"references\" : [\n"
            "    0\n"
            "  ]\n"
            "}");
}

TEST_F(TaskFileTest, RelativePathsWhenWriting) {
  Task task;
  task.files = {{L"a", inTasks("v/x.avi"), 1},
                {L"b", fromUtf8(folder_ / "u/x.avi"), 1},
                {L"c", inTasks("x.avi"), 1},
                {L"d", L"/x.avi", 1},
                {L"e", inTasks("v/../w/./y.avi"), 1}};
  auto paths = [&](const std::wstring& taskFile) {
    std::vector<std::string> out;
    const JSON json = taskToJson(task, taskFile);
    for (const JSON& f : json.find("files")->elements()) out.push_back(f.find("path")->getString());
    return out;
  };
  const std::string root = folder_.path();
  std::string up;  // from the task folder up to the root
  for (size_t i = 0; i < splitPathComponents(fromUtf8(root)).size() + 1; ++i) up += "../";
  EXPECT_EQ(paths(taskPath()),
            (std::vector<std::string>{"v/x.avi", "../u/x.avi", "x.avi", up + "x.avi", "w/y.avi"}));
  // without a task file, and with relative paths off, every path is written as stored
  EXPECT_EQ(paths(L"")[0], root + "/tasks/v/x.avi");
  task.properties["relativePaths"] = Any::of(false);
  EXPECT_EQ(paths(taskPath())[1], root + "/u/x.avi");
}

// The working folder for the life of the object.
class InFolder {
 public:
  explicit InFolder(const std::string& folder) : previous_(fs::current_path()) {
    fs::current_path(folder);
  }
  ~InFolder() { fs::current_path(previous_); }

 private:
  fs::path previous_;
};

// Paths that the reader does not take as relative but that are no paths of this system (a
// drive, a network name, a leading backslash) are written exactly as they stand, so that a task
// loaded from a file writes back and loads again to the same files, whatever the working folder
// and however the task file is named.
TEST_F(TaskFileTest, PathsThatAreNotRelativeRoundTripFromAnyFolder) {
  const std::vector<std::wstring> foreign = {L"D:\\x.avi", L"\\\\server\\share\\x.avi",
                                             L"\\top\\x.avi", L"c:/y.avi"};
  const std::vector<std::wstring> native = {L"v\\x.avi", L"..\\u\\x.avi", L"/x.avi"};
  JSON document = parseText(R"({"generator" : "Orlo VIXO", "file-format-version" : 100,
      "task-name" : "n", "files" : [], "properties" : {"relativePaths" : true}})");
  JSON files{Brindle::JSONElements::Array()};
  for (const auto* list : {&foreign, &native}) {
    for (const std::wstring& path : *list) {
      JSON file{Brindle::JSONElements::Object()};
      file.set("id", JSON(std::to_wstring(files.size())));
      file.set("path", JSON(path));
      file.set("group", JSON(Brindle::JSONElements::Integer(1)));
      files.append(file);
    }
  }
  document.set("files", files);
  const std::string text = document.toString(-1);
  writeTaskFile(text);
  folder_.makeFile("elsewhere/deeper/.keep");

  for (const std::string& cwd :
       {folder_.path(), folder_ / "tasks", folder_ / "elsewhere/deeper", std::string("/")}) {
    SCOPED_TRACE("working folder " + cwd);
    const InFolder in(cwd);
    // The task file named absolutely and, where it lies below the working folder, relatively.
    std::vector<std::wstring> names{taskPath()};
    if (cwd == folder_.path()) names.push_back(L"tasks/t.vixo");
    if (cwd == folder_ / "tasks") names.push_back(L"t.vixo");
    for (const std::wstring& name : names) {
      SCOPED_TRACE(toUtf8(name));
      writeTaskFile(text);
      Task first;
      ASSERT_TRUE(loadTaskFile(first, name));
      ASSERT_EQ(first.files.size(), foreign.size() + native.size());
      const std::string again = written(first, name);
      for (size_t i = 0; i < foreign.size(); ++i) EXPECT_EQ(first.files[i].path, foreign[i]);
      writeTaskFile(again);
      Task second;
      ASSERT_TRUE(loadTaskFile(second, name)) << again;
      ASSERT_EQ(second.files.size(), first.files.size());
      for (size_t i = 0; i < first.files.size(); ++i) {
        const bool native = isRelativePath(first.files[i].path) || first.files[i].path[0] == L'/';
        if (native)
          EXPECT_EQ(getFullPath(second.files[i].path), getFullPath(first.files[i].path)) << again;
        else
          EXPECT_EQ(second.files[i].path, first.files[i].path) << again;
      }
    }
  }
}

// Every path written for the task file reads back as the same place: the task folder itself
// (written ".", never the empty path a task file may not hold), a trailing separator, and a
// backslash in a name.
TEST_F(TaskFileTest, PathsWrittenRelativeReadBackAsTheSamePlace) {
  // A name may hold a backslash here; the reader would take it for a separator in a relative
  // path, so such a path is written as it stands.
  const std::vector<std::wstring> paths = {inTasks(""),
                                           inTasks("sub/"),
                                           fromUtf8(folder_ / "v/x.avi/"),
                                           L"/",
                                           inTasks("x.avi"),
                                           fromUtf8(folder_.path()),
                                           inTasks("../tasks"),
                                           inTasks("v\\x.avi"),
                                           L"/a\\b/c.avi"};
  Task task;
  task.name = L"t";
  for (const std::wstring& path : paths)
    task.files.push_back({std::to_wstring(task.files.size()), path, 1});
  const std::string text = written(task, taskPath());
  writeTaskFile(text);
  Task back;
  ASSERT_TRUE(loadTaskFile(back, taskPath())) << text;
  ASSERT_EQ(back.files.size(), paths.size());
  for (size_t i = 0; i < paths.size(); ++i)
    EXPECT_EQ(canonicalizePath(back.files[i].path), canonicalizePath(paths[i])) << text;
}

TEST_F(TaskFileTest, ReadBackEqualForGeneratedTasks) {
  std::mt19937 rng(5);
  const std::vector<std::string> keys = {"cycles", "margin",  "network",   "customQuestion",
                                         "method", "bgColor", "unknownKey"};
  for (int round = 0; round < 60; ++round) {
    Task task;
    task.name = L"task " + std::to_wstring(round) + L" \u00e9\U0001F600";
    const int n = static_cast<int>(rng() % 12);
    for (int i = 0; i < n; ++i) {
      const std::string where = rng() % 3 == 0 ? "tasks/" : (rng() % 2 ? "tasks/sub/" : "other/");
      task.files.push_back({L"id" + std::to_wstring(i),
                            fromUtf8(folder_ / (where + "f " + std::to_string(i) + ".mp4")),
                            static_cast<int>(rng() % 20)});
      if (rng() % 3 == 0) task.references.insert(i);
    }
    for (const std::string& key : keys) {
      switch (rng() % 5) {
        case 0:
          task.properties[key] = Any::of(static_cast<long long>(rng() % 100) - 50);
          break;
        case 1:
          task.properties[key] = Any::of((rng() % 1000) / 7.0);
          break;
        case 2:
          task.properties[key] = Any::of(rng() % 2 == 0);
          break;
        case 3:
          task.properties[key] = makeStringValue("v\xC3\xA4l" + std::to_string(rng()));
          break;
        default:
          break;  // not set
      }
    }
    const bool relative = rng() % 2;
    task.properties["relativePaths"] = Any::of(relative);
    std::ostringstream out;
    taskToJson(task, taskPath()).write(out, -1, 0);
    writeTaskFile(out.str());
    Task back;
    ASSERT_TRUE(loadTaskFile(back, taskPath())) << out.str();
    // paths out of the task folder come back through "..", so compare them resolved
    for (TaskFile& f : back.files) f.path = canonicalizePath(f.path);
    EXPECT_EQ(compareTasks(back, task), 0) << out.str();
  }
}

TEST_F(TaskFileTest, WindowsWrittenFilesOpenHere) {
  // written on Windows: relative paths with backslashes, CRLF line ends, an absolute path
  const std::string text = readText(VIXO_TEST_DATA "/task/windows_relative.vixo");
  ASSERT_NE(text.find("\r\n"), std::string::npos);
  writeTaskFile(text);
  const std::string dir = folder_ / "tasks/";
  folder_.makeFile("tasks/v/x.avi");
  folder_.makeFile("u/x.avi");
  Task task;
  ASSERT_TRUE(loadTaskFile(task, taskPath()));
  ASSERT_EQ(task.files.size(), 3u);
  EXPECT_EQ(task.files[0].path, fromUtf8(dir + "v/x.avi"));
  EXPECT_EQ(task.files[1].path, fromUtf8(dir + "../u/x.avi"));  // ".." stays
  EXPECT_TRUE(fs::exists(toUtf8(task.files[0].path)));
  EXPECT_TRUE(fs::exists(toUtf8(task.files[1].path)));
  EXPECT_EQ(task.files[2].path, L"C:\\videos\\abs.avi");  // absolute: as written
  EXPECT_EQ(task.name, L"Windows task");
  EXPECT_EQ(task.files[1].id, L"impaired \u00e9");
  EXPECT_EQ(task.references, (std::set<int>{0}));
  EXPECT_EQ(getTaskProperties().cycles.getIntegerProperty(task.properties), 3);

  // with relative paths off the same entries stay as written
  writeTaskFile(readText(VIXO_TEST_DATA "/task/windows_absolute_mode.vixo"));
  ASSERT_TRUE(loadTaskFile(task, taskPath()));
  EXPECT_EQ(task.files[0].path, L"v\\x.avi");
  EXPECT_EQ(task.files[1].path, L"..\\u\\x.avi");
}

// A valid document to take apart: three files.
std::string validDocument() {
  return R"({"generator" : "Orlo VIXO", "generator-version-maj" : 9, "generator-url" : 5,
             "file-format-version" : 100, "task-name" : "n",
             "files" : [{"id" : "a", "path" : "/a.avi", "group" : 1},
                        {"id" : "b", "path" : "/b.avi", "group" : 2},
                        {"id" : "c", "path" : "/c.avi", "group" : 0}],
             "properties" : {"cycles" : 3, "network" : true},
             "references" : [0, 1]})";
}

std::string replaced(std::string text, const std::string& what, const std::string& with) {
  const size_t at = text.find(what);
  EXPECT_NE(at, std::string::npos) << what;
  return text.replace(at, what.size(), with);
}

TEST_F(TaskFileTest, RefusedDocumentsLeaveTheTaskAsItWas) {
  const std::string base = validDocument();
  const struct {
    const char* what;
    std::string text;
  } rows[] = {
      {"format 101",
       replaced(base, "\"file-format-version\" : 100", "\"file-format-version\" : 101")},
      {"format 100.0",
       replaced(base, "\"file-format-version\" : 100", "\"file-format-version\" : 100.0")},
      {"format \"100\"",
       replaced(base, "\"file-format-version\" : 100", "\"file-format-version\" : \"100\"")},
      {"no task name", replaced(base, "\"task-name\" : \"n\",", "")},
      {"task name 5", replaced(base, "\"task-name\" : \"n\"", "\"task-name\" : 5")},
      {"other generator", replaced(base, "\"Orlo VIXO\"", "\"Orlo Vixo\"")},
      {"generator 1", replaced(base, "\"Orlo VIXO\"", "1")},
      {"files object", replaced(base, "\"files\" : [", "\"files\" : {\"x\" : [")},
      {"group 20", replaced(base, "\"group\" : 2}", "\"group\" : 20}")},
      {"group -1", replaced(base, "\"group\" : 2}", "\"group\" : -1}")},
      {"id 5", replaced(base, "\"id\" : \"b\"", "\"id\" : 5")},
      {"empty path", replaced(base, "\"/b.avi\"", "\"\"")},
      {"id not UTF-8", replaced(base, "\"id\" : \"b\"", "\"id\" : \"\xC3\"")},
      {"reference 3", replaced(base, "[0, 1]", "[3]")},
      {"reference -1", replaced(base, "[0, 1]", "[-1]")},
      {"reference \"0\"", replaced(base, "[0, 1]", "[\"0\"]")},
      {"references object", replaced(base, "[0, 1]", "{}")},
      {"property array", replaced(base, "\"network\" : true", "\"network\" : [1, 2]")},
      {"property object", replaced(base, "\"network\" : true", "\"network\" : {}")},
      {"not an object", "[1, 2]"},
      {"truncated", base.substr(0, base.size() / 2)},
      {"binary", std::string("\x00\xff\x01garbage\x7f", 11)},
      {"empty", ""},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.what);
    writeTaskFile(row.text);
    Task task = sentinelTask();
    EXPECT_FALSE(loadTaskFile(task, taskPath()));
    EXPECT_EQ(compareTasks(task, sentinelTask()), 0);
  }
  Task task = sentinelTask();
  EXPECT_FALSE(loadTaskFile(task, inTasks("missing.vixo")));
  EXPECT_EQ(compareTasks(task, sentinelTask()), 0);
}

TEST_F(TaskFileTest, PathWithNulIsRefused) {
  // Cut at the NUL the path names a valid task file, which must not be read in its place.
  writeTaskFile(validDocument());
  Task whole;
  ASSERT_TRUE(loadTaskFile(whole, taskPath()));
  const std::wstring path = taskPath() + std::wstring(1, L'\0') + L"other.vixo";
  Task task = sentinelTask();
  EXPECT_FALSE(loadTaskFile(task, path));
  EXPECT_EQ(compareTasks(task, sentinelTask()), 0);
}

TEST_F(TaskFileTest, AcceptedVariations) {
  const std::string base = validDocument();
  Task task = sentinelTask();
  ASSERT_TRUE(taskFromJson(task, parseText(base), taskPath()));
  EXPECT_EQ(task.name, L"n");  // replaced, not added to
  EXPECT_EQ(task.files.size(), 3u);
  EXPECT_EQ(task.references, (std::set<int>{0, 1}));
  EXPECT_EQ(*task.properties["cycles"].as<long long>(), 3);

  // a repeated reference, no group, a null property, an absent reference list
  ASSERT_TRUE(taskFromJson(
      task,
      parseText(replaced(replaced(replaced(base, "[0, 1]", "[0, 0]"), ", \"group\" : 2", ""),
                         "\"network\" : true", "\"network\" : null")),
      taskPath()));
  EXPECT_EQ(task.references, (std::set<int>{0}));
  EXPECT_EQ(task.files[1].group, 1);
  ASSERT_TRUE(task.properties.count("network"));
  EXPECT_TRUE(task.properties["network"].empty());
  EXPECT_FALSE(getTaskProperties().network.getBoolProperty(task.properties));
  EXPECT_EQ(taskPropertiesToJson(task.properties).toString(0), "{\"cycles\" : 3}");

  ASSERT_TRUE(taskFromJson(
      task, parseText(replaced(base, ",\n             \"references\" : [0, 1]", "")), taskPath()));
  EXPECT_TRUE(task.references.empty());
}

TEST(TaskRecord, GroupsAndReferences) {
  EXPECT_EQ(groupLabel(0), "(Excluded)");
  EXPECT_EQ(groupLabel(12), "Group 12");
  Task task;
  task.files = {{L"a", L"/a", 1}, {L"b", L"/b", 1}, {L"c", L"/c", 2}, {L"d", L"/d", 0}};
  EXPECT_EQ(task.referenceOfGroup(1), -1);
  task.references = {1, 0};
  EXPECT_EQ(task.referenceOfGroup(1), 0);       // the lower index
  EXPECT_FALSE(task.allGroupsHaveReference());  // group 2 lacks one
  task.references.insert(2);
  EXPECT_TRUE(task.allGroupsHaveReference());
  EXPECT_EQ(task.excludedCount(), 1);
  EXPECT_EQ(task.groupSizes(), (std::map<int, int>{{0, 1}, {1, 2}, {2, 1}}));

  Task excluded;
  excluded.files = {{L"a", L"/a", 0}};
  EXPECT_TRUE(excluded.allGroupsHaveReference());

  Task other = task;
  EXPECT_EQ(compareTasks(task, other), 0);
  other.files[3].group = 5;
  EXPECT_NE(compareTasks(task, other), 0);
  other = task;
  other.references.erase(2);
  EXPECT_NE(compareTasks(task, other), 0);
  other = task;
  other.properties["x"] = Any::of(1);
  EXPECT_NE(compareTasks(task, other), 0);
}

TEST(PlayContexts, NewPassesGetTheirOwnIdAndTime) {
  const int64_t before = currentTimeTicks();
  PlayContext empty;
  EXPECT_TRUE(empty.debug);
  EXPECT_FALSE(empty.network);
  EXPECT_EQ(empty.player, nullptr);
  EXPECT_EQ(empty.passId.size(), 36u);
  EXPECT_GE(empty.startTime, before);
  EXPECT_LE(empty.startTime, currentTimeTicks());
  EXPECT_TRUE(empty.results.singles.empty());

  Task task;
  task.name = L"t";
  PlayContext full(LoadedTask(task, L"/t.vixo"), nullptr, L"Ann", "127.0.0.1", 8080, true, false);
  EXPECT_NE(full.passId, empty.passId);
  EXPECT_EQ(full.loadedTask.path, L"/t.vixo");
  EXPECT_EQ(full.expert, L"Ann");
  EXPECT_EQ(full.port, 8080);
  EXPECT_FALSE(full.debug);
  full.results.singles[{L"Ann", L"1", L"a"}] = 0.5f;
  PlayContext moved = std::move(full);
  EXPECT_EQ(moved.results.singles.size(), 1u);
  EXPECT_TRUE(full.results.singles.empty());  // NOLINT(bugprone-use-after-move)
}

}  // namespace
