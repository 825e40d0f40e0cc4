#include "ftp/blocking_socket.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netdb.h>
#include <poll.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <climits>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <cwchar>

#include "avifile/assertion.h"
#include "ftp/ftp_text.h"

namespace nsSocket {

namespace {

using Clock = std::chrono::steady_clock;

std::wstring errnoText(int code) {
  if (code == 0) return {};
  char buffer[256];
  // The GNU strerror_r returns its text, which need not be in the buffer.
  const char* text = strerror_r(code, buffer, sizeof buffer);
  return nsFTP::toWide(text);
}

// A wait's end: none for a negative number of seconds.
class Deadline {
 public:
  explicit Deadline(int seconds)
      : m_bBounded(seconds >= 0), m_end(Clock::now() + std::chrono::seconds(seconds)) {}
  // Milliseconds left for poll (-1: no bound, 0: over).
  int remainingMs() const {
    if (!m_bBounded) return -1;
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(m_end - Clock::now()).count();
    if (left <= 0) return 0;
    return left > INT_MAX ? INT_MAX : static_cast<int>(left);
  }

 private:
  bool m_bBounded;
  Clock::time_point m_end;
};

// 1 when the socket is ready for the events (or failed), 0 when the deadline passed, -1 when
// poll failed (errno set). Interrupted waits go on until the deadline.
int waitFor(SOCKET socket, short events, const Deadline& deadline) {
  for (;;) {
    pollfd fd{socket, events, 0};
    const int ready = ::poll(&fd, 1, deadline.remainingMs());
    if (ready >= 0) return ready > 0 ? 1 : 0;
    if (errno != EINTR) return -1;
  }
}

// A name lookup that outlives a caller who stopped waiting for it: the caller and the lookup's
// completion each hold one reference, and the last one frees the request.
struct Lookup {
  std::atomic<int> references{2};
  std::string name;
  addrinfo hints{};
  gaicb request{};

  static void release(Lookup* lookup) {
    if (lookup->references.fetch_sub(1) != 1) return;
    if (lookup->request.ar_result) freeaddrinfo(lookup->request.ar_result);
    delete lookup;
  }
  static void completed(sigval value) { release(static_cast<Lookup*>(value.sival_ptr)); }
};

[[noreturn]] void throwLookupError(int code) {
  if (code == EAI_SYSTEM) throw CBlockingSocketException(L"GetHostByName");
  throw CBlockingSocketException(L"GetHostByName", code, nsFTP::toWide(gai_strerror(code)));
}

sockaddr_in firstIPv4(const addrinfo* list, uint16_t port) {
  for (const addrinfo* at = list; at; at = at->ai_next) {
    if (at->ai_family != AF_INET || at->ai_addrlen < sizeof(sockaddr_in)) continue;
    sockaddr_in address;
    std::memcpy(&address, at->ai_addr, sizeof address);
    address.sin_port = htons(port);
    return address;
  }
  throwLookupError(EAI_NONAME);
}

}  // namespace

// --- exception

CBlockingSocketException::CBlockingSocketException(const wchar_t* pchMessage)
    : CBlockingSocketException(pchMessage, errno) {}

CBlockingSocketException::CBlockingSocketException(const wchar_t* pchMessage, int32_t code)
    : m_nError(code), m_strSystemText(errnoText(code)) {
  VIXO_ASSERT(pchMessage != NULL);
  m_strMessage = pchMessage;
}

CBlockingSocketException::CBlockingSocketException(const wchar_t* pchMessage, int32_t code,
                                                   std::wstring systemText)
    : m_nError(code), m_strSystemText(std::move(systemText)) {
  VIXO_ASSERT(pchMessage != NULL);
  m_strMessage = pchMessage;
}

bool CBlockingSocketException::FormatError(wchar_t* buffer, size_t size, int) const {
  const size_t needed = m_strMessage.size() + (m_nError != 0 ? 18 : 7);
  if (buffer == nullptr || size < needed) return false;
  if (m_nError != 0) {
    std::swprintf(buffer, size, L"%ls error 0x%08x", m_strMessage.c_str(),
                  static_cast<unsigned>(m_nError));
  } else {
    std::swprintf(buffer, size, L"%ls error", m_strMessage.c_str());
  }
  return true;
}

std::wstring CBlockingSocketException::ErrorText() const {
  wchar_t buffer[512] = {};
  FormatError(buffer, 512);
  return buffer;
}

// --- socket

CBlockingSocket::~CBlockingSocket() {
  if (m_hSocket != INVALID_SOCKET) ::close(m_hSocket);
}

std::unique_ptr<IBlockingSocket> CBlockingSocket::NewInstance() const {
  return std::make_unique<CBlockingSocket>();
}

SOCKET CBlockingSocket::Create(int nType) {
  VIXO_ASSERT(m_hSocket==INVALID_SOCKET);
  const SOCKET handle = ::socket(AF_INET, nType | SOCK_CLOEXEC, 0);
  if (handle < 0) throw CBlockingSocketException(L"Create");
  m_hSocket = handle;
  return m_hSocket;
}

void CBlockingSocket::Connect(const sockaddr* psa, int nSecs) {
  VIXO_ASSERT(psa != NULL);
  VIXO_ASSERT(m_hSocket!=INVALID_SOCKET);
  // Connect without blocking and wait with poll, so that an unanswered connect ends in time.
  const int flags = ::fcntl(m_hSocket, F_GETFL);
  if (flags < 0 || ::fcntl(m_hSocket, F_SETFL, flags | O_NONBLOCK) < 0) {
    throw CBlockingSocketException(L"Connect");
  }
  int error = 0;
  if (::connect(m_hSocket, psa, sizeof(sockaddr_in)) < 0) {
    error = errno;
    if (error == EINPROGRESS || error == EINTR) {
      const int ready = waitFor(m_hSocket, POLLOUT, Deadline(nSecs));
      if (ready < 0) {
        error = errno;
      } else if (ready == 0) {
        error = ETIMEDOUT;
      } else {
        socklen_t length = sizeof error;
        if (::getsockopt(m_hSocket, SOL_SOCKET, SO_ERROR, &error, &length) < 0) error = errno;
      }
    }
  }
  ::fcntl(m_hSocket, F_SETFL, flags);
  if (error != 0) throw CBlockingSocketException(L"Connect", error);
}

void CBlockingSocket::Bind(const sockaddr* psa) {
  VIXO_ASSERT(psa != NULL);
  VIXO_ASSERT(m_hSocket!=INVALID_SOCKET);
  const int on = 1;
  ::setsockopt(m_hSocket, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
  if (::bind(m_hSocket, psa, sizeof(sockaddr_in)) < 0) throw CBlockingSocketException(L"Bind");
}

void CBlockingSocket::Listen() {
  VIXO_ASSERT(m_hSocket!=INVALID_SOCKET);
  if (::listen(m_hSocket, 5) < 0) throw CBlockingSocketException(L"Listen");
}

void CBlockingSocket::CloseQuietly() {
  if (m_hSocket == INVALID_SOCKET) return;
  ::close(m_hSocket);
  m_hSocket = INVALID_SOCKET;
}

bool CBlockingSocket::Accept(IBlockingSocket& sConnect, sockaddr* psa) {
  VIXO_ASSERT(psa != NULL);
  VIXO_ASSERT(m_hSocket!=INVALID_SOCKET);
  VIXO_ASSERT(sConnect.operator SOCKET() == INVALID_SOCKET);
  auto* target = dynamic_cast<CBlockingSocket*>(&sConnect);
  VIXO_ASSERT(target != NULL);
  socklen_t length = sizeof(sockaddr_in);
  const SOCKET handle = ::accept4(m_hSocket, psa, &length, SOCK_CLOEXEC);
  if (handle < 0) {
    if (errno == EINTR) return false;
    throw CBlockingSocketException(L"Accept");
  }
  target->m_hSocket = handle;
  return true;
}

void CBlockingSocket::Close() {
  if (m_hSocket == INVALID_SOCKET) return;
  // The descriptor is gone even when close reports an error; keeping it would close whatever
  // the number names next.
  const SOCKET handle = m_hSocket;
  m_hSocket = INVALID_SOCKET;
  if (::close(handle) != 0) throw CBlockingSocketException(L"Close");
}

int CBlockingSocket::Send(const char* pch, int nSize, int nSecs) {
  VIXO_ASSERT(pch != NULL);
  VIXO_ASSERT(m_hSocket!=INVALID_SOCKET);
  VIXO_ASSERT(nSize >= 0);
  int sent = 0;
  do {
    const int ready = waitFor(m_hSocket, POLLOUT, Deadline(nSecs));
    if (ready < 0) throw CBlockingSocketException(L"Send");
    if (ready == 0) throw CBlockingSocketException(L"Send timeout", 0);
    if (sent == nSize) break;
    const ssize_t n = ::send(m_hSocket, pch + sent, static_cast<size_t>(nSize - sent),
                             MSG_NOSIGNAL | MSG_DONTWAIT);
    if (n < 0) {
      if (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR) continue;
      throw CBlockingSocketException(L"Send");
    }
    sent += static_cast<int>(n);
  } while (sent < nSize);
  return sent;
}

int CBlockingSocket::Receive(char* pch, int nSize, int nSecs) {
  VIXO_ASSERT(pch != NULL);
  VIXO_ASSERT(m_hSocket!=INVALID_SOCKET);
  VIXO_ASSERT(nSize >= 0);
  const Deadline deadline(nSecs);
  for (;;) {
    const int ready = waitFor(m_hSocket, POLLIN, deadline);
    if (ready < 0) throw CBlockingSocketException(L"Receive");
    if (ready == 0) throw CBlockingSocketException(L"Receive timeout", 0);
    const ssize_t n = ::recv(m_hSocket, pch, static_cast<size_t>(nSize), MSG_DONTWAIT);
    if (n >= 0) return static_cast<int>(n);
    if (errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR) {
      throw CBlockingSocketException(L"Receive");
    }
  }
}

void CBlockingSocket::GetPeerName(sockaddr* psa) {
  VIXO_ASSERT(psa != NULL);
  VIXO_ASSERT(m_hSocket!=INVALID_SOCKET);
  socklen_t length = sizeof(sockaddr_in);
  if (::getpeername(m_hSocket, psa, &length) < 0) throw CBlockingSocketException(L"GetPeerName");
}

void CBlockingSocket::GetSockName(sockaddr* psa) {
  VIXO_ASSERT(psa != NULL);
  VIXO_ASSERT(m_hSocket!=INVALID_SOCKET);
  socklen_t length = sizeof(sockaddr_in);
  if (::getsockname(m_hSocket, psa, &length) < 0) throw CBlockingSocketException(L"GetSockName");
}

bool CBlockingSocket::IsReadable() {
  VIXO_ASSERT(m_hSocket!=INVALID_SOCKET);
  pollfd fd{m_hSocket, POLLIN, 0};
  int ready;
  do {
    ready = ::poll(&fd, 1, 0);
  } while (ready < 0 && errno == EINTR);
  if (ready < 0) throw CBlockingSocketException(L"Socket Error");
  return ready == 1;
}

sockaddr_in CBlockingSocket::GetHostByName(const char* pchName, uint16_t ushPort, int nSecs) {
  VIXO_ASSERT(pchName != NULL);
  if (nSecs < 0) {
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* list = nullptr;
    const int code = ::getaddrinfo(pchName, nullptr, &hints, &list);
    if (code != 0) throwLookupError(code);
    std::unique_ptr<addrinfo, decltype(&freeaddrinfo)> owner(list, &freeaddrinfo);
    return firstIPv4(list, ushPort);
  }

  // The system's lookup has no time-out of its own: run it asynchronously and stop waiting
  // when the time is up; the request frees itself when it completes later.
  auto* lookup = new Lookup;
  lookup->name = pchName;
  lookup->hints.ai_family = AF_INET;
  lookup->hints.ai_socktype = SOCK_STREAM;
  lookup->request.ar_name = lookup->name.c_str();
  lookup->request.ar_request = &lookup->hints;
  sigevent notice{};
  notice.sigev_notify = SIGEV_THREAD;
  notice.sigev_notify_function = &Lookup::completed;
  notice.sigev_value.sival_ptr = lookup;
  gaicb* requests[1] = {&lookup->request};
  int code = ::getaddrinfo_a(GAI_NOWAIT, requests, 1, &notice);
  if (code != 0) {
    delete lookup;  // never started: no completion will come
    throwLookupError(code);
  }

  const Deadline deadline(nSecs);
  const gaicb* waited[1] = {&lookup->request};
  for (;;) {
    const int ms = deadline.remainingMs();
    const timespec left{ms / 1000, static_cast<long>(ms % 1000) * 1000000L};
    code = ::gai_suspend(waited, 1, &left);
    if (code == 0 || code == EAI_ALLDONE) break;
    if (code == EAI_INTR) continue;
    if (code == EAI_AGAIN) break;  // time is up
    break;
  }
  code = ::gai_error(&lookup->request);
  if (code == EAI_INPROGRESS) {
    // Time is up. A request still queued is dropped without a completion notice.
    if (::gai_cancel(&lookup->request) == EAI_CANCELED) Lookup::release(lookup);
    Lookup::release(lookup);
    throw CBlockingSocketException(L"GetHostByName", 0, L"the name lookup timed out");
  }
  if (code != 0) {
    Lookup::release(lookup);
    throwLookupError(code);
  }
  try {
    const sockaddr_in address = firstIPv4(lookup->request.ar_result, ushPort);
    Lookup::release(lookup);
    return address;
  } catch (...) {
    Lookup::release(lookup);
    throw;
  }
}

std::string CBlockingSocket::GetHostByAddr(const sockaddr* psa) {
  VIXO_ASSERT(psa != NULL);
  char host[NI_MAXHOST];
  const int code =
      ::getnameinfo(psa, sizeof(sockaddr_in), host, sizeof host, nullptr, 0, NI_NAMEREQD);
  if (code != 0) {
    if (code == EAI_SYSTEM) throw CBlockingSocketException(L"GetHostByAddr");
    throw CBlockingSocketException(L"GetHostByAddr", code, nsFTP::toWide(gai_strerror(code)));
  }
  return host;
}

}  // namespace nsSocket
