// Transfers and the archive upload against a scripted server on loopback: the exact dialogue,
// resume, refusals, PASV replies, stalls, and the server text of a task.
#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "avifile/avi_system.h"
#include "ftp/archive_upload.h"
#include "ftp/ftp_client.h"
#include "ftp/ftp_file.h"
#include "support/assert_guard.h"
#include "support/scripted_ftp_server.h"
#include "support/temp_folder.h"

namespace {

using ftp_test::FtpSession;
using ftp_test::ScriptedFtpServer;
using nsFTP::CFTPClient;
using nsFTP::TransferType;
using Lines = std::vector<std::string>;
using Clock = std::chrono::steady_clock;

// Bytes that text mode would change: line ends, a NUL, bytes above 127.
std::string archiveBytes(size_t size) {
  std::string bytes;
  for (size_t i = 0; i < size; ++i) {
    const char pattern[] = {'{', '\r', '\n', '\0', '\xff', 'a', '\n', '"'};
    bytes += pattern[(i * 7 + i / 13) % sizeof pattern];
  }
  return bytes;
}

std::unique_ptr<CFTPClient> loggedOnClient(const ScriptedFtpServer& server) {
  auto client = std::make_unique<CFTPClient>(std::make_unique<nsSocket::CBlockingSocket>(), L"/");
  client->SetTimeout(2);
  nsFTP::FtpLogon logon;
  logon.host = L"127.0.0.1";
  logon.port = server.port();
  EXPECT_TRUE(client->Logon(logon));
  return client;
}

// Greeting, USER anonymous answered 230, CWD / answered 250.
void loggedOn(FtpSession& s) {
  s.reply("220 Ready");
  s.answer("230 Logged in");
  s.answer("250 OK");
}

nsFTP::ArchiveUpload uploadTo(const ScriptedFtpServer& server, const std::string& localPath) {
  nsFTP::ArchiveUpload upload;
  upload.server = L"  lab@127.0.0.1:" + std::to_wstring(server.port()) + L" ";
  upload.password = L" secret ";
  upload.folder = L"results/in";
  upload.localPath = fromUtf8(localPath);
  upload.remoteName = L"pass.vixores";
  upload.timeoutSeconds = 2;
  return upload;
}

TEST(PassiveAddressTest, ParsesTheAddressOfAPasvReply) {
  struct Row {
    const wchar_t* text;
    bool ok;
    uint32_t address;
    uint16_t port;
  };
  const Row rows[] = {
      {L"227 Entering Passive Mode (192,168,1,2,19,137)", true, 0xC0A80102, 5001},
      {L"227 =(127,0,0,1,0,21). done", true, 0x7F000001, 21},  // text around it is ignored
      {L"227 (255,255,255,255,255,255)", true, 0xFFFFFFFF, 65535},
      {L"227 Entering Passive Mode 192,168,1,2,19,137", false, 0, 0},  // no "("
      {L"227 (192, 168,1,2,19,137)", false, 0, 0},                     // a blank in a number
      {L"227 (192,168,1,2,19,137", false, 0, 0},                       // no ")"
      {L"227 (192,168,1,2,19)", false, 0, 0},                          // five numbers
      {L"227 (192,168,1,2,19,137,5)", false, 0, 0},                    // seven numbers
      {L"227 (192,168,1,256,19,137)", false, 0, 0},                    // not a byte
      {L"227 (192,168,1,2,99999999999999999999,137)", false, 0, 0},
      {L"227 (192,168,,2,19,137)", false, 0, 0},  // an empty number
      {L"227 (-1,168,1,2,19,137)", false, 0, 0},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(testing::Message() << row.text);
    uint32_t address = 7;
    uint16_t port = 7;
    EXPECT_EQ(CFTPClient::ParsePassiveAddress(row.text, address, port), row.ok);
    if (row.ok) {
      EXPECT_EQ(address, row.address);
      EXPECT_EQ(port, row.port);
    }
  }
}

TEST(TransferTypeTest, TypeIsSentOncePerConnection) {
  ScriptedFtpServer server([](FtpSession& s) {
    loggedOn(s);
    s.answer("200 Type set");  // TYPE I
    s.answer("200 Type set");  // TYPE A T
    s.answer("200 Type set");  // TYPE E N
    s.answer("200 Type set");  // TYPE L 8
    s.answer("504 Not supported");
    s.answer("200 Type set");  // sent again after the refusal
  });
  auto client = loggedOnClient(server);
  const TransferType image{2, 0};
  EXPECT_EQ(client->SetTransferType(image), CFTPClient::ResultOk);
  EXPECT_EQ(client->SetTransferType(image), CFTPClient::ResultOk);  // nothing sent
  EXPECT_EQ(client->SetTransferType({0, 2}), CFTPClient::ResultOk);
  EXPECT_EQ(client->SetTransferType({1, 1}), CFTPClient::ResultOk);
  EXPECT_EQ(client->SetTransferType({3, 0}), CFTPClient::ResultOk);
  EXPECT_EQ(client->SetTransferType(image), CFTPClient::ResultNotOk);
  EXPECT_EQ(client->SetTransferType(image), CFTPClient::ResultOk);
  EXPECT_EQ(vixo_test::assertionText([&] { client->SendTypeCommand({4, 0}); }), "false");
  EXPECT_EQ(vixo_test::assertionText([&] { client->SendTypeCommand({0, 4}); }), "false");
  // Data commands only: a command without a data connection is a programming error.
  nsFTP::CFile file;
  EXPECT_EQ(vixo_test::assertionText(
                [&] { client->RunDataCommand(nsFTP::CCommand::CWD, L"x", image, file); }),
            "false");
  client->DisconnectControl();
  server.join();
  EXPECT_EQ(server.heard(), (Lines{"USER anonymous", "CWD /", "TYPE I", "TYPE A T", "TYPE E N",
                                   "TYPE L 8", "TYPE I", "TYPE I"}));
}

TEST(TransferTypeTest, ANewConnectionForgetsTheType) {
  const auto dialogue = [](FtpSession& s) {
    loggedOn(s);
    s.answer("200 Type set");
  };
  ScriptedFtpServer first(dialogue), second(dialogue);
  auto client = loggedOnClient(first);
  EXPECT_EQ(client->SetTransferType({2, 0}), CFTPClient::ResultOk);
  client->DisconnectControl();
  nsFTP::FtpLogon logon;
  logon.host = L"127.0.0.1";
  logon.port = second.port();
  ASSERT_TRUE(client->Logon(logon));
  EXPECT_EQ(client->SetTransferType({2, 0}), CFTPClient::ResultOk);
  client.reset();
  first.join();
  second.join();
  EXPECT_EQ(first.heard(), (Lines{"USER anonymous", "CWD /", "TYPE I"}));
  EXPECT_EQ(second.heard(), (Lines{"USER anonymous", "CWD /", "TYPE I", "QUIT"}));
}

TEST(RemoteSizeTest, SizeComesFromTheReplyText) {
  ScriptedFtpServer server([](FtpSession& s) {
    loggedOn(s);
    s.answer("213 1000");
    s.answer("213");
    s.answer("213 12345678901");
    s.answer("550 No such file");
  });
  auto client = loggedOnClient(server);
  int64_t size = -1;
  EXPECT_EQ(client->QueryFileSize(L"a", size), CFTPClient::ResultOk);
  EXPECT_EQ(size, 1000);
  EXPECT_EQ(client->QueryFileSize(L"b", size), CFTPClient::ResultOk);
  EXPECT_EQ(size, 0);
  EXPECT_EQ(client->QueryFileSize(L"c", size), CFTPClient::ResultOk);
  EXPECT_EQ(size, 12345678901);  // larger than 32 bits
  size = 7;
  EXPECT_EQ(client->QueryFileSize(L"d", size), CFTPClient::ResultNotOk);
  EXPECT_EQ(size, 7);
}

// The server's side of an upload after the logon, with the replies of a test.
struct UploadReplies {
  std::string size = "550 No such file";
  std::string type = "200 Type set to I";
  std::string pasv = {};  // empty: a listener of the session
  std::string store = "150 Ok to send data";
  std::string final = "226 Transfer complete";
};

void uploadDialogue(FtpSession& s, const UploadReplies& r) {
  s.reply("220 Ready");
  s.answer("331 Password required");
  s.answer("230 Logged in");
  s.answer("250 OK");  // CWD /
  s.answer("250 OK");  // CWD /results/in
  s.answer(r.type);
  if (r.type[0] != '2') return;
  s.answer(r.size);
  const std::string pasv = s.passive();
  s.answer(r.pasv.empty() ? pasv : r.pasv);
  if (!r.pasv.empty()) return;
  s.answer(r.store);
  s.receiveData();
  if (r.store[0] == '1') s.reply(r.final);
}

TEST(UploadTest, DialogueOfAnUpload) {
  const vixo_test::TempFolder folder;
  const std::string archive = archiveBytes(5000);
  const std::string path = folder.makeFile("local name.vixores", archive);
  const Lines logon{"USER lab", "PASS  secret ", "CWD /", "CWD /results/in", "TYPE I"};
  const auto with = [&](Lines tail) {
    Lines all = logon;
    all.insert(all.end(), tail.begin(), tail.end());
    return all;
  };
  struct Row {
    const char* name;
    UploadReplies replies;
    bool ok;
    Lines heard;
    std::string data;
  };
  const Row rows[] = {
      {"a new file",
       {},
       true,
       with({"SIZE pass.vixores", "PASV", "STOR pass.vixores", "QUIT"}),
       archive},
      {"a partial copy is continued",
       {.size = "213 1000"},
       true,
       with({"SIZE pass.vixores", "PASV", "APPE pass.vixores", "QUIT"}),
       archive.substr(1000)},
      {"a whole copy gets nothing more",
       {.size = "213 5000"},
       true,
       with({"SIZE pass.vixores", "PASV", "APPE pass.vixores", "QUIT"}),
       ""},
      {"a longer copy gets nothing more",
       {.size = "213 9000"},
       true,
       with({"SIZE pass.vixores", "PASV", "APPE pass.vixores", "QUIT"}),
       ""},
      {"type refused", {.type = "504 Type not supported"}, false, with({"QUIT"}), ""},
      {"PASV refused",
       {.pasv = "500 No passive mode"},
       false,
       with({"SIZE pass.vixores", "PASV", "QUIT"}),
       ""},
      {"PASV without an address",
       {.pasv = "227 Entering Passive Mode"},
       false,
       with({"SIZE pass.vixores", "PASV", "QUIT"}),
       ""},
      {"STOR refused: the data connection stays empty",
       {.store = "550 Permission denied"},
       false,
       with({"SIZE pass.vixores", "PASV", "STOR pass.vixores", "QUIT"}),
       ""},
      {"final reply refuses the file",
       {.final = "452 Disk full"},
       false,
       with({"SIZE pass.vixores", "PASV", "STOR pass.vixores", "QUIT"}),
       archive},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    ScriptedFtpServer server([&row](FtpSession& s) { uploadDialogue(s, row.replies); });
    std::wstring why;
    EXPECT_EQ(nsFTP::uploadArchive(uploadTo(server, path), &why), row.ok) << toUtf8(why);
    EXPECT_EQ(why.empty(), row.ok) << toUtf8(why);
    server.join();
    EXPECT_EQ(server.heard(), row.heard);
    EXPECT_EQ(server.data() == row.data, true) << server.data().size() << " bytes arrived";
  }
}

TEST(UploadTest, FolderLocalFileAndNames) {
  const vixo_test::TempFolder folder;
  const std::string path = folder.makeFile("a.vixores", "{}");
  {
    SCOPED_TRACE("a folder the server lacks leaves the upload in the home folder");
    ScriptedFtpServer server([](FtpSession& s) {
      s.reply("220 Ready");
      s.answer("230 Logged in");
      s.answer("250 OK");
      s.answer("550 No such folder");
      s.answer("200 Type set");
      s.answer("550 No such file");
      s.answer(s.passive());
      s.answer("150 Ok");
      s.receiveData();
      s.reply("226 Done");
    });
    nsFTP::ArchiveUpload upload = uploadTo(server, path);
    upload.server = L"127.0.0.1:" + std::to_wstring(server.port());
    upload.folder = L"";
    EXPECT_TRUE(nsFTP::uploadArchive(upload));
    server.join();
    EXPECT_EQ(server.heard(), (Lines{"USER anonymous", "CWD /", "CWD /", "TYPE I",
                                     "SIZE pass.vixores", "PASV", "STOR pass.vixores", "QUIT"}));
    EXPECT_EQ(server.data(), "{}");
  }
  {
    SCOPED_TRACE("a missing local file sends nothing");
    ScriptedFtpServer server([](FtpSession& s) {
      s.reply("220 Ready");
      s.answer("230 Logged in");
      s.answer("250 OK");
      s.answer("250 OK");
    });
    std::wstring why;
    EXPECT_FALSE(nsFTP::uploadArchive(uploadTo(server, folder / "missing.vixores"), &why));
    EXPECT_NE(why.find(L"missing.vixores"), std::wstring::npos);
    server.join();
    EXPECT_EQ(server.heard(), (Lines{"USER lab", "CWD /", "CWD /results/in", "QUIT"}));
  }
  {
    SCOPED_TRACE("a local file that cannot be read is no complete upload");
    ScriptedFtpServer server([](FtpSession& s) {
      s.reply("220 Ready");
      s.answer("230 Logged in");
      s.answer("250 OK");
      s.answer("250 OK");
      s.answer("200 Type set");
      s.answer("550 No such file");
      s.answer(s.passive());
      s.answer("150 Ok");
      s.receiveData();
      s.reply("226 Done");
    });
    // A folder opens as a stream here, but reading it fails.
    std::wstring why;
    EXPECT_FALSE(nsFTP::uploadArchive(uploadTo(server, folder.path()), &why));
    EXPECT_NE(why.find(L"cannot be read"), std::wstring::npos) << toUtf8(why);
    server.join();
    EXPECT_EQ(server.heard(), (Lines{"USER lab", "CWD /", "CWD /results/in", "TYPE I",
                                     "SIZE pass.vixores", "PASV", "STOR pass.vixores", "QUIT"}));
  }
  {
    SCOPED_TRACE("names go out as UTF-8");
    ScriptedFtpServer server([](FtpSession& s) {
      s.reply("220 Ready");
      s.answer("331 Password required");
      s.answer("230 Logged in");
      s.answer("250 OK");
      s.answer("250 OK");
      s.answer("200 Type set");
      s.answer("550 No such file");
      s.answer(s.passive());
      s.answer("150 Ok");
      s.receiveData();
      s.reply("226 Done");
    });
    nsFTP::ArchiveUpload upload = uploadTo(server, path);
    upload.server = L"J\u00fcrgen@127.0.0.1:" + std::to_wstring(server.port());
    upload.password = L"p\u00e4ss";
    upload.folder = L"Ergebnisse/\u00c4rzte";
    upload.remoteName = L"\u00d6lga passe\u0301 \u4e2d.vixores";
    EXPECT_TRUE(nsFTP::uploadArchive(upload));
    server.join();
    const std::string name = "\xc3\x96lga passe\xcc\x81 \xe4\xb8\xad.vixores";
    EXPECT_EQ(server.heard(), (Lines{"USER J\xc3\xbcrgen", "PASS p\xc3\xa4ss", "CWD /",
                                     "CWD /Ergebnisse/\xc3\x84rzte", "TYPE I", "SIZE " + name,
                                     "PASV", "STOR " + name, "QUIT"}));
  }
  {
    SCOPED_TRACE("a name with a line break is refused before any command");
    ScriptedFtpServer server(loggedOn);
    auto client = loggedOnClient(server);
    EXPECT_FALSE(
        client->StoreFile(fromUtf8(path), L"x.vixores\r\nDELE important", TransferType{2, 0}));
    client.reset();
    server.join();
    EXPECT_EQ(server.heard(), (Lines{"USER anonymous", "CWD /", "QUIT"}));
  }
}

TEST(UploadTest, StalledServersEndTheUploadInTime) {
  const vixo_test::TempFolder folder;
  // More than the system buffers between a sender and a receiver that never reads.
  const std::string big = folder.makeFile("big.vixores", std::string(32 << 20, 'x'));
  const std::string small = folder.makeFile("small.vixores", "{}");
  struct Row {
    const char* name;
    std::string path;
    std::function<void(FtpSession&)> afterStore;
    Lines heard;
  };
  const Row rows[] = {
      // The control connection is still up: QUIT goes out (and waits in vain for its reply).
      {"the data connection is never read",
       big,
       [](FtpSession& s) { s.stall(); },
       {"USER anonymous", "CWD /", "CWD /", "TYPE I", "SIZE pass.vixores", "PASV",
        "STOR pass.vixores", "QUIT"}},
      {"no final reply",
       small,
       [](FtpSession& s) {
         s.receiveData();
         s.stall();
       },
       {"USER anonymous", "CWD /", "CWD /", "TYPE I", "SIZE pass.vixores", "PASV",
        "STOR pass.vixores"}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    ScriptedFtpServer server([&row](FtpSession& s) {
      s.reply("220 Ready");
      s.answer("230 Logged in");
      s.answer("250 OK");
      s.answer("250 OK");
      s.answer("200 Type set");
      s.answer("550 No such file");
      s.answer(s.passive());
      s.answer("150 Ok");
      row.afterStore(s);
    });
    nsFTP::ArchiveUpload upload = uploadTo(server, row.path);
    upload.server = L"127.0.0.1:" + std::to_wstring(server.port());
    upload.folder = L"/";
    upload.timeoutSeconds = 1;
    const auto start = Clock::now();
    std::wstring why;
    EXPECT_FALSE(nsFTP::uploadArchive(upload, &why));
    EXPECT_LT(std::chrono::duration<double>(Clock::now() - start).count(), 8.0);
    EXPECT_NE(why.find(L"timeout"), std::wstring::npos) << toUtf8(why);
    server.join();
    EXPECT_EQ(server.heard(), row.heard);
  }
}

TEST(ServerTextTest, UserHostAndPort) {
  struct Row {
    const wchar_t* text;
    const wchar_t* user;
    const wchar_t* host;
    uint16_t port;
  };
  const Row rows[] = {
      {L"ftp.lab", L"anonymous", L"ftp.lab", 21},
      {L"  bob@ftp.lab:2121\t", L"bob", L"ftp.lab", 2121},
      {L"ftp.lab:2121", L"anonymous", L"ftp.lab", 2121},
      {L"@ftp.lab", L"", L"ftp.lab", 21},
      {L"bob@ftp.lab: 21x", L"bob", L"ftp.lab", 21},  // read like strtol
      {L"ftp.lab:", L"anonymous", L"ftp.lab", 0},
      {L"ftp.lab:-1", L"anonymous", L"ftp.lab", 65535},  // cut to 16 bits
      {L"ftp.lab:70000", L"anonymous", L"ftp.lab", 4464},
      {L"ftp.lab:99999999999999999999999", L"anonymous", L"ftp.lab", 65535},
      {L"bob@lab.org@ftp.lab:2121", L"bob@lab.org", L"ftp.lab", 2121},  // user with an "@"
      {L"bob:pw@ftp.lab", L"bob:pw", L"ftp.lab", 21},  // a ":" in the user is no port
      {L"", L"anonymous", L"", 21},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(testing::Message() << toUtf8(row.text));
    const nsFTP::FtpServerAddress server = nsFTP::parseFtpServer(row.text);
    EXPECT_EQ(server.user, row.user);
    EXPECT_EQ(server.host, row.host);
    EXPECT_EQ(server.port, row.port);
  }
  EXPECT_EQ(nsFTP::uploadFolder(L""), L"/");
  EXPECT_EQ(nsFTP::uploadFolder(L"  "), L"/");
  EXPECT_EQ(nsFTP::uploadFolder(L"results/in"), L"/results/in");
  EXPECT_EQ(nsFTP::uploadFolder(L" /results/in "), L"/results/in");
}

TEST(ServerTextTest, UnreachableServerFailsWithItsReason) {
  nsFTP::ArchiveUpload upload;
  upload.server = L"127.0.0.1:" + std::to_wstring(ftp_test::closedPort());
  upload.localPath = L"/nonexistent";
  upload.remoteName = L"x";
  std::wstring why;
  EXPECT_FALSE(nsFTP::uploadArchive(upload, &why));
  EXPECT_EQ(why, L"Connect error 0x0000006f (Connection refused)");
}

}  // namespace
