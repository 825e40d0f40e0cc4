// FTP server replies from arbitrary bytes. A fake socket plays the input as everything the
// server says: after a first byte that picks the run, each read is a length byte and that many
// bytes (the end of the input closes the connection). The client reads replies, logs on through a
// firewall scheme and uploads a file without crash or hang; every reply it accepts carries a
// valid code at the start of its text. A PASV address that parses reads back the same.
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include "avifile/avi_system.h"
#include "ftp/blocking_socket.h"
#include "ftp/ftp_client.h"
#include "ftp/ftp_text.h"

namespace {

[[noreturn]] void fail(const char* what) {
  std::fprintf(stderr, "%s\n", what);
  std::abort();
}

// The server's bytes, shared by the control connection and the data connections.
struct Script {
  const uint8_t* data;
  size_t size;
  size_t at = 0;
  // The next byte as a number, or 0 at the end.
  uint8_t take() { return at < size ? data[at++] : 0; }
};

class ScriptSocket : public nsSocket::IBlockingSocket {
 public:
  explicit ScriptSocket(std::shared_ptr<Script> script) : script_(std::move(script)) {}

  std::unique_ptr<IBlockingSocket> NewInstance() const override {
    return std::make_unique<ScriptSocket>(script_);
  }
  nsSocket::SOCKET Create(int) override { return handle_ = 3; }
  void Connect(const sockaddr*, int) override {}
  void Bind(const sockaddr*) override {}
  void Listen() override {}
  void CloseQuietly() override { handle_ = nsSocket::INVALID_SOCKET; }
  bool Accept(IBlockingSocket&, sockaddr*) override { return false; }
  void Close() override { handle_ = nsSocket::INVALID_SOCKET; }
  int Send(const char*, int nSize, int) override { return nSize; }
  // A read takes as many bytes as the next byte says (1 to 256), or ends the connection.
  int Receive(char* pch, int nSize, int) override {
    if (script_->at >= script_->size) return 0;
    size_t count = static_cast<size_t>(script_->take()) + 1;
    count = std::min({count, script_->size - script_->at, static_cast<size_t>(nSize)});
    std::memcpy(pch, script_->data + script_->at, count);
    script_->at += count;
    return static_cast<int>(count);
  }
  void GetPeerName(sockaddr*) override {}
  void GetSockName(sockaddr*) override {}
  operator nsSocket::SOCKET() const override { return handle_; }
  bool IsReadable() override { return script_->at < script_->size; }
  sockaddr_in GetHostByName(const char*, uint16_t port, int) override {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = port;
    return address;
  }
  std::string GetHostByAddr(const sockaddr*) override { return "localhost"; }

 private:
  std::shared_ptr<Script> script_;
  nsSocket::SOCKET handle_ = nsSocket::INVALID_SOCKET;
};

char localName[] = "/tmp/ftp_reply_fuzz.XXXXXX";

// A small local file to upload, made once and removed at exit.
const std::wstring& localFile() {
  static const std::wstring path = [] {
    char* name = localName;
    const int fd = mkstemp(name);
    if (fd < 0) fail("no temporary file");
    const std::string bytes(5000, 'x');
    if (write(fd, bytes.data(), bytes.size()) != static_cast<ssize_t>(bytes.size())) {
      fail("temporary file not written");
    }
    close(fd);
    std::atexit([] { unlink(localName); });
    return fromUtf8(name);
  }();
  return path;
}

void checkReply(const nsFTP::FtpReply& reply) {
  const std::wstring& code = reply.Code();
  if (code.size() != 3 || code[0] < L'1' || code[0] > L'5' || code[1] < L'0' || code[1] > L'5') {
    fail("an accepted reply without a valid code");
  }
  if (reply.Value().compare(0, 3, code) != 0) fail("the code is not the start of the reply");
}

void checkPassive(const std::wstring& text) {
  uint32_t address = 0;
  uint16_t port = 0;
  if (!nsFTP::CFTPClient::ParsePassiveAddress(text, address, port)) return;
  const std::wstring again =
      L"(" + std::to_wstring(address >> 24) + L"," + std::to_wstring(address >> 16 & 0xFF) + L"," +
      std::to_wstring(address >> 8 & 0xFF) + L"," + std::to_wstring(address & 0xFF) + L"," +
      std::to_wstring(port >> 8) + L"," + std::to_wstring(port & 0xFF) + L")";
  uint32_t address2 = 0;
  uint16_t port2 = 0;
  if (!nsFTP::CFTPClient::ParsePassiveAddress(again, address2, port2) || address2 != address ||
      port2 != port) {
    fail("a parsed PASV address does not read back");
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  checkPassive(nsFTP::toWide(std::string_view(reinterpret_cast<const char*>(data), size)));

  auto script = std::make_shared<Script>(Script{data, size});
  const uint8_t mode = script->take();
  nsFTP::CFTPClient client(std::make_unique<ScriptSocket>(script), L"/");
  client.SetTimeout(0);
  if (mode % 2 == 0) {
    // Replies one after another until the connection ends or a reply is refused.
    if (!client.ConnectControl(L"host", 21)) return 0;
    nsFTP::FtpReply reply;
    while (client.ReadReply(reply)) checkReply(reply);
    return 0;
  }
  nsFTP::FtpLogon logon;
  logon.host = L"host";
  logon.user = L"user";
  logon.password = L"password";
  logon.firewallHost = L"firewall";
  logon.firewallType = (mode >> 1) % 9;
  if (!client.Logon(logon)) return 0;
  try {
    client.StoreFile(localFile(), L"pass.vixores", nsFTP::TransferType{2, 0});
  } catch (const nsSocket::CBlockingSocketException&) {
    // Closing a data connection may fail; the caller treats it as a failed upload.
  }
  return 0;
}
