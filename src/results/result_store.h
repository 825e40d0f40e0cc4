// The files of one pass beside its task: a numbered state file before each question, so that an
// interrupted pass can be resumed, and at its end the protocol, the result file and the archive.
//
// A store belongs to the code that runs the pass and is used on that thread (the GUI thread)
// only; it keeps no file open between calls. Every write reaches the disk before the files it
// supersedes are deleted, so a pass killed at any moment, or a machine that loses power, leaves
// its last complete state.
#pragma once

#include <cstddef>
#include <memory>
#include <string>

#include "avifile/json.h"
#include "avifile/settings_scheme.h"
#include "results/pass_files.h"
#include "results/pass_header.h"

class VIXOplay;
class VIXOplayer;

// The second value of a state file: what a resumed pass needs.
struct StateDocument {
  Brindle::JSON task;     // the task as its task file holds it, paths relative to the task file
  Brindle::JSON play;     // the play's saved state
  Brindle::JSON results;  // the pass's results so far
  Brindle::JSON player;   // the player's window layout
};
// "task", "play", "results", "player", in this order; points at the document's fields.
SettingsScheme::Object stateDocumentScheme(StateDocument& document);
// The document of a running pass at this moment.
StateDocument stateDocument(const VIXOplay& play);

// Room for the longest extension and temporary suffix (".vixores.tmp") within the 255 bytes
// that file systems allow for a name.
constexpr size_t kMaxPassNameBytes = 200;

class ResultStore {
 public:
  // An empty store, for a resumed pass: the caller sets `play`, `hasState` true and
  // `stateNumber` to the state file it resumed from.
  ResultStore() = default;
  // The store of a new pass. For a task with a file it deletes this computer's state files of
  // the pass's kind (an earlier pass that was not continued) and creates the pass folders.
  explicit ResultStore(std::shared_ptr<VIXOplay> play);

  // Writes state file stateNumber + 1 and then deletes the current one. False when the task
  // has no file or the file could not be written and moved into place; the current state file
  // then stays current.
  bool saveState();
  // Deletes the current state file; true when there is none.
  bool deleteState();

  // Writes the protocol, the result file (not for a debug pass) and the archive, each whole
  // under a temporary name and then moved into place, then deletes this computer's state files
  // of the pass's kind. False as soon as one of the three cannot be written (`failedFile` and
  // `failure` say which and why); the state files then stay, so the pass end can be tried again
  // or the pass resumed. A result file of this pass from an earlier, interrupted end is
  // replaced, so that protocol, result file and archive always hold the same marks; one of
  // another pass under the name is a failure (EEXIST).
  bool finishPass();
  // Sends the archive to the FTP server that the task names; true when it was uploaded.
  // Defined with the FTP client.
  bool uploadArchive();

  // Computer, observer and local start time: "LAB_PC-Ann_Lee-2017-03-14T095307". The
  // observer's part is cut, at whole characters, so that the name takes at most
  // kMaxPassNameBytes bytes of UTF-8 and the files named after it fit any file system.
  std::wstring passName() const;
  // P.protocols/<pass name>.json and P.archives/<pass name>.vixores.
  std::wstring protocolPath() const;
  std::wstring archivePath() const;

  // The file that the last failed finishPass could not write or move into place, and the
  // system's error number of that step; both cleared when a pass end begins.
  std::wstring failedFile;
  int failure = 0;

  bool hasState = false;  // state file stateNumber exists
  int stateNumber = 0;    // the current state file; 0 before the first save
  bool debug = false;     // a debug pass: "state-debug@" files, no result file
  std::shared_ptr<VIXOplay> play;

 private:
  const std::wstring& taskPath() const;
};

// A pass from state file n of the kind, run by the player: the task, results, player layout
// and play state stored in the file, with the observer, id and start time of its header. Never
// a debug pass. Empty on any failure.
std::shared_ptr<VIXOplay> resumePass(const std::wstring& taskPath, int number, VIXOplayer* player,
                                     bool debug);
