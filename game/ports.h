#pragma once
#include <cstdint>
#include <ctime>

// The small interfaces through which the game reaches time and chance, so that
// tests can drive every rule with a fake clock and a scripted generator.
namespace game {

class Clock {
 public:
  virtual ~Clock() = default;
  virtual std::uint32_t TickCount() = 0;  // milliseconds, wraps at 2^32
  virtual std::time_t Seconds() = 0;      // calendar time in whole seconds
};

class Chance {
 public:
  virtual ~Chance() = default;
  virtual void Seed(unsigned seed) = 0;
  virtual int Draw() = 0;  // 0 .. RAND_MAX
};

Clock& SystemClock();
Chance& CLibraryChance();  // srand / rand

// Every random choice of the game seeds with the clock's seconds right before it draws.
void SeedWithTime(Clock& clock, Chance& chance);
int SeededDraw(Clock& clock, Chance& chance, int modulo);

}  // namespace game
