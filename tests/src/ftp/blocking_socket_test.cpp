#include "ftp/blocking_socket.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "support/assert_guard.h"
#include "support/scripted_ftp_server.h"

namespace {

using nsSocket::CBlockingSocket;
using nsSocket::CBlockingSocketException;
using nsSocket::INVALID_SOCKET;
using Clock = std::chrono::steady_clock;

sockaddr_in loopback(uint16_t port) {
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(port);
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  return address;
}

const sockaddr* asAddress(const sockaddr_in& address) {
  return reinterpret_cast<const sockaddr*>(&address);
}

// The text of the exception f throws, or "(none)".
std::wstring thrownText(const std::function<void()>& f) {
  try {
    f();
  } catch (const CBlockingSocketException& e) {
    return e.ErrorText();
  }
  return L"(none)";
}

double secondsSince(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

// Two connected sockets made with the socket's own Bind, Listen and Accept.
struct Pair {
  CBlockingSocket server;
  CBlockingSocket client;
  CBlockingSocket peer;  // the server's end of the connection

  Pair() {
    server.Create(SOCK_STREAM);
    const sockaddr_in any = loopback(0);
    server.Bind(asAddress(any));
    server.Listen();
    sockaddr_in bound{};
    server.GetSockName(reinterpret_cast<sockaddr*>(&bound));
    client.Create(SOCK_STREAM);
    client.Connect(asAddress(bound), 5);
    sockaddr_in from{};
    EXPECT_TRUE(server.Accept(peer, reinterpret_cast<sockaddr*>(&from)));
  }
};

TEST(SocketExceptionTest, FormatsTheOperationAndTheSystemCode) {
  struct Row {
    const wchar_t* message;
    int32_t code;
    const wchar_t* text;
  };
  const Row rows[] = {
      {L"Connect", ECONNREFUSED, L"Connect error 0x0000006f"},
      {L"Receive timeout", 0, L"Receive timeout error"},
      {L"Send", -1, L"Send error 0xffffffff"},
  };
  for (const Row& row : rows) {
    const CBlockingSocketException e(row.message, row.code);
    EXPECT_EQ(e.ErrorText(), row.text);
    EXPECT_EQ(e.Code(), row.code);
  }
  EXPECT_EQ(CBlockingSocketException(L"Connect", ECONNREFUSED).SystemText(), L"Connection refused");
  EXPECT_EQ(CBlockingSocketException(L"Receive timeout", 0).SystemText(), L"");
  // The code comes from errno unless given.
  errno = EPIPE;
  EXPECT_EQ(CBlockingSocketException(L"Send").Code(), EPIPE);
  // A copy keeps code and message.
  const CBlockingSocketException original(L"Close", EBADF);
  const CBlockingSocketException copy(original);
  EXPECT_EQ(copy.ErrorText(), original.ErrorText());
}

TEST(SocketExceptionTest, FormatErrorNeedsRoomForTheWholeText) {
  const CBlockingSocketException withCode(L"Bind", EADDRINUSE);  // 4 + 17 characters and a NUL
  const CBlockingSocketException without(L"Bind", 0);            // 4 + 6 characters and a NUL
  wchar_t buffer[64];
  std::wmemset(buffer, L'#', 64);
  EXPECT_FALSE(withCode.FormatError(buffer, 4 + 17));
  EXPECT_EQ(buffer[0], L'#');  // nothing written
  EXPECT_TRUE(withCode.FormatError(buffer, 4 + 18));
  EXPECT_EQ(std::wstring(buffer), L"Bind error 0x00000062");
  EXPECT_FALSE(without.FormatError(buffer, 4 + 6));
  EXPECT_TRUE(without.FormatError(buffer, 4 + 7));
  EXPECT_EQ(std::wstring(buffer), L"Bind error");
}

TEST(BlockingSocketTest, ConnectedPairCarriesBytesAndSeesTheClose) {
  Pair pair;
  sockaddr_in local{}, remote{};
  pair.client.GetSockName(reinterpret_cast<sockaddr*>(&local));
  pair.peer.GetPeerName(reinterpret_cast<sockaddr*>(&remote));
  EXPECT_EQ(local.sin_port, remote.sin_port);
  EXPECT_EQ(remote.sin_addr.s_addr, htonl(INADDR_LOOPBACK));

  EXPECT_FALSE(pair.peer.IsReadable());  // nothing pending: answers at once
  EXPECT_EQ(pair.client.Send("hello", 5, 1), 5);
  char buffer[16] = {};
  EXPECT_EQ(pair.peer.Receive(buffer, sizeof buffer, 1), 5);
  EXPECT_STREQ(buffer, "hello");

  // Sending nothing waits for room once and returns 0.
  EXPECT_EQ(pair.client.Send(buffer, 0, 1), 0);

  pair.client.Close();
  EXPECT_EQ(static_cast<nsSocket::SOCKET>(pair.client), INVALID_SOCKET);
  EXPECT_TRUE(pair.peer.IsReadable());  // the close is readable
  EXPECT_EQ(pair.peer.Receive(buffer, sizeof buffer, 1), 0);
  // Closed sockets can be opened again.
  EXPECT_NE(pair.client.Create(SOCK_STREAM), INVALID_SOCKET);
}

TEST(BlockingSocketTest, SilentPeerEndsReceiveAfterTheTimeOut) {
  Pair pair;
  char buffer[16];
  const auto start = Clock::now();
  EXPECT_EQ(thrownText([&] { pair.client.Receive(buffer, sizeof buffer, 1); }),
            L"Receive timeout error");
  EXPECT_GE(secondsSince(start), 0.9);
  EXPECT_LT(secondsSince(start), 5.0);
  // The socket stays usable.
  EXPECT_NE(static_cast<nsSocket::SOCKET>(pair.client), INVALID_SOCKET);
  pair.peer.Send("x", 1, 1);
  EXPECT_EQ(pair.client.Receive(buffer, sizeof buffer, 1), 1);
}

TEST(BlockingSocketTest, PeerThatNeverReadsEndsSendAfterTheTimeOut) {
  Pair pair;
  const std::vector<char> chunk(1 << 20, 'x');
  const auto start = Clock::now();
  std::wstring text;
  // Fills the system's buffers, however large they are; then the wait for room runs out.
  for (int i = 0; i < 256 && text.empty(); ++i) {
    try {
      pair.client.Send(chunk.data(), static_cast<int>(chunk.size()), 1);
    } catch (const CBlockingSocketException& e) {
      text = e.ErrorText();
    }
  }
  EXPECT_EQ(text, L"Send timeout error");
  EXPECT_LT(secondsSince(start), 10.0);
}

TEST(BlockingSocketTest, SendToAClosedPeerThrowsInsteadOfRaisingSigpipe) {
  Pair pair;
  pair.peer.Close();
  // The first send may still be taken by the system; the reset comes with a later one. A
  // SIGPIPE would end the test program here.
  std::wstring text;
  const std::vector<char> chunk(65536, 'x');
  for (int i = 0; i < 50 && text.empty(); ++i) {
    try {
      pair.client.Send(chunk.data(), static_cast<int>(chunk.size()), 1);
    } catch (const CBlockingSocketException& e) {
      text = e.ErrorText();
      EXPECT_TRUE(e.Code() == EPIPE || e.Code() == ECONNRESET) << e.Code();
    }
    usleep(10000);
  }
  EXPECT_EQ(text.substr(0, 11), L"Send error ");
}

TEST(BlockingSocketTest, RefusedAndUnansweredConnects) {
  {
    CBlockingSocket socket;
    socket.Create(SOCK_STREAM);
    const sockaddr_in target = loopback(ftp_test::closedPort());
    try {
      socket.Connect(asAddress(target), 2);
      ADD_FAILURE() << "connected to a closed port";
    } catch (const CBlockingSocketException& e) {
      EXPECT_EQ(e.ErrorText(), L"Connect error 0x0000006f");
      EXPECT_EQ(e.SystemText(), L"Connection refused");
    }
  }
  {
    const ftp_test::StalledListener stalled;
    CBlockingSocket socket;
    socket.Create(SOCK_STREAM);
    const sockaddr_in target = loopback(stalled.port());
    const auto start = Clock::now();
    EXPECT_EQ(thrownText([&] { socket.Connect(asAddress(target), 1); }),
              L"Connect error 0x0000006e");  // ETIMEDOUT
    EXPECT_GE(secondsSince(start), 0.9);
    EXPECT_LT(secondsSince(start), 5.0);
  }
}

TEST(BlockingSocketTest, NameLookups) {
  CBlockingSocket socket;
  for (const char* name : {"127.0.0.1", "localhost"}) {
    const sockaddr_in address = socket.GetHostByName(name, 2121, 5);
    EXPECT_EQ(address.sin_family, AF_INET);
    EXPECT_EQ(address.sin_port, htons(2121));
    EXPECT_EQ(address.sin_addr.s_addr, htonl(INADDR_LOOPBACK)) << name;
  }
  // Without a time-out the system's own lookup runs.
  EXPECT_EQ(socket.GetHostByName("127.0.0.1", 21, -1).sin_port, htons(21));
  // A name that does not exist fails (at the latest when the time is up).
  const auto start = Clock::now();
  EXPECT_EQ(thrownText([&] { socket.GetHostByName("no-such-host.invalid", 21, 2); }).substr(0, 19),
            L"GetHostByName error");
  EXPECT_LT(secondsSince(start), 5.0);
  EXPECT_EQ(thrownText([&] { socket.GetHostByName("", 21, 2); }).substr(0, 19),
            L"GetHostByName error");

  const sockaddr_in local = loopback(21);
  EXPECT_FALSE(socket.GetHostByAddr(asAddress(local)).empty());
}

TEST(BlockingSocketTest, BrokenContractsAreAssertions) {
  using vixo_test::assertionText;
  char buffer[4];
  const sockaddr_in address = loopback(21);
  struct Row {
    const char* expression;
    std::function<void(CBlockingSocket&)> call;
  };
  const Row unopened[] = {
      {"m_hSocket!=INVALID_SOCKET", [&](CBlockingSocket& s) { s.Send(buffer, 1, 1); }},
      {"m_hSocket!=INVALID_SOCKET", [&](CBlockingSocket& s) { s.Receive(buffer, 1, 1); }},
      {"m_hSocket!=INVALID_SOCKET", [&](CBlockingSocket& s) { s.Connect(asAddress(address), 1); }},
      {"m_hSocket!=INVALID_SOCKET", [](CBlockingSocket& s) { s.Listen(); }},
      {"m_hSocket!=INVALID_SOCKET", [](CBlockingSocket& s) { s.IsReadable(); }},
      {"psa != NULL", [](CBlockingSocket& s) { s.Bind(nullptr); }},
      {"pchName != NULL", [](CBlockingSocket& s) { s.GetHostByName(nullptr, 21, 1); }},
  };
  for (const Row& row : unopened) {
    CBlockingSocket socket;
    EXPECT_EQ(assertionText([&] { row.call(socket); }), row.expression);
  }
  CBlockingSocket open;
  open.Create(SOCK_STREAM);
  EXPECT_EQ(assertionText([&] { open.Create(SOCK_STREAM); }), "m_hSocket==INVALID_SOCKET");
  EXPECT_EQ(assertionText([&] { open.Send(nullptr, 1, 1); }), "pch != NULL");
  EXPECT_EQ(assertionText([&] { open.Receive(nullptr, 1, 1); }), "pch != NULL");
  CBlockingSocket target;
  target.Create(SOCK_STREAM);
  sockaddr_in from{};
  EXPECT_EQ(assertionText([&] { open.Accept(target, reinterpret_cast<sockaddr*>(&from)); }),
            "sConnect.operator SOCKET() == INVALID_SOCKET");
  EXPECT_EQ(assertionText([] { CBlockingSocketException e(nullptr, 0); }), "pchMessage != NULL");
}

TEST(BlockingSocketTest, NewInstanceIsAnUnopenedSocketOfTheSameClass) {
  CBlockingSocket socket;
  socket.Create(SOCK_STREAM);
  const std::unique_ptr<nsSocket::IBlockingSocket> other = socket.NewInstance();
  ASSERT_NE(dynamic_cast<CBlockingSocket*>(other.get()), nullptr);
  EXPECT_EQ(static_cast<nsSocket::SOCKET>(*other), INVALID_SOCKET);
  socket.CloseQuietly();
  socket.CloseQuietly();  // closing twice does nothing
  socket.Close();
  EXPECT_EQ(static_cast<nsSocket::SOCKET>(socket), INVALID_SOCKET);
}

}  // namespace
