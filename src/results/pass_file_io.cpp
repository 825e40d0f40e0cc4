#include "results/pass_file_io.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <exception>

#include "avifile/avi_system.h"
#include "avifile/json_parser.h"

namespace passfiles {

bool readNextValue(std::istream& in, Brindle::JSON& value) {
  try {
    value = Brindle::JSONparser::parse(in);
    return true;
  } catch (const Brindle::JSONparser::Error&) {
    return false;
  } catch (const std::exception&) {
    return false;
  }
}

bool isEndMark(const Brindle::JSON& value) {
  return value.isString() && value.getString() == "end";
}

const std::string& endMarkText() {
  static const std::string text = Brindle::JSON("end").toString();
  return text;
}

namespace {

bool nativePath(const std::wstring& path, std::string& native) {
  if (toNativePath(path, native) && !native.empty()) return true;
  errno = EINVAL;
  return false;
}

bool writeAll(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t n = ::write(fd, bytes.data(), bytes.size());
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    if (n == 0) return false;
    bytes.remove_prefix(static_cast<size_t>(n));
  }
  return true;
}

// Keeps the errno of a failure across the clean-up after it.
class KeepErrno {
 public:
  KeepErrno() : saved_(errno) {}
  ~KeepErrno() { errno = saved_; }
  KeepErrno(const KeepErrno&) = delete;
  KeepErrno& operator=(const KeepErrno&) = delete;

 private:
  int saved_;
};

bool exists(const std::string& native) {
  struct stat info {};
  return ::lstat(native.c_str(), &info) == 0 || errno != ENOENT;
}

}  // namespace

bool writeFileDurably(const std::wstring& path, std::string_view bytes) {
  std::string native;
  if (!nativePath(path, native)) return false;
  const int fd =
      ::open(native.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOFOLLOW, 0666);
  if (fd < 0) return false;
  if (!(writeAll(fd, bytes) && ::fsync(fd) == 0)) {
    KeepErrno keep;
    ::close(fd);
    return false;
  }
  return ::close(fd) == 0;
}

bool moveFileNoReplace(const std::wstring& from, const std::wstring& to) {
  std::string source, target;
  if (!nativePath(from, source) || !nativePath(to, target)) return false;
  if (::renameat2(AT_FDCWD, source.c_str(), AT_FDCWD, target.c_str(), RENAME_NOREPLACE) == 0)
    return true;
  if (errno != EINVAL && errno != ENOSYS) return false;
  // A file system without the no-replace move (some network shares): a hard link also fails
  // when the name exists.
  if (::link(source.c_str(), target.c_str()) == 0) {
    ::unlink(source.c_str());
    return true;
  }
  if (errno != EPERM && errno != EOPNOTSUPP) return false;
  // Nor hard links: look first. Only another writer choosing the same name at the same moment
  // could slip in between, and the names hold this computer's name or a new pass id.
  if (exists(target)) {
    errno = EEXIST;
    return false;
  }
  return std::rename(source.c_str(), target.c_str()) == 0;
}

bool moveFileReplacing(const std::wstring& from, const std::wstring& to) {
  std::string source, target;
  if (!nativePath(from, source) || !nativePath(to, target)) return false;
  return ::renameat2(AT_FDCWD, source.c_str(), AT_FDCWD, target.c_str(), 0) == 0 ||
         ((errno == EINVAL || errno == ENOSYS) && std::rename(source.c_str(), target.c_str()) == 0);
}

bool replaceFileWhole(const std::wstring& folder, const std::wstring& path,
                      std::string_view bytes) {
  const std::wstring temp = path + L".tmp";
  if (!writeFileDurably(temp, bytes) || !moveFileReplacing(temp, path)) {
    KeepErrno keep;
    deleteFile(temp);
    return false;
  }
  return syncFolder(folder);
}

bool deleteFile(const std::wstring& path) {
  std::string native;
  return nativePath(path, native) && ::unlink(native.c_str()) == 0;
}

bool syncFolder(const std::wstring& folder) {
  std::string native;
  if (!nativePath(folder, native)) return false;
  const int fd = ::open(native.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return false;
  bool ok = ::fsync(fd) == 0 || errno == EINVAL || errno == EROFS;
  ::close(fd);
  return ok;
}

bool createFolder(const std::wstring& path) {
  std::string native;
  return nativePath(path, native) && ::mkdir(native.c_str(), 0777) == 0;
}

FileInput::FileInput(const std::wstring& path) : stream_(nullptr) {
  std::string native;
  if (!nativePath(path, native)) {
    stream_.setstate(std::ios::badbit);
    return;
  }
  // Not blocking, so that opening a pipe without a writer returns at once.
  const int fd = ::open(native.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
  struct stat info {};
  if (fd < 0 || ::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
    if (fd >= 0) ::close(fd);
    stream_.setstate(std::ios::badbit);
    return;
  }
  fd_ = fd;
  buffer_ = std::make_unique<Buffer>(fd_);
  stream_.rdbuf(buffer_.get());
}

FileInput::~FileInput() {
  stream_.rdbuf(nullptr);
  if (fd_ >= 0) ::close(fd_);
}

FileInput::Buffer::int_type FileInput::Buffer::underflow() {
  if (gptr() < egptr()) return traits_type::to_int_type(*gptr());
  ssize_t n;
  do {
    n = ::read(fd_, data_, sizeof data_);
  } while (n < 0 && errno == EINTR);
  if (n < 0) throw std::ios_base::failure("read error");  // the stream sets its bad bit
  if (n == 0) return traits_type::eof();
  setg(data_, data_, data_ + n);
  return traits_type::to_int_type(*gptr());
}

}  // namespace passfiles
