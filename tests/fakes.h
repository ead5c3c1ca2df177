#pragma once
#include <algorithm>
#include <atomic>
#include <cstdint>
#include <ctime>
#include <deque>
#include <functional>
#include <thread>
#include <vector>

#include "game/game_session.h"
#include "game/gaze_calibrator.h"
#include "game/geometry.h"
#include "game/ports.h"

// Stand-ins for time, chance and the window's options.
namespace test {

class FakeClock : public game::Clock {
 public:
  std::uint32_t TickCount() override { return ticks; }
  std::time_t Seconds() override { return seconds; }
  std::uint32_t ticks = 0;
  std::time_t seconds = 1000;
};

// Hands out scripted draws in order, then zeros; records every seed.
class ScriptedChance : public game::Chance {
 public:
  explicit ScriptedChance(std::deque<int> draws = {}) : draws_(std::move(draws)) {}
  void Seed(unsigned seed) override { seeds.push_back(seed); }
  int Draw() override {
    if (draws_.empty()) return 0;
    const int value = draws_.front();
    draws_.pop_front();
    return value;
  }
  std::vector<unsigned> seeds;

 private:
  std::deque<int> draws_;
};

class Flips : public game::FlipOptions {
 public:
  Flips(bool vertical, bool horizontal) : vertical_(vertical), horizontal_(horizontal) {}
  bool FlipVertical() const override { return vertical_; }
  bool FlipHorizontal() const override { return horizontal_; }

 private:
  bool vertical_, horizontal_;
};

// Starts the game's workers on threads of their own, counting those not yet ended: how a
// test sees that a game has ended.
class CountedWorkers {
 public:
  game::ThreadLauncher Launcher() {
    return [this](std::function<void()> body) {
      ++running_;  // from the launch: a click returns with its worker counted
      return std::thread([this, body = std::move(body)] {
        body();
        --running_;
      });
    };
  }
  bool Running() const { return running_ > 0; }

 private:
  std::atomic<int> running_{0};
};

// Notes where the game says the player looks; every look had enough frames.
class NotedLooks : public game::GazeCalibrator {
 public:
  void LookAt(game::CameraPoint at) override { lookedAt.push_back(at); }
  bool LookEnd(Use use) override {
    ended.push_back(use);
    return true;
  }
  int Calibrate(bool apply) override {
    const int fitted = apply ? static_cast<int>(std::count(ended.begin(), ended.end(), Use::kDot)) : 0;
    calibrations.push_back(fitted);
    return fitted;
  }
  std::vector<game::CameraPoint> lookedAt;
  std::vector<Use> ended;
  std::vector<int> calibrations;
};

}  // namespace test
