// The control connection: commands, replies, logon, directory and quit.
#include "ftp/ftp_client.h"

#include <cstring>

#include "avifile/assertion.h"
#include "ftp/ftp_text.h"

namespace nsFTP {

using nsSocket::CBlockingSocketException;

namespace {

// A server may send long greetings, but not without end.
constexpr size_t kMaxLineBytes = 64 * 1024;
constexpr size_t kMaxReplyChars = 1024 * 1024;

// --- logon sequences: per firewall type, states of {action, next on 2xx, next on 3xx}

constexpr int kDone = 100;
constexpr int kFailed = 101;

struct LogonState {
  int action;
  int next2;
  int next3;
};

// clang-format off
const std::vector<LogonState> kLogonSequences[9] = {
    {{0, kDone, 1}, {1, kDone, 2}, {2, kDone, kFailed}},
    {{3, 2, 1}, {4, 2, kFailed}, {5, kFailed, 3}, {0, kDone, 4}, {1, kDone, 5}, {2, kDone, kFailed}},
    {{3, 2, 1}, {4, 2, kFailed}, {6, kDone, 3}, {1, kDone, 4}, {2, kDone, kFailed}},
    {{7, 1, 1}, {0, kDone, 2}, {1, kDone, 3}, {2, kDone, kFailed}},
    {{3, 2, 1}, {4, 2, kFailed}, {0, kDone, 3}, {1, kDone, 4}, {2, kDone, kFailed}},
    {{6, kDone, 1}, {1, kDone, 2}, {2, kDone, kFailed}},
    {{8, 2, 1}, {4, 2, kFailed}, {0, kDone, 3}, {1, kDone, 4}, {2, kDone, kFailed}},
    {{9, kFailed, 1}, {1, kDone, 2}, {2, kDone, kFailed}},
    {{10, kDone, 1}, {11, kDone, 2}, {2, kDone, kFailed}},
};
// clang-format on

// The command and argument of a logon action; host is the host text ("host[:port]").
struct LogonAction {
  int command;
  std::wstring argument;
};

LogonAction logonAction(int action, const FtpLogon& l, const std::wstring& host) {
  // clang-format off
  switch (action) {
    case 0: return {CCommand::USER, l.user};
    case 1: return {CCommand::PASS, l.password};
    case 2: return {CCommand::ACCT, l.account};
    case 3: return {CCommand::USER, l.firewallUser};
    case 4: return {CCommand::PASS, l.firewallPassword};
    case 5: return {CCommand::SITE, host};
    case 6: return {CCommand::USER, l.user + L"@" + host};
    case 7: return {CCommand::OPEN, host};
    case 8: return {CCommand::USER, l.firewallUser + L"@" + host};
    case 9: return {CCommand::USER, l.user + L"@" + host + L" " + l.firewallUser};
    case 10: return {CCommand::USER, l.user + L"@" + l.firewallUser + L"@" + host};
    case 11: return {CCommand::PASS, l.password + L"@" + l.firewallPassword};
  }
  // clang-format on
  VIXO_ASSERT(false);
  return {};
}

}  // namespace

bool FtpReply::IsPositiveReply() const {
  const wchar_t kind = Kind();
  return kind == L'1' || kind == L'2' || kind == L'3';
}

CFTPClient::CFTPClient(std::unique_ptr<nsSocket::IBlockingSocket> apSckControlConnection,
                       std::wstring homeDirectory)
    : m_strHomeDirectory(std::move(homeDirectory)),
      m_apSckControlConnection(std::move(apSckControlConnection)) {
  VIXO_ASSERT(m_apSckControlConnection.get());
}

CFTPClient::~CFTPClient() {
  try {
    if (IsConnected()) Quit();
  } catch (...) {
    // A destructor that ends an upload must not end the program.
  }
}

bool CFTPClient::IsConnected() const {
  return m_apSckControlConnection->operator nsSocket::SOCKET() != nsSocket::INVALID_SOCKET;
}

void CFTPClient::Fail(const std::wstring& what) { m_strLastError = what; }

void CFTPClient::Fail(const CBlockingSocketException& e) {
  m_strLastError = e.ErrorText();
  if (!e.SystemText().empty()) m_strLastError += L" (" + e.SystemText() + L")";
}

void CFTPClient::FailReply(int commandId, const FtpReply& reply) {
  Fail(CCommand::Info(commandId).GetServerString() + L" refused: " + reply.Value());
}

// --- connection

bool CFTPClient::ConnectControl(const std::wstring& host, uint16_t port) {
  DisconnectControl();
  try {
    std::string name;
    if (!toNarrow(host, name)) {
      Fail(L"the host name cannot be encoded");
      return false;
    }
    m_apSckControlConnection->Create(SOCK_STREAM);
    const sockaddr_in address =
        m_apSckControlConnection->GetHostByName(name.c_str(), port, m_iTimeout);
    m_apSckControlConnection->Connect(reinterpret_cast<const sockaddr*>(&address), m_iTimeout);
    return true;
  } catch (const CBlockingSocketException& e) {
    Fail(e);
    m_apSckControlConnection->CloseQuietly();
    return false;
  }
}

void CFTPClient::DisconnectControl() {
  try {
    m_apSckControlConnection->Close();
  } catch (const CBlockingSocketException&) {
    m_apSckControlConnection->CloseQuietly();
  }
  // Whatever happened, the next connection starts afresh: a type accepted on this one does not
  // hold on the next.
  m_oCurrentTransferType.reset();
  m_qResponseBuffer.clear();
  m_strPending.clear();
}

bool CFTPClient::IsSendableArgument(const std::wstring& argument) {
  std::string bytes;
  return toNarrow(argument, bytes) &&
         bytes.find_first_of(std::string("\r\n\0", 3)) == std::string::npos;
}

bool CFTPClient::SendCommandLine(int commandId, const std::vector<std::wstring>& arguments) {
  if (!IsConnected()) {
    Fail(L"not connected");
    return false;
  }
  std::wstring line = CCommand::Info(commandId).GetServerString();
  for (const std::wstring& argument : arguments) {
    if (argument.empty()) continue;
    if (!IsSendableArgument(argument)) {
      Fail(line + L": an argument holds a line break or a character that cannot be sent");
      return false;
    }
    line += L' ';
    line += argument;
  }
  std::string bytes;
  toNarrow(line, bytes);
  bytes += "\r\n";
  try {
    m_apSckControlConnection->Send(bytes.data(), static_cast<int>(bytes.size()), m_iTimeout);
    return true;
  } catch (const CBlockingSocketException& e) {
    Fail(e);
    m_apSckControlConnection->CloseQuietly();
    return false;
  }
}

bool CFTPClient::ReadReplyLine(std::wstring& line) {
  if (!IsConnected()) {
    Fail(L"not connected");
    return false;
  }
  try {
    while (m_qResponseBuffer.empty()) {
      const int count = m_apSckControlConnection->Receive(
          m_vBuffer.data(), static_cast<int>(kBufferSize - 1), m_iTimeout);
      if (count <= 0) {
        // The server closed the connection; a last line without its end still counts.
        m_apSckControlConnection->CloseQuietly();
        if (m_strPending.empty()) {
          Fail(L"the server closed the connection");
          return false;
        }
        m_qResponseBuffer.push_back(std::move(m_strPending));
        m_strPending.clear();
        break;
      }
      // The text of a read ends at its first NUL.
      m_strPending.append(m_vBuffer.data(), strnlen(m_vBuffer.data(), static_cast<size_t>(count)));
      // Complete lines are queued; a line whose end has not arrived waits for the next read.
      size_t start = 0;
      for (size_t end; (end = m_strPending.find('\n', start)) != std::string::npos;
           start = end + 1) {
        m_qResponseBuffer.push_back(m_strPending.substr(start, end + 1 - start));
      }
      m_strPending.erase(0, start);
      if (m_strPending.size() > kMaxLineBytes) {
        Fail(L"the server sent a reply line without end");
        m_apSckControlConnection->CloseQuietly();
        return false;
      }
    }
  } catch (const CBlockingSocketException& e) {
    Fail(e);
    m_apSckControlConnection->CloseQuietly();
    return false;
  }
  line = toWide(m_qResponseBuffer.front());
  m_qResponseBuffer.pop_front();
  if (line.size() >= 2 && line.compare(line.size() - 2, 2, L"\r\n") == 0) {
    line.resize(line.size() - 2);
  }
  return true;
}

bool CFTPClient::ReadReply(FtpReply& reply) {
  reply.Set({}, {});
  std::wstring line;
  if (!ReadReplyLine(line)) return false;
  std::wstring text = line;
  if (line.size() > 3 && line[3] == L'-') {
    // A multi-line reply ends with a line that starts with the same code and a blank.
    const int64_t code = readLong(line);
    for (;;) {
      if (!ReadReplyLine(line)) return false;
      if (text.size() + line.size() > kMaxReplyChars) {
        Fail(L"the server sent a reply without end");
        m_apSckControlConnection->CloseQuietly();
        return false;
      }
      text += m_strEolCharacterSequence;
      text += line;
      if (line.size() > 3 && line[3] == L' ' && readLong(line) == code) break;
    }
  }
  if (text.size() < 3) {
    reply.Set(std::move(text), {});
    Fail(L"invalid reply: " + reply.Value());
    return false;
  }
  if (text[0] < L'1' || text[0] > L'5' || text[1] < L'0' || text[1] > L'5') {
    reply.Set(std::move(text), {});
    Fail(L"invalid reply: " + reply.Value());
    return false;
  }
  std::wstring code = text.substr(0, 3);
  reply.Set(std::move(text), std::move(code));
  return true;
}

CFTPClient::TResult CFTPClient::SimpleCommand(int commandId,
                                              const std::vector<std::wstring>& arguments,
                                              FtpReply& reply) {
  if (!SendCommandLine(commandId, arguments) || !ReadReply(reply)) return ResultError;
  return ResultOf(commandId, reply);
}

CFTPClient::TResult CFTPClient::ResultOf(int commandId, const FtpReply& reply) {
  const wchar_t kind = reply.Kind();
  if (kind == L'2') return ResultOk;
  FailReply(commandId, reply);
  // A preliminary or intermediate reply is not what a simple command expects.
  return kind == L'4' || kind == L'5' ? ResultNotOk : ResultError;
}

// --- logon, directory, quit

bool CFTPClient::Logon(const FtpLogon& logonInfo) {
  m_LastLogonInfo = logonInfo;
  const FtpLogon& l = m_LastLogonInfo;
  if (l.firewallType < 0 || l.firewallType > 8) {
    Fail(L"unknown firewall type " + std::to_wstring(l.firewallType));
    return false;
  }
  std::wstring hostText = l.host;
  if (l.port != 21) hostText += L":" + std::to_wstring(l.port);

  if (IsConnected()) Quit();
  const bool viaFirewall = l.firewallType != 0;
  if (!ConnectControl(viaFirewall ? l.firewallHost : l.host,
                      viaFirewall ? l.firewallPort : l.port)) {
    return false;
  }

  FtpReply reply;
  if (!ReadReply(reply)) return false;
  if (reply.Kind() != L'2') {
    Fail(L"greeting refused: " + reply.Value());
    return false;
  }

  const std::vector<LogonState>& states = kLogonSequences[l.firewallType];
  for (int state = 0; state != kDone;) {
    if (state == kFailed) {
      Fail(L"logon refused: " + reply.Value());
      return false;
    }
    const LogonAction action = logonAction(states[static_cast<size_t>(state)].action, l, hostText);
    if (!SendCommandLine(action.command, {action.argument}) || !ReadReply(reply)) return false;
    if (reply.Kind() == L'2') {
      state = states[static_cast<size_t>(state)].next2;
    } else if (reply.Kind() == L'3') {
      state = states[static_cast<size_t>(state)].next3;
    } else {
      FailReply(action.command, reply);
      return false;
    }
  }
  return ChangeDirectory(m_strHomeDirectory) == ResultOk;
}

CFTPClient::TResult CFTPClient::ChangeDirectory(const std::wstring& strDirectory) {
  VIXO_ASSERT(!strDirectory.empty());
  FtpReply reply;
  return SimpleCommand(CCommand::CWD, {strDirectory}, reply);
}

CFTPClient::TResult CFTPClient::Quit() {
  FtpReply reply;
  if (!SendCommandLine(CCommand::QUIT, {}) || !ReadReply(reply)) return ResultError;
  DisconnectControl();
  return ResultOf(CCommand::QUIT, reply);
}

}  // namespace nsFTP
