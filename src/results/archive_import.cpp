#include "results/archive_import.h"

#include "avifile/avi_system.h"
#include "results/pass_file_io.h"
#include "results/pass_files.h"
#include "results/pass_header.h"

namespace {

using Brindle::JSON;

// A name that stays inside the folder it is joined to, here and on the machine that wrote it.
bool isPlainFileName(const std::wstring& name) {
  if (name.empty() || name == L"." || name == L"..") return false;
  if (name.find_first_of(std::wstring(L"/\\\0", 3)) != std::wstring::npos) return false;
  return isRelativePath(name);
}

// The text of a member that must be a string naming a plain file; empty when it is not.
std::wstring plainName(const JSON& value) {
  if (!value.isString()) return {};
  std::wstring name = value.getWString();
  return isPlainFileName(name) ? name : std::wstring();
}

}  // namespace

bool importArchive(const std::wstring& taskPath, const std::wstring& archivePath) {
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
    if (protocolName.empty()) return false;
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
      !(passfiles::writeFileDurably(combinePath(protocolsFolder(taskPath), protocolName),
                                    protocol->toString(-1)) &&
        passfiles::syncFolder(protocolsFolder(taskPath))))
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
