// File operations of the pass files: writes that are on the disk when they return, moves that
// never replace, and reads that only ever open regular files.
//
// Pass files keep observers' votes, so a write is flushed to the disk (the file, and the folder
// once a name was added) before anything older is deleted. Every function may be called from
// any thread; none throws. A function that fails leaves errno telling why.
#pragma once

#include <istream>
#include <memory>
#include <streambuf>
#include <string>
#include <string_view>

#include "avifile/json.h"

namespace passfiles {

// Reads the next of the values written back to back in a pass file; false on malformed,
// cut-off or missing text.
bool readNextValue(std::istream& in, Brindle::JSON& value);
// The string "end" that closes every state and result file.
bool isEndMark(const Brindle::JSON& value);
const std::string& endMarkText();

// Creates or truncates the file, writes the bytes and flushes them to the disk. False on any
// failure; the file may then hold part of the bytes. A link in the file's place is not
// followed (refused).
[[nodiscard]] bool writeFileDurably(const std::wstring& path, std::string_view bytes);

// Moves a file to a name that must not exist yet; false when it exists (errno EEXIST) or the
// move fails.
[[nodiscard]] bool moveFileNoReplace(const std::wstring& from, const std::wstring& to);
// Moves a file to a name, replacing in one step what is there.
[[nodiscard]] bool moveFileReplacing(const std::wstring& from, const std::wstring& to);

// Writes the bytes whole to path + ".tmp" and moves that over the file in `folder`, so that the
// file's name never holds a part of them (a full disk, a crash). False on any failure; the
// temporary file is then gone and the file as it was.
// Unlike writeFileReplacing, the temporary name is the file's own: a pass end killed while it
// writes leaves one that the next try writes over, not a new one per process.
[[nodiscard]] bool replaceFileWhole(const std::wstring& folder, const std::wstring& path,
                                    std::string_view bytes);

// Removes a file; false when it is missing or cannot be removed.
bool deleteFile(const std::wstring& path);

// Flushes the folder's names (files created, moved in or removed) to the disk. A file system
// that cannot flush folders counts as done.
[[nodiscard]] bool syncFolder(const std::wstring& folder);

// Creates one folder; false when it exists already or cannot be made.
bool createFolder(const std::wstring& path);

// A pass file opened for reading. Only regular files open: a folder, a pipe or a device that
// someone gave a pass file's name must not block or crash a reader.
class FileInput {
 public:
  explicit FileInput(const std::wstring& path);
  ~FileInput();
  FileInput(const FileInput&) = delete;
  FileInput& operator=(const FileInput&) = delete;

  bool isOpen() const { return fd_ >= 0; }
  // Read errors set the stream's bad bit, as the end of the file sets its end bit.
  std::istream& stream() { return stream_; }

 private:
  class Buffer : public std::streambuf {
   public:
    explicit Buffer(int fd) : fd_(fd) {}

   protected:
    int_type underflow() override;

   private:
    int fd_;
    char data_[1 << 16];
  };

  int fd_ = -1;
  std::unique_ptr<Buffer> buffer_;
  std::istream stream_;
};

}  // namespace passfiles
