// FTP peers for the client's tests, all on loopback.
//
// ScriptedFtpServer accepts one control connection and plays a dialogue written as a function
// on its own thread; it records every command line it hears and every byte that arrives on its
// data connections. After the dialogue it goes on recording whatever the client still sends,
// answering only QUIT (221), until the client closes. Every wait of the server ends after a few
// seconds, so a broken client fails a test instead of hanging it.
#pragma once

#include <netinet/in.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace ftp_test {

// A listening socket on 127.0.0.1 with a port of the system's choice.
class Listener {
 public:
  explicit Listener(int backlog = 5);
  ~Listener();
  Listener(const Listener&) = delete;
  Listener& operator=(const Listener&) = delete;

  uint16_t port() const { return port_; }
  // The next connection, waiting at most timeoutMs; -1 when none came.
  int accept(int timeoutMs) const;

 private:
  int fd_ = -1;
  uint16_t port_ = 0;
};

class ScriptedFtpServer;

// The server's side of one control connection, as the dialogue function sees it.
class FtpSession {
 public:
  // Sends bytes as they are.
  void send(const std::string& bytes);
  // Sends one reply line, CRLF added.
  void reply(const std::string& line);
  // The next command line without its CRLF (recorded); empty once the client has closed (or
  // after a few seconds of silence).
  std::string read();
  bool closed() const { return closed_; }
  // Reads one command and answers it.
  void answer(const std::string& line) {
    read();
    reply(line);
  }
  // Opens a data listener and returns the 227 reply that names it.
  std::string passive();
  // Accepts the data connection and reads it to its end; the bytes are also recorded.
  std::string receiveData();
  // Answers nothing more and waits (recording) until the client closes.
  void stall();
  // Closes the control connection.
  void hangUp();

 private:
  friend class ScriptedFtpServer;
  FtpSession(ScriptedFtpServer& server, int fd) : server_(server), fd_(fd) {}
  ScriptedFtpServer& server_;
  int fd_;
  bool closed_ = false;
  std::string pending_;
  std::unique_ptr<Listener> data_;
};

class ScriptedFtpServer {
 public:
  using Dialogue = std::function<void(FtpSession&)>;
  explicit ScriptedFtpServer(Dialogue dialogue);
  // Joins the server thread.
  ~ScriptedFtpServer();
  ScriptedFtpServer(const ScriptedFtpServer&) = delete;
  ScriptedFtpServer& operator=(const ScriptedFtpServer&) = delete;

  uint16_t port() const { return listener_.port(); }
  // Waits for the dialogue to end (the client must have closed by then).
  void join();
  // Command lines heard, in order; a line that did not end in CRLF is marked "<no CRLF>".
  std::vector<std::string> heard();
  // Bytes received on data connections.
  std::string data();

 private:
  friend class FtpSession;
  void run(Dialogue dialogue);
  void record(const std::string& line);
  void recordData(const std::string& bytes);

  Listener listener_;
  std::mutex mutex_;
  std::vector<std::string> heard_;
  std::string data_;
  std::thread thread_;
};

// A listener whose queue is full, so that a connect to it gets no answer.
class StalledListener {
 public:
  StalledListener();
  ~StalledListener();
  uint16_t port() const { return listener_.port(); }

 private:
  Listener listener_{0};
  std::vector<int> fillers_;
};

// A loopback port on which nothing listens.
uint16_t closedPort();

}  // namespace ftp_test
