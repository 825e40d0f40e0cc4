// A temporary folder for one test, removed with everything in it when the test ends.
#pragma once

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>

namespace vixo_test {

class TempFolder {
 public:
  TempFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "vixo-test.XXXXXX").string();
    if (!mkdtemp(pattern.data())) {
      ADD_FAILURE() << "no temporary folder: " << std::strerror(errno);
      return;
    }
    // The temporary folder may itself lie behind a link; tests compare real paths.
    char* real = realpath(pattern.c_str(), nullptr);
    path_ = real ? real : pattern;
    std::free(real);
  }
  ~TempFolder() {
    if (path_.empty()) return;
    std::error_code ignored;
    std::filesystem::permissions(path_, std::filesystem::perms::owner_all, ignored);
    std::filesystem::remove_all(path_, ignored);
  }
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  const std::string& path() const { return path_; }
  // The full path of a name below the folder.
  std::string operator/(const std::string& name) const { return path_ + "/" + name; }
  // Creates a file (and its folders) below the folder; returns its full path.
  std::string makeFile(const std::string& name, const std::string& content = "x") const {
    const std::filesystem::path path = std::filesystem::path(path_) / name;
    std::filesystem::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << content;
    return path.string();
  }

 private:
  std::string path_;
};

}  // namespace vixo_test
