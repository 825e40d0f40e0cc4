#include "app/play_path.h"
#include "player/player_offline.h"

// The online player is not part of this build yet: an online test finds no player to run it.
RunPlayers makeRunPlayers() {
  RunPlayers players;
  players.offline = std::make_unique<PlayerOffline>();
  return players;
}
