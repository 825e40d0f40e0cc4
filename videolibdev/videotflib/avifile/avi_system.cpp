#include "avifile/avi_system.h"

#include <dirent.h>
#include <fcntl.h>
#include <limits.h>
#include <locale.h>
#include <sys/stat.h>
#include <unistd.h>
#include <uuid/uuid.h>
#include <wctype.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <ctime>

#include "avifile/assertion.h"

namespace {

constexpr uint32_t kMaxCodePoint = 0x10FFFF;

bool isSurrogate(uint32_t c) { return c >= 0xD800 && c <= 0xDFFF; }

bool isAsciiSpace(uint32_t c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

template <class String>
String trimLeftImpl(const String& text) {
  size_t begin = 0;
  while (begin < text.size() && isAsciiSpace(static_cast<uint32_t>(text[begin]))) ++begin;
  return text.substr(begin);
}

template <class String>
String trimRightImpl(const String& text) {
  size_t end = text.size();
  while (end > 0 && isAsciiSpace(static_cast<uint32_t>(text[end - 1]))) --end;
  return text.substr(0, end);
}

}  // namespace

bool toNativePath(const std::wstring& path, std::string& native) {
  native = toUtf8(path);
  if (native.empty() != path.empty()) return false;
  return native.find('\0') == std::string::npos;
}

// --- UTF-8 conversion

std::wstring fromUtf8(std::string_view text) {
  const auto* in = reinterpret_cast<const unsigned char*>(text.data());
  const size_t size = text.size();
  // Never more characters than bytes: size once, write through a pointer, cut at the end.
  std::wstring out(size, L'\0');
  wchar_t* dst = out.data();
  size_t i = 0;
  while (i < size) {
    uint32_t c = in[i];
    if (c < 0x80) {
      *dst++ = static_cast<wchar_t>(c);
      ++i;
      continue;
    }
    size_t length;
    uint32_t minimum;
    // C0, C1 and F5-FF can only start overlong or out-of-range forms; 80-BF are stray
    // continuation bytes.
    if (c >= 0xC2 && c <= 0xDF) {
      length = 2;
      minimum = 0x80;
      c &= 0x1F;
    } else if (c >= 0xE0 && c <= 0xEF) {
      length = 3;
      minimum = 0x800;
      c &= 0x0F;
    } else if (c >= 0xF0 && c <= 0xF4) {
      length = 4;
      minimum = 0x10000;
      c &= 0x07;
    } else {
      return {};
    }
    if (size - i < length) return {};
    for (size_t k = 1; k < length; ++k) {
      const uint32_t next = in[i + k];
      if ((next & 0xC0) != 0x80) return {};
      c = (c << 6) | (next & 0x3F);
    }
    if (c < minimum || c > kMaxCodePoint || isSurrogate(c)) return {};
    *dst++ = static_cast<wchar_t>(c);
    i += length;
  }
  out.resize(static_cast<size_t>(dst - out.data()));
  return out;
}

std::string toUtf8(std::wstring_view text) {
  // First pass checks and measures, so the second writes into a buffer of the exact size.
  size_t length = 0;
  for (wchar_t w : text) {
    const auto c = static_cast<uint32_t>(w);
    if (c < 0x80) {
      length += 1;
    } else if (c < 0x800) {
      length += 2;
    } else if (c < 0x10000) {
      if (isSurrogate(c)) return {};
      length += 3;
    } else if (c <= kMaxCodePoint) {
      length += 4;
    } else {
      return {};
    }
  }
  std::string out(length, '\0');
  char* dst = out.data();
  for (wchar_t w : text) {
    const auto c = static_cast<uint32_t>(w);
    if (c < 0x80) {
      *dst++ = static_cast<char>(c);
    } else if (c < 0x800) {
      *dst++ = static_cast<char>(0xC0 | (c >> 6));
      *dst++ = static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
      *dst++ = static_cast<char>(0xE0 | (c >> 12));
      *dst++ = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      *dst++ = static_cast<char>(0x80 | (c & 0x3F));
    } else {
      *dst++ = static_cast<char>(0xF0 | (c >> 18));
      *dst++ = static_cast<char>(0x80 | ((c >> 12) & 0x3F));
      *dst++ = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      *dst++ = static_cast<char>(0x80 | (c & 0x3F));
    }
  }
  return out;
}

// --- text

std::wstring toLower(std::wstring text) {
  // The desktop toolkit sets the process locale from the environment, so the mapping uses a
  // locale object of its own. It is made once and kept for the life of the program.
  static const locale_t utf8Locale = newlocale(LC_CTYPE_MASK, "C.UTF-8", locale_t{});
  for (wchar_t& w : text) {
    const auto c = static_cast<uint32_t>(w);
    if (c > kMaxCodePoint) continue;
    if (utf8Locale != locale_t{}) {
      w = static_cast<wchar_t>(towlower_l(static_cast<wint_t>(c), utf8Locale));
    } else if (c >= 'A' && c <= 'Z') {
      w = static_cast<wchar_t>(c + ('a' - 'A'));
    }
  }
  return text;
}

std::wstring trimLeft(const std::wstring& text) { return trimLeftImpl(text); }
std::string trimLeft(const std::string& text) { return trimLeftImpl(text); }
std::wstring trimRight(const std::wstring& text) { return trimRightImpl(text); }
std::wstring trim(const std::wstring& text) { return trimLeftImpl(trimRightImpl(text)); }
std::string trim(const std::string& text) { return trimLeftImpl(trimRightImpl(text)); }

std::wstring joinStrings(std::vector<std::wstring> items, std::wstring separator) {
  std::wstring out;
  for (size_t i = 0; i < items.size(); ++i) {
    if (i > 0) out += separator;
    out += items[i];
  }
  return out;
}

std::wstring quoteArgument(std::wstring text) {
  // Backslashes before a quote, or before the closing quote that may be added below, are
  // doubled so that the reader keeps them as backslashes. Built backwards, then reversed.
  std::wstring doubled;
  doubled.reserve(text.size() + 8);
  bool beforeQuoteOrEnd = true;
  for (auto it = text.rbegin(); it != text.rend(); ++it) {
    const wchar_t c = *it;
    doubled.push_back(c);
    if (c == L'\\') {
      if (beforeQuoteOrEnd) doubled.push_back(L'\\');
    } else {
      beforeQuoteOrEnd = c == L'"';
    }
  }
  std::reverse(doubled.begin(), doubled.end());

  std::wstring out;
  out.reserve(doubled.size() + 8);
  for (wchar_t c : doubled) {
    if (c == L'"') out.push_back(L'\\');
    out.push_back(c);
  }
  if (out.empty() || out.find_first_of(L" \t") != std::wstring::npos) out = L'"' + out + L'"';
  return out;
}

std::string formatDuration(int64_t ms) {
  constexpr int64_t kHour = 3'600'000;
  constexpr int64_t kMinute = 60'000;
  std::vector<std::string> parts;
  int64_t rest = ms;
  if (ms >= kHour) {
    parts.push_back(std::to_string(ms / kHour) + "h");
    rest = ms % kHour;
  }
  if (rest >= kMinute) {
    parts.push_back(std::to_string(rest / kMinute) + "m");
    rest %= kMinute;
  }
  // Seconds only below an hour, tenths only below a minute; truncated, never rounded.
  if (rest > 0 && ms < kHour) {
    const std::string tenths = std::to_string(rest / 100);
    std::string part = tenths.size() > 1 ? tenths.substr(0, tenths.size() - 1) : "0";
    const char digit = tenths.back();
    if (digit != '0' && ms < kMinute) {
      part += '.';
      part += digit;
    }
    part += 's';
    parts.push_back(std::move(part));
  }
  if (parts.empty()) return "0";
  std::string out = parts.front();
  for (size_t i = 1; i < parts.size(); ++i) out += " " + parts[i];
  return out;
}

namespace {

// "Www Mmm DD hh:mm:ss YYYY" of 100-ns ticks since 1970, in local time or UTC.
std::string formatTicks(int64_t ticks, bool utc) {
  // Fixed English names: stored files must not depend on the process locale.
  static constexpr const char* kWeekdays[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
  static constexpr const char* kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                            "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
  constexpr int64_t kTicksPerSecond = 10'000'000;
  int64_t seconds = ticks / kTicksPerSecond;
  if (ticks % kTicksPerSecond < 0) --seconds;  // floor, so times before 1970 round down
  const auto time = static_cast<time_t>(seconds);
  std::tm parts{};
  if ((utc ? gmtime_r(&time, &parts) : localtime_r(&time, &parts)) == nullptr) return {};
  if (parts.tm_wday < 0 || parts.tm_wday > 6 || parts.tm_mon < 0 || parts.tm_mon > 11) return {};
  char buffer[64];
  const int written =
      std::snprintf(buffer, sizeof buffer, "%s %s %02d %02d:%02d:%02d %lld",
                    kWeekdays[parts.tm_wday], kMonths[parts.tm_mon], parts.tm_mday, parts.tm_hour,
                    parts.tm_min, parts.tm_sec, static_cast<long long>(parts.tm_year) + 1900);
  if (written <= 0 || static_cast<size_t>(written) >= sizeof buffer) return {};
  return std::string(buffer, static_cast<size_t>(written));
}

}  // namespace

std::string formatTimeStamp(int64_t ticks) { return formatTicks(ticks, false); }

std::string formatUtcTimeStamp(int64_t ticks) { return formatTicks(ticks, true); }

// --- paths

PathParts splitPath(const std::wstring& path) {
  PathParts parts;
  const size_t slash = path.rfind(L'/');
  const size_t nameStart = slash == std::wstring::npos ? 0 : slash + 1;
  parts.directory = path.substr(0, nameStart);
  const size_t dot = path.rfind(L'.');
  const size_t extStart = (dot == std::wstring::npos || dot < nameStart) ? path.size() : dot;
  parts.baseName = path.substr(nameStart, extStart - nameStart);
  parts.extension = path.substr(extStart);
  return parts;
}

std::wstring combinePath(const std::wstring& first, const std::wstring& second) {
  std::wstring tail = second;
  std::replace(tail.begin(), tail.end(), L'\\', L'/');
  std::wstring out = first;
  if (!first.empty() && !tail.empty() && first.back() != L'/' && tail.front() != L'/') {
    out += L'/';
  }
  out += tail;
  return out;
}

std::vector<std::wstring> splitPathComponents(const std::wstring& path) {
  // Peeling the last name off with splitPath until no directory is left yields exactly the
  // non-empty pieces between separators; they are taken in one pass here.
  std::vector<std::wstring> components;
  size_t start = 0;
  while (start <= path.size()) {
    size_t end = path.find(L'/', start);
    if (end == std::wstring::npos) end = path.size();
    if (end > start) components.push_back(path.substr(start, end - start));
    start = end + 1;
  }
  return components;
}

std::wstring canonicalizePath(const std::wstring& path) {
  if (path.empty()) return {};
  const bool absolute = path.front() == L'/';
  std::vector<std::wstring> kept;
  for (std::wstring& step : splitPathComponents(path)) {
    if (step == L".") continue;
    if (step == L"..") {
      if (!kept.empty() && kept.back() != L"..") {
        kept.pop_back();
      } else if (!absolute) {
        kept.push_back(std::move(step));  // nothing left to climb out of here
      }                                   // else: the root is its own parent
      continue;
    }
    kept.push_back(std::move(step));
  }
  std::wstring out = absolute ? L"/" : L"";
  for (size_t i = 0; i < kept.size(); ++i) {
    if (i > 0) out += L'/';
    out += kept[i];
  }
  // A relative path that resolves to nothing is the current folder, not a failure.
  if (out.empty()) out = L".";
  if (path.back() == L'/' && out.back() != L'/') out += L'/';
  return out;
}

bool isRelativePath(const std::wstring& path) {
  if (path.empty()) return true;
  if (path[0] == L'/' || path[0] == L'\\') return false;
  const bool drive = path.size() >= 2 && path[1] == L':' &&
                     ((path[0] >= L'A' && path[0] <= L'Z') || (path[0] >= L'a' && path[0] <= L'z'));
  return !drive;
}

std::wstring getFullPath(const std::wstring& path) {
  if (path.empty()) return {};
  if (path[0] == L'/') return canonicalizePath(path);
  char cwd[4096];
  if (!getcwd(cwd, sizeof cwd)) return {};
  return canonicalizePath(combinePath(fromUtf8(cwd), path));
}

bool resolveFinalPath(std::wstring& path) {
  std::string native;
  if (!toNativePath(path, native) || native.empty()) return false;
  std::unique_ptr<char, decltype(&std::free)> real(realpath(native.c_str(), nullptr), &std::free);
  if (!real) return false;
  std::wstring resolved = fromUtf8(real.get());
  if (resolved.empty()) return false;  // the real path holds bytes that are not UTF-8
  path = std::move(resolved);
  return true;
}

std::wstring getModuleDirectory() {
  std::string target(256, '\0');
  for (;;) {
    const ssize_t length = readlink("/proc/self/exe", target.data(), target.size());
    if (length < 0) return {};
    if (static_cast<size_t>(length) < target.size()) {
      target.resize(static_cast<size_t>(length));
      break;
    }
    target.resize(target.size() * 2);  // may have been cut short: try again with more room
  }
  const size_t slash = target.rfind('/');
  if (slash == std::string::npos) return {};
  return fromUtf8(std::string_view(target).substr(0, slash + 1));
}

// --- files and folders

FileFinder::FileFinder(const std::wstring& folder, const std::wstring& prefix,
                       const std::wstring& suffix) {
  std::string nativeFolder;
  if (!toNativePath(folder, nativeFolder)) return;
  const std::string head = toUtf8(prefix);
  const std::string tail = toUtf8(suffix);
  if (head.empty() != prefix.empty() || tail.empty() != suffix.empty()) return;

  struct CloseDir {
    void operator()(DIR* dir) const { closedir(dir); }
  };
  std::unique_ptr<DIR, CloseDir> dir(opendir(nativeFolder.c_str()));
  if (!dir) return;
  // UTF-8 keeps code-point boundaries and order, so matching and sorting the bytes is the same
  // as doing it on the characters.
  std::vector<std::string> found;
  while (const dirent* entry = readdir(dir.get())) {
    const std::string_view name = entry->d_name;
    if (name == "." || name == "..") continue;
    if (name.size() < head.size() + tail.size()) continue;
    if (!name.starts_with(head) || !name.ends_with(tail)) continue;
    found.emplace_back(name);
  }
  std::sort(found.begin(), found.end());
  names_.reserve(found.size());
  for (const std::string& name : found) {
    std::wstring wide = fromUtf8(name);
    if (!wide.empty()) names_.push_back(std::move(wide));  // a name that is not UTF-8 is skipped
  }
}

FileFinder::~FileFinder() = default;

bool FileFinder::hasFile() const { return next_ < names_.size(); }

std::wstring FileFinder::nextFile() {
  VIXO_ASSERT(hasFile());
  return names_[next_++];
}

uint64_t getFileWriteTime(const std::wstring& path) {
  constexpr int64_t kTicksPerSecond = 10'000'000;
  constexpr int64_t kTicksFrom1601To1970 = 116'444'736'000'000'000;
  std::string native;
  if (!toNativePath(path, native) || native.empty()) return 0;
  // Non-blocking, so that a FIFO without a writer does not hang the caller.
  const int fd = open(native.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
  if (fd < 0) return 0;
  struct stat info {};
  const int status = fstat(fd, &info);
  close(fd);
  if (status != 0 || S_ISDIR(info.st_mode)) return 0;
  int64_t ticks = 0;
  if (__builtin_mul_overflow(static_cast<int64_t>(info.st_mtim.tv_sec), kTicksPerSecond, &ticks) ||
      __builtin_add_overflow(ticks, info.st_mtim.tv_nsec / 100, &ticks) ||
      __builtin_add_overflow(ticks, kTicksFrom1601To1970, &ticks) || ticks < 0) {
    return 0;  // outside what the 1601-based count can hold
  }
  return static_cast<uint64_t>(ticks);
}

bool isRegularFile(const std::string& native) {
  struct stat st;
  return !native.empty() && stat(native.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool toggleHiddenAttribute(const std::wstring& path) {
  std::string native;
  if (!toNativePath(path, native) || native.empty()) return false;
  struct stat info {};
  return stat(native.c_str(), &info) == 0;
}

bool writeFileReplacing(const std::wstring& path, std::string_view bytes) {
  std::string native;
  if (!toNativePath(path, native) || native.empty() || native.back() == '/') return false;
  // Replacing a file that may not be written would go round its permissions.
  if (access(native.c_str(), W_OK) != 0 && errno != ENOENT) return false;
  // A short name of its own in the same folder, so that the rename stays on one file system and
  // a long target name still leaves room for it.
  static std::atomic<unsigned> counter{0};
  const size_t slash = native.rfind('/');
  const std::string folder =
      slash == std::string::npos ? std::string() : native.substr(0, slash + 1);
  const std::string temporary =
      folder + ".vixo-" + std::to_string(getpid()) + "-" + std::to_string(counter++) + ".tmp";
  const int fd =
      open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0666);
  if (fd < 0) return false;
  bool ok = true;
  for (size_t done = 0; ok && done < bytes.size();) {
    const ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    ok = n > 0;
    if (ok) done += static_cast<size_t>(n);
  }
  ok = fsync(fd) == 0 && ok;
  ok = close(fd) == 0 && ok;
  ok = ok && rename(temporary.c_str(), native.c_str()) == 0;
  if (!ok) unlink(temporary.c_str());
  return ok;
}

// --- system

std::wstring getComputerName() {
  char name[HOST_NAME_MAX + 1] = {};
  if (gethostname(name, sizeof name - 1) != 0) return {};
  std::string_view host(name);  // the spare last byte keeps it terminated even when cut short
  host = host.substr(0, host.find('.'));
  std::wstring wide = fromUtf8(host);
  if (wide.size() > 15) wide.resize(15);
  return wide;
}

std::string newUuidString() {
  uuid_t id;
  uuid_generate_random(id);
  char text[37];
  uuid_unparse_lower(id, text);
  return std::string(text, 36);
}
