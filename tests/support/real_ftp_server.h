// A real FTP server (pyftpdlib) started on loopback for the upload tests, with its root folder
// and options (tests/data/ftp/ftp_server.py); ended with SIGKILL.
#pragma once

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

extern char** environ;

namespace vixo_test {

class RealFtpServer {
 public:
  RealFtpServer(const std::string& root, std::vector<std::string> options, const std::string& log) {
    std::vector<std::string> arguments{"/usr/bin/python3", VIXO_TEST_DATA "/ftp/ftp_server.py",
                                       root};
    arguments.insert(arguments.end(), options.begin(), options.end());
    std::vector<char*> argv;
    for (std::string& a : arguments) argv.push_back(a.data());
    argv.push_back(nullptr);

    int out[2];
    if (pipe2(out, O_CLOEXEC) != 0) return;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], 1);
    posix_spawn_file_actions_addopen(&actions, 2, log.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
    if (posix_spawn(&pid_, argv[0], &actions, nullptr, argv.data(), environ) != 0) pid_ = -1;
    posix_spawn_file_actions_destroy(&actions);
    ::close(out[1]);

    // The first line of its output is the port.
    std::string line;
    pollfd p{out[0], POLLIN, 0};
    while (pid_ > 0 && line.find('\n') == std::string::npos && ::poll(&p, 1, 10000) > 0) {
      char buffer[64];
      const ssize_t n = ::read(out[0], buffer, sizeof buffer);
      if (n <= 0) break;
      line.append(buffer, static_cast<size_t>(n));
    }
    ::close(out[0]);
    port_ = static_cast<uint16_t>(std::atoi(line.c_str()));
  }
  ~RealFtpServer() { stop(); }

  // 0 when the server did not start (python3-pyftpdlib missing?).
  uint16_t port() const { return port_; }
  void stop() {
    if (pid_ <= 0) return;
    ::kill(pid_, SIGKILL);
    ::waitpid(pid_, nullptr, 0);
    pid_ = -1;
  }

 private:
  pid_t pid_ = -1;
  uint16_t port_ = 0;
};

}  // namespace vixo_test
