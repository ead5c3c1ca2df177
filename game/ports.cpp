#include "game/ports.h"

#include <cstdlib>

#include "platform/tick_count.h"

namespace game {
namespace {

class RealClock final : public Clock {
 public:
  std::uint32_t TickCount() override { return platform::TickCount(); }
  std::time_t Seconds() override { return std::time(nullptr); }
};

class CLibrary final : public Chance {
 public:
  void Seed(unsigned seed) override { std::srand(seed); }
  int Draw() override { return std::rand(); }
};

}  // namespace

Clock& SystemClock() {
  static RealClock clock;
  return clock;
}

Chance& CLibraryChance() {
  static CLibrary chance;
  return chance;
}

void SeedWithTime(Clock& clock, Chance& chance) { chance.Seed(static_cast<unsigned>(clock.Seconds())); }

int SeededDraw(Clock& clock, Chance& chance, int modulo) {
  SeedWithTime(clock, chance);
  return chance.Draw() % modulo;
}

}  // namespace game
