#include "player/static_files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <map>
#include <vector>

#include "avifile/avi_system.h"

namespace {

// The path with every link followed; empty when it cannot be resolved (a missing file).
std::string realPath(const std::string& native) {
  char* resolved = ::realpath(native.c_str(), nullptr);
  if (!resolved) return {};
  std::string out(resolved);
  std::free(resolved);
  return out;
}

}  // namespace

std::wstring staticRootFolder(const std::wstring& programFolder) {
  std::string native;
  std::string line;
  if (toNativePath(combinePath(programFolder, L"conf_redirect.txt"), native)) {
    std::ifstream redirect(native, std::ios::binary);
    if (redirect && std::getline(redirect, line)) {
      const std::string trimmed = trim(line);
      const std::wstring folder = fromUtf8(trimmed);
      if (folder.empty() && !trimmed.empty()) return {};  // not UTF-8: no folder can be meant
      return combinePath(programFolder, folder);
    }
  }
  return combinePath(programFolder, L"static_html");
}

std::wstring staticFilePath(const std::wstring& programFolder, const std::wstring& rest) {
  return staticFilePathIn(staticRootFolder(programFolder), rest);
}

std::wstring staticFilePathIn(const std::wstring& root, const std::wstring& rest) {
  if (root.empty()) return {};
  const std::wstring full = canonicalizePath(combinePath(root, rest));
  const std::vector<std::wstring> rootSteps = splitPathComponents(canonicalizePath(root));
  const std::vector<std::wstring> fullSteps = splitPathComponents(full);
  if (fullSteps.size() < rootSteps.size()) return {};
  for (size_t i = 0; i < rootSteps.size(); ++i)
    if (rootSteps[i] != fullSteps[i]) return {};
  return full;
}

std::string mimeTypeForPath(const std::wstring& extension) {
  static const std::map<std::wstring, std::string> types = {
      {L".js", "application/javascript"},
      {L".css", "text/css"},
      {L".htm", "text/html"},
      {L".html", "text/html"},
      {L".txt", "text/plain"},
      {L".gif", "image/gif"},
      {L".jpg", "image/jpeg"},
      {L".jpeg", "image/jpeg"},
      {L".png", "image/png"},
      {L".svg", "image/svg+xml"},
  };
  const auto it = types.find(toLower(extension));
  return it == types.end() ? "application/octet-stream" : it->second;
}

bool readStaticFile(const std::wstring& path, const std::wstring& root, std::string& content) {
  content.clear();
  std::string native, rootNative;
  if (!toNativePath(path, native) || native.empty() || !toNativePath(root, rootNative) ||
      rootNative.empty())
    return false;
  // The file is opened by its resolved path, the one that was checked.
  const std::string file = realPath(native);
  const std::string folder = realPath(rootNative);
  if (file.empty() || folder.empty()) return false;
  const bool inside =
      folder == "/" || (file.size() > folder.size() + 1 &&
                        file.compare(0, folder.size(), folder) == 0 && file[folder.size()] == '/');
  if (!inside) return false;
  // Non-blocking, so that a named pipe among the files cannot hold the connection's thread.
  const int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
  if (fd < 0) return false;
  struct stat info {};
  bool ok = ::fstat(fd, &info) == 0 && S_ISREG(info.st_mode);
  if (ok) content.reserve(static_cast<size_t>(info.st_size));
  char buffer[64 * 1024];
  while (ok) {
    const ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) ok = false;
    if (n <= 0) break;
    content.append(buffer, static_cast<size_t>(n));
  }
  ::close(fd);
  if (!ok) content.clear();
  return ok;
}
