// Task files from arbitrary bytes, then what the editor and a run do with an accepted task:
// counting its questions, estimating its length, validating it, making its play and running
// the first questions of a pass against a player that answers everything.
//  - No crash, no sanitizer report, no allocation that no memory holds.
//  - A refused file leaves the task as it was; an accepted one is written out and read back to
//    the same task (without a task file, and with one whose folder its relative paths join).
//  - A play is made unless the pass cannot be held (validation says so), and a state it saves
//    loads into a new play of the same task.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <sstream>
#include <string>

#include "avifile/json_parser.h"
#include "media/video_info.h"
#include "support/scripted_player.h"
#include "task/method_registry.h"
#include "task/play.h"
#include "task/question_planner.h"
#include "task/task.h"
#include "task/validation.h"

namespace {

Task sentinel() {
  Task t;
  t.name = L"sentinel";
  t.files.push_back({L"s", L"/s.avi", 2});
  t.references = {0};
  t.properties["margin"] = Any::of(3LL);
  return t;
}

[[noreturn]] void fail(const char* what) {
  std::fprintf(stderr, "%s\n", what);
  std::abort();
}

// Media whose answers follow from the path: some files do not open, some are still images,
// and lengths run up to the limits of their type.
class PathMedia : public VideoInfoCache {
 public:
  const VideoInfo& getInfo(const std::wstring& path) override {
    const size_t h = std::hash<std::wstring>{}(path);
    static const int64_t kLengths[] = {0, 1, 999, 10000, 11000, INT64_MAX, -1, INT64_MIN};
    current_ = VideoInfo{h % 7 != 0, h % 5 != 0, 640, 480, h % 3 == 0, kLengths[(h >> 3) % 8]};
    return current_;
  }

 private:
  VideoInfo current_;
};

const std::wstring kTaskFile = L"/tasks/t.vixo";

// Paths as a task file of the folder reads them back.
Task resolved(Task task) {
  for (TaskFile& f : task.files)
    if (!f.path.empty() && f.path[0] == L'/') f.path = canonicalizePath(f.path);
  return task;
}

void answerEverything(vixo_test::ScriptedPlayer& player) {
  player.markDSIS = [](const std::vector<std::wstring>&) { return std::optional<int>(3); };
  player.markSCACJ = [](const std::vector<std::wstring>&) { return std::optional<int>(-1); };
  player.markDSCQS = [](const std::wstring&, const std::wstring&, char&) {
    return std::optional<std::pair<int, int>>(std::make_pair(40, 60));
  };
  player.markCustom = [](const std::vector<std::wstring>&, int) {
    return std::optional<CustomAnswer>(CustomAnswer{0, "x"});
  };
  player.markSAMVIQ = [](const std::vector<int>& order, std::map<int, int>& marks, int current,
                         bool) {
    if (current >= 0) marks[order[current]] = 50;
    return current + 1 < static_cast<int>(order.size()) ? current + 1 : -2;
  };
  // A pass that would go on and on (a stored repetition count at its limit) is stopped as an
  // operator would stop it: playbacks are interrupted from then on.
  player.onCall = [](vixo_test::ScriptedPlayer& p) {
    if (p.calls.size() < 500 || p.stop) return;
    p.stop = true;
    p.playbacks.assign(1000, false);
  };
}

std::shared_ptr<VIXOplay> makePlay(const Task& task, vixo_test::ScriptedPlayer& player) {
  return task.method()->createPlay(
      PlayContext(LoadedTask(task, kTaskFile), &player, L"Ann", "host", 0, false, true));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::istringstream in(std::string(reinterpret_cast<const char*>(data), size));
  Brindle::JSON value;
  try {
    value = Brindle::JSONparser::parse(in);
  } catch (const Brindle::JSONparser::Error&) {
    return 0;
  }
  Task task = sentinel();
  if (!taskFromJson(task, value, kTaskFile)) {
    if (compareTasks(task, sentinel()) != 0) fail("a refused document changed the task");
    return 0;
  }
  // Written without a task file the paths stay as read; reading them again changes nothing.
  Task again;
  if (!taskFromJson(again, taskToJson(task, L""), L"")) fail("a written task does not read back");
  if (compareTasks(again, task) != 0) fail("a task changed on its way through its file");
  // Written for its task file, it reads back to the same files.
  Task beside;
  if (!taskFromJson(beside, taskToJson(task, kTaskFile), kTaskFile))
    fail("a task written for its file does not read back");
  if (compareTasks(resolved(beside), resolved(task)) != 0)
    fail("a task changed on its way through its file and folder");

  PathMedia media;
  const int questions = task.planQuestionCount();
  const int64_t length = task.estimatedLength(media);
  if (length < -1) fail("a length below -1");
  const std::vector<ValidationMessage> messages = validateTask(task, kTaskFile, media);
  const VIXOmethod* method = task.method();
  if (!method) return 0;
  const QuestionPlanner* planner = method->planner(task);
  const bool tooLarge = planner && !planner->planTooLarge(task).empty();
  if (tooLarge && questions <= QuestionPlanner::kMaxPassQuestions &&
      planner->trainingQuestions(task) <= QuestionPlanner::kMaxPassQuestions &&
      planner->blockCandidates(task) <= QuestionPlanner::kMaxBlockCandidates)
    fail("a plan that fits is refused");
  bool said = false;
  for (const ValidationMessage& m : messages) said = said || m.shortText == L"too many questions";
  if (said != tooLarge) fail("validation and the planner disagree on the size of a pass");

  vixo_test::ScriptedPlayer player;
  answerEverything(player);
  const std::shared_ptr<VIXOplay> play = makePlay(task, player);
  if (!play) {
    if (planner && !tooLarge) fail("no play for a task whose plan fits");
    return 0;
  }
  if (tooLarge) fail("a play for a task whose pass cannot be held");
  player.play = play.get();
  play->random.seed(static_cast<uint32_t>(size));
  for (int i = 0; i < 40 && !play->isFinished() && !player.isStopRequested(); ++i) {
    play->nextQuestion();
    (void)play->progress();
  }
  // The state goes through its text, as pass files keep it.
  Brindle::JSON state;
  play->saveState(state);
  std::istringstream text(state.toString(0));
  const Brindle::JSON read = Brindle::JSONparser::parse(text);
  vixo_test::ScriptedPlayer other;
  const std::shared_ptr<VIXOplay> resumed = makePlay(task, other);
  if (!resumed || !resumed->loadState(read))
    fail("a saved state does not load into a new play of its task");
  return 0;
}
