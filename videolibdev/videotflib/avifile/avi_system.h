// Text, path and file helpers used at the system's boundaries with the operating system.
//
// Narrow strings hold UTF-8; wide strings hold one Unicode code point per character. Paths use
// '/' as separator and have no drive. None of these functions throws on bad input: failure is
// reported by the result (an empty string, 0 or false). All of them may be called from any
// thread; they keep no state between calls (toLower's locale object is made once, then only
// read).
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

// --- UTF-8 conversion (strict: overlong forms, surrogates, values above U+10FFFF and
// truncated sequences are malformed)

// Decodes UTF-8; malformed input gives the empty string.
std::wstring fromUtf8(std::string_view text);
// Encodes as UTF-8; a character that is not a Unicode scalar value gives the empty string.
std::string toUtf8(std::wstring_view text);

// --- text

// Lower-cases every character by the Unicode mapping, whatever the process locale.
std::wstring toLower(std::wstring text);
// White space is ASCII white space (blank, tab, line feed, vertical tab, form feed, return).
std::wstring trimLeft(const std::wstring& text);
std::string trimLeft(const std::string& text);
std::wstring trimRight(const std::wstring& text);
std::wstring trim(const std::wstring& text);
std::string trim(const std::string& text);
std::wstring joinStrings(std::vector<std::wstring> items, std::wstring separator);
// Quotes one argument for a command line that is split by the usual backslash rules.
std::wstring quoteArgument(std::wstring text);
// Durations as "1h 2m", "1m 5s", "12.3s" or "0".
std::string formatDuration(int64_t ms);
// Local time of 100-ns ticks since 1970-01-01 UTC as "Wed Jan 02 02:03:55 1980"; empty when the
// time cannot be represented.
std::string formatTimeStamp(int64_t ticks);
// The same text of the time in UTC.
std::string formatUtcTimeStamp(int64_t ticks);

// --- paths

// The bytes a path is handed to the kernel as. A path that cannot be encoded, or that holds a
// NUL (which would silently cut it short and name another file), is refused with false.
[[nodiscard]] bool toNativePath(const std::wstring& path, std::string& native);

struct PathParts {
  std::wstring drive;      // always empty here
  std::wstring directory;  // with its trailing separator ("/work/tasks/")
  std::wstring baseName;   // without extension
  std::wstring extension;  // with its dot (".vixo")
  std::wstring fileName() const { return baseName + extension; }
};

// The extension starts at the last '.' of the file name, so ".hidden" is all extension; joining
// the four parts gives the path back.
PathParts splitPath(const std::wstring& path);
// Joins with at most one '/'; backslashes of the second path (Windows-written) become '/'.
std::wstring combinePath(const std::wstring& first, const std::wstring& second);
// Components from the root to the last one, without empty ones.
std::vector<std::wstring> splitPathComponents(const std::wstring& path);
// Resolves "." and ".." steps lexically, without looking at the disk: an absolute path stops at
// "/", a relative one keeps the ".." steps it cannot resolve ("." when nothing is left); repeated
// separators collapse and a trailing one stays. Empty when the path is empty.
std::wstring canonicalizePath(const std::wstring& path);
// Whether a path is relative. A path that begins with '/', with a drive ("C:") or with a
// backslash (Windows-written: "\\server\share", "\folder") is not.
bool isRelativePath(const std::wstring& path);
// The absolute form of a path: a relative path is taken from the current folder; "." and ".."
// steps are resolved lexically. Empty for an empty path.
std::wstring getFullPath(const std::wstring& path);
// Replaces the path by the file's real path (links resolved); false and unchanged on failure.
[[nodiscard]] bool resolveFinalPath(std::wstring& path);
// Folder of the running program's executable, with a trailing '/'.
std::wstring getModuleDirectory();

// --- files and folders

// One scan of one folder, made at creation, for names "prefix*suffix" (compared exactly, no
// wildcards), in byte order of the names. Names that are not UTF-8 are left out; a missing
// folder gives no names.
class FileFinder {
 public:
  FileFinder(const std::wstring& folder, const std::wstring& prefix, const std::wstring& suffix);
  ~FileFinder();
  FileFinder(const FileFinder&) = delete;
  FileFinder& operator=(const FileFinder&) = delete;

  bool hasFile() const;
  // The current name (no folder), then moves on; requires hasFile().
  std::wstring nextFile();

 private:
  std::vector<std::wstring> names_;
  size_t next_ = 0;
};

// Last-write time as 100-ns ticks since 1601-01-01 UTC; 0 when the file cannot be opened for
// reading or is a folder.
uint64_t getFileWriteTime(const std::wstring& path);
// Whether a native path names a regular file (links followed). A pipe, a device, a socket or a
// folder is none: opening one to read it may block for good or never reach an end.
bool isRegularFile(const std::string& native);
// There is no hidden attribute here: true when the file exists.
bool toggleHiddenAttribute(const std::wstring& path);
// Writes the bytes to a new file in the path's folder and renames it over the path, so that the
// path holds either what it held before or all of the bytes, never a part. A file in the path's
// place that may not be written stays as it is. False on any failure; the new file is then gone.
[[nodiscard]] bool writeFileReplacing(const std::wstring& path, std::string_view bytes);

// --- system

// Host name up to its first '.', at most 15 characters; empty on failure.
std::wstring getComputerName();
// A new random UUID, 36 lower-case characters.
std::string newUuidString();
