// The blocking TCP socket under the FTP client (IPv4 only).
//
// Every operation blocks its caller; waits for the socket use poll and end after the time-out
// the caller passes in seconds (a negative time-out waits as long as the system takes). Every
// failure throws CBlockingSocketException, which names the failed operation and carries the
// system's error number (errno). Sends never raise SIGPIPE. A socket belongs to one thread at a
// time; nothing is locked.
#pragma once

#include <netinet/in.h>
#include <sys/socket.h>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace nsSocket {

using SOCKET = int;
constexpr SOCKET INVALID_SOCKET = -1;

// A failed socket operation: the operation's name and the system's error number (0 for a
// time-out, which is no system error).
class CBlockingSocketException {
 public:
  // Takes the code from errno.
  explicit CBlockingSocketException(const wchar_t* pchMessage);
  CBlockingSocketException(const wchar_t* pchMessage, int32_t code);
  // With the system's own description where the code is not an errno value (name lookups).
  CBlockingSocketException(const wchar_t* pchMessage, int32_t code, std::wstring systemText);
  CBlockingSocketException(const CBlockingSocketException&) = default;
  CBlockingSocketException& operator=(const CBlockingSocketException&) = default;
  virtual ~CBlockingSocketException() = default;

  // FormatError's text.
  virtual std::wstring ErrorText() const;
  // Writes "<message> error 0x<code as 8 hex digits>", or "<message> error" when the code is 0;
  // false, writing nothing, when the buffer (size in characters, room for the NUL included) is
  // too small.
  virtual bool FormatError(wchar_t* buffer, size_t size, int unused = 0) const;

  int32_t Code() const { return m_nError; }
  const std::wstring& Message() const { return m_strMessage; }
  // What the system says about the code (strerror), or the lookup's own text; empty for 0.
  const std::wstring& SystemText() const { return m_strSystemText; }

 private:
  int32_t m_nError;
  std::wstring m_strMessage;
  std::wstring m_strSystemText;
};

// The socket as the FTP client sees it. Preconditions are programming errors (assertions).
class IBlockingSocket {
 public:
  virtual ~IBlockingSocket() = default;

  // A new, unopened socket of the same class; the caller owns it.
  virtual std::unique_ptr<IBlockingSocket> NewInstance() const = 0;
  // Opens socket(AF_INET, type, 0); requires an unopened socket.
  virtual SOCKET Create(int nType) = 0;
  // Connects to an IPv4 address, waiting at most nSecs seconds for the connection.
  virtual void Connect(const sockaddr* psa, int nSecs) = 0;
  virtual void Bind(const sockaddr* psa) = 0;
  // Backlog 5.
  virtual void Listen() = 0;
  // Closes when open; never throws.
  virtual void CloseQuietly() = 0;
  // Accepts one connection into the unopened target; false when the wait was interrupted.
  virtual bool Accept(IBlockingSocket& sConnect, sockaddr* psa) = 0;
  // Closes when open; throws "Close" when the system reports a failure (the descriptor is
  // released all the same).
  virtual void Close() = 0;
  // Sends all nSize bytes, waiting at most nSecs for room before each part; returns nSize.
  virtual int Send(const char* pch, int nSize, int nSecs) = 0;
  // Waits at most nSecs for data, then reads once up to nSize bytes; 0 when the peer closed.
  virtual int Receive(char* pch, int nSize, int nSecs) = 0;
  virtual void GetPeerName(sockaddr* psa) = 0;
  virtual void GetSockName(sockaddr* psa) = 0;
  virtual operator SOCKET() const = 0;
  // Whether data (or the peer's close) is waiting; does not wait.
  virtual bool IsReadable() = 0;
  // The first IPv4 address of the host with the port (both in network byte order), looking
  // the name up for at most nSecs seconds.
  virtual sockaddr_in GetHostByName(const char* pchName, uint16_t ushPort, int nSecs) = 0;
  // The name the reverse lookup gives for an IPv4 address.
  virtual std::string GetHostByAddr(const sockaddr* psa) = 0;
};

class CBlockingSocket : public IBlockingSocket {
 public:
  CBlockingSocket() = default;
  ~CBlockingSocket() override;
  CBlockingSocket(const CBlockingSocket&) = delete;
  CBlockingSocket& operator=(const CBlockingSocket&) = delete;

  std::unique_ptr<IBlockingSocket> NewInstance() const override;
  SOCKET Create(int nType) override;
  void Connect(const sockaddr* psa, int nSecs) override;
  void Bind(const sockaddr* psa) override;
  void Listen() override;
  void CloseQuietly() override;
  bool Accept(IBlockingSocket& sConnect, sockaddr* psa) override;
  void Close() override;
  int Send(const char* pch, int nSize, int nSecs) override;
  int Receive(char* pch, int nSize, int nSecs) override;
  void GetPeerName(sockaddr* psa) override;
  void GetSockName(sockaddr* psa) override;
  operator SOCKET() const override { return m_hSocket; }
  bool IsReadable() override;
  sockaddr_in GetHostByName(const char* pchName, uint16_t ushPort, int nSecs) override;
  std::string GetHostByAddr(const sockaddr* psa) override;

 private:
  SOCKET m_hSocket = INVALID_SOCKET;
};

}  // namespace nsSocket
