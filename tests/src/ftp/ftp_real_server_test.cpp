// The archive upload against a real FTP server (pyftpdlib) started on loopback by each test.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "avifile/avi_system.h"
#include "ftp/archive_upload.h"
#include "support/real_ftp_server.h"
#include "support/temp_folder.h"

namespace {

using vixo_test::RealFtpServer;

using Clock = std::chrono::steady_clock;

std::string readFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream content;
  content << in.rdbuf();
  return content.str();
}

std::string archiveBytes(size_t size) {
  std::string bytes(size, '\0');
  uint32_t state = 12345;
  for (char& c : bytes) {
    state = state * 1103515245 + 12345;
    c = static_cast<char>(state >> 16);
  }
  return bytes;
}

class RealServerTest : public testing::Test {
 protected:
  void SetUp() override {
    std::filesystem::create_directories(root());
    archive_ = archiveBytes(300000);
    local_ = folder_.makeFile("local/pass.vixores", archive_);
  }
  std::string root() const { return folder_ / "server"; }
  std::string log() const { return folder_ / "server.log"; }
  nsFTP::ArchiveUpload upload(const RealFtpServer& server, const std::wstring& user) const {
    nsFTP::ArchiveUpload u;
    u.server = user + L"127.0.0.1:" + std::to_wstring(server.port());
    u.localPath = fromUtf8(local_);
    u.remoteName = L"pass.vixores";
    u.timeoutSeconds = 5;
    return u;
  }

  vixo_test::TempFolder folder_;
  std::string archive_;
  std::string local_;
};

TEST_F(RealServerTest, UploadsIntoTheTasksFolderAndAgainWithoutChange) {
  std::filesystem::create_directories(root() + "/results/in");
  RealFtpServer server(root(), {"--user", "lab", "s3cret"}, log());
  ASSERT_NE(server.port(), 0) << "no FTP server (python3-pyftpdlib)";
  nsFTP::ArchiveUpload u = upload(server, L"lab@");
  u.password = L"s3cret";
  u.folder = L" results/in ";
  std::wstring why;
  ASSERT_TRUE(nsFTP::uploadArchive(u, &why)) << toUtf8(why);
  EXPECT_EQ(readFile(root() + "/results/in/pass.vixores") == archive_, true);
  // Trying again finds the whole file there and adds nothing.
  ASSERT_TRUE(nsFTP::uploadArchive(u, &why)) << toUtf8(why);
  EXPECT_EQ(readFile(root() + "/results/in/pass.vixores") == archive_, true);

  u.password = L"wrong";
  EXPECT_FALSE(nsFTP::uploadArchive(u, &why));
  EXPECT_EQ(why.substr(0, 18), L"PASS refused: 530 ") << toUtf8(why);
}

TEST_F(RealServerTest, AnonymousUploadWithoutTheFolderLandsInTheHomeFolder) {
  RealFtpServer server(root(), {"--anonymous"}, log());
  ASSERT_NE(server.port(), 0) << "no FTP server (python3-pyftpdlib)";
  nsFTP::ArchiveUpload u = upload(server, L"");
  u.folder = L"not/there";
  std::wstring why;
  ASSERT_TRUE(nsFTP::uploadArchive(u, &why)) << toUtf8(why);
  EXPECT_EQ(readFile(root() + "/pass.vixores") == archive_, true);
}

TEST_F(RealServerTest, NamesAndPasswordsInUtf8) {
  std::filesystem::create_directories(root() + "/\xc3\x84rzte");
  RealFtpServer server(root(), {"--user", "j\xc3\xbcrgen", "p\xc3\xa4ss"}, log());
  ASSERT_NE(server.port(), 0) << "no FTP server (python3-pyftpdlib)";
  nsFTP::ArchiveUpload u = upload(server, L"j\u00fcrgen@");
  u.password = L"p\u00e4ss";
  u.folder = L"\u00c4rzte";
  u.remoteName = L"\u00d6lga pass\u00e9.vixores";
  std::wstring why;
  ASSERT_TRUE(nsFTP::uploadArchive(u, &why)) << toUtf8(why);
  EXPECT_EQ(readFile(root() + "/\xc3\x84rzte/\xc3\x96lga pass\xc3\xa9.vixores") == archive_, true);
}

TEST_F(RealServerTest, InterruptedUploadIsResumed) {
  const std::string target = root() + "/pass.vixores";
  int64_t partial = 0;
  {
    // A slow server that dies in the middle of the upload.
    RealFtpServer slow(root(), {"--anonymous", "--throttle", "65536"}, log());
    ASSERT_NE(slow.port(), 0) << "no FTP server (python3-pyftpdlib)";
    bool stored = true;
    std::wstring why;
    std::thread uploader([&] { stored = nsFTP::uploadArchive(upload(slow, L""), &why); });
    const auto start = Clock::now();
    std::error_code error;
    while (Clock::now() - start < std::chrono::seconds(10) &&
           static_cast<int64_t>(std::filesystem::file_size(target, error)) < 20000) {
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    slow.stop();
    uploader.join();
    EXPECT_FALSE(stored);
    EXPECT_FALSE(why.empty());
    partial = static_cast<int64_t>(std::filesystem::file_size(target, error));
  }
  ASSERT_GT(partial, 0);
  ASSERT_LT(partial, static_cast<int64_t>(archive_.size()));
  EXPECT_EQ(readFile(target) == archive_.substr(0, static_cast<size_t>(partial)), true);

  RealFtpServer server(root(), {"--anonymous"}, log());
  ASSERT_NE(server.port(), 0);
  std::wstring why;
  ASSERT_TRUE(nsFTP::uploadArchive(upload(server, L""), &why)) << toUtf8(why);
  EXPECT_EQ(readFile(target) == archive_, true);
  // The second server was asked for the size in image mode and continued the copy.
  const std::string log = readFile(RealServerTest::log());
  EXPECT_NE(log.find("213 " + std::to_string(partial)), std::string::npos);
  EXPECT_NE(log.find("<- APPE pass.vixores"), std::string::npos);
}

}  // namespace
