// A browser script of the online tests (headless Chromium driven by Selenium) as a child
// process whose report lines, one JSON object per step, are read one at a time.
#pragma once

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "support/json_text.h"
#include "support/run_command.h"
#include "support/temp_folder.h"

namespace vixo_test {

class BrowserScript {
 public:
  // Runs `script` with the arguments; its error output goes to a file in `folder`.
  BrowserScript(const std::string& script, const std::vector<std::string>& arguments,
                const TempFolder& folder)
      : errors(folder / "stderr") {
    std::string command = "/usr/bin/python3 " + shellQuote(script);
    for (const std::string& argument : arguments) command += " " + shellQuote(argument);
    command += " 2>" + shellQuote(errors);
    pipe = popen(command.c_str(), "r");
  }
  ~BrowserScript() { finish(); }

  // The next report, which must be of `step`; Null when the script ended or wrote something
  // else.
  Brindle::JSON next(const std::string& step) {
    std::string line;
    char buffer[4096];
    while (pipe && fgets(buffer, sizeof buffer, pipe)) {
      line += buffer;
      if (!line.empty() && line.back() == '\n') break;
    }
    if (line.empty()) {
      ADD_FAILURE() << "no report of step " << step << "; the browser script said:\n"
                    << stderrText();
      return Brindle::JSON();
    }
    Brindle::JSON report = parseText(line);
    EXPECT_EQ(report.at("step").getString(), step) << line;
    return report;
  }

  // The script's exit status.
  int finish() {
    if (!pipe) return status;
    const int raw = pclose(pipe);
    pipe = nullptr;
    status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    return status;
  }

  std::string stderrText() const {
    std::ifstream in(errors);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
  }

 private:
  std::string errors;
  FILE* pipe = nullptr;
  int status = -1;
};

}  // namespace vixo_test
