// glimmo2-probe soak [GAMES] [SNAPSHOT_SOURCE]
// Plays GAMES games (200 by default) through the real dialog, offscreen, and prints
// the finds, the most workers ever running at once and the growth of resident memory.
#include <QApplication>
#include <cstdio>
#include <cstdlib>

#include "tests/support/soak_driver.h"
#include "tools/commands.h"

int tools::SoakProbe(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication application(argc, argv);
  const int games = argc > 1 ? std::atoi(argv[1]) : 200;
  const std::string source = argc > 2 ? argv[2] : GLIMMO2_SNAPSHOT_SOURCE;
  const soak::Figures f = soak::PlayGames(games, source);
  std::printf("soak: %d games, %d finds, %d stopped, %d snapshots, at most %d worker(s) at once\n", f.games, f.finds,
              f.stops, f.snapshots, f.mostWorkersAtOnce);
  std::printf("soak: resident %.1f MiB after warm-up, %.1f MiB at the end, growth %.2f MiB\n", f.residentAfterWarmUpMiB,
              f.residentAtEndMiB, f.residentAtEndMiB - f.residentAfterWarmUpMiB);
  return f.mostWorkersAtOnce <= 1 ? 0 : 1;
}
