// The archive of a finished pass goes to the FTP server that the task names.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "avifile/avi_system.h"
#include "results/result_store.h"
#include "src/results/pass_fixture.h"
#include "support/real_ftp_server.h"

namespace {

using namespace vixo_test;

std::string fileBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream content;
  content << in.rdbuf();
  return content.str();
}

struct FinishedPass {
  explicit FinishedPass(const PassFolder& folder) : pass(smallTask("DSIS", 3), folder.taskPath) {
    while (!pass.play->isFinished()) {
      EXPECT_TRUE(pass.store.saveState());
      pass.play->nextQuestion();
    }
    EXPECT_TRUE(pass.store.finishPass());
  }
  void setFtp(const std::string& key, const std::wstring& value) {
    pass.play->context.loadedTask.task.properties[key] = makeStringValue(toUtf8(value));
  }
  FolderPass pass;
};

TEST(ArchiveUpload, TheTasksServerUserPasswordAndFolderTakeTheArchive) {
  PassFolder folder;
  const std::string root = folder.folder / "server";
  std::filesystem::create_directories(root + "/results/in");
  RealFtpServer server(root, {"--user", "lab", "s3cret"}, folder.folder / "server.log");
  ASSERT_NE(server.port(), 0) << "no FTP server (python3-pyftpdlib)";

  FinishedPass finished(folder);
  finished.setFtp("resultCollectingFtp", L"  lab@127.0.0.1:" + std::to_wstring(server.port()));
  finished.setFtp("resultCollectingFtpPass", L"s3cret");
  finished.setFtp("resultCollectingFtpDir", L"results/in");
  ResultStore& store = finished.pass.store;
  ASSERT_TRUE(store.uploadArchive());

  const std::string remote = root + "/results/in/" + toUtf8(store.passName()) + ".vixores";
  const std::string archive = fileBytes(toUtf8(store.archivePath()));
  ASSERT_FALSE(archive.empty());
  EXPECT_TRUE(fileBytes(remote) == archive);

  // A refused log-on is a failed upload; the archive stays on disk.
  finished.setFtp("resultCollectingFtpPass", L"wrong");
  EXPECT_FALSE(store.uploadArchive());
  EXPECT_TRUE(fileBytes(toUtf8(store.archivePath())) == archive);
}

TEST(ArchiveUpload, NoServerListeningIsAFailedUpload) {
  PassFolder folder;
  FinishedPass finished(folder);
  // A port that nothing listens on: the server just stopped.
  std::wstring port;
  std::filesystem::create_directories(folder.folder / "server");
  {
    RealFtpServer server(folder.folder / "server", {"--anonymous"}, folder.folder / "log");
    ASSERT_NE(server.port(), 0) << "no FTP server (python3-pyftpdlib)";
    port = std::to_wstring(server.port());
  }
  finished.setFtp("resultCollectingFtp", L"127.0.0.1:" + port);
  EXPECT_FALSE(finished.pass.store.uploadArchive());
}

}  // namespace
