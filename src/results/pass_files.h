// The pass files beside a task file P: the folders P.states, P.protocols and P.archives, the
// names of state and result files, and the readers that find, list and resume passes.
//
// State file n: "state@" (debug passes "state-debug@") + the escaped computer name + "@" + n +
// "@"; result file: "result@" + pass id + "@"; both are three compact JSON values back to back:
// the header, the state document or the results, and the string "end". A file gets its final
// name only once it is complete, so readers take no lock.
//
// The readers never throw and never fail loudly: a missing, damaged, cut-off or foreign file is
// passed over. They may run on any thread (the results monitor scans on its own).
#pragma once

#include <string>
#include <vector>

#include "avifile/json.h"
#include "results/pass_header.h"

// P + ".states", P + ".protocols", P + ".archives".
std::wstring statesFolder(const std::wstring& taskPath);
std::wstring protocolsFolder(const std::wstring& taskPath);
std::wstring archivesFolder(const std::wstring& taskPath);
// Creates the three folders in that order; true when all three were created now. Folders that
// exist or cannot be made are passed over. Nothing for an empty path.
bool createPassFolders(const std::wstring& taskPath);

// Bytes of the UTF-8 form other than blank, "-", ".", "_", digits and ASCII letters become "%"
// and the byte's value read as a signed 8-bit number, in lower-case hexadecimal: "!" gives %21,
// a tab %9, the byte 0xC3 %ffffffc3. Other machines read these names, so the form stays.
std::wstring escapeForFileName(const std::wstring& name);
// Every run of characters other than letters and digits becomes one "_".
std::wstring sanitizeName(const std::wstring& name);

// "state@" or "state-debug@", this computer's escaped name, "@".
std::wstring stateFilePrefix(bool debug);
// The full path of this computer's state file n of the kind.
std::wstring stateFilePath(const std::wstring& taskPath, int number, bool debug);
// "result@" + pass id + "@", and its full path in the ".states" folder.
std::wstring resultFileName(const std::string& passId);
std::wstring resultFilePath(const std::wstring& taskPath, const std::string& passId);

// Numbers of this computer's state files of the kind, ascending. Only names whose number part
// is a positive decimal number without sign or leading zeros count.
std::vector<int> listStateFiles(const std::wstring& taskPath, bool debug);
// Deletes every file that listStateFiles finds; failures are ignored.
void deleteStateFiles(const std::wstring& taskPath, bool debug);

// Reads the values of state file n: the header into `header` and the state document into
// `document`, each only when given (and the document only after the header). True when every
// value asked for was read and, when both were, the file ends with "end". Values read before a
// failure stay in the targets.
bool readStateFile(const std::wstring& taskPath, int number, Brindle::JSON* header,
                   Brindle::JSON* document, bool debug);
// The header of any pass file, or a default (invalid) header.
PassHeader readHeaderOfFile(const std::wstring& path);

// The newest unfinished pass of this computer that can be resumed: the highest-numbered normal
// state file that is complete and holds a valid header, with stateNumber set. A damaged or
// cut-off file is passed over for the next lower one. An invalid header when there is none.
PassHeader readPassHeaders(const std::wstring& taskPath);

// One header per pass in the ".states" folder, by ascending pass id: its result file when it
// has one (finished), otherwise its most advanced state file, of any computer. Debug passes and
// files without a valid header are not listed.
std::vector<PassHeader> scanResults(const std::wstring& taskPath);
