// The store of a pass over a real folder: state files written, numbered and replaced, the pass
// end with its three files, their bytes, debug passes, names in local time, write failures and
// passes resumed from their state files.
#include "results/result_store.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <functional>

#include "results/archive_import.h"
#include "src/results/pass_fixture.h"
#include "support/file_size_limit.h"
#include "support/json_text.h"

namespace {

using Brindle::JSON;
using namespace vixo_test;
namespace fs = std::filesystem;

constexpr char kId[] = "0f8fad5b-d9cb-469f-a165-70867728950e";
constexpr long long kStart = 14887038870000000LL;  // 2017-03-05 08:51:27 UTC
constexpr char kCet[] = "CET-1CEST,M3.5.0,M10.5.0/3";
constexpr char kEventTime[] = "Sun Mar 05 09:51:30 2017";

// Sets the time zone for one test and puts the old one back.
class ZoneGuard {
 public:
  explicit ZoneGuard(const char* zone) {
    if (const char* old = std::getenv("TZ")) old_ = old;
    setenv("TZ", zone, 1);
    tzset();
  }
  ~ZoneGuard() {
    if (old_)
      setenv("TZ", old_->c_str(), 1);
    else
      unsetenv("TZ");
    tzset();
  }

 private:
  std::optional<std::string> old_;
};

// The text with {C} replaced by this computer's name and {E} by its escaped form.
std::string here(std::string text) {
  const std::string computer = toUtf8(getComputerName());
  const std::string escaped = toUtf8(escapeForFileName(getComputerName()));
  for (size_t at; (at = text.find("{C}")) != std::string::npos;) text.replace(at, 3, computer);
  for (size_t at; (at = text.find("{E}")) != std::string::npos;) text.replace(at, 3, escaped);
  return text;
}

// The protocol's events carry the clock's time; tests pin them.
void pinTimes(VIXOplay& play) {
  for (JSON& event : play.protocol.mutableElements()) event.set("time", kEventTime);
}

const std::string kTask =
    R"({"generator" : "Orlo VIXO","generator-version-maj" : 2,"generator-version-min" : 1,)"
    R"("generator-version-rev" : 12218,"generator-version-extra" : "BETA",)"
    R"("file-format-version" : 100,"generator-url" : "http://vixo.orlo.example/",)"
    R"("task-name" : "Lab task","files" : [{"id" : "f0","path" : "/v/f0","group" : 1},)"
    R"({"id" : "f1","path" : "/v/f1","group" : 1},{"id" : "f2","path" : "/v/f2","group" : 1}],)"
    R"("properties" : {"method" : "DSIS","relativePaths" : false,"shuffleSources" : false,)"
    R"("trainingQuestions" : 0},"references" : [0]})";

std::string header(const std::string& progress) {
  return here(R"({"computer" : "{C}","expert" : "Ann","host" : "","port" : 0,)"
              R"("network" : false,"progress" : )") +
         progress + R"(,"start" : 14887038870000000,"id" : ")" + kId + R"(","VIXOver" : 200})";
}

const std::string kBegin =
    std::string(R"({"time" : ")") + kEventTime + R"(","type" : "begin","data" : {}})";

std::string answerEvent(int file, const std::string& rank, int mark) {
  return std::string(R"({"time" : ")") + kEventTime + R"(","type" : "answer","data" : {"rank" : )" +
         rank + R"(,"expert" : "Ann","inputs" : ["f)" + std::to_string(file) +
         R"("],"is-training" : false,"answers" : [)" + std::to_string(mark) +
         R"(],"reference" : "f0"}})";
}

std::string resultEntry(int file, const std::string& value) {
  return R"({"key" : {"expert" : "Ann","id" : "1","file" : "f)" + std::to_string(file) +
         R"("},"value" : )" + value + "}";
}

// A DSIS pass of three files (two questions) with the fixed id and start.
struct LabPass : FolderPass {
  explicit LabPass(const PassFolder& folder, bool debug = false)
      : FolderPass(smallTask("DSIS", 3), folder.taskPath, debug) {
    fix(kId, kStart);
    pinTimes(*play);
  }
  void answer() {
    play->nextQuestion();
    pinTimes(*play);
  }
  void runToEnd() {
    while (!play->isFinished()) {
      ASSERT_TRUE(store.saveState());
      answer();
    }
  }
};

// ---------------------------------------------------------------- state files

TEST(StateFiles, NumberedWrittenWholeAndTheOlderDeleted) {
  ZoneGuard zone(kCet);
  PassFolder folder;
  LabPass pass(folder);
  EXPECT_EQ(namesIn(folder.states()), std::set<std::string>{});

  ASSERT_TRUE(pass.store.saveState());
  EXPECT_EQ(pass.store.stateNumber, 1);
  EXPECT_TRUE(pass.store.hasState);
  const std::string first = folder.states() + "/" + statePrefix() + "1@";
  EXPECT_EQ(namesIn(folder.states()), std::set<std::string>{statePrefix() + "1@"});
  EXPECT_EQ(readBytes(first),
            header("0.0000000000000000") + R"({"task" : )" + kTask +
                R"(,"play" : {"currentPosInBlock" : 0,"currentQuestion" : 0,)"
                R"("currentFilesBlock" : [],"currentBlockId" : 0,"nextBlockTraining" : true,)"
                R"("currentBlockTraining" : true,"protocol" : [)" +
                kBegin +
                R"(]},"results" : {"results" : [],"bradley-terry-results" : []},)"
                R"("player" : {}})"
                R"("end")");

  pass.answer();
  ASSERT_TRUE(pass.store.saveState());
  EXPECT_EQ(pass.store.stateNumber, 2);
  EXPECT_EQ(namesIn(folder.states()), std::set<std::string>{statePrefix() + "2@"});
  EXPECT_EQ(readBytes(folder.states() + "/" + statePrefix() + "2@"),
            header("0.50000000000000000") + R"({"task" : )" + kTask +
                R"(,"play" : {"currentPosInBlock" : 1,"currentQuestion" : 1,)"
                R"("currentFilesBlock" : [1,2],"currentBlockId" : 1,"nextBlockTraining" : false,)"
                R"("currentBlockTraining" : false,"protocol" : [)" +
                kBegin + "," + answerEvent(1, "0.25000000000000000", 2) +
                R"(]},"results" : {"results" : [)" + resultEntry(1, "0.25000000000000000") +
                R"(],"bradley-terry-results" : []},"player" : {}}"end")");

  for (int n = 3; n <= 5; ++n) ASSERT_TRUE(pass.store.saveState());
  EXPECT_EQ(namesIn(folder.states()), std::set<std::string>{statePrefix() + "5@"});
}

TEST(StateFiles, NewPassClearsThisComputersFilesOfItsKindOnly) {
  PassFolder folder;
  const std::vector<std::string> others = {
      "state@other%20pc@3@",                 // another computer's pass
      "state-debug@" + here("{E}") + "@2@",  // this computer's debug pass
      "result@abc@",
      "notes.txt",
  };
  for (const std::string& name : others) folder.folder.makeFile("task.vixo.states/" + name);
  folder.folder.makeFile("task.vixo.states/" + statePrefix() + "4@");
  folder.folder.makeFile("task.vixo.states/" + statePrefix() + "9@");

  LabPass pass(folder);
  EXPECT_EQ(namesIn(folder.states()), std::set<std::string>(others.begin(), others.end()));
  EXPECT_TRUE(fs::is_directory(folder.protocols()));
  EXPECT_TRUE(fs::is_directory(folder.archives()));

  // A debug pass clears the debug files and leaves the normal ones.
  folder.folder.makeFile("task.vixo.states/" + statePrefix() + "4@");
  LabPass debug(folder, true);
  EXPECT_TRUE(fs::exists(folder.states() + "/" + statePrefix() + "4@"));
  EXPECT_FALSE(fs::exists(folder.states() + "/state-debug@" + here("{E}") + "@2@"));
  ASSERT_TRUE(debug.store.saveState());
  EXPECT_TRUE(fs::exists(folder.states() + "/" + statePrefix(true) + "1@"));
}

TEST(StateFiles, DeleteStateRemovesTheCurrentFile) {
  PassFolder folder;
  LabPass pass(folder);
  EXPECT_TRUE(pass.store.deleteState());  // nothing saved yet
  ASSERT_TRUE(pass.store.saveState());
  ASSERT_TRUE(pass.store.saveState());
  EXPECT_TRUE(pass.store.deleteState());
  EXPECT_EQ(namesIn(folder.states()), std::set<std::string>{});
  EXPECT_FALSE(pass.store.deleteState());  // already gone
  EXPECT_EQ(pass.store.stateNumber, 2);
}

TEST(StateFiles, TaskNeverSavedWritesNothing) {
  PassFolder folder;
  FolderPass pass(smallTask("DSIS", 3), L"");
  EXPECT_FALSE(pass.store.saveState());
  EXPECT_FALSE(pass.store.finishPass());
  EXPECT_EQ(pass.store.stateNumber, 0);
  EXPECT_FALSE(pass.store.hasState);
  EXPECT_EQ(namesIn(folder.folder.path()), std::set<std::string>{});
}

// ---------------------------------------------------------------- names

TEST(PassNames, ComputerObserverAndLocalStartTime) {
  struct Row {
    const char* zone;
    long long start;
    std::wstring expert;
    std::wstring time;
  };
  const Row rows[] = {
      // 2017-03-14 08:53:07 UTC
      {kCet, 14894815870000000LL, L"Ann Lee", L"2017-03-14T095307"},
      {"EST5EDT,M3.2.0,M11.1.0", 14894815870000000LL, L"Ann Lee (2)", L"2017-03-14T045307"},
      // 2016-12-31 23:59:59 UTC: the date turns with the zone
      {"UTC0", 14832287990000000LL, L"Bob", L"2016-12-31T235959"},
      {"JST-9", 14832287990000000LL, L"Bob", L"2017-01-01T085959"},
      {"JST-9", 14832287990000001LL, L"Bob", L"2017-01-01T085959"},  // ticks cut to seconds
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.zone);
    ZoneGuard zone(row.zone);
    PassFolder folder;
    FolderPass pass(smallTask("DSIS", 3), folder.taskPath, false, row.expert);
    pass.fix(kId, row.start);
    const std::wstring name =
        sanitizeName(getComputerName()) + L"-" + sanitizeName(row.expert) + L"-" + row.time;
    EXPECT_EQ(pass.store.passName(), name);
    EXPECT_EQ(pass.store.protocolPath(), fromUtf8(folder.protocols()) + L"/" + name + L".json");
    EXPECT_EQ(pass.store.archivePath(), fromUtf8(folder.archives()) + L"/" + name + L".vixores");
  }
}

// Observer names of any length and characters: the pass's files get names the file system
// takes, the name's part cut at whole characters, and the name stays whole inside the files.
TEST(PassNames, AnyObserverNameGivesFileNamesTheFileSystemTakes) {
  auto times = [](const std::wstring& part, int n) {
    std::wstring text;
    for (int i = 0; i < n; ++i) text += part;
    return text;
  };
  const std::wstring names[] = {
      times(L"a", 320),
      times(L"\u00e9", 320),      // two bytes each
      times(L"\u8a9e", 320),      // three
      times(L"\U0001d49c", 320),  // four: a letter outside the basic plane
      times(L"Ann Lee (2) \u00e9\u8a9e ", 40),
      times(L"../\\:*?\"<>|", 40),  // nothing of it in a file name
      L"Ann\tLee\n\u00e9",
      L"",
  };
  const std::wstring computer = sanitizeName(getComputerName());
  for (const std::wstring& name : names) {
    SCOPED_TRACE(toUtf8(name).substr(0, 40));
    PassFolder folder;
    FolderPass pass(smallTask("DSIS", 3), folder.taskPath, false, name);
    pass.run();
    ASSERT_TRUE(pass.store.finishPass());

    const std::wstring passName = pass.store.passName();
    EXPECT_LE(toUtf8(passName).size(), kMaxPassNameBytes);
    const std::wstring observer = sanitizeName(name);
    const std::wstring part =
        passName.substr(computer.size() + 1, passName.size() - computer.size() - 19);
    EXPECT_EQ(observer.substr(0, part.size()), part);
    if (part.size() < observer.size())  // as much of it as fits
      EXPECT_GT(toUtf8(passName + observer[part.size()]).size(), kMaxPassNameBytes);
    const std::set<std::string> files = {toUtf8(passName) + ".json"};
    EXPECT_EQ(namesIn(folder.protocols()), files);
    EXPECT_EQ(namesIn(folder.archives()), std::set<std::string>{toUtf8(passName) + ".vixores"});

    const JSON protocol = parseText(readBytes(toUtf8(pass.store.protocolPath())));
    EXPECT_EQ(protocol.find("info")->find("expert")->getWString(), name);
    const std::vector<PassHeader> passes = scanResults(folder.taskPath);
    ASSERT_EQ(passes.size(), 1u);
    EXPECT_EQ(passes[0].expert, name);
    const TestResults results = readResultFile(folder.taskPath, passes[0].id);
    ASSERT_FALSE(results.singles.empty());
    for (const auto& [key, value] : results.singles) EXPECT_EQ(key.expert, name);
    expectPassEndAgrees(folder, *pass.play);
  }
}

// ---------------------------------------------------------------- pass end

TEST(PassEnd, WritesProtocolResultAndArchiveThenDeletesTheStateFiles) {
  ZoneGuard zone(kCet);
  PassFolder folder;
  folder.folder.makeFile("task.vixo.states/state@other@1@", "kept");
  folder.folder.makeFile("task.vixo.states/state-debug@" + here("{E}") + "@1@", "kept");
  LabPass pass(folder);
  pass.runToEnd();
  ASSERT_TRUE(pass.store.finishPass());

  const std::string passName = toUtf8(pass.store.passName());
  EXPECT_EQ(passName, toUtf8(sanitizeName(getComputerName())) + "-Ann-2017-03-05T095127");
  EXPECT_EQ(namesIn(folder.protocols()), std::set<std::string>{passName + ".json"});
  EXPECT_EQ(namesIn(folder.archives()), std::set<std::string>{passName + ".vixores"});
  EXPECT_EQ(namesIn(folder.states()),
            (std::set<std::string>{"state@other@1@", "state-debug@" + here("{E}") + "@1@",
                                   std::string("result@") + kId + "@"}));

  const std::string info = here(
      "{\n"
      "  \"info\" : {\n"
      "    \"computer\" : \"{C}\",\n"
      "    \"expert\" : \"Ann\",\n"
      "    \"pass-id\" : \"0f8fad5b-d9cb-469f-a165-70867728950e\",\n"
      "    \"start-time\" : \"Sun Mar 05 09:51:27 2017\",\n"
      "    \"vixo-ver\" : 200,\n"
      "    \"debug\" : false\n"
      "  },\n");
  const std::string event =
      "    {\n"
      "      \"time\" : \"Sun Mar 05 09:51:30 2017\",\n"
      "      \"type\" : \"answer\",\n"
      "      \"data\" : {\n"
      "        \"rank\" : RANK,\n"
      "        \"expert\" : \"Ann\",\n"
      "        \"inputs\" : [\n"
      "          \"FILE\"\n"
      "        ],\n"
      "        \"is-training\" : false,\n"
      "        \"answers\" : [\n"
      "          MARK\n"
      "        ],\n"
      "        \"reference\" : \"f0\"\n"
      "      }\n"
      "    }";
  auto answer = [&](const char* rank, const char* file, const char* mark) {
    std::string text = event;
    text.replace(text.find("RANK"), 4, rank);
    text.replace(text.find("FILE"), 4, file);
    text.replace(text.find("MARK"), 4, mark);
    return text;
  };
  std::string files;
  for (int i = 0; i < 3; ++i)
    files += std::string(i ? ",\n" : "") + "      {\n        \"id\" : \"f" + std::to_string(i) +
             "\",\n        \"path\" : \"/v/f" + std::to_string(i) +
             "\",\n        \"group\" : 1\n      }";
  const std::string protocol = info +
                               "  \"protocol\" : [\n"
                               "    {\n"
                               "      \"time\" : \"Sun Mar 05 09:51:30 2017\",\n"
                               "      \"type\" : \"begin\",\n"
                               "      \"data\" : {}\n"
                               "    },\n" +
                               answer("0.25000000000000000", "f1", "2") + ",\n" +
                               answer("0.50000000000000000", "f2", "3") +
                               "\n  ],\n"
                               "  \"test-settings\" : {\n"
                               "    \"generator\" : \"Orlo VIXO\",\n"
                               "    \"generator-version-maj\" : 2,\n"
                               "    \"generator-version-min\" : 1,\n"
                               "    \"generator-version-rev\" : 12218,\n"
                               "    \"generator-version-extra\" : \"BETA\",\n"
                               "    \"file-format-version\" : 100,\n"
                               "    \"generator-url\" : \"http://vixo.orlo.example/\",\n"
                               "    \"task-name\" : \"Lab task\",\n"
                               "    \"files\" : [\n" +
                               files +
                               "\n    ],\n"
                               "    \"properties\" : {\n"
                               "      \"method\" : \"DSIS\",\n"
                               "      \"relativePaths\" : false,\n"
                               "      \"shuffleSources\" : false,\n"
                               "      \"trainingQuestions\" : 0\n"
                               "    },\n"
                               "    \"references\" : [\n"
                               "      0\n"
                               "    ]\n"
                               "  }\n"
                               "}";
  EXPECT_EQ(readBytes(folder.protocols() + "/" + passName + ".json"), protocol);

  const std::string results = R"({"results" : [)" + resultEntry(1, "0.25000000000000000") + "," +
                              resultEntry(2, "0.50000000000000000") +
                              R"(],"bradley-terry-results" : []})";
  const std::string finalHeader = header("1.0000000000000000");
  EXPECT_EQ(readBytes(folder.states() + "/result@" + kId + "@"),
            finalHeader + results + R"("end")");

  const std::string compactProtocol = parseText(protocol).toString();
  EXPECT_EQ(readBytes(folder.archives() + "/" + passName + ".vixores"),
            R"({"protocol-file" : ")" + passName + R"(.json","protocol" : )" + compactProtocol +
                R"(,"results-file" : "result@)" + kId + R"(@","header" : )" + finalHeader +
                R"(,"results" : )" + results + "}");
}

TEST(PassEnd, DebugPassLeavesProtocolAndArchiveOnly) {
  PassFolder folder;
  folder.folder.makeFile("task.vixo.states/" + statePrefix() + "3@", "a normal pass");
  LabPass pass(folder, true);
  pass.runToEnd();
  EXPECT_EQ(namesIn(folder.states()),
            (std::set<std::string>{statePrefix() + "3@", statePrefix(true) + "2@"}));
  ASSERT_TRUE(pass.store.finishPass());
  EXPECT_EQ(namesIn(folder.states()), std::set<std::string>{statePrefix() + "3@"});

  const std::string passName = toUtf8(pass.store.passName());
  const std::string protocol = readBytes(folder.protocols() + "/" + passName + ".json");
  EXPECT_NE(protocol.find("\"debug\" : true"), std::string::npos);
  EXPECT_EQ(readBytes(folder.archives() + "/" + passName + ".vixores"),
            R"({"protocol-file" : ")" + passName + R"(.json","protocol" : )" +
                parseText(protocol).toString() + "}");
}

// A folder the pass cannot write into: a file in its place (refused even to root), or a
// read-only folder where the permission counts.
struct Unwritable {
  const char* what;
  std::function<void(const std::string&)> make;
  std::function<void(const std::string&)> undo;
};

std::vector<Unwritable> unwritableFolders() {
  std::vector<Unwritable> ways = {
      {"a file in the folder's place",
       [](const std::string& path) {
         fs::remove_all(path);
         writeBytes(path, "x");
       },
       [](const std::string& path) {
         fs::remove(path);
         fs::create_directory(path);
       }},
  };
  if (geteuid() != 0) {
    ways.push_back({"a read-only folder",
                    [](const std::string& path) { chmod(path.c_str(), 0555); },
                    [](const std::string& path) { chmod(path.c_str(), 0755); }});
  }
  return ways;
}

TEST(PassEnd, ArchiveThatCannotBeWrittenKeepsTheStateForAnotherTry) {
  for (const Unwritable& way : unwritableFolders()) {
    SCOPED_TRACE(way.what);
    PassFolder folder;
    LabPass pass(folder);
    pass.runToEnd();
    const std::string state = statePrefix() + "2@";
    const std::string result = std::string("result@") + kId + "@";

    way.make(folder.archives());
    EXPECT_FALSE(pass.store.finishPass());
    EXPECT_EQ(pass.store.failedFile, pass.store.archivePath());
    EXPECT_TRUE(pass.store.failure == ENOTDIR || pass.store.failure == EACCES)
        << pass.store.failure;
    EXPECT_EQ(namesIn(folder.protocols()).size(), 1u);
    EXPECT_EQ(namesIn(folder.states()), (std::set<std::string>{state, result}));
    // Still resumable from its last state.
    EXPECT_EQ(readPassHeaders(folder.taskPath).stateNumber, 2);

    // The next try writes all three anew, the result file too: they hold the same marks.
    way.undo(folder.archives());
    pass.play->context.results.setSingle(L"Ann", L"1", L"f1", 1.0f);
    EXPECT_TRUE(pass.store.finishPass());
    EXPECT_TRUE(pass.store.failedFile.empty());
    EXPECT_EQ(pass.store.failure, 0);
    EXPECT_EQ(namesIn(folder.states()), std::set<std::string>{result});
    expectPassEndAgrees(folder, *pass.play);
    EXPECT_EQ(readResultFile(folder.taskPath, kId).singles, pass.play->context.results.singles);
  }
}

// The pass end fails at the archive, the observer chooses "Exit", and the pass is resumed later:
// its last question is asked again and answered otherwise. Protocol, result file and archive
// then all carry the new mark.
TEST(PassEnd, EndThatFailedAndWasResumedReplacesItsOwnResultFile) {
  for (const Unwritable& way : unwritableFolders()) {
    SCOPED_TRACE(way.what);
    PassFolder folder;
    TestResults first;
    {
      LabPass pass(folder);
      pass.runToEnd();
      way.make(folder.archives());
      EXPECT_FALSE(pass.store.finishPass());
      first = pass.play->context.results;
    }
    way.undo(folder.archives());
    const PassHeader offered = readPassHeaders(folder.taskPath);
    ASSERT_TRUE(offered.isValid());
    EXPECT_EQ(scanResults(folder.taskPath).at(0).finished, true);  // its result file is there

    FolderPass resumed(folder.taskPath, offered.stateNumber);
    ASSERT_TRUE(resumed.play);
    resumed.player->markDSIS = [](const std::vector<std::wstring>&) { return 5; };
    EXPECT_EQ(resumed.run(), 1);
    ASSERT_TRUE(resumed.store.finishPass());
    EXPECT_NE(resumed.play->context.results.singles, first.singles);
    EXPECT_EQ(namesIn(folder.states()), std::set<std::string>{std::string("result@") + kId + "@"});
    expectPassEndAgrees(folder, *resumed.play);
    EXPECT_EQ(readResultFile(folder.taskPath, kId).singles, resumed.play->context.results.singles);
  }
}

// A full disk at the pass end: the protocol cut off is never left under its name, nor beside
// it; the next try writes it whole. (The archive, smaller than the indented protocol, is cut
// off only by a crash: the interruption test covers it.)
TEST(PassEnd, FullDiskLeavesNoCutOffProtocol) {
  size_t protocolBytes = 0;
  {
    PassFolder folder;
    LabPass pass(folder);
    pass.runToEnd();
    ASSERT_TRUE(pass.store.finishPass());
    protocolBytes = readBytes(toUtf8(pass.store.protocolPath())).size();
  }
  PassFolder folder;
  LabPass pass(folder);
  pass.runToEnd();
  {
    FileSizeLimit full(protocolBytes / 2);
    EXPECT_FALSE(pass.store.finishPass());
  }
  EXPECT_EQ(pass.store.failedFile, pass.store.protocolPath());
  EXPECT_EQ(pass.store.failure, EFBIG);
  EXPECT_EQ(namesIn(folder.protocols()), std::set<std::string>{});
  EXPECT_EQ(namesIn(folder.archives()), std::set<std::string>{});
  EXPECT_EQ(namesIn(folder.states()), std::set<std::string>{statePrefix() + "2@"});

  ASSERT_TRUE(pass.store.finishPass());
  EXPECT_EQ(readBytes(toUtf8(pass.store.protocolPath())).size(), protocolBytes);
  expectPassEndAgrees(folder, *pass.play);
}

TEST(PassEnd, ResultFileOfAnotherPassUnderTheNameIsAFailure) {
  PassFolder folder;
  LabPass pass(folder);
  pass.runToEnd();
  const std::string result = folder.states() + "/result@" + kId + "@";
  const std::string foreign = R"({"id" : "someone else","VIXOver" : 200}{}"end")";
  writeBytes(result, foreign);
  EXPECT_FALSE(pass.store.finishPass());
  EXPECT_EQ(pass.store.failedFile, fromUtf8(result));
  EXPECT_EQ(pass.store.failure, EEXIST);
  EXPECT_EQ(readBytes(result), foreign);
  EXPECT_EQ(namesIn(folder.states()),
            (std::set<std::string>{statePrefix() + "2@", std::string("result@") + kId + "@"}));
  EXPECT_EQ(readPassHeaders(folder.taskPath).stateNumber, 2);
  EXPECT_EQ(namesIn(folder.archives()), std::set<std::string>{});
}

TEST(StateFiles, FullDiskKeepsTheCurrentStateAndItsNumber) {
  PassFolder folder;
  LabPass pass(folder);
  ASSERT_TRUE(pass.store.saveState());
  pass.answer();
  const std::string current = folder.states() + "/" + statePrefix() + "1@";
  const std::string before = readBytes(current);
  {
    FileSizeLimit full(before.size() / 2);
    EXPECT_FALSE(pass.store.saveState());
    EXPECT_EQ(pass.store.stateNumber, 1);
    EXPECT_FALSE(pass.store.finishPass());
  }
  // No temporary file left, the current state untouched and still the one offered.
  EXPECT_EQ(namesIn(folder.states()), std::set<std::string>{statePrefix() + "1@"});
  EXPECT_EQ(readBytes(current), before);
  EXPECT_EQ(readPassHeaders(folder.taskPath).stateNumber, 1);

  ASSERT_TRUE(pass.store.saveState());
  EXPECT_EQ(namesIn(folder.states()), std::set<std::string>{statePrefix() + "2@"});
  pass.answer();
  EXPECT_TRUE(pass.store.finishPass());
}

// ---------------------------------------------------------------- resume

TEST(Resume, PassResumedAtEveryQuestionEndsAsOneRunThrough) {
  struct Row {
    const char* method;
    int files;
  };
  for (const Row& row : {Row{"DSIS", 4}, Row{"DSCQS II", 3}, Row{"SCACJ", 3}, Row{"SAMVIQ", 3}}) {
    SCOPED_TRACE(row.method);
    const Task task = smallTask(row.method, row.files);
    PassFolder whole;
    FolderPass reference(task, whole.taskPath);
    const int questions = reference.run();
    ASSERT_GT(questions, 1);
    ASSERT_TRUE(reference.store.finishPass());
    const TestResults expected = reference.play->context.results;
    ASSERT_FALSE(expected.singles.empty() && expected.pairs.empty());

    for (int stop = 0; stop < questions; ++stop) {
      SCOPED_TRACE(stop);
      PassFolder folder;
      {
        FolderPass first(task, folder.taskPath);
        first.fix(kId, kStart);
        first.run(stop + 1);  // the state before question stop + 1 is the last one saved
      }
      const PassHeader offered = readPassHeaders(folder.taskPath);
      ASSERT_TRUE(offered.isValid());
      EXPECT_EQ(offered.stateNumber, stop + 1);
      EXPECT_EQ(offered.id, kId);
      EXPECT_EQ(offered.expert, L"Ann");
      EXPECT_FALSE(offered.finished);

      FolderPass resumed(folder.taskPath, offered.stateNumber);
      ASSERT_TRUE(resumed.play);
      EXPECT_FALSE(resumed.play->context.debug);
      EXPECT_EQ(resumed.play->context.passId, kId);
      EXPECT_EQ(resumed.play->context.startTime, kStart);
      resumed.run();
      ASSERT_TRUE(resumed.store.finishPass());
      EXPECT_EQ(namesIn(folder.states()),
                std::set<std::string>{std::string("result@") + kId + "@"});
      const TestResults read = readResultFile(folder.taskPath, kId);
      EXPECT_EQ(read.singles, expected.singles);
      EXPECT_EQ(normalPairs(read), normalPairs(expected));
    }
  }
}

// A player whose window layout cannot be restored.
class StubbornPlayer : public ScriptedPlayer {
 public:
  bool loadLayout(JSON) override { return false; }
};

TEST(Resume, RefusedStateFiles) {
  PassFolder folder;
  {
    LabPass pass(folder);
    pass.run(2);
  }
  const std::string path = folder.states() + "/" + statePrefix() + "2@";
  const std::string good = readBytes(path);
  {
    FolderPass resumed(folder.taskPath, 2);
    ASSERT_TRUE(resumed.play);
  }
  auto replaced = [&](const std::string& from, const std::string& to) {
    std::string text = good;
    const size_t at = text.find(from);
    if (at == std::string::npos) ADD_FAILURE() << "no " << from;
    return at == std::string::npos ? text : text.replace(at, from.size(), to);
  };
  struct Row {
    const char* what;
    std::string bytes;
  };
  const Row rows[] = {
      {"cut off before its end mark", good.substr(0, good.size() - 5)},
      {"cut off in the document", good.substr(0, good.size() / 2)},
      {"another end mark", replaced(R"("end")", R"("fin")")},
      {"an empty id", replaced(kId, "")},
      {"another version", replaced(R"("VIXOver" : 200)", R"("VIXOver" : 201)")},
      {"no task", replaced(R"({"task" : )", R"({"tusk" : )")},
      {"a task without files", replaced(R"("files" : [)", R"("files" : 3,"x" : [)")},
      {"a task without method", replaced(R"("method" : "DSIS")", R"("method" : "DSIX")")},
      {"results of the wrong kind", replaced(R"("value" : 0.25000000000000000)", R"("value" : 1)")},
      {"a play state out of the task",
       replaced(R"("currentFilesBlock" : [1,2])", R"("currentFilesBlock" : [1,7])")},
      {"a document that is no object", replaced(R"({"task" : )", R"([{"task" : )") + "]"},
      {"nothing", ""},
      {"binary", std::string("\0\xff\xfe{", 4)},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    writeBytes(path, row.bytes);
    ScriptedPlayer player;
    EXPECT_FALSE(resumePass(folder.taskPath, 2, &player, false));
  }
  writeBytes(path, good);
  StubbornPlayer stubborn;
  EXPECT_FALSE(resumePass(folder.taskPath, 2, &stubborn, false));
  ScriptedPlayer player;
  EXPECT_FALSE(resumePass(folder.taskPath, 3, &player, false));  // no such file
  EXPECT_FALSE(resumePass(folder.taskPath, 2, &player, true));   // no such debug file
  EXPECT_TRUE(resumePass(folder.taskPath, 2, &player, false));
}

}  // namespace
