#include "library_lookup.h"

#include <dlfcn.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <sstream>

namespace {

constexpr const char* kStartError = "MEQA start error";
constexpr const char* kNoLibrary =
    "Can't find MEQA main dll. Please, reinstall MEQA, or contact us via\n"
    "support@orlo.example";

bool isBlank(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// The text of the last loader error, or a plain note when the loader gave none.
std::string loaderError(const char* fallback) {
  const char* text = dlerror();
  return text ? text : fallback;
}

}  // namespace

VIXOdllHandler::~VIXOdllHandler() {
  if (module) dlclose(module);
}

std::string getModuleDirectory() {
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
  return slash == std::string::npos ? std::string() : target.substr(0, slash + 1);
}

std::string trimLeft(const std::string& text) {
  size_t first = 0;
  while (first < text.size() && isBlank(text[first])) ++first;
  return text.substr(first);
}

std::string trimRight(const std::string& text) {
  size_t end = text.size();
  while (end > 0 && isBlank(text[end - 1])) --end;
  return text.substr(0, end);
}

std::string joinPath(const std::string& left, const std::string& right) {
  std::string tail = right;
  for (char& c : tail)
    if (c == '\\') c = '/';
  if (left.empty() || tail.empty()) return left + tail;
  const char last = left.back();
  const bool separated =
      last == ':' || last == '/' || last == '\\' || right.front() == '/' || right.front() == '\\';
  return separated ? left + tail : left + "/" + tail;
}

std::wstring wideFromUtf8(const std::string& text) {
  std::wstring out;
  size_t i = 0;
  while (i < text.size()) {
    const auto lead = static_cast<unsigned char>(text[i]);
    int length = 0;
    char32_t value = 0;
    char32_t minimum = 0;
    if (lead < 0x80) {
      length = 1;
      value = lead;
    } else if (lead >= 0xC2 && lead <= 0xDF) {
      length = 2;
      value = lead & 0x1F;
      minimum = 0x80;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
      length = 3;
      value = lead & 0x0F;
      minimum = 0x800;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
      length = 4;
      value = lead & 0x07;
      minimum = 0x10000;
    }
    bool ok = length > 0 && i + static_cast<size_t>(length) <= text.size();
    for (int k = 1; ok && k < length; ++k) {
      const auto next = static_cast<unsigned char>(text[i + static_cast<size_t>(k)]);
      ok = (next & 0xC0) == 0x80;
      value = (value << 6) | (next & 0x3F);
    }
    ok = ok && value >= minimum && value <= 0x10FFFF && (value < 0xD800 || value > 0xDFFF);
    if (!ok) {
      out.push_back(L'\uFFFD');
      ++i;
      continue;
    }
    out.push_back(static_cast<wchar_t>(value));
    i += static_cast<size_t>(length);
  }
  return out;
}

const std::string& binDirectory() {
  static const std::string folder = joinPath(getModuleDirectory(), "bin");
  return folder;
}

const std::vector<std::string>& libraryCandidates() {
  static const std::vector<std::string> names = {"libvixo.so",
                                                 "libvixo_" + std::to_string(64) + ".so"};
  return names;
}

std::vector<std::string> readDllDirectories(const std::string& folder, const std::string& text) {
  std::vector<std::string> folders;
  std::istringstream lines(text);
  std::string line;
  while (std::getline(lines, line)) {
    const std::string trimmed = trimLeft(trimRight(line));
    if (!trimmed.empty()) folders.push_back(joinPath(folder, trimmed));
  }
  return folders;
}

const std::vector<std::wstring>& dllDirectories() {
  static const std::vector<std::wstring> folders = [] {
    std::vector<std::wstring> list = {wideFromUtf8(binDirectory())};
    const std::string moduleFolder = getModuleDirectory();
    const std::string config = joinPath(moduleFolder, "conf_dll_dirs.txt");
    struct stat status {};
    // A missing file, or one whose status cannot be read, is skipped; a folder of that name
    // reads as no lines.
    if (stat(config.c_str(), &status) != 0 || !S_ISREG(status.st_mode)) return list;
    std::ifstream file(config, std::ios::binary);
    if (!file) return list;
    const std::string text((std::istreambuf_iterator<char>(file)),
                           std::istreambuf_iterator<char>());
    for (const std::string& folder : readDllDirectories(moduleFolder, text))
      list.push_back(wideFromUtf8(folder));
    return list;
  }();
  return folders;
}

LoadedMainDll loadMainDll(const std::string& path) {
  LoadedMainDll result;
  result.path = path;
  auto handler = std::make_shared<VIXOdllHandler>();
  // Kept loaded until the process ends, even after the last owner lets it go: the toolkit
  // beneath the library leaves handlers behind that must stay callable at exit.
  handler->module = dlopen(path.c_str(), RTLD_NOW | RTLD_NODELETE);
  if (!handler->module) {
    result.failures.push_back(loaderError(("cannot load " + path).c_str()));
    return result;
  }
  dlerror();
  handler->startVIXO = reinterpret_cast<StartVixoFunction>(dlsym(handler->module, "startVIXO"));
  if (!handler->startVIXO) {
    result.failures.push_back(loaderError((path + ": no startVIXO").c_str()));
    return result;  // the handler unloads the library
  }
  handler->setDllPath = reinterpret_cast<SetDllPathFunction>(dlsym(handler->module, "setDllPath"));
  dlerror();
  result.handler = std::move(handler);
  return result;
}

LoadedMainDll findMainDll() {
  // The library's own dependencies are found through its run path; the folders are built
  // here so that a library that takes them can be told about them.
  dllDirectories();
  LoadedMainDll result;
  for (const std::string& name : libraryCandidates()) {
    LoadedMainDll candidate = loadMainDll(joinPath(binDirectory(), name));
    result.failures.insert(result.failures.end(), candidate.failures.begin(),
                           candidate.failures.end());
    if (candidate.handler) {
      candidate.failures = std::move(result.failures);
      return candidate;
    }
  }
  return LoadedMainDll{{}, {}, std::move(result.failures)};
}

int runVixo(int argc, char** argv, bool openMode) {
  LoadedMainDll library = findMainDll();
  if (!library.handler) {
    std::fprintf(stderr, "%s\n%s\n", kStartError, kNoLibrary);
    for (const std::string& failure : library.failures)
      std::fprintf(stderr, "%s\n", failure.c_str());
    return -100;
  }
  if (library.handler->setDllPath) {
    std::vector<const wchar_t*> dirs;
    for (const std::wstring& folder : dllDirectories()) dirs.push_back(folder.c_str());
    library.handler->setDllPath(static_cast<int>(dirs.size()), dirs.data());
  }

  // The arguments as they came, program name first, as wide text; the vector ends with null.
  std::vector<std::wstring> texts;
  for (int i = 0; i < argc; ++i) texts.push_back(wideFromUtf8(argv[i]));
  std::vector<wchar_t*> wide;
  for (std::wstring& text : texts) wide.push_back(text.data());
  wide.push_back(nullptr);
  const int result = library.handler->startVIXO(argc, wide.data(), openMode);
  std::fflush(stdout);
  return result;
}
