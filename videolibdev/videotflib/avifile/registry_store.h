// Small per-user settings of one application, kept as typed values in one JSON file:
// $XDG_CONFIG_HOME/Orlo/<application>.json (by default ~/.config/Orlo/<application>.json).
//
// Callers open a store, read or write a few values and let it go. Every read looks at the file
// as it is now and every write replaces the whole file atomically under a lock, so two stores of
// the same application (also in two processes) see each other's writes and never lose them.
// A file that cannot be read or understood is never overwritten: reads and writes fail instead.
// Strings are JSON strings and 32-bit numbers JSON integers; a value of the other kind is a type
// mismatch. A store is used by one thread.
#pragma once

#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>

namespace MEQAutility {
namespace SettingController {

// A failed read or write; the message is the system's text for the store's error code.
class SettingError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

}  // namespace SettingController
}  // namespace MEQAutility

class RegistryStore {
 public:
  // The store of the application; empty when its folder can be neither found nor made, or the
  // name is not a plain file name. The file itself is made by the first write.
  static RegistryStore open(const std::wstring& application);

  RegistryStore();
  ~RegistryStore();
  RegistryStore(RegistryStore&& other) noexcept;
  RegistryStore& operator=(RegistryStore&& other) noexcept;
  RegistryStore(const RegistryStore&) = delete;
  RegistryStore& operator=(const RegistryStore&) = delete;

  explicit operator bool() const { return record_ != nullptr; }
  void close();

  // errno of the latest operation (0 success; ENOENT for a missing value).
  int32_t lastError() const;
  // The system's text for lastError().
  std::string errorText() const;
  // Size in bytes of the value's data as the settings API counts it (a string's characters as
  // 16-bit units plus a terminating zero, 4 for a number); -1 when it cannot be read.
  [[nodiscard]] int64_t valueSize(const std::wstring& name);

  // --- throwing accessors (SettingError)
  // Stores the text up to its first zero character; text that is not Unicode (a lone surrogate,
  // a value beyond U+10FFFF) is refused with EILSEQ and stores nothing.
  void writeString(const std::wstring& name, const std::wstring& text);
  // The out text is set only on success.
  void readString(const std::wstring& name, std::wstring& text);

  // --- boolean accessors; on failure the out argument keeps its value
  [[nodiscard]] bool setString(const std::wstring& name, const std::wstring& text);
  [[nodiscard]] bool setUtf8String(const std::wstring& name, const std::string& text);
  [[nodiscard]] bool setDword(const std::wstring& name, int32_t value);
  [[nodiscard]] bool getString(const std::wstring& name, std::wstring& text);
  [[nodiscard]] bool getUtf8String(const std::wstring& name, std::string& text);
  [[nodiscard]] bool getDword(const std::wstring& name, int32_t& value);

  // The file behind the store (for tests and messages).
  std::string filePath() const;

 private:
  struct Record;
  std::unique_ptr<Record> record_;
};
