// Names of the pass files, and the readers that list, offer and scan the passes in a real
// ".states" folder, with damaged and foreign files among them.
#include "results/pass_files.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

#include "src/results/pass_fixture.h"

namespace {

using Brindle::JSON;
using namespace vixo_test;
namespace fs = std::filesystem;

TEST(PassFileNames, EscapeKeepsSignExtendedBytes) {
  const struct {
    std::wstring name;
    std::wstring escaped;
  } rows[] = {
      {L"LAB-PC 7", L"LAB-PC 7"},
      {L"a_b.c", L"a_b.c"},
      {L"#", L"%23"},
      {L"!", L"%21"},
      {L"\t", L"%9"},
      {L"a@b", L"a%40b"},
      {L"x/y\\z:", L"x%2fy%5cz%3a"},
      {L"%", L"%25"},
      {L"\u00e9", L"%ffffffc3%ffffffa9"},
      {L"\u65e5", L"%ffffffe6%ffffff97%ffffffa5"},
      {L"\U0001F600", L"%fffffff0%ffffff9f%ffffff98%ffffff80"},
      {L"", L""},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(toUtf8(row.name));
    EXPECT_EQ(escapeForFileName(row.name), row.escaped);
  }
}

TEST(PassFileNames, SanitizeTurnsRunsIntoOneUnderscore) {
  const struct {
    std::wstring name;
    std::wstring sanitized;
  } rows[] = {
      {L"LAB-PC", L"LAB_PC"},
      {L"Ann Lee (2)", L"Ann_Lee_2_"},
      {L"  a--b  ", L"_a_b_"},
      {L"Jos\u00e9 N\u00fa\u00f1ez", L"Jos\u00e9_N\u00fa\u00f1ez"},
      {L"\u0394\u03b9\u03ac 1", L"\u0394\u03b9\u03ac_1"},
      {L"a/b\\c:d", L"a_b_c_d"},
      {L"", L""},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(toUtf8(row.name));
    EXPECT_EQ(sanitizeName(row.name), row.sanitized);
  }
}

TEST(PassFileNames, FoldersAndFiles) {
  const std::wstring computer = escapeForFileName(getComputerName());
  EXPECT_EQ(stateFilePrefix(false), L"state@" + computer + L"@");
  EXPECT_EQ(stateFilePrefix(true), L"state-debug@" + computer + L"@");
  EXPECT_EQ(stateFilePath(L"/lab/t.vixo", 12, false),
            L"/lab/t.vixo.states/state@" + computer + L"@12@");
  EXPECT_EQ(stateFilePath(L"/lab/t.vixo", 1, true),
            L"/lab/t.vixo.states/state-debug@" + computer + L"@1@");
  EXPECT_EQ(resultFileName("1234-ab"), L"result@1234-ab@");
  EXPECT_EQ(resultFilePath(L"/lab/t.vixo", "1234-ab"), L"/lab/t.vixo.states/result@1234-ab@");
  EXPECT_EQ(statesFolder(L"/lab/t.vixo"), L"/lab/t.vixo.states");
  EXPECT_EQ(protocolsFolder(L"/lab/t.vixo"), L"/lab/t.vixo.protocols");
  EXPECT_EQ(archivesFolder(L"/lab/t.vixo"), L"/lab/t.vixo.archives");

  PassFolder folder;
  EXPECT_TRUE(createPassFolders(folder.taskPath));
  EXPECT_EQ(
      namesIn(folder.folder.path()),
      (std::set<std::string>{"task.vixo.archives", "task.vixo.protocols", "task.vixo.states"}));
  EXPECT_FALSE(createPassFolders(folder.taskPath));  // there already
  EXPECT_FALSE(createPassFolders(L""));
}

TEST(StateFileList, OnlyPlainPositiveNumbersOfThisComputerAndKind) {
  PassFolder folder;
  const std::string p = statePrefix();
  for (const char* number : {"12", "1", "7", "2147483647"})
    folder.folder.makeFile("task.vixo.states/" + p + number + "@");
  const std::vector<std::string> ignored = {p + "0@",           p + "007@",
                                            p + "x@",           p + "+7@",
                                            p + "7x@",          p + " 7@",
                                            p + "-3@",          p + "@",
                                            p + "12@.tmp",      p + "2147483648@",
                                            p + "99999999999@", p + "5",
                                            "state@other@5@",   statePrefix(true) + "3@"};
  for (const std::string& name : ignored) folder.folder.makeFile("task.vixo.states/" + name);

  EXPECT_EQ(listStateFiles(folder.taskPath, false), (std::vector<int>{1, 7, 12, 2147483647}));
  EXPECT_EQ(listStateFiles(folder.taskPath, true), (std::vector<int>{3}));
  deleteStateFiles(folder.taskPath, false);
  EXPECT_EQ(namesIn(folder.states()), std::set<std::string>(ignored.begin(), ignored.end()));
  EXPECT_EQ(listStateFiles(L"/no/such/task.vixo", false), std::vector<int>{});
}

// The text of a header with the id and progress.
std::string headerText(const std::string& id, double progress = 0.5,
                       const std::wstring& computer = getComputerName()) {
  PassHeader header;
  header.computer = computer;
  header.expert = L"Ann";
  header.id = id;
  header.progress = progress;
  header.start = 14887038870000000LL;
  return passHeaderToJson(header).toString();
}

const std::string kDocument = R"({"task" : {},"play" : {},"results" : {},"player" : {}})";

void putState(const PassFolder& folder, const std::string& name, const std::string& bytes) {
  folder.folder.makeFile("task.vixo.states/" + name, bytes);
}

TEST(StateFileRead, TargetsAreOptionalAndTheEndMarkNeededForTheDocument) {
  PassFolder folder;
  const std::string header = headerText("a");
  putState(folder, statePrefix() + "1@", header + kDocument + R"("end")");
  putState(folder, statePrefix() + "2@", header + kDocument);
  putState(folder, statePrefix() + "3@", header + kDocument + R"("END")");
  putState(folder, statePrefix(true) + "4@", header + kDocument + R"("end")");
  struct Row {
    int number;
    bool debug;
    bool headerOnly, both;
  };
  for (const Row& row :
       {Row{1, false, true, true}, Row{2, false, true, false}, Row{3, false, true, false},
        Row{4, true, true, true}, Row{4, false, false, false}, Row{9, false, false, false}}) {
    SCOPED_TRACE(row.number);
    JSON h, d;
    EXPECT_TRUE(readStateFile(folder.taskPath, row.number, nullptr, nullptr, row.debug));
    EXPECT_EQ(readStateFile(folder.taskPath, row.number, &h, nullptr, row.debug), row.headerOnly);
    EXPECT_EQ(readStateFile(folder.taskPath, row.number, &h, &d, row.debug), row.both);
    if (row.headerOnly) {
      EXPECT_EQ(h.toString(), header);
    }
  }
}

TEST(OfferedPass, NewestCompleteValidStateOfThisComputer) {
  const std::string p = statePrefix();
  const std::string good = headerText("pass-a") + kDocument + R"("end")";
  struct Row {
    const char* what;
    std::vector<std::pair<std::string, std::string>> files;  // name, bytes
    int offered;                                             // -1: none
  };
  const Row rows[] = {
      {"the highest number", {{p + "3@", good}, {p + "10@", good}, {p + "9@", good}}, 10},
      {"an empty id passed over",
       {{p + "3@", good}, {p + "4@", headerText("") + kDocument + R"("end")"}},
       3},
      {"a cut-off file passed over", {{p + "4@", good}, {p + "5@", good.substr(0, 60)}}, 4},
      {"a file without its end mark passed over",
       {{p + "4@", good}, {p + "5@", headerText("pass-a") + kDocument}},
       4},
      {"a document that is no object passed over",
       {{p + "4@", good}, {p + "5@", headerText("pass-a") + R"([1]"end")"}},
       4},
      {"another version passed over",
       {{p + "4@", good},
        {p + "5@", R"({"id" : "pass-a","VIXOver" : 100})" + kDocument + R"("end")"}},
       4},
      {"binary bytes passed over", {{p + "4@", good}, {p + "5@", std::string("\0\x01\xff", 3)}}, 4},
      {"an empty file passed over", {{p + "4@", good}, {p + "5@", ""}}, 4},
      {"other computers and debug passes are not offered",
       {{"state@other@7@", good}, {statePrefix(true) + "8@", good}},
       -1},
      {"nothing", {}, -1},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    PassFolder folder;
    createPassFolders(folder.taskPath);
    for (const auto& [name, bytes] : row.files) putState(folder, name, bytes);
    const PassHeader header = readPassHeaders(folder.taskPath);
    EXPECT_EQ(header.stateNumber, row.offered);
    EXPECT_EQ(header.isValid(), row.offered > 0);
    EXPECT_FALSE(header.finished);
    if (row.offered > 0) {
      EXPECT_EQ(header.id, "pass-a");
      EXPECT_EQ(header.expert, L"Ann");
      EXPECT_EQ(header.progress, 0.5);
    }
  }
  PassFolder none;
  EXPECT_EQ(readPassHeaders(none.taskPath).stateNumber, -1);  // no folder at all
}

TEST(OfferedPass, ForeignKindsOfFileNeitherBlockNorCrash) {
  PassFolder folder;
  const std::string p = statePrefix();
  putState(folder, p + "4@", headerText("pass-a") + kDocument + R"("end")");
  ASSERT_EQ(mkfifo((folder.states() + "/" + p + "5@").c_str(), 0600), 0);
  fs::create_directory(folder.states() + "/" + p + "6@");
  fs::create_symlink("/dev/zero", folder.states() + "/" + p + "7@");
  EXPECT_EQ(readPassHeaders(folder.taskPath).stateNumber, 4);
  EXPECT_FALSE(readHeaderOfFile(fromUtf8(folder.states() + "/" + p + "5@")).isValid());
  EXPECT_EQ(scanResults(folder.taskPath).size(), 1u);
}

TEST(PassScan, EachPassOnceByIdAsItsResultOrItsFurthestState) {
  PassFolder folder;
  createPassFolders(folder.taskPath);
  const std::string end = R"("end")";
  const std::string other = "state@other%20pc@";
  // pass "b": two computers' state files; the further one counts
  putState(folder, statePrefix() + "2@", headerText("b", 0.25) + kDocument + end);
  putState(folder, other + "9@", headerText("b", 0.75, L"other pc") + kDocument + end);
  // pass "a": a state file and its result file (the states not yet deleted)
  putState(folder, "state@x@3@", headerText("a", 0.5) + kDocument + end);
  putState(folder, "result@a@", headerText("a", 1.0) + "{}" + end);
  // pass "c": its result file only; pass "d": equal progress, the name sorted last wins
  putState(folder, "result@c@", headerText("c", 1.0) + "{}" + end);
  putState(folder, "state@aaa@1@", headerText("d", 0.5, L"aaa") + kDocument + end);
  putState(folder, "state@bbb@1@", headerText("d", 0.5, L"bbb") + kDocument + end);
  // not listed: debug passes, invalid headers, temporary files, foreign files
  putState(folder, statePrefix(true) + "1@", headerText("e") + kDocument + end);
  putState(folder, "state@x@4@", headerText("") + kDocument + end);
  putState(folder, "state@x@5@.tmp", headerText("f") + kDocument + end);
  putState(folder, "result@g@.tmp", headerText("g") + "{}" + end);
  putState(folder, "result@h@", "garbage");
  putState(folder, "notes.txt", headerText("i"));
  fs::create_directory(folder.states() + "/result@dir@");
  ASSERT_EQ(mkfifo((folder.states() + "/state@fifo@1@").c_str(), 0600), 0);

  const std::vector<PassHeader> passes = scanResults(folder.taskPath);
  std::vector<std::tuple<std::string, bool, double, std::wstring>> seen;
  for (const PassHeader& h : passes) seen.emplace_back(h.id, h.finished, h.progress, h.computer);
  EXPECT_EQ(seen, (std::vector<std::tuple<std::string, bool, double, std::wstring>>{
                      {"a", true, 1.0, getComputerName()},
                      {"b", false, 0.75, L"other pc"},
                      {"c", true, 1.0, getComputerName()},
                      {"d", false, 0.5, L"bbb"},
                  }));
  EXPECT_EQ(scanResults(L"/no/such/task.vixo").size(), 0u);
}

TEST(PassScan, HeaderReadsWhateverFollowsIt) {
  PassFolder folder;
  putState(folder, "result@a@", headerText("a", 1.0));  // cut after the header
  ASSERT_EQ(scanResults(folder.taskPath).size(), 1u);
  const PassHeader h = readHeaderOfFile(fromUtf8(folder.states() + "/result@a@"));
  EXPECT_EQ(h.id, "a");
  EXPECT_EQ(h.start, 14887038870000000LL);
  EXPECT_EQ(h.VIXOver, 200);
  EXPECT_EQ(h.stateNumber, -1);
  // Members of another kind leave the defaults.
  putState(folder, "result@b@", R"({"id" : "b","port" : "80","progress" : 1,"network" : 0})");
  const PassHeader b = readHeaderOfFile(fromUtf8(folder.states() + "/result@b@"));
  EXPECT_TRUE(b.isValid());
  EXPECT_EQ(b.port, 0);
  EXPECT_EQ(b.progress, 0.0);
  EXPECT_FALSE(b.network);
  EXPECT_EQ(b.computer, getComputerName());
}

}  // namespace
