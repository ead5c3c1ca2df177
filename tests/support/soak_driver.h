#pragma once
#include <functional>
#include <string>

// Plays many games in a row through the real dialog with a scripted detector:
// alternating modes, finds and stops, random "Mida" edits and "Captura" clicks.
namespace soak {

struct Figures {
  int games = 0, finds = 0, stops = 0, snapshots = 0;
  int mostWorkersAtOnce = 0;
  double residentAfterWarmUpMiB = 0, residentAtEndMiB = 0;
};

// `snapshotSource` is an IRISDET_SOURCE that "Captura" can read. `progress` is told
// after each game.
Figures PlayGames(int games, const std::string& snapshotSource, const std::function<void(int)>& progress = {});

}  // namespace soak
