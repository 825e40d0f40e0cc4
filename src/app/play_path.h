// Starting a pass: the editor's test runs (runTest) and play mode (playTaskFile). Both build the
// two players, show the start-test dialog that fits the task, make the method's play and the
// pass's store, and run the pass; play mode first offers to continue an unfinished pass.
//
// GUI thread only. Both functions return only after the pass (or a start that did not happen);
// everything they built goes in reverse order: the store, the start-test dialog, the offline
// player, the online player.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "player/default_player.h"

struct PassHeader;
struct Task;

// The two players of a run, each with its own hidden full-screen window while the start-test
// dialog is shown; the one not chosen never runs.
struct RunPlayers {
  RunPlayers() = default;
  RunPlayers(RunPlayers&&) = default;
  RunPlayers& operator=(RunPlayers&&) = default;
  ~RunPlayers() {
    offline.reset();
    online.reset();
  }

  std::unique_ptr<DefaultPlayer> online;  // made first
  std::unique_ptr<DefaultPlayer> offline;
};

// Makes the players of a run; tests make players of their own.
using PlayerMaker = std::function<RunPlayers()>;

// The players of this build: the online player, then the offline one.
RunPlayers makeRunPlayers();

// Runs a pass of a copy of the task; `taskPath` is empty for a task never saved; a debug pass
// saves no results and stops without asking. Never offers to continue. True when a pass ran.
bool runTest(const Task& task, const std::wstring& taskPath, bool debug,
             const PlayerMaker& makePlayers = makeRunPlayers);

// Plays the task file: continues its newest unfinished pass when the operator wants, otherwise
// loads the file and starts a new pass. True when a pass ran.
bool playTaskFile(const std::wstring& taskPath, const PlayerMaker& makePlayers = makeRunPlayers);

// The question asked about an unfinished pass (the "Task opening" box).
std::wstring unfinishedPassText(const PassHeader& header);
