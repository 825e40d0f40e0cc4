#include "results/result_store.h"

#include <cerrno>
#include <climits>
#include <cstdint>
#include <ctime>
#include <exception>

#include "avifile/avi_system.h"
#include "player/vixo_player.h"
#include "results/pass_file_io.h"
#include "task/play.h"
#include "task/vixo_method.h"

namespace {

using Brindle::JSON;
namespace E = Brindle::JSONElements;

// The protocol file: the pass's facts, every event of the pass and the task as it was run.
JSON protocolDocument(const PassHeader& header, bool debug, const VIXOplay& play,
                      const std::wstring& taskPath) {
  JSON info{E::Object()};
  info.set("computer", header.computer);
  info.set("expert", header.expert);
  info.set("pass-id", header.id);
  info.set("start-time", formatTimeStamp(header.start));
  info.set("vixo-ver", E::Integer(header.VIXOver));
  info.set("debug", JSON(debug));
  JSON document{E::Object()};
  document.set("info", info);
  document.set("protocol", play.protocol);
  document.set("test-settings", taskToJson(play.context.loadedTask.task, taskPath));
  return document;
}

size_t utf8Length(wchar_t c) {
  const auto code = static_cast<uint32_t>(c);
  return code < 0x80 ? 1 : code < 0x800 ? 2 : code < 0x10000 ? 3 : 4;
}

// The text's leading whole characters whose UTF-8 form takes at most `bytes`.
std::wstring cutToUtf8Bytes(const std::wstring& text, size_t bytes) {
  size_t used = 0;
  size_t kept = 0;
  for (; kept < text.size() && used + utf8Length(text[kept]) <= bytes; ++kept)
    used += utf8Length(text[kept]);
  return text.substr(0, kept);
}

// Moves a pass's new result file into place. One of the same pass there is left by an earlier
// end of this pass that stopped before the state files went; the pass was resumed and its last
// question answered again, so the new marks, which the protocol and the archive carry, replace
// it. A file of another pass under the name stays, and the move fails with EEXIST.
bool moveResultFile(const std::wstring& temp, const std::wstring& target, const std::string& id) {
  if (passfiles::moveFileNoReplace(temp, target)) return true;
  if (errno != EEXIST) return false;
  if (readHeaderOfFile(target).id != id) {
    errno = EEXIST;
    return false;
  }
  return passfiles::moveFileReplacing(temp, target);
}

}  // namespace

SettingsScheme::Object stateDocumentScheme(StateDocument& document) {
  SettingsScheme::Object scheme;
  scheme.add(L"task", &document.task)
      .add(L"play", &document.play)
      .add(L"results", &document.results)
      .add(L"player", &document.player);
  return scheme;
}

StateDocument stateDocument(const VIXOplay& play) {
  const PlayContext& context = play.context;
  StateDocument document;
  document.task = taskToJson(context.loadedTask.task, context.loadedTask.path);
  play.saveState(document.play);
  document.results = context.results.toJson();
  if (context.player) document.player = context.player->saveLayout();
  return document;
}

ResultStore::ResultStore(std::shared_ptr<VIXOplay> play) : play(std::move(play)) {
  if (!this->play) return;
  debug = this->play->context.debug;
  const std::wstring& path = taskPath();
  if (path.empty()) return;
  deleteStateFiles(path, debug);
  createPassFolders(path);
}

const std::wstring& ResultStore::taskPath() const {
  static const std::wstring none;
  return play ? play->context.loadedTask.path : none;
}

bool ResultStore::saveState() {
  const std::wstring& path = taskPath();
  if (path.empty() || stateNumber == INT_MAX) return false;
  const std::wstring target = stateFilePath(path, stateNumber + 1, debug);
  const std::wstring temp = target + L".tmp";
  StateDocument document = stateDocument(*play);
  const std::string bytes = passHeaderToJson(PassHeader(*play)).toString() +
                            stateDocumentScheme(document).save().toString() +
                            passfiles::endMarkText();
  if (!passfiles::writeFileDurably(temp, bytes)) {
    passfiles::deleteFile(temp);
    return false;
  }
  passfiles::deleteFile(target);
  if (!passfiles::moveFileNoReplace(temp, target)) {
    passfiles::deleteFile(temp);
    return false;
  }
  // The new name must be on the disk before the older state goes. Should this fail, the new
  // file stays beside the current one and the next attempt writes it again.
  if (!passfiles::syncFolder(statesFolder(path))) return false;
  deleteState();
  ++stateNumber;
  hasState = true;
  return true;
}

bool ResultStore::deleteState() {
  if (!hasState) return true;
  return passfiles::deleteFile(stateFilePath(taskPath(), stateNumber, debug));
}

std::wstring ResultStore::passName() const {
  const PassHeader header = play ? PassHeader(*play) : PassHeader();
  const auto seconds = static_cast<time_t>(header.start / 10'000'000);
  char text[64] = "";
  std::tm local{};
  tzset();  // the time zone in force now
  if (localtime_r(&seconds, &local) && std::strftime(text, sizeof text, "%FT%H%M%S", &local) == 0)
    text[0] = '\0';
  const std::wstring computer = sanitizeName(header.computer);
  const std::wstring time = fromUtf8(text);
  // A name typed at the start has no limit; the files keep it whole inside.
  const size_t fixed = toUtf8(computer).size() + 1 + 1 + toUtf8(time).size();
  const size_t room = fixed < kMaxPassNameBytes ? kMaxPassNameBytes - fixed : 0;
  return computer + L"-" + cutToUtf8Bytes(sanitizeName(header.expert), room) + L"-" + time;
}

std::wstring ResultStore::protocolPath() const {
  return combinePath(protocolsFolder(taskPath()), passName() + L".json");
}

std::wstring ResultStore::archivePath() const {
  return combinePath(archivesFolder(taskPath()), passName() + L".vixores");
}

bool ResultStore::finishPass() {
  failedFile.clear();
  failure = 0;
  const std::wstring& path = taskPath();
  if (path.empty()) return false;
  const PassHeader header(*play);
  createPassFolders(path);
  // Notes the file of the step that failed, with the system's reason, for the operator.
  auto fail = [this](const std::wstring& file) {
    failure = errno;
    failedFile = file;
    return false;
  };

  const std::wstring protocolFile = protocolPath();
  const JSON protocol = protocolDocument(header, debug, *play, path);
  if (!passfiles::replaceFileWhole(protocolsFolder(path), protocolFile, protocol.toString(-1)))
    return fail(protocolFile);

  JSON archive{E::Object()};
  archive.set("protocol-file", passName() + L".json");
  archive.set("protocol", protocol);

  if (!debug) {
    const JSON resultHeader = passHeaderToJson(PassHeader(*play));
    const JSON results = play->context.results.toJson();
    archive.set("results-file", resultFileName(header.id));
    archive.set("header", resultHeader);
    archive.set("results", results);
    const std::wstring target = resultFilePath(path, header.id);
    const std::wstring temp = target + L".tmp";
    if (!passfiles::writeFileDurably(
            temp, resultHeader.toString() + results.toString() + passfiles::endMarkText()) ||
        !moveResultFile(temp, target, header.id)) {
      fail(target);
      passfiles::deleteFile(temp);
      return false;
    }
    if (!passfiles::syncFolder(statesFolder(path))) return fail(target);
  }

  const std::wstring archiveFile = archivePath();
  if (!passfiles::replaceFileWhole(archivesFolder(path), archiveFile, archive.toString()))
    return fail(archiveFile);
  deleteStateFiles(path, debug);
  return true;
}

std::shared_ptr<VIXOplay> resumePass(const std::wstring& taskPath, int number, VIXOplayer* player,
                                     bool debug) {
  try {
    JSON headerValue, documentValue;
    if (!readStateFile(taskPath, number, &headerValue, &documentValue, debug)) return {};
    PassHeader header;
    passHeaderScheme(header).load(headerValue);
    StateDocument document;
    stateDocumentScheme(document).load(documentValue);
    if (!header.isValid()) return {};

    Task task;
    if (!taskFromJson(task, document.task, taskPath)) return {};
    TestResults results;
    if (!results.fromJson(document.results)) return {};
    if (!player || !player->loadLayout(document.player)) return {};

    PlayContext context(LoadedTask(task, taskPath), player, header.expert, header.host, header.port,
                        header.network, false);
    context.startTime = header.start;
    context.passId = header.id;
    copyTestResults(context.results, results);

    const VIXOmethod* method = task.method();
    if (!method) return {};
    std::shared_ptr<VIXOplay> play = method->createPlay(context);
    if (!play || !play->loadState(document.play)) return {};
    return play;
  } catch (const std::exception&) {
    return {};
  }
}
