// A pass of a small task beside a task file in a temporary folder, driven by a scripted
// observer, for the tests of the pass files.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "avifile/avi_system.h"
#include "results/result_store.h"
#include "support/json_text.h"
#include "support/scripted_player.h"
#include "support/temp_folder.h"
#include "task/play.h"
#include "task/task.h"
#include "task/vixo_method.h"

namespace vixo_test {

// The number N of a test file "/v/fN".
inline int fileNumber(const std::wstring& path) {
  const size_t at = path.rfind(L'f');
  return at == std::wstring::npos ? -1 : std::stoi(path.substr(at + 1));
}

// A task of the method with files "/v/f0" .. in the given groups, the first file the
// reference, no training, no shuffling and paths stored as given.
inline Task smallTask(const std::string& method, int files) {
  Task task;
  task.name = L"Lab task";
  for (int i = 0; i < files; ++i) {
    const std::wstring n = std::to_wstring(i);
    task.files.push_back({L"f" + n, L"/v/f" + n, 1});
  }
  task.references = {0};
  task.properties["method"] = makeStringValue(method);
  task.properties["trainingQuestions"] = Any::of(0LL);
  task.properties["shuffleSources"] = Any::of(false);
  task.properties["relativePaths"] = Any::of(false);
  return task;
}

// Marks that depend on the files only, so an interrupted and resumed pass ends with the same
// results as one run through.
inline void answerByFile(ScriptedPlayer& player) {
  player.markDSIS = [](const std::vector<std::wstring>& shown) -> std::optional<int> {
    return 1 + fileNumber(shown.back()) % 5;
  };
  player.markDSCQS = [](const std::wstring& a, const std::wstring& b,
                        char&) -> std::optional<std::pair<int, int>> {
    return std::make_pair(fileNumber(a) * 17 % 101, fileNumber(b) * 17 % 101);
  };
  player.markSCACJ = [](const std::vector<std::wstring>& shown) -> std::optional<int> {
    return std::clamp(fileNumber(shown[shown.size() - 2]) - fileNumber(shown.back()), -3, 3);
  };
  player.markCustom = [](const std::vector<std::wstring>& shown,
                         int) -> std::optional<CustomAnswer> {
    return CustomAnswer{fileNumber(shown.back()) % 2, ""};
  };
  // Every sequence of the group once, in order, then on to the next group.
  player.markSAMVIQ = [](const std::vector<int>& order, std::map<int, int>& marks, int current,
                         bool) {
    if (current >= 0) marks[order[current]] = order[current] * 17 % 101;
    return current + 1 < static_cast<int>(order.size()) ? current + 1 : -2;
  };
}

// The task file path P in the folder (the task file itself is not needed).
class PassFolder {
 public:
  PassFolder() : taskPath(fromUtf8(folder / "task.vixo")) {}

  std::string states() const { return folder / "task.vixo.states"; }
  std::string protocols() const { return folder / "task.vixo.protocols"; }
  std::string archives() const { return folder / "task.vixo.archives"; }

  TempFolder folder;
  const std::wstring taskPath;
};

// One pass: its player, its play and its store.
struct FolderPass {
  // A new pass of the task in the folder (an empty path: a task never saved).
  FolderPass(const Task& task, const std::wstring& taskPath, bool debug = false,
             const std::wstring& expert = L"Ann") {
    auto made = task.method()->createPlay(
        PlayContext(LoadedTask(task, taskPath), player.get(), expert, "", 0, false, debug));
    if (!made) throw std::runtime_error("no play");
    adopt(made);
    store = ResultStore(play);
  }
  // A pass resumed from state file `number`; check `play` before use.
  FolderPass(const std::wstring& taskPath, int number) {
    auto resumed = resumePass(taskPath, number, player.get(), false);
    if (!resumed) return;
    adopt(resumed);
    store.play = play;
    store.hasState = true;
    store.stateNumber = number;
  }

  // Sets the id and start time that a pass gets when it starts.
  void fix(const std::string& id, long long start) {
    play->context.passId = id;
    play->context.startTime = start;
  }

  // The pass loop of a player: the state saved before each question. Returns the questions
  // asked; stops after `limit`.
  int run(int limit = 1000) {
    int asked = 0;
    while (!play->isFinished() && !player->isStopRequested() && asked < limit) {
      EXPECT_TRUE(store.saveState());
      play->nextQuestion();
      ++asked;
    }
    return asked;
  }

  std::unique_ptr<ScriptedPlayer> player = std::make_unique<ScriptedPlayer>();
  std::shared_ptr<VIXOplay> play;
  ResultStore store;

 private:
  void adopt(std::shared_ptr<VIXOplay> made) {
    play = std::move(made);
    player->play = play.get();
    answerByFile(*player);
  }
};

// Pair results with the files in ascending order and the value turned round with them: pair
// sides are drawn at random, the judgement is not.
inline std::map<PairAnswerKey, float> normalPairs(const TestResults& results) {
  std::map<PairAnswerKey, float> out;
  for (const auto& [key, value] : results.pairs) {
    if (key.file1 <= key.file2)
      out[key] = value;
    else
      out[{key.expert, key.id, key.file2, key.file1}] = -value;
  }
  return out;
}

inline std::string readBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline void writeBytes(const std::string& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

// The names in a folder, sorted; none when it is missing.
inline std::set<std::string> namesIn(const std::string& folder) {
  std::set<std::string> names;
  std::error_code ignored;
  for (const auto& entry : std::filesystem::directory_iterator(folder, ignored))
    names.insert(entry.path().filename().string());
  return names;
}

// What the end of the pass left: one protocol and one archive, and its result file; all three
// must hold what the finished play holds, its events and its marks.
inline void expectPassEndAgrees(const PassFolder& folder, const VIXOplay& play) {
  const std::set<std::string> protocols = namesIn(folder.protocols());
  const std::set<std::string> archives = namesIn(folder.archives());
  ASSERT_EQ(protocols.size(), 1u);
  ASSERT_EQ(archives.size(), 1u);
  const Brindle::JSON protocol =
      parseText(readBytes(folder.protocols() + "/" + *protocols.begin()));
  const Brindle::JSON archive = parseText(readBytes(folder.archives() + "/" + *archives.begin()));
  std::istringstream resultFile(
      readBytes(folder.states() + "/result@" + play.context.passId + "@"));
  const Brindle::JSON header = Brindle::JSONparser::parse(resultFile);
  const Brindle::JSON results = Brindle::JSONparser::parse(resultFile);
  ASSERT_TRUE(protocol.isObject() && archive.isObject());
  EXPECT_EQ(*protocol.find("protocol"), play.protocol);
  EXPECT_EQ(results, play.context.results.toJson());
  EXPECT_EQ(*archive.find("protocol"), protocol);
  EXPECT_EQ(*archive.find("header"), header);
  EXPECT_EQ(*archive.find("results"), results);
}

// This computer's state file name prefix as bytes.
inline std::string statePrefix(bool debug = false) { return toUtf8(stateFilePrefix(debug)); }

}  // namespace vixo_test
