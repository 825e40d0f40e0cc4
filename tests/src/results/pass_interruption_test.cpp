// Passes killed at every step of their file writing and at every question, then resumed.
//
// The program puts its own write, fsync, renameat2, link and unlink in front of the C library's
// (the calls reach the library through them), so that a child process running a pass can kill
// itself with SIGKILL exactly in the middle of a write, or just before or after any of the other
// calls; the parent then looks at what is left on the disk, as the next start of the program
// would.
#include <dlfcn.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/mman.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <climits>
#include <set>
#include <string>
#include <vector>

#include "results/archive_import.h"
#include "src/results/pass_fixture.h"

namespace {

enum class Call { Write, Fsync, Rename, Link, Unlink, Question };
enum class Moment { Before, After };  // for a write: half of it written, or all of it

struct Event {
  Call call;
  std::string path;  // the file or folder the call works on (in the dry run)
};

// --- the kill plan of this process; armed only while a pass runs under test
bool armed = false;
int reached = 0;
int killAt = -1;
Moment killMoment = Moment::Before;
std::vector<Event>* eventLog = nullptr;

std::string pathOfDescriptor(int fd) {
  char link[PATH_MAX];
  const ssize_t n = readlink(("/proc/self/fd/" + std::to_string(fd)).c_str(), link, sizeof link);
  return n > 0 ? std::string(link, static_cast<size_t>(n)) : std::string();
}

[[noreturn]] void die() {
  kill(getpid(), SIGKILL);
  for (;;) pause();
}

// Counts the call; true when it is the one to kill at, at the moment given.
bool killHere(Call call, Moment moment, const std::string& path) {
  if (moment == Moment::Before) {
    if (eventLog) eventLog->push_back({call, path});
    ++reached;
  }
  return reached - 1 == killAt && killMoment == moment;
}

template <class F>
F* real(const char* name) {
  return reinterpret_cast<F*>(dlsym(RTLD_NEXT, name));
}

}  // namespace

extern "C" {

ssize_t write(int fd, const void* data, size_t size) {
  static auto* next = real<ssize_t(int, const void*, size_t)>("write");
  if (!armed || fd <= 2) return next(fd, data, size);
  if (killHere(Call::Write, Moment::Before, eventLog ? pathOfDescriptor(fd) : "")) {
    next(fd, data, size / 2);
    die();
  }
  const ssize_t written = next(fd, data, size);
  if (killHere(Call::Write, Moment::After, "")) die();
  return written;
}

int fsync(int fd) {
  static auto* next = real<int(int)>("fsync");
  if (!armed) return next(fd);
  if (killHere(Call::Fsync, Moment::Before, eventLog ? pathOfDescriptor(fd) : "")) die();
  const int result = next(fd);
  if (killHere(Call::Fsync, Moment::After, "")) die();
  return result;
}

int renameat2(int fromFolder, const char* from, int toFolder, const char* to, unsigned flags) {
  static auto* next = real<int(int, const char*, int, const char*, unsigned)>("renameat2");
  if (!armed) return next(fromFolder, from, toFolder, to, flags);
  if (killHere(Call::Rename, Moment::Before, std::string(from) + " > " + to)) die();
  const int result = next(fromFolder, from, toFolder, to, flags);
  if (killHere(Call::Rename, Moment::After, "")) die();
  return result;
}

int link(const char* from, const char* to) {
  static auto* next = real<int(const char*, const char*)>("link");
  if (!armed) return next(from, to);
  if (killHere(Call::Link, Moment::Before, std::string(from) + " > " + to)) die();
  const int result = next(from, to);
  if (killHere(Call::Link, Moment::After, "")) die();
  return result;
}

int unlink(const char* path) {
  static auto* next = real<int(const char*)>("unlink");
  if (!armed) return next(path);
  if (killHere(Call::Unlink, Moment::Before, path)) die();
  const int result = next(path);
  if (killHere(Call::Unlink, Moment::After, "")) die();
  return result;
}

// Each kill is a process of its own; without the allocation stacks the sanitizer keeps, a
// child's writes to memory it shares with its parent stay few, and the kills quick.
__attribute__((visibility("default"))) const char* __asan_default_options() {
  return "malloc_context_size=0";
}

}  // extern "C"

namespace {

using namespace vixo_test;

// What the child tells the parent, in memory both share: the answers given so far, and the
// answers held by the last state file whose save returned.
struct Progress {
  std::atomic<int> given{0};
  std::atomic<int> saved{0};
};

int answerCount(const VIXOplay& play) {
  return static_cast<int>(play.context.results.singles.size() + play.context.results.pairs.size());
}

// A whole pass as the player runs it: the state saved before every question, the pass end.
// Every call of the player is a point to kill at as well.
void runPass(const Task& task, const std::wstring& taskPath, Progress* progress) {
  FolderPass pass(task, taskPath);
  pass.player->onCall = [](ScriptedPlayer&) {
    if (armed && killHere(Call::Question, Moment::Before, "")) die();
  };
  while (!pass.play->isFinished()) {
    const int answers = answerCount(*pass.play);
    ASSERT_TRUE(pass.store.saveState());
    if (progress) progress->saved = answers;
    pass.play->nextQuestion();
    if (progress) progress->given = answerCount(*pass.play);
  }
  ASSERT_TRUE(pass.store.finishPass());
}

// The pass in a child process that kills itself at call `at`, at the moment given.
void runPassKilledAt(const Task& task, const std::wstring& taskPath, size_t at, Moment moment,
                     Progress* progress) {
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    armed = true;
    killAt = static_cast<int>(at);
    killMoment = moment;
    runPass(task, taskPath, progress);
    _exit(3);  // the kill did not come
  }
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL) << status;
}

class PassInterruption : public testing::TestWithParam<const char*> {
 protected:
  void SetUp() override {
    task_ = smallTask(GetParam(), 3);
    // The dry run: every call of a whole pass, in order, and its results.
    PassFolder folder;
    std::vector<Event> log;
    eventLog = &log;
    armed = true;
    runPass(task_, folder.taskPath, nullptr);
    armed = false;
    eventLog = nullptr;
    reached = 0;
    events_ = log;
    const std::vector<PassHeader> passes = scanResults(folder.taskPath);
    ASSERT_EQ(passes.size(), 1u);
    full_ = readResultFile(folder.taskPath, passes[0].id);
    ASSERT_GT(full_.singles.size() + full_.pairs.size(), 1u);
  }

  Task task_;
  std::vector<Event> events_;
  TestResults full_;
};

TEST_P(PassInterruption, KilledAnywhereResumesWithEveryAnswerOfItsLastState) {
  auto* shared = static_cast<Progress*>(
      mmap(nullptr, sizeof(Progress), PROT_READ | PROT_WRITE, MAP_SHARED | MAP_ANONYMOUS, -1, 0));
  ASSERT_NE(shared, MAP_FAILED);
  int kills = 0;
  for (size_t at = 0; at < events_.size(); ++at) {
    for (Moment moment : {Moment::Before, Moment::After}) {
      if (events_[at].call == Call::Question && moment == Moment::After) continue;
      SCOPED_TRACE(testing::Message()
                   << "call " << at << " (" << static_cast<int>(events_[at].call) << " "
                   << events_[at].path << ") " << (moment == Moment::Before ? "before" : "after"));
      new (shared) Progress();
      PassFolder folder;
      runPassKilledAt(task_, folder.taskPath, at, moment, shared);
      ASSERT_FALSE(HasFatalFailure());
      ++kills;

      // The next start of the program: resume what is offered and finish the pass.
      const PassHeader offered = readPassHeaders(folder.taskPath);
      if (offered.isValid()) {
        FolderPass resumed(folder.taskPath, offered.stateNumber);
        ASSERT_TRUE(resumed.play);
        const int recovered = answerCount(*resumed.play);
        EXPECT_GE(recovered, shared->saved.load());
        EXPECT_LE(recovered, shared->given.load());
        if (events_[at].call == Call::Question) {
          EXPECT_EQ(recovered, shared->given.load());
        }
        resumed.run();
        ASSERT_TRUE(resumed.store.finishPass());
      } else if (scanResults(folder.taskPath).empty()) {
        EXPECT_EQ(shared->given.load(), 0);  // killed before any state was complete
        runPass(task_, folder.taskPath, nullptr);
      }
      // Either way one finished pass with every answer, and nothing left over.
      const std::vector<PassHeader> passes = scanResults(folder.taskPath);
      ASSERT_EQ(passes.size(), 1u);
      EXPECT_TRUE(passes[0].finished);
      const TestResults read = readResultFile(folder.taskPath, passes[0].id);
      EXPECT_EQ(read.singles, full_.singles);
      EXPECT_EQ(normalPairs(read), normalPairs(full_));
      EXPECT_EQ(namesIn(folder.states()), std::set<std::string>{"result@" + passes[0].id + "@"});
      EXPECT_EQ(namesIn(folder.protocols()).size(), 1u);
      EXPECT_EQ(namesIn(folder.archives()).size(), 1u);
    }
  }
  munmap(shared, sizeof(Progress));
  EXPECT_GT(kills, 30);
}

// Marks other than answerByFile gives, for the question asked again after a resume.
void answerOtherwise(ScriptedPlayer& player) {
  player.markDSIS = [](const std::vector<std::wstring>& shown) -> std::optional<int> {
    return 1 + (fileNumber(shown.back()) + 2) % 5;
  };
  player.markDSCQS = [](const std::wstring& a, const std::wstring& b,
                        char&) -> std::optional<std::pair<int, int>> {
    return std::make_pair((fileNumber(a) * 17 + 50) % 101, fileNumber(b) * 17 % 101);
  };
}

// Killed after the result file is in place and before the state files go, the pass is offered
// again and its last question asked again; the observer answers otherwise. The new end replaces
// the result file, so that it, the protocol and the archive hold the same marks.
TEST_P(PassInterruption, EndKilledWithItsResultInPlaceIsReplacedWhenResumed) {
  auto target = [](const std::string& move) { return move.substr(move.find(" > ") + 3); };
  size_t resultMove = events_.size(), stateDelete = events_.size();
  for (size_t i = 0; i < events_.size(); ++i) {
    if (events_[i].call == Call::Rename &&
        target(events_[i].path).find(".states/result@") != std::string::npos)
      resultMove = i;
    if (events_[i].call == Call::Unlink) stateDelete = i;
  }
  ASSERT_LT(resultMove, stateDelete);
  ASSERT_NE(events_[stateDelete].path.find("/state@"), std::string::npos);
  int kills = 0;
  for (size_t at = resultMove; at <= stateDelete; ++at) {
    for (Moment moment : {Moment::Before, Moment::After}) {
      if ((at == resultMove && moment == Moment::Before) ||
          (at == stateDelete && moment == Moment::After))
        continue;
      SCOPED_TRACE(testing::Message() << "call " << at << " (" << events_[at].path << ") "
                                      << (moment == Moment::Before ? "before" : "after"));
      PassFolder folder;
      runPassKilledAt(task_, folder.taskPath, at, moment, nullptr);
      ASSERT_FALSE(HasFatalFailure());
      ++kills;

      const PassHeader offered = readPassHeaders(folder.taskPath);
      ASSERT_TRUE(offered.isValid());
      ASSERT_TRUE(scanResults(folder.taskPath).at(0).finished);  // its result file is there
      FolderPass resumed(folder.taskPath, offered.stateNumber);
      ASSERT_TRUE(resumed.play);
      answerOtherwise(*resumed.player);
      EXPECT_EQ(resumed.run(), 1);
      ASSERT_TRUE(resumed.store.finishPass());
      const TestResults read = readResultFile(folder.taskPath, offered.id);
      EXPECT_NE(read.singles, full_.singles);
      expectPassEndAgrees(folder, *resumed.play);
      EXPECT_EQ(namesIn(folder.states()), std::set<std::string>{"result@" + offered.id + "@"});
    }
  }
  EXPECT_GE(kills, 5);
}

// Before a state file goes, its successor and the successor's name are on the disk; before
// the state files go at the pass end, all three files and their names are.
TEST_P(PassInterruption, FilesReachTheDiskBeforeTheOlderOnesGo) {
  auto find = [&](size_t from, Call call, const std::string& path) {
    for (size_t i = from; i < events_.size(); ++i)
      if (events_[i].call == call && events_[i].path == path) return i;
    return events_.size();
  };
  auto folderOf = [](const std::string& path) { return path.substr(0, path.rfind('/')); };
  int checked = 0;
  std::set<std::string> moved;  // names files were moved to so far
  for (size_t i = 0; i < events_.size(); ++i) {
    if (events_[i].call == Call::Rename) {
      moved.insert(events_[i].path.substr(events_[i].path.find(" > ") + 3));
      continue;
    }
    // A state file in place that is deleted: the latest move into place supersedes it.
    if (events_[i].call != Call::Unlink || events_[i].path.find("/state@") == std::string::npos ||
        !moved.count(events_[i].path))
      continue;
    size_t rename = events_.size();
    for (size_t j = i; j-- > 0;)
      if (events_[j].call == Call::Rename) {
        rename = j;
        break;
      }
    ASSERT_LT(rename, i) << events_[i].path;
    const std::string move = events_[rename].path;
    const std::string temp = move.substr(0, move.find(" > "));
    const std::string target = move.substr(move.find(" > ") + 3);
    EXPECT_NE(target, events_[i].path);
    const size_t written = find(0, Call::Write, temp);
    EXPECT_LT(find(written, Call::Fsync, temp), rename) << temp;
    EXPECT_LT(find(rename, Call::Fsync, folderOf(target)), i) << target;
    ++checked;
  }
  EXPECT_GE(checked, 2);

  // The pass end: protocol, result and archive written and flushed, with their folders,
  // before the last state file is deleted.
  const size_t lastDelete = [&] {
    for (size_t j = events_.size(); j-- > 0;)
      if (events_[j].call == Call::Unlink) return j;
    return events_.size();
  }();
  // None of them is ever written under its final name, where a cut-off file would be taken
  // for the whole one.
  for (const Event& event : events_)
    if (event.call == Call::Write && event.path.find(".states/") == std::string::npos)
      EXPECT_TRUE(event.path.ends_with(".tmp")) << event.path;
  std::vector<std::string> kinds = {".protocols/", ".states/result@", ".archives/"};
  size_t previous = 0;
  for (const std::string& kind : kinds) {
    size_t write = events_.size();
    for (size_t j = previous; j < events_.size(); ++j)
      if (events_[j].call == Call::Write && events_[j].path.find(kind) != std::string::npos) {
        write = j;
        break;
      }
    ASSERT_LT(write, lastDelete) << kind;
    const size_t synced = find(write, Call::Fsync, events_[write].path);
    EXPECT_LT(synced, lastDelete) << kind;
    previous = synced;
  }
}

INSTANTIATE_TEST_SUITE_P(Methods, PassInterruption, testing::Values("DSIS", "DSCQS I"),
                         [](const auto& info) {
                           std::string name = info.param;
                           name.erase(std::remove(name.begin(), name.end(), ' '), name.end());
                           return name;
                         });

}  // namespace
