#include "app/start_options.h"

#include "console_lib/console_formatter.h"

int readStartOptions(int argc, const wchar_t* const* argv, bool openMode, StartOptions& options,
                     std::ostream& errors) {
  options = StartOptions();
  if (openMode) {
    options.playMode = true;
    for (int i = 1; i < argc; ++i) {
      if (!options.taskPath.empty()) {
        errors << "Error in command line: only one project file is possible\n" << std::flush;
        return 100;
      }
      options.taskPath = argv[i] ? argv[i] : L"";
    }
    return 0;
  }
  const SimpleParser& grammar = CmdParserNew::buildGrammar();
  if (!CmdParserNew::run(grammar, options, argc, argv, makeConsoleBanner())) return 100;
  return 0;
}
