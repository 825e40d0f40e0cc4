// What the library's entry reads from its command line.
#pragma once

#include <ostream>

#include "console_lib/cmd_parser.h"

// {taskGiven, playMode, taskPath}: a task file named by "edit" or "play", play mode (set by the
// open mode only) and the task file, which may be empty.
using StartOptions = CommandLineOptions;

// Fills the options from argv[1..argc); argv[0] is the program. In open mode the first
// non-empty argument names the task to play and any argument after it (even an empty one) is an
// error; otherwise the command-line grammar applies ("-h", "edit <task file>", "play <task
// file>"), printing its banner, help and errors. 0, or 100 after a command-line error, whose
// line the open mode writes to `errors`.
int readStartOptions(int argc, const wchar_t* const* argv, bool openMode, StartOptions& options,
                     std::ostream& errors);
