// Runs a shell command for a test and collects its standard output.
#pragma once

#include <sys/wait.h>

#include <cstdio>
#include <string>

namespace vixo_test {

// The command's standard output; its exit status in `status` (-1 when it did not exit).
inline std::string runCommand(const std::string& command, int& status) {
  std::string out;
  FILE* pipe = popen(command.c_str(), "r");
  if (!pipe) {
    status = -1;
    return out;
  }
  char buffer[4096];
  size_t n;
  while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0) out.append(buffer, n);
  const int raw = pclose(pipe);
  status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  return out;
}

// Quotes a text as one argument of the shell.
inline std::string shellQuote(const std::string& text) {
  std::string out = "'";
  for (const char c : text) {
    if (c == '\'')
      out += "'\\''";
    else
      out += c;
  }
  return out + "'";
}

}  // namespace vixo_test
