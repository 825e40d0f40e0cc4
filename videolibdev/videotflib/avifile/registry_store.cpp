#include "avifile/registry_store.h"

#include <fcntl.h>
#include <pwd.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <sstream>

#include "avifile/avi_system.h"
#include "avifile/json.h"
#include "avifile/json_parser.h"

using Brindle::JSON;
using MEQAutility::SettingController::SettingError;

namespace {

std::string configHome() {
  const char* xdg = std::getenv("XDG_CONFIG_HOME");
  if (xdg && xdg[0] == '/') return xdg;
  const char* home = std::getenv("HOME");
  if (home && home[0] == '/') return std::string(home) + "/.config";
  if (const passwd* pw = getpwuid(getuid()); pw && pw->pw_dir)
    return std::string(pw->pw_dir) + "/.config";
  return {};
}

// mkdir -p for the folders of a path; true when the folder exists afterwards.
bool makeFolders(const std::string& folder) {
  for (size_t slash = folder.find('/', 1);; slash = folder.find('/', slash + 1)) {
    const std::string part = folder.substr(0, slash);
    if (mkdir(part.c_str(), 0700) != 0 && errno != EEXIST) return false;
    if (slash == std::string::npos) break;
  }
  struct stat st {};
  return stat(folder.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// Holds an exclusive lock on the store's lock file while a write reads, changes and replaces
// the file, so that writes of two processes cannot lose each other's values.
class WriteLock {
 public:
  explicit WriteLock(const std::string& path) {
    fd_ = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd_ < 0) {
      error_ = errno;
      return;
    }
    while (flock(fd_, LOCK_EX) != 0) {
      if (errno != EINTR) {
        error_ = errno;
        return;
      }
    }
  }
  ~WriteLock() {
    if (fd_ >= 0) ::close(fd_);  // closing releases the lock
  }
  int error() const { return error_; }

 private:
  int fd_ = -1;
  int error_ = 0;
};

// 16-bit units of the text, as the settings API counts string data.
int64_t utf16Units(const std::wstring& text) {
  int64_t n = 0;
  for (wchar_t c : text) n += static_cast<uint32_t>(c) > 0xFFFF ? 2 : 1;
  return n;
}

}  // namespace

struct RegistryStore::Record {
  std::string path;
  std::string lockPath;
  int32_t lastError = 0;

  // Reads the whole file. A missing file is an empty set of values; a file that cannot be read
  // or is not a JSON object is an error (EBADMSG for damaged content).
  int load(JSON& values) const {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
      if (errno == ENOENT) {
        values = JSON(Brindle::JSONElements::Object());
        return 0;
      }
      return errno;
    }
    std::string text;
    char buffer[8192];
    int error = 0;
    for (;;) {
      const ssize_t n = ::read(fd, buffer, sizeof buffer);
      if (n > 0) {
        text.append(buffer, static_cast<size_t>(n));
      } else if (n == 0) {
        break;
      } else if (errno != EINTR) {
        error = errno;
        break;
      }
    }
    ::close(fd);
    if (error) return error;
    std::istringstream in(text);
    try {
      values = Brindle::JSONparser::parse(in);
    } catch (const Brindle::JSONparser::Error&) {
      return EBADMSG;
    }
    // Nothing but white space may follow the object.
    const size_t rest = in.eof() ? text.size() : static_cast<size_t>(in.tellg());
    if (!values.isObject() || text.find_first_not_of(" \t\r\n", rest) != std::string::npos)
      return EBADMSG;
    return 0;
  }

  // Writes the values to a new file beside the old one and moves it over the old one.
  int save(const JSON& values) const {
    static std::atomic<unsigned> counter{0};
    const std::string temporary =
        path + ".tmp." + std::to_string(getpid()) + "." + std::to_string(counter++);
    const std::string text = values.toString(-1) + "\n";
    const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0) return errno;
    int error = 0;
    for (size_t done = 0; done < text.size() && error == 0;) {
      const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
      if (n < 0 && errno != EINTR) error = errno;
      if (n > 0) done += static_cast<size_t>(n);
    }
    if (error == 0 && fsync(fd) != 0) error = errno;
    if (::close(fd) != 0 && error == 0) error = errno;
    if (error == 0 && rename(temporary.c_str(), path.c_str()) != 0) error = errno;
    if (error != 0) unlink(temporary.c_str());
    return error;
  }

  // Reads one value; sets lastError. Returns nullptr-equivalent (false) on failure.
  bool read(const std::wstring& name, JSON& value) {
    JSON values;
    if (int e = load(values)) {
      lastError = e;
      return false;
    }
    const JSON* found = values.find(toUtf8(name));
    if (!found) {
      lastError = ENOENT;
      return false;
    }
    value = *found;
    lastError = 0;
    return true;
  }

  // Sets one value and replaces the file; sets lastError.
  bool write(const std::wstring& name, const JSON& value) {
    const std::string key = toUtf8(name);
    if (key.empty() && !name.empty()) {
      lastError = EILSEQ;
      return false;
    }
    WriteLock lock(lockPath);
    if (lock.error()) {
      lastError = lock.error();
      return false;
    }
    JSON values;
    if (int e = load(values)) {
      lastError = e;  // never replace what could not be read
      return false;
    }
    values.set(key, value);
    lastError = save(values);
    return lastError == 0;
  }
};

RegistryStore RegistryStore::open(const std::wstring& application) {
  RegistryStore store;
  const std::string name = toUtf8(application);
  if (name.empty() || name == "." || name == ".." || name.find('/') != std::string::npos ||
      name.find('\0') != std::string::npos)
    return store;
  const std::string home = configHome();
  if (home.empty()) return store;
  const std::string folder = home + "/Orlo";
  if (!makeFolders(folder)) return store;
  store.record_ = std::make_unique<Record>();
  store.record_->path = folder + "/" + name + ".json";
  store.record_->lockPath = folder + "/" + name + ".lock";
  return store;
}

RegistryStore::RegistryStore() = default;
RegistryStore::~RegistryStore() = default;
RegistryStore::RegistryStore(RegistryStore&& other) noexcept = default;
RegistryStore& RegistryStore::operator=(RegistryStore&& other) noexcept = default;

void RegistryStore::close() { record_.reset(); }

int32_t RegistryStore::lastError() const { return record_ ? record_->lastError : EBADF; }

std::string RegistryStore::errorText() const {
  char buffer[256];
  // GNU strerror_r returns the text, which need not be in the buffer.
  return strerror_r(lastError(), buffer, sizeof buffer);
}

std::string RegistryStore::filePath() const { return record_ ? record_->path : std::string(); }

int64_t RegistryStore::valueSize(const std::wstring& name) {
  JSON value;
  if (!record_ || !record_->read(name, value)) return -1;
  if (value.isString()) {
    const std::wstring text = value.getWString();
    if (text.empty() && !value.getString().empty())
      return static_cast<int64_t>(value.getString().size()) + 1;
    return (utf16Units(text) + 1) * 2;
  }
  if (value.isInteger()) return 4;
  return static_cast<int64_t>(value.toString(0).size());
}

void RegistryStore::writeString(const std::wstring& name, const std::wstring& text) {
  if (!setString(name, text)) throw SettingError(errorText());
}

void RegistryStore::readString(const std::wstring& name, std::wstring& text) {
  if (!getString(name, text)) throw SettingError(errorText());
}

bool RegistryStore::setString(const std::wstring& name, const std::wstring& text) {
  if (!record_) return false;
  const std::wstring stored = text.substr(0, text.find(L'\0'));
  const std::string encoded = toUtf8(stored);
  if (encoded.empty() && !stored.empty()) {
    record_->lastError = EILSEQ;  // not a Unicode text: nothing is stored
    return false;
  }
  return record_->write(name, JSON(encoded));
}

bool RegistryStore::setUtf8String(const std::wstring& name, const std::string& text) {
  const std::wstring wide = fromUtf8(text);
  if (wide.empty() && !text.empty()) {
    if (record_) record_->lastError = EILSEQ;
    return false;
  }
  return setString(name, wide);
}

bool RegistryStore::setDword(const std::wstring& name, int32_t value) {
  return record_ && record_->write(name, JSON(Brindle::JSONElements::Integer(value)));
}

bool RegistryStore::getString(const std::wstring& name, std::wstring& text) {
  JSON value;
  if (!record_ || !record_->read(name, value)) return false;
  if (!value.isString()) {
    record_->lastError = 0;  // the read itself worked; the value is of another type
    return false;
  }
  const std::wstring read = value.getWString();
  if (read.empty() && !value.getString().empty()) {
    record_->lastError = EILSEQ;  // not UTF-8: edited by hand or damaged
    return false;
  }
  text = read.substr(0, read.find(L'\0'));
  return true;
}

bool RegistryStore::getUtf8String(const std::wstring& name, std::string& text) {
  std::wstring wide;
  if (!getString(name, wide)) return false;
  text = toUtf8(wide);
  return true;
}

bool RegistryStore::getDword(const std::wstring& name, int32_t& value) {
  JSON stored;
  if (!record_ || !record_->read(name, stored)) return false;
  if (!stored.isInteger()) {
    record_->lastError = 0;  // another type: the out number stays as it was
    return false;
  }
  const int64_t v = stored.getInteger();
  if (v < INT32_MIN || v > static_cast<int64_t>(UINT32_MAX)) {
    record_->lastError = ERANGE;  // more than 32 bits cannot come from this store
    return false;
  }
  value = static_cast<int32_t>(static_cast<uint32_t>(v));
  return true;
}
