// A synchronous FTP client (RFC 959) for uploads: one control connection, passive data
// connections only, logon through the common firewall schemes, STOR and APPE with resume.
//
// Every operation runs to its end on the calling thread; each wait on a connection (name
// lookup and connect included) ends after the client's time-out. One thread drives one
// client; nothing is locked. Socket failures never leave the client: they close the
// connection they happened on and turn into false or ResultError, with the reason in
// LastError(). Text goes to the server as UTF-8.
#pragma once

#include <array>
#include <cstdint>
#include <deque>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "ftp/blocking_socket.h"
#include "ftp/ftp_command.h"

namespace nsFTP {

// The representation of transferred data: type 0 "A" (ASCII), 1 "E" (EBCDIC), 2 "I" (image),
// 3 "L" (local byte size); format 0 none, 1 "N", 2 "T", 3 "C" (types 0 to 2 only).
struct TransferType {
  int32_t type = 0;
  int32_t format = 0;
  bool operator==(const TransferType&) const = default;
};

// Where and how to log on; a firewall type other than 0 connects to the firewall and logs on
// through it (types 1 to 8: the usual SITE, USER user@host, OPEN and proxy-user schemes).
struct FtpLogon {
  std::wstring host;
  uint16_t port = 21;
  std::wstring user = L"anonymous";
  std::wstring password;
  std::wstring account;
  std::wstring firewallHost;
  std::wstring firewallUser;
  std::wstring firewallPassword;
  uint16_t firewallPort = 21;
  int32_t firewallType = 0;
};

// One reply: its text (the lines of a multi-line reply joined by CRLF) and its three-digit
// code (empty when the reply has no valid code).
class FtpReply {
 public:
  const std::wstring& Value() const { return m_strValue; }
  const std::wstring& Code() const { return m_strCode; }
  // 1xx, 2xx or 3xx.
  bool IsPositiveReply() const;
  // The first digit of the code, or 0 without a code.
  wchar_t Kind() const { return m_strCode.empty() ? L'\0' : m_strCode[0]; }

  void Set(std::wstring value, std::wstring code) {
    m_strValue = std::move(value);
    m_strCode = std::move(code);
  }

 private:
  std::wstring m_strValue;
  std::wstring m_strCode;
};

class CFTPClient {
 public:
  enum TResult { ResultError = -1, ResultOk = 0, ResultNotOk = 1 };

  static constexpr int kTimeoutSeconds = 10;
  // The control connection's receive buffer and the chunk size of transfers.
  static constexpr size_t kBufferSize = 2048;

  // The local end of a transfer.
  class ITransferNotification : public IInterface {
   public:
    virtual std::wstring GetLocalStreamName() const = 0;
    virtual int64_t GetLocalStreamSize() const = 0;
    // Byte offset from the start.
    virtual void SetLocalStreamOffset(int64_t offset) = 0;
    virtual void OnBytesReceived(const char* buffer, size_t count) = 0;
    // Fills at most capacity bytes; count 0 at the end. False when the bytes cannot be read.
    virtual bool OnPreBytesSend(char* buffer, size_t capacity, size_t& count) = 0;
  };

  // Takes over the control socket (required); the home directory is entered after logon.
  CFTPClient(std::unique_ptr<nsSocket::IBlockingSocket> apSckControlConnection,
             std::wstring homeDirectory);
  // Sends QUIT while the control connection is open.
  ~CFTPClient();
  CFTPClient(const CFTPClient&) = delete;
  CFTPClient& operator=(const CFTPClient&) = delete;

  // Connects, reads the greeting, logs on and enters the home directory.
  bool Logon(const FtpLogon& logonInfo);
  // CWD; the directory must not be empty.
  TResult ChangeDirectory(const std::wstring& strDirectory);
  TResult Quit();
  bool IsConnected() const;

  // TYPE, sent only when the server has not accepted this type on this connection yet.
  TResult SetTransferType(const TransferType& type);
  TResult SendTypeCommand(const TransferType& type);
  // SIZE; sets size only on a 2xx reply.
  TResult QueryFileSize(const std::wstring& strPath, int64_t& size);
  // PASV; the data connection's IPv4 address and port in host byte order.
  TResult EnterPassiveMode(uint32_t& address, uint16_t& port);
  // The "(h1,h2,h3,h4,p1,p2)" of a PASV reply; false when it is missing or malformed.
  static bool ParsePassiveAddress(const std::wstring& text, uint32_t& address, uint16_t& port);
  // Uploads a local file; resumes with APPE from the server's size when the server holds part
  // of it. True when the server confirmed the whole file.
  bool StoreFile(const std::wstring& localPath, const std::wstring& remotePath,
                 const TransferType& type);

  // --- the steps the operations above are made of

  bool ConnectControl(const std::wstring& host, uint16_t port);
  void DisconnectControl();
  // The command's name and every non-empty argument, separated by blanks. False without
  // sending when the connection is closed or an argument holds a line break or a NUL (which
  // would let it smuggle in a command of its own).
  bool SendCommandLine(int commandId, const std::vector<std::wstring>& arguments);
  // Whether a text can go out as one argument: UTF-8 without line breaks and NULs.
  static bool IsSendableArgument(const std::wstring& argument);
  bool ReadReply(FtpReply& reply);
  bool ReadReplyLine(std::wstring& line);
  bool OpenDataConnection(int commandId, const std::wstring& path,
                          nsSocket::IBlockingSocket& dataSocket);
  // Runs one data command end to end. Only sending commands (STOR, APPE) are supported. An
  // exception from closing the data socket is passed on to the caller.
  bool RunDataCommand(int commandId, const std::wstring& path, const TransferType& type,
                      ITransferNotification& local);
  bool SendFileData(ITransferNotification& local, nsSocket::IBlockingSocket& dataSocket);

  // Why the last operation failed (a socket error with the system's text, or the server's
  // reply); kept until the next failure.
  const std::wstring& LastError() const { return m_strLastError; }
  // Seconds of every wait; the product keeps kTimeoutSeconds, tests shorten it.
  void SetTimeout(int seconds) { m_iTimeout = seconds; }

 private:
  TResult SimpleCommand(int commandId, const std::vector<std::wstring>& arguments, FtpReply& reply);
  // A simple command's result for its reply.
  TResult ResultOf(int commandId, const FtpReply& reply);
  void Fail(const std::wstring& what);
  void Fail(const nsSocket::CBlockingSocketException& e);
  void FailReply(int commandId, const FtpReply& reply);

  int32_t m_iTimeout = kTimeoutSeconds;
  std::wstring m_strEolCharacterSequence = L"\r\n";
  std::wstring m_strHomeDirectory;
  std::array<char, kBufferSize> m_vBuffer{};
  std::deque<std::string> m_qResponseBuffer;
  std::optional<TransferType> m_oCurrentTransferType;
  std::unique_ptr<nsSocket::IBlockingSocket> m_apSckControlConnection;
  FtpLogon m_LastLogonInfo;
  // Received bytes of a line whose end has not arrived yet.
  std::string m_strPending;
  std::wstring m_strLastError;
};

}  // namespace nsFTP
