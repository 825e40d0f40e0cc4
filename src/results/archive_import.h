// Archives of passes brought from elsewhere, written back beside a task, and the marks of one
// finished pass read from its result file.
//
// Both run on the calling thread, take no lock and never throw: the import runs on the GUI
// thread of the editor, the reading on the results monitor's thread.
#pragma once

#include <string>

#include "results/test_results.h"

// Writes the archive's protocol into P.protocols and its result file into P.states, under the
// names the archive gives, each whole under a temporary name and then moved into place. The
// names are taken only when they are plain file names (no folder part, no "..") that the file
// system takes, the result file's only when it is "result@" + the id of the header it holds +
// "@", and the protocol only when it nests and weighs no more than a pass's protocol can; any
// other archive is refused before anything is written. False also when a file cannot be
// written, when memory runs out, and when the pass's result file exists already (the protocol
// is written again before that). An archive without either part returns true and writes
// nothing. The folders are not created here.
bool importArchive(const std::wstring& taskPath, const std::wstring& archivePath);

// The marks of the finished pass with the id; empty when its result file is missing, damaged
// or cut off.
TestResults readResultFile(const std::wstring& taskPath, const std::string& passId);
