// State files and archives from arbitrary bytes, in a real task folder: nothing crashes or
// hangs; an offered pass that resumes saves a state that resumes again to the same pass; an
// archive writes only plain files inside the task's folders, and a refused one leaves no
// result file.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "avifile/avi_system.h"
#include "results/archive_import.h"
#include "results/pass_files.h"
#include "results/result_store.h"
#include "support/scripted_player.h"
#include "task/play.h"

namespace fs = std::filesystem;

namespace {

[[noreturn]] void fail(const char* what) {
  std::fprintf(stderr, "%s\n", what);
  std::abort();
}

// A folder of this process's own, there only while an input runs.
const fs::path& root() {
  static const fs::path path =
      (fs::exists("/dev/shm") ? fs::path("/dev/shm") : fs::temp_directory_path()) /
      ("vixo-fuzz-" + std::to_string(getpid()));
  return path;
}

void clear() {
  fs::remove_all(root());
  fs::create_directories(root());
}

void write(const fs::path& path, const uint8_t* data, size_t size) {
  std::ofstream(path, std::ios::binary)
      .write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
}

std::string stateDocumentText(const VIXOplay& play) {
  StateDocument document = stateDocument(play);
  return stateDocumentScheme(document).save().toString();
}

void stateFile(const uint8_t* data, size_t size) {
  const std::wstring task = fromUtf8((root() / "t.vixo").string());
  createPassFolders(task);
  write(toUtf8(stateFilePath(task, 1, false)), data, size);
  for (const PassHeader& header : scanResults(task))
    if (!header.isValid()) fail("the scan listed an invalid header");

  const PassHeader offered = readPassHeaders(task);
  if (!offered.isValid()) return;
  if (offered.stateNumber != 1) fail("a pass offered from a file that is not there");
  vixo_test::ScriptedPlayer player;
  const std::shared_ptr<VIXOplay> play = resumePass(task, 1, &player, false);
  if (!play) return;
  ResultStore store;
  store.play = play;
  store.hasState = true;
  store.stateNumber = 1;
  if (!store.saveState()) fail("a resumed pass could not save its state");
  if (readPassHeaders(task).stateNumber != 2) fail("the saved state is not offered");
  vixo_test::ScriptedPlayer again;
  const std::shared_ptr<VIXOplay> second = resumePass(task, 2, &again, false);
  if (!second) fail("a saved state does not resume");
  if (stateDocumentText(*second) != stateDocumentText(*play))
    fail("a pass changed on its way through its state file");
  if (second->context.passId != play->context.passId ||
      second->context.startTime != play->context.startTime)
    fail("a pass lost its id or start");
}

void archive(const uint8_t* data, size_t size) {
  const fs::path archivePath = root() / "a.vixores";
  write(archivePath, data, size);
  const std::wstring task = fromUtf8((root() / "t.vixo").string());
  createPassFolders(task);
  const bool imported = importArchive(task, fromUtf8(archivePath.string()));
  for (const auto& entry : fs::recursive_directory_iterator(root())) {
    const fs::path relative = fs::relative(entry.path(), root());
    const std::string folder = relative.parent_path().string();
    if (relative == "a.vixores" || (folder.empty() && entry.is_directory())) continue;
    if (folder != "t.vixo.states" && folder != "t.vixo.protocols")
      fail("an archive wrote outside the task's folders");
    if (folder == "t.vixo.states") {
      if (!imported) fail("a refused archive left a result file");
      const std::string name = relative.filename().string();
      const PassHeader header = readHeaderOfFile(fromUtf8(entry.path().string()));
      if (name != toUtf8(resultFileName(header.id))) fail("a result file named for another id");
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  clear();
  stateFile(data, size);
  clear();
  archive(data, size);
  fs::remove_all(root());
  return 0;
}
