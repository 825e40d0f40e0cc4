// What the two host programs (vixo_player and vixo_editor) share: finding the application
// library in the "bin" folder beside the program, loading it, and calling its entry with the
// program's own command line.
//
// The hosts link nothing of the application: the few helpers they need (the program's folder,
// trimming, the wide argument vector) are their own. Everything here runs on the program's one
// thread.
#pragma once

#include <memory>
#include <string>
#include <vector>

// The entry of the library and the optional hand-over of the search folders.
using StartVixoFunction = int (*)(int argc, wchar_t** argv, bool openMode);
using SetDllPathFunction = void (*)(int count, const wchar_t** dirs);

// A loaded library. Unloads it when the last owner lets it go.
struct VIXOdllHandler {
  VIXOdllHandler() = default;
  ~VIXOdllHandler();
  VIXOdllHandler(const VIXOdllHandler&) = delete;
  VIXOdllHandler& operator=(const VIXOdllHandler&) = delete;

  void* module = nullptr;
  StartVixoFunction startVIXO = nullptr;
  SetDllPathFunction setDllPath = nullptr;  // null when the library does not export it
};

// The outcome of a search: the path tried last, and the library when one could be used.
struct LoadedMainDll {
  std::string path;
  std::shared_ptr<VIXOdllHandler> handler;  // empty when no candidate could be used
  // Why each candidate that was tried could not be used, one line each.
  std::vector<std::string> failures;
};

// --- the launcher's own helpers

// The folder of the running program's file, with a trailing '/'; empty when it cannot be read.
std::string getModuleDirectory();
// Without leading (trailing) ASCII white space: blank, tab, line feed, vertical tab, form feed,
// carriage return.
std::string trimLeft(const std::string& text);
std::string trimRight(const std::string& text);
// Joins two parts of a path: in the right part every '\' becomes '/'; one '/' goes between the
// parts when both are non-empty, the left one does not end in ':', '/' or '\' and the right one
// does not begin with '/' or '\'. An absolute right part is appended like any other.
std::string joinPath(const std::string& left, const std::string& right);
// UTF-8 as wide text; each byte of a malformed sequence becomes U+FFFD.
std::wstring wideFromUtf8(const std::string& text);

// --- the search

// The launcher's folder joined with "bin".
const std::string& binDirectory();
// The library file names tried, in order: "libvixo.so", then "libvixo_64.so".
const std::vector<std::string>& libraryCandidates();
// The library search folders: the "bin" folder, then the lines of "conf_dll_dirs.txt" beside
// the program; built on the first call and kept until the process ends, so that the texts stay
// valid while the library runs.
const std::vector<std::wstring>& dllDirectories();
// The folders named by the text of a "conf_dll_dirs.txt": one per line relative to `folder`,
// each line trimmed of white space at both ends (so CR LF ends read as LF ends), empty lines
// skipped, nothing else removed (a byte-order mark stays part of the first line).
std::vector<std::string> readDllDirectories(const std::string& folder, const std::string& text);

// Loads one candidate; the handler is empty when it cannot be loaded or lacks "startVIXO".
LoadedMainDll loadMainDll(const std::string& path);
// Builds the search folders and loads the first usable candidate of the "bin" folder.
LoadedMainDll findMainDll();

// The whole host: finds the library (or reports on standard error that there is none and
// returns -100), hands it the search folders when it takes them, and returns what its entry
// returns for the program's arguments, argv[0] included, and the mode.
int runVixo(int argc, char** argv, bool openMode);
