// Archives written back beside another task: the files they give, importing twice, debug
// archives, a table of hostile archives refused with nothing written, and the reading of
// result files.
#include "results/archive_import.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "src/results/pass_fixture.h"
#include "support/file_size_limit.h"
#include "support/json_text.h"

namespace {

using Brindle::JSON;
using namespace vixo_test;
namespace fs = std::filesystem;

// A finished pass in a folder of its own, with its archive.
struct FinishedPass {
  explicit FinishedPass(bool debug = false) {
    FolderPass pass(smallTask("DSIS", 3), folder.taskPath, debug);
    pass.run();
    EXPECT_TRUE(pass.store.finishPass());
    id = pass.play->context.passId;
    results = pass.play->context.results;
    archive = toUtf8(pass.store.archivePath());
    protocol = toUtf8(pass.store.protocolPath());
  }
  PassFolder folder;
  std::string id, archive, protocol;
  TestResults results;
};

// Every name below the folder, with its sub-folders.
std::set<std::string> tree(const std::string& root) {
  std::set<std::string> names;
  for (const auto& entry : fs::recursive_directory_iterator(root))
    names.insert(fs::relative(entry.path(), root).string());
  return names;
}

TEST(ArchiveImport, WritesProtocolAndResultFileFoundByTheScan) {
  const FinishedPass pass;
  PassFolder lab;
  createPassFolders(lab.taskPath);
  ASSERT_TRUE(importArchive(lab.taskPath, fromUtf8(pass.archive)));

  const std::string resultName = "result@" + pass.id + "@";
  const std::string protocolName = fs::path(pass.protocol).filename().string();
  EXPECT_EQ(namesIn(lab.protocols()), std::set<std::string>{protocolName});
  EXPECT_EQ(namesIn(lab.states()), std::set<std::string>{resultName});
  EXPECT_EQ(namesIn(lab.archives()), std::set<std::string>{});
  EXPECT_EQ(readBytes(lab.protocols() + "/" + protocolName), readBytes(pass.protocol));
  EXPECT_EQ(readBytes(lab.states() + "/" + resultName),
            readBytes(pass.folder.states() + "/" + resultName));

  const std::vector<PassHeader> passes = scanResults(lab.taskPath);
  ASSERT_EQ(passes.size(), 1u);
  EXPECT_EQ(passes[0].id, pass.id);
  EXPECT_TRUE(passes[0].finished);
  EXPECT_EQ(readResultFile(lab.taskPath, pass.id).singles, pass.results.singles);

  // Again: the protocol is written anew, the result file exists, so the import fails.
  writeBytes(lab.protocols() + "/" + protocolName, "changed");
  EXPECT_FALSE(importArchive(lab.taskPath, fromUtf8(pass.archive)));
  EXPECT_EQ(readBytes(lab.protocols() + "/" + protocolName), readBytes(pass.protocol));
  EXPECT_EQ(namesIn(lab.states()), std::set<std::string>{resultName});
}

TEST(ArchiveImport, DebugArchiveGivesTheProtocolOnly) {
  const FinishedPass pass(true);
  PassFolder lab;
  createPassFolders(lab.taskPath);
  EXPECT_TRUE(importArchive(lab.taskPath, fromUtf8(pass.archive)));
  EXPECT_EQ(namesIn(lab.protocols()).size(), 1u);
  EXPECT_EQ(namesIn(lab.states()), std::set<std::string>{});
  EXPECT_TRUE(importArchive(lab.taskPath, fromUtf8(pass.archive)));  // again: rewritten

  // Neither part: nothing to do.
  writeBytes(lab.folder / "empty.vixores", "{}");
  EXPECT_TRUE(importArchive(lab.taskPath, fromUtf8(lab.folder / "empty.vixores")));
  EXPECT_EQ(namesIn(lab.protocols()).size(), 1u);
}

TEST(ArchiveImport, FoldersAreNotCreatedHere) {
  const FinishedPass pass;
  PassFolder lab;
  EXPECT_FALSE(importArchive(lab.taskPath, fromUtf8(pass.archive)));
  EXPECT_EQ(namesIn(lab.folder.path()), std::set<std::string>{});
}

TEST(ArchiveImport, HostileArchivesAreRefusedWithNothingWritten) {
  const FinishedPass pass;
  const std::string good = readBytes(pass.archive);
  const JSON base = parseText(good);
  auto with = [&](const char* member, JSON value) {
    JSON archive = base;
    archive.set(member, value);
    return archive.toString();
  };
  auto without = [&](const char* member) {
    JSON archive{Brindle::JSONElements::Object()};
    for (const auto& m : base.members())
      if (m.key != member) archive.set(m.key, m.value);
    return archive.toString();
  };
  JSON otherId = *base.find("header");
  otherId.set("id", "another-pass");
  // A result name that the file system does not take, of a header that matches it.
  const std::string longId(5000, 'x');
  JSON longHeader = *base.find("header");
  longHeader.set("id", longId);
  JSON longResult = parseText(with("header", longHeader));
  longResult.set("results-file", "result@" + longId + "@");
  // Protocols that no pass writes: their indented text grows with the square of the depth.
  auto nested = [](size_t depth, const std::string& inside) {
    return parseText(std::string(depth, '[') + inside + std::string(depth, ']'));
  };
  std::string zeros = "0";
  for (int i = 1; i < 150000; ++i) zeros += ",0";
  const JSON noId = parseText(R"({"VIXOver" : 200})");
  const std::string result = "result@" + pass.id + "@";

  struct Row {
    const char* what;
    std::string bytes;
  };
  const std::vector<Row> rows = {
      {"protocol name climbing out", with("protocol-file", "../escape.json")},
      {"protocol name with a Windows climb", with("protocol-file", "..\\escape.json")},
      {"protocol name of a sub-folder", with("protocol-file", "sub/p.json")},
      {"absolute protocol name", with("protocol-file", "/tmp/p.json")},
      {"protocol name with a drive", with("protocol-file", "C:\\p.json")},
      {"protocol name with a drive, relative", with("protocol-file", "C:p.json")},
      {"protocol name ..", with("protocol-file", "..")},
      {"protocol name .", with("protocol-file", ".")},
      {"empty protocol name", with("protocol-file", "")},
      {"protocol name with a NUL", with("protocol-file", std::string("p\0.json", 7))},
      {"protocol name that is not UTF-8", with("protocol-file", "p\xff.json")},
      {"protocol name not a string", with("protocol-file", JSON(true))},
      {"protocol name too long for the file system", with("protocol-file", std::string(300, 'p'))},
      {"protocol nested 300 deep", with("protocol", nested(300, ""))},
      {"protocol whose indented text is 75 MB", with("protocol", nested(250, zeros))},
      {"protocol missing", without("protocol")},
      {"result name climbing out", with("results-file", "../result@" + pass.id + "@")},
      {"result name with a Windows climb", with("results-file", "..\\" + result)},
      {"absolute result name", with("results-file", "/tmp/" + result)},
      {"result name not of the result form", with("results-file", "state@x@1@")},
      {"result name of another pass", with("results-file", "result@another-pass@")},
      {"result name without the id", with("results-file", "result@@")},
      {"header of another pass", with("header", otherId)},
      {"header without id", with("header", noId)},
      {"header not an object", with("header", JSON("x"))},
      {"result name of 5000 bytes", longResult.toString()},
      {"result name not a string", with("results-file", JSON(false))},
      {"results missing", without("results")},
      {"header missing", without("header")},
      {"not an object", "[" + good + "]"},
      {"cut off", good.substr(0, good.size() - 1)},
      {"not JSON", "PK\x03\x04"},
      {"empty", ""},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    PassFolder lab;
    createPassFolders(lab.taskPath);
    writeBytes(lab.folder / "a.vixores", row.bytes);
    const std::set<std::string> before = tree(lab.folder.path());
    EXPECT_FALSE(importArchive(lab.taskPath, fromUtf8(lab.folder / "a.vixores")));
    EXPECT_EQ(tree(lab.folder.path()), before);
  }

  PassFolder lab;
  createPassFolders(lab.taskPath);
  EXPECT_FALSE(importArchive(lab.taskPath, fromUtf8(lab.folder / "missing.vixores")));
  EXPECT_FALSE(importArchive(lab.taskPath, fromUtf8(lab.folder.path())));  // a folder
  ASSERT_EQ(mkfifo((lab.folder / "pipe.vixores").c_str(), 0600), 0);
  EXPECT_FALSE(importArchive(lab.taskPath, fromUtf8(lab.folder / "pipe.vixores")));
}

// The bytes of new private memory the process may take from now on; the address sanitizer's
// shadow memory, mapped already, stays out of the count.
bool limitNewMemory(size_t bytes) {
  std::ifstream status("/proc/self/status");
  for (std::string line; std::getline(status, line);) {
    if (line.rfind("VmData:", 0) != 0) continue;
    const rlim_t now = std::stoull(line.substr(7)) * 1024;
    const rlimit limit{now + bytes, now + bytes};
    return setrlimit(RLIMIT_DATA, &limit) == 0;
  }
  return false;
}

// An archive of 200 KB whose protocol nests 100 000 arrays deep would take some 20 GB as
// indented text: it is refused within 256 MB of memory, and nothing is written.
TEST(ArchiveImport, DeepProtocolIsRefusedWithinLittleMemory) {
  PassFolder lab;
  createPassFolders(lab.taskPath);
  const size_t depth = 100000;
  writeBytes(lab.folder / "deep.vixores", R"({"protocol-file" : "deep.json","protocol" : )" +
                                              std::string(depth, '[') + std::string(depth, ']') +
                                              "}");
  const std::set<std::string> before = tree(lab.folder.path());
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    if (!limitNewMemory(size_t{256} << 20)) _exit(2);
    _exit(importArchive(lab.taskPath, fromUtf8(lab.folder / "deep.vixores")) ? 3 : 0);
  }
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
  EXPECT_EQ(tree(lab.folder.path()), before);
}

// A full disk during the import leaves no cut-off protocol under its name.
TEST(ArchiveImport, FullDiskLeavesNoCutOffProtocol) {
  const FinishedPass pass;
  PassFolder lab;
  createPassFolders(lab.taskPath);
  {
    FileSizeLimit full(readBytes(pass.protocol).size() / 2);
    EXPECT_FALSE(importArchive(lab.taskPath, fromUtf8(pass.archive)));
  }
  EXPECT_EQ(namesIn(lab.protocols()), std::set<std::string>{});
  EXPECT_EQ(namesIn(lab.states()), std::set<std::string>{});
  EXPECT_TRUE(importArchive(lab.taskPath, fromUtf8(pass.archive)));
  EXPECT_EQ(readBytes(lab.protocols() + "/" + fs::path(pass.protocol).filename().string()),
            readBytes(pass.protocol));
}

TEST(ResultFileRead, DamagedFilesGiveNoResults) {
  const FinishedPass pass;
  const std::string path = pass.folder.states() + "/result@" + pass.id + "@";
  const std::string good = readBytes(path);
  ASSERT_EQ(readResultFile(pass.folder.taskPath, pass.id).singles, pass.results.singles);
  ASSERT_FALSE(pass.results.singles.empty());

  const size_t resultsAt = good.find(R"({"results")");
  const struct {
    const char* what;
    std::string bytes;
  } rows[] = {
      {"cut before the end mark", good.substr(0, good.size() - 3)},
      {"cut in the results", good.substr(0, resultsAt + 20)},
      {"another end mark", good.substr(0, good.size() - 5) + R"("fin")"},
      {"results of the wrong kind", good.substr(0, resultsAt) + R"({"results" : 1}"end")"},
      {"a value written as an integer",
       good.substr(0, resultsAt) +
           R"({"results" : [{"key" : {},"value" : 1}],"bradley-terry-results" : []}"end")"},
      {"empty", ""},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.what);
    writeBytes(path, row.bytes);
    const TestResults read = readResultFile(pass.folder.taskPath, pass.id);
    EXPECT_TRUE(read.singles.empty() && read.pairs.empty());
  }
  writeBytes(path, good);
  EXPECT_TRUE(readResultFile(pass.folder.taskPath, "no-such-pass").singles.empty());
  // An id from a foreign header does not lead out of the folder.
  pass.folder.folder.makeFile("outside@", good);
  pass.folder.folder.makeFile("task.vixo.states/result@x/../../outside@", good);
  EXPECT_TRUE(readResultFile(pass.folder.taskPath, "x/../../outside").singles.empty());
  EXPECT_TRUE(readResultFile(pass.folder.taskPath, "").singles.empty());
}

}  // namespace
