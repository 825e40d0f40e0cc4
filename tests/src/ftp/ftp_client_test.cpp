// The control connection against a scripted server on loopback: commands, replies, logon
// through every firewall scheme, quitting and the time-outs.
#include "ftp/ftp_client.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "support/assert_guard.h"
#include "support/scripted_ftp_server.h"

namespace {

using ftp_test::FtpSession;
using ftp_test::ScriptedFtpServer;
using nsFTP::CCommand;
using nsFTP::CFTPClient;
using nsFTP::FtpLogon;
using nsFTP::FtpReply;
using Lines = std::vector<std::string>;
using Clock = std::chrono::steady_clock;

double secondsSince(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

std::unique_ptr<CFTPClient> newClient(int timeoutSeconds = 2) {
  auto client = std::make_unique<CFTPClient>(std::make_unique<nsSocket::CBlockingSocket>(), L"/");
  client->SetTimeout(timeoutSeconds);
  return client;
}

// A client connected to the server's control port, before the greeting.
std::unique_ptr<CFTPClient> connectedClient(const ScriptedFtpServer& server) {
  auto client = newClient();
  EXPECT_TRUE(client->ConnectControl(L"127.0.0.1", server.port()));
  return client;
}

FtpLogon logonTo(const ScriptedFtpServer& server) {
  FtpLogon logon;
  logon.host = L"127.0.0.1";
  logon.port = server.port();
  logon.password = L"secret";
  return logon;
}

// Plays a greeting, then answers each command with the next reply.
ScriptedFtpServer::Dialogue answering(std::string greeting, Lines replies) {
  return [greeting, replies](FtpSession& s) {
    s.send(greeting);
    for (const std::string& reply : replies) s.answer(reply);
  };
}

TEST(CommandTableTest, EveryCommandHasItsEntry) {
  const wchar_t* const names[] = {
      L"ABOR", L"ACCT", L"ALLO", L"APPE", L"CDUP", L"CWD",  L"DELE", L"HELP", L"LIST",
      L"MDTM", L"MKD",  L"MODE", L"NLST", L"NOOP", L"OPEN", L"PASS", L"PASV", L"PORT",
      L"PWD",  L"QUIT", L"REIN", L"REST", L"RETR", L"RMD",  L"RNFR", L"RNTO", L"SITE",
      L"SIZE", L"SMNT", L"STAT", L"STOR", L"STOU", L"STRU", L"SYST", L"TYPE", L"USER"};
  ASSERT_EQ(CCommand::GetInstance().size(), 36u);
  const std::set<std::wstring> receive{L"LIST", L"NLST", L"RETR"};
  const std::set<std::wstring> send{L"APPE", L"STOR", L"STOU"};
  for (int id = 0; id < 36; ++id) {
    const CCommand::CExtendedInfo& info = CCommand::Info(id);
    const std::wstring& name = info.GetServerString();
    SCOPED_TRACE(testing::Message() << id);
    EXPECT_EQ(name, names[id]);
    const std::wstring& syntax = info.GetSyntax();
    EXPECT_EQ(syntax.substr(0, name.size() + 1), name + L" ");
    EXPECT_EQ(syntax.substr(syntax.size() - 6), L"<CRLF>");
    // Every parameter the syntax shows is counted; the bracketed ones are optional.
    EXPECT_EQ(info.GetParameterCount() > 0, syntax.find(L"<SP>") != std::wstring::npos);
    EXPECT_LE(info.GetOptionalParameterCount(), info.GetParameterCount());
    EXPECT_EQ(info.GetOptionalParameterCount() > 0, syntax.find(L'[') != std::wstring::npos);
    EXPECT_EQ(info.GetCommandClass(), name == L"MDTM" || name == L"SIZE" ? 2
                                      : name == L"OPEN"                  ? 0
                                                                         : 1);
    EXPECT_EQ(info.GetDataDirection(), receive.count(name) ? CCommand::DataReceive
                                       : send.count(name)  ? CCommand::DataSend
                                                           : CCommand::DataNone);
  }
  EXPECT_EQ(CCommand::Info(CCommand::ALLO).GetParameterCount(), 3);
  EXPECT_EQ(CCommand::Info(CCommand::ALLO).GetOptionalParameterCount(), 2);
  EXPECT_EQ(vixo_test::assertionText([] { CCommand::Info(36); }), "it!=GetInstance().end()");
}

TEST(ReplyTest, RepliesAreReadAsTheServerSendsThem) {
  struct Expected {
    bool ok;
    std::wstring code;
    std::wstring text;
  };
  struct Row {
    const char* name;
    Lines pieces;  // sent apart, so that each arrives in a read of its own
    std::vector<Expected> replies;
  };
  const Row rows[] = {
      {"multi-line",
       {"230-Welcome\r\nsome text\r\n230 done\r\n"},
       {{true, L"230", L"230-Welcome\r\nsome text\r\n230 done"}}},
      {"only its own code and a blank end a multi-line reply",
       {"230-Welcome\r\n230-more\r\n220 other\r\n230 done\r\n"},
       {{true, L"230", L"230-Welcome\r\n230-more\r\n220 other\r\n230 done"}}},
      {"two replies in one read",
       {"331 User ok\r\n230 Logged in\r\n"},
       {{true, L"331", L"331 User ok"}, {true, L"230", L"230 Logged in"}}},
      {"three characters open no multi-line reply",
       {"220\r\n230-x\r\n230 y\r\n"},
       {{true, L"220", L"220"}, {true, L"230", L"230-x\r\n230 y"}}},
      {"second digit up to 5", {"255 fine\r\n"}, {{true, L"255", L"255 fine"}}},
      {"second digit 6", {"260 odd\r\n"}, {{false, L"", L"260 odd"}}},
      {"second digit 9", {"290 odd\r\n"}, {{false, L"", L"290 odd"}}},
      {"first digit above 5", {"600 odd\r\n"}, {{false, L"", L"600 odd"}}},
      {"too short", {"22\r\n"}, {{false, L"", L"22"}}},
      {"a line cut across reads", {"220 Wel", "come\r\n"}, {{true, L"220", L"220 Welcome"}}},
      {"a multi-line reply cut across reads",
       {"230-a\r\n230 d", "one\r\n"},
       {{true, L"230", L"230-a\r\n230 done"}}},
      {"a bare line feed stays", {"220 hi\n"}, {{true, L"220", L"220 hi\n"}}},
      {"UTF-8", {"220 Gr\xc3\xbc\xc3\x9f dich\r\n"}, {{true, L"220", L"220 Gr\u00fc\u00df dich"}}},
      {"Latin-1", {"220 Gr\xfc\xdf Gott\r\n"}, {{true, L"220", L"220 Gr\u00fc\u00df Gott"}}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    ScriptedFtpServer server([&row](FtpSession& s) {
      for (const std::string& piece : row.pieces) {
        s.send(piece);
        usleep(30000);
      }
    });
    auto client = connectedClient(server);
    for (const Expected& expected : row.replies) {
      FtpReply reply;
      EXPECT_EQ(client->ReadReply(reply), expected.ok);
      EXPECT_EQ(reply.Code(), expected.code);
      EXPECT_EQ(reply.Value(), expected.text);
      // An invalid code leaves the connection open.
      EXPECT_TRUE(client->IsConnected());
    }
  }
}

TEST(ReplyTest, ConnectionEndsAndRunawayReplies) {
  {
    SCOPED_TRACE("a last line without its end before the close");
    ScriptedFtpServer server([](FtpSession& s) {
      s.send("421 Service closing");
      s.hangUp();
    });
    auto client = connectedClient(server);
    FtpReply reply;
    EXPECT_TRUE(client->ReadReply(reply));
    EXPECT_EQ(reply.Value(), L"421 Service closing");
    EXPECT_FALSE(client->ReadReply(reply));
    EXPECT_FALSE(client->IsConnected());
  }
  {
    SCOPED_TRACE("a line without end");
    ScriptedFtpServer server([](FtpSession& s) { s.send(std::string(100000, 'x')); });
    auto client = connectedClient(server);
    FtpReply reply;
    EXPECT_FALSE(client->ReadReply(reply));
    EXPECT_FALSE(client->IsConnected());
  }
  {
    SCOPED_TRACE("a multi-line reply without end");
    ScriptedFtpServer server([](FtpSession& s) {
      const std::string line = "230-" + std::string(1000, 'x') + "\r\n";
      std::string lines;
      for (int i = 0; i < 100; ++i) lines += line;
      for (int i = 0; i < 12 && !s.closed(); ++i) s.send(lines);
    });
    auto client = connectedClient(server);
    FtpReply reply;
    EXPECT_FALSE(client->ReadReply(reply));
    EXPECT_FALSE(client->IsConnected());
  }
}

TEST(ReplyTest, SilentServerEndsTheWaitAndTheConnection) {
  ScriptedFtpServer server([](FtpSession& s) { s.stall(); });
  auto client = newClient(1);
  ASSERT_TRUE(client->ConnectControl(L"127.0.0.1", server.port()));
  const auto start = Clock::now();
  FtpReply reply;
  EXPECT_FALSE(client->ReadReply(reply));
  EXPECT_GE(secondsSince(start), 0.9);
  EXPECT_FALSE(client->IsConnected());
  EXPECT_EQ(client->LastError(), L"Receive timeout error");
}

TEST(LogonTest, DialoguesWithoutFirewall) {
  struct Row {
    const char* name;
    std::wstring account;
    std::string greeting;
    Lines replies;
    bool ok;
    Lines heard;
  };
  const Row rows[] = {
      {"user and password",
       L"",
       "220 Ready\r\n",
       {"331 Password required", "230 Logged in", "250 OK"},
       true,
       {"USER anonymous", "PASS secret", "CWD /"}},
      {"password refused",
       L"",
       "220 Ready\r\n",
       {"331 Password required", "530 Login incorrect"},
       false,
       {"USER anonymous", "PASS secret"}},
      {"no password needed",
       L"",
       "220 Ready\r\n",
       {"230 Logged in", "250 OK"},
       true,
       {"USER anonymous", "CWD /"}},
      {"account",
       L"lab",
       "220 Ready\r\n",
       {"331 Password required", "332 Account required", "230 Logged in", "250 OK"},
       true,
       {"USER anonymous", "PASS secret", "ACCT lab", "CWD /"}},
      {"empty account is the bare command",
       L"",
       "220 Ready\r\n",
       {"331 Password required", "332 Account required", "230 Logged in", "250 OK"},
       true,
       {"USER anonymous", "PASS secret", "ACCT", "CWD /"}},
      {"a second account request fails",
       L"lab",
       "220 Ready\r\n",
       {"331 Password required", "332 Account required", "332 Again"},
       false,
       {"USER anonymous", "PASS secret", "ACCT lab"}},
      {"multi-line greeting",
       L"",
       "220-Welcome to the lab\r\n220-Uploads only\r\n220 Ready\r\n",
       {"331 Password required", "230 Logged in", "250 OK"},
       true,
       {"USER anonymous", "PASS secret", "CWD /"}},
      {"greeting 120 (not ready yet)", L"", "120 Wait a minute\r\n", {}, false, {}},
      {"greeting 421", L"", "421 Too many users\r\n", {}, false, {}},
      {"home folder refused",
       L"",
       "220 Ready\r\n",
       {"331 Password required", "230 Logged in", "550 No such folder"},
       false,
       {"USER anonymous", "PASS secret", "CWD /"}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    ScriptedFtpServer server(answering(row.greeting, row.replies));
    {
      auto client = newClient();
      FtpLogon logon = logonTo(server);
      logon.account = row.account;
      EXPECT_EQ(client->Logon(logon), row.ok);
      if (row.ok) client->DisconnectControl();
    }
    server.join();
    Lines heard = server.heard();
    // A failed logon may still say goodbye.
    if (!row.ok && !heard.empty() && heard.back() == "QUIT") heard.pop_back();
    EXPECT_EQ(heard, row.heard);
  }
}

TEST(LogonTest, EveryFirewallScheme) {
  struct Row {
    int type;
    uint16_t port;
    Lines replies;  // to the logon commands, then to CWD /
    bool ok;
    Lines heard;
  };
  const std::string ok = "230 OK", more = "331 More";
  const Row rows[] = {
      {1,
       2121,
       {more, ok, more, more, ok, "250 OK"},
       true,
       {"USER fw", "PASS fwpw", "SITE ftp.lab:2121", "USER bob", "PASS pw", "CWD /"}},
      {1, 2121, {ok, ok}, false, {"USER fw", "SITE ftp.lab:2121"}},  // SITE must ask for more
      {2,
       2121,
       {more, ok, more, ok, "250 OK"},
       true,
       {"USER fw", "PASS fwpw", "USER bob@ftp.lab:2121", "PASS pw", "CWD /"}},
      {3,
       2121,
       {"220 Connected", more, ok, "250 OK"},
       true,
       {"OPEN ftp.lab:2121", "USER bob", "PASS pw", "CWD /"}},
      {4,
       2121,
       {more, ok, more, ok, "250 OK"},
       true,
       {"USER fw", "PASS fwpw", "USER bob", "PASS pw", "CWD /"}},
      {5, 2121, {more, ok, "250 OK"}, true, {"USER bob@ftp.lab:2121", "PASS pw", "CWD /"}},
      {5, 21, {more, ok, "250 OK"}, true, {"USER bob@ftp.lab", "PASS pw", "CWD /"}},
      {6,
       2121,
       {more, ok, more, ok, "250 OK"},
       true,
       {"USER fw@ftp.lab:2121", "PASS fwpw", "USER bob", "PASS pw", "CWD /"}},
      {7, 2121, {more, ok, "250 OK"}, true, {"USER bob@ftp.lab:2121 fw", "PASS pw", "CWD /"}},
      {7, 2121, {ok}, false, {"USER bob@ftp.lab:2121 fw"}},  // must ask for the password
      {8,
       2121,
       {more, more, ok, "250 OK"},
       true,
       {"USER bob@fw@ftp.lab:2121", "PASS pw@fwpw", "ACCT acct", "CWD /"}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(testing::Message() << "firewall type " << row.type << ", port " << row.port);
    // The scripted server is the firewall; the host behind it does not resolve here, so a
    // connection that reaches the server went to the firewall.
    ScriptedFtpServer server(answering("220 Firewall ready\r\n", row.replies));
    {
      auto client = newClient();
      FtpLogon logon;
      logon.host = L"ftp.lab";
      logon.port = row.port;
      logon.user = L"bob";
      logon.password = L"pw";
      logon.account = L"acct";
      logon.firewallHost = L"127.0.0.1";
      logon.firewallPort = server.port();
      logon.firewallUser = L"fw";
      logon.firewallPassword = L"fwpw";
      logon.firewallType = row.type;
      EXPECT_EQ(client->Logon(logon), row.ok);
      client->DisconnectControl();
    }
    server.join();
    EXPECT_EQ(server.heard(), row.heard);
  }
  auto client = newClient();
  FtpLogon logon;
  logon.firewallType = 9;
  EXPECT_FALSE(client->Logon(logon));
}

TEST(LogonTest, UnreachableAndSilentServers) {
  struct Row {
    const char* name;
    std::wstring host;
    std::function<uint16_t()> port;
    std::wstring error;  // the start of LastError()
    double atLeast;      // seconds the logon takes at least
  };
  std::unique_ptr<ftp_test::StalledListener> stalled;
  std::unique_ptr<ScriptedFtpServer> silent, hangingUp;
  const Row rows[] = {
      {"refused", L"127.0.0.1", [] { return ftp_test::closedPort(); },
       L"Connect error 0x0000006f (Connection refused)", 0},
      {"connect unanswered", L"127.0.0.1",
       [&] {
         stalled = std::make_unique<ftp_test::StalledListener>();
         return stalled->port();
       },
       L"Connect error 0x0000006e", 0.9},
      {"no greeting", L"127.0.0.1",
       [&] {
         silent = std::make_unique<ScriptedFtpServer>([](FtpSession& s) { s.stall(); });
         return silent->port();
       },
       L"Receive timeout error", 0.9},
      {"closed at once", L"127.0.0.1",
       [&] {
         hangingUp = std::make_unique<ScriptedFtpServer>([](FtpSession& s) { s.hangUp(); });
         return hangingUp->port();
       },
       L"the server closed the connection", 0},
      {"unknown host", L"no-such-host.invalid", [] { return uint16_t{21}; }, L"GetHostByName error",
       0},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    auto client = newClient(1);
    FtpLogon logon;
    logon.host = row.host;
    logon.port = row.port();
    const auto start = Clock::now();
    EXPECT_FALSE(client->Logon(logon));
    EXPECT_GE(secondsSince(start), row.atLeast);
    EXPECT_LT(secondsSince(start), 5.0);
    EXPECT_EQ(client->LastError().substr(0, row.error.size()), row.error);
    EXPECT_FALSE(client->IsConnected());
  }
}

TEST(ControlTest, QuitAndTheClientsEnd) {
  {
    SCOPED_TRACE("Quit");
    ScriptedFtpServer server(answering("220 Ready\r\n", {"230 OK", "250 OK", "221 Bye"}));
    auto client = newClient();
    ASSERT_TRUE(client->Logon(logonTo(server)));
    EXPECT_EQ(client->Quit(), CFTPClient::ResultOk);
    EXPECT_FALSE(client->IsConnected());
    // Nothing is sent on a closed connection.
    EXPECT_EQ(client->ChangeDirectory(L"/x"), CFTPClient::ResultError);
    client.reset();
    server.join();
    EXPECT_EQ(server.heard(), (Lines{"USER anonymous", "CWD /", "QUIT"}));
  }
  {
    SCOPED_TRACE("the end of a connected client says goodbye");
    ScriptedFtpServer server(answering("220 Ready\r\n", {"230 OK", "250 OK"}));
    auto client = newClient();
    ASSERT_TRUE(client->Logon(logonTo(server)));
    client.reset();
    server.join();
    EXPECT_EQ(server.heard(), (Lines{"USER anonymous", "CWD /", "QUIT"}));
  }
}

TEST(ControlTest, CommandLinesAreUtf8AndCannotCarryAnotherCommand) {
  ScriptedFtpServer server(answering("220 Ready\r\n", {"250 OK", "550 No", "250 OK"}));
  auto client = connectedClient(server);
  FtpReply greeting;
  ASSERT_TRUE(client->ReadReply(greeting));
  EXPECT_EQ(client->ChangeDirectory(L"/Gr\u00fc\u00dfe/\u4e2d"), CFTPClient::ResultOk);
  EXPECT_EQ(client->ChangeDirectory(L"/missing"), CFTPClient::ResultNotOk);
  EXPECT_EQ(client->LastError(), L"CWD refused: 550 No");
  for (const std::wstring& folder : {std::wstring(L"/a\r\nDELE b"), std::wstring(L"/a\nb"),
                                     std::wstring(L"/a\0b", 4), std::wstring(L"/\xd800")}) {
    EXPECT_EQ(client->ChangeDirectory(folder), CFTPClient::ResultError);
    EXPECT_TRUE(client->IsConnected());
  }
  EXPECT_EQ(client->ChangeDirectory(L"/ok"), CFTPClient::ResultOk);
  client->DisconnectControl();
  server.join();
  EXPECT_EQ(server.heard(), (Lines{"CWD /Gr\xc3\xbc\xc3\x9f"
                                   "e/\xe4\xb8\xad",
                                   "CWD /missing", "CWD /ok"}));
}

}  // namespace
