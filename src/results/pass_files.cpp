#include "results/pass_files.h"

#include <wctype.h>

#include <climits>
#include <cstdio>
#include <map>
#include <set>

#include "avifile/avi_system.h"
#include "results/pass_file_io.h"

namespace {

using Brindle::JSON;

// The number of a state file's name part: decimal digits without a leading zero, above 0 and
// within int; -1 for anything else (signs, blanks, leading zeros, trailing text, overflow).
int stateNumberOf(const std::wstring& text) {
  if (text.empty() || text.size() > 10 || text[0] == L'0') return -1;
  long long value = 0;
  for (wchar_t c : text) {
    if (c < L'0' || c > L'9') return -1;
    value = value * 10 + (c - L'0');
  }
  return value > INT_MAX ? -1 : static_cast<int>(value);
}

}  // namespace

std::wstring statesFolder(const std::wstring& taskPath) { return taskPath + L".states"; }
std::wstring protocolsFolder(const std::wstring& taskPath) { return taskPath + L".protocols"; }
std::wstring archivesFolder(const std::wstring& taskPath) { return taskPath + L".archives"; }

bool createPassFolders(const std::wstring& taskPath) {
  if (taskPath.empty()) return false;
  bool created = passfiles::createFolder(statesFolder(taskPath));
  created = passfiles::createFolder(protocolsFolder(taskPath)) && created;
  created = passfiles::createFolder(archivesFolder(taskPath)) && created;
  return created;
}

std::wstring escapeForFileName(const std::wstring& name) {
  std::wstring out;
  for (const char byte : toUtf8(name)) {
    const auto c = static_cast<unsigned char>(byte);
    if (c == ' ' || c == '-' || c == '.' || c == '_' || (c >= '0' && c <= '9') ||
        (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z')) {
      out += static_cast<wchar_t>(c);
      continue;
    }
    // Sign-extended, as names written by earlier versions and other machines have it.
    char hex[16];
    std::snprintf(hex, sizeof hex, "%%%x",
                  static_cast<unsigned>(static_cast<int32_t>(static_cast<int8_t>(byte))));
    for (const char* h = hex; *h; ++h) out += static_cast<wchar_t>(*h);
  }
  return out;
}

std::wstring sanitizeName(const std::wstring& name) {
  // Letters and digits of every script, whatever locale the process runs in.
  static const locale_t utf8Locale = newlocale(LC_CTYPE_MASK, "C.UTF-8", locale_t{});
  auto isAlnum = [](wchar_t c) {
    if (utf8Locale != locale_t{}) return iswalnum_l(static_cast<wint_t>(c), utf8Locale) != 0;
    return (c >= L'0' && c <= L'9') || (c >= L'a' && c <= L'z') || (c >= L'A' && c <= L'Z');
  };
  std::wstring out;
  bool inRun = false;
  for (wchar_t c : name) {
    if (isAlnum(c)) {
      out += c;
      inRun = false;
    } else if (!inRun) {
      out += L'_';
      inRun = true;
    }
  }
  return out;
}

std::wstring stateFilePrefix(bool debug) {
  return (debug ? L"state-debug@" : L"state@") + escapeForFileName(getComputerName()) + L"@";
}

std::wstring stateFilePath(const std::wstring& taskPath, int number, bool debug) {
  return combinePath(statesFolder(taskPath),
                     stateFilePrefix(debug) + std::to_wstring(number) + L"@");
}

std::wstring resultFileName(const std::string& passId) {
  return L"result@" + fromUtf8(passId) + L"@";
}

std::wstring resultFilePath(const std::wstring& taskPath, const std::string& passId) {
  return combinePath(statesFolder(taskPath), resultFileName(passId));
}

std::vector<int> listStateFiles(const std::wstring& taskPath, bool debug) {
  const std::wstring prefix = stateFilePrefix(debug);
  std::set<int> numbers;
  for (FileFinder finder(statesFolder(taskPath), prefix, L"@"); finder.hasFile();) {
    const std::wstring name = finder.nextFile();
    const int number = stateNumberOf(name.substr(prefix.size(), name.size() - prefix.size() - 1));
    if (number > 0) numbers.insert(number);
  }
  return {numbers.begin(), numbers.end()};
}

void deleteStateFiles(const std::wstring& taskPath, bool debug) {
  for (int number : listStateFiles(taskPath, debug))
    passfiles::deleteFile(stateFilePath(taskPath, number, debug));
}

bool readStateFile(const std::wstring& taskPath, int number, JSON* header, JSON* document,
                   bool debug) {
  passfiles::FileInput file(stateFilePath(taskPath, number, debug));
  if (!header) return true;
  if (!passfiles::readNextValue(file.stream(), *header)) return false;
  if (!document) return true;
  if (!passfiles::readNextValue(file.stream(), *document)) return false;
  JSON end;
  return passfiles::readNextValue(file.stream(), end) && passfiles::isEndMark(end);
}

PassHeader readHeaderOfFile(const std::wstring& path) {
  PassHeader header;
  passfiles::FileInput file(path);
  JSON value;
  if (file.isOpen() && passfiles::readNextValue(file.stream(), value))
    passHeaderScheme(header).load(value);
  return header;
}

PassHeader readPassHeaders(const std::wstring& taskPath) {
  const std::vector<int> numbers = listStateFiles(taskPath, false);
  for (auto it = numbers.rbegin(); it != numbers.rend(); ++it) {
    // The whole file, not only its header: a file that cannot be resumed must not hide an
    // older one that can.
    JSON value, document;
    if (!readStateFile(taskPath, *it, &value, &document, false) || !document.isObject()) continue;
    PassHeader header;
    passHeaderScheme(header).load(value);
    header.stateNumber = *it;
    header.finished = false;
    if (header.isValid()) return header;
  }
  return PassHeader();
}

std::vector<PassHeader> scanResults(const std::wstring& taskPath) {
  const std::wstring folder = statesFolder(taskPath);
  std::map<std::string, PassHeader> passes;
  for (FileFinder finder(folder, L"state@", L"@"); finder.hasFile();) {
    PassHeader header = readHeaderOfFile(combinePath(folder, finder.nextFile()));
    if (!header.isValid()) continue;
    header.finished = false;
    const auto found = passes.find(header.id);
    if (found != passes.end() &&
        (found->second.finished || found->second.progress > header.progress))
      continue;
    passes[header.id] = std::move(header);
  }
  for (FileFinder finder(folder, L"result@", L"@"); finder.hasFile();) {
    PassHeader header = readHeaderOfFile(combinePath(folder, finder.nextFile()));
    if (!header.isValid()) continue;
    header.finished = true;
    const auto found = passes.find(header.id);
    if (found != passes.end() && found->second.finished && found->second.progress > header.progress)
      continue;
    passes[header.id] = std::move(header);
  }
  std::vector<PassHeader> list;
  list.reserve(passes.size());
  for (auto& [id, header] : passes) list.push_back(std::move(header));
  return list;
}
