#include "results/archive_import.h"

#include <exception>
#include <new>
#include <utility>
#include <vector>

#include "avifile/avi_system.h"
#include "results/pass_file_io.h"
#include "results/pass_files.h"
#include "results/pass_header.h"

namespace {

using Brindle::JSON;

// The bytes file systems allow for a name; each file is first written under its name + ".tmp".
constexpr size_t kMaxFileNameBytes = 255;
constexpr size_t kTempSuffixBytes = 4;

// The protocols this system writes nest a few levels (the document, its events, their data and
// lists) and take some megabytes; their indented text grows with the square of the depth, so a
// deeper or larger one is not a protocol of a pass.
constexpr size_t kMaxProtocolDepth = 256;
constexpr size_t kMaxProtocolBytes = size_t{64} << 20;

// A name that stays inside the folder it is joined to, here and on the machine that wrote it,
// and that the file system takes with the temporary suffix.
bool isPlainFileName(const std::wstring& name) {
  if (name.empty() || name == L"." || name == L"..") return false;
  if (name.find_first_of(std::wstring(L"/\\\0", 3)) != std::wstring::npos) return false;
  if (toUtf8(name).size() + kTempSuffixBytes > kMaxFileNameBytes) return false;
  return isRelativePath(name);
}

// The text of a member that must be a string naming a plain file; empty when it is not.
std::wstring plainName(const JSON& value) {
  if (!value.isString()) return {};
  std::wstring name = value.getWString();
  return isPlainFileName(name) ? name : std::wstring();
}

// At least the bytes of a string's text in quotes: an escape takes up to six.
size_t quotedBytesBound(const std::string& text) {
  size_t bytes = 2;
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    bytes += byte < 0x20 || byte == 0x7F || byte == '"' || byte == '\\' || byte == 0xC2 ? 6 : 1;
  }
  return bytes;
}

// Whether the protocol nests at most kMaxProtocolDepth levels and its indented text takes at
// most kMaxProtocolBytes. The size is a bound summed over the tree (a line per value with two
// blanks a level), without writing anything.
bool isSaneProtocol(const JSON& protocol) {
  std::vector<std::pair<const JSON*, size_t>> open{{&protocol, 0}};  // values and their depth
  size_t bytes = 0;
  while (!open.empty()) {
    const auto [value, depth] = open.back();
    open.pop_back();
    if (depth > kMaxProtocolDepth) return false;
    // Its line (the break, the indent, a comma) and a container's closing line.
    bytes += 2 * depth + 2;
    if (value->isArray() || value->isObject()) bytes += 2 * depth + 2;
    if (value->isArray()) {
      for (const JSON& element : value->elements()) open.emplace_back(&element, depth + 1);
    } else if (value->isObject()) {
      for (const auto& member : value->members()) {
        bytes += quotedBytesBound(member.key) + 3;
        open.emplace_back(&member.value, depth + 1);
      }
    } else {
      bytes += value->isString() ? quotedBytesBound(value->getString()) : 32;
    }
    if (bytes > kMaxProtocolBytes) return false;
  }
  return true;
}

bool importChecked(const std::wstring& taskPath, const std::wstring& archivePath) {
  JSON archive;
  {
    passfiles::FileInput file(archivePath);
    if (!file.isOpen() || !passfiles::readNextValue(file.stream(), archive)) return false;
  }
  if (!archive.isObject()) return false;

  // Everything is checked before anything is written.
  const JSON* protocolFile = archive.find("protocol-file");
  const JSON* protocol = archive.find("protocol");
  std::wstring protocolName;
  if (protocolFile) {
    if (!protocol) return false;
    protocolName = plainName(*protocolFile);
    if (protocolName.empty() || !isSaneProtocol(*protocol)) return false;
  }
  const JSON* resultsFile = archive.find("results-file");
  const JSON* results = archive.find("results");
  const JSON* header = archive.find("header");
  std::wstring resultName;
  if (resultsFile) {
    if (!results || !header) return false;
    resultName = plainName(*resultsFile);
    const JSON* id = header->isObject() ? header->find("id") : nullptr;
    if (resultName.empty() || !id || !id->isString() || fromUtf8(id->getString()).empty() ||
        resultName != resultFileName(id->getString()))
      return false;
  }

  if (protocolFile &&
      !passfiles::replaceFileWhole(protocolsFolder(taskPath),
                                   combinePath(protocolsFolder(taskPath), protocolName),
                                   protocol->toString(-1)))
    return false;

  if (resultsFile) {
    const std::wstring target = combinePath(statesFolder(taskPath), resultName);
    const std::wstring temp = target + L".tmp";
    const std::string bytes = header->toString() + results->toString() + passfiles::endMarkText();
    if (!passfiles::writeFileDurably(temp, bytes) || !passfiles::moveFileNoReplace(temp, target)) {
      passfiles::deleteFile(temp);
      return false;
    }
    if (!passfiles::syncFolder(statesFolder(taskPath))) return false;
  }
  return true;
}

}  // namespace

bool importArchive(const std::wstring& taskPath, const std::wstring& archivePath) {
  try {
    return importChecked(taskPath, archivePath);
  } catch (const std::bad_alloc&) {
    return false;  // an archive too large for this machine
  } catch (const std::exception&) {
    return false;
  }
}

TestResults readResultFile(const std::wstring& taskPath, const std::string& passId) {
  // An id from a foreign header must not lead the reader out of the folder.
  const std::wstring name = resultFileName(passId);
  if (fromUtf8(passId).empty() || !isPlainFileName(name)) return {};
  passfiles::FileInput file(combinePath(statesFolder(taskPath), name));
  JSON header, results, end;
  if (!passfiles::readNextValue(file.stream(), header) ||
      !passfiles::readNextValue(file.stream(), results) ||
      !passfiles::readNextValue(file.stream(), end) || !passfiles::isEndMark(end))
    return {};
  TestResults read;
  if (!read.fromJson(results)) return {};
  return read;
}
