#include "app/play_path.h"
#include "player/player_offline.h"
#include "player/player_online.h"

RunPlayers makeRunPlayers() {
  RunPlayers players;
  players.online = std::make_unique<PlayerOnline>();
  players.offline = std::make_unique<PlayerOffline>();
  return players;
}
