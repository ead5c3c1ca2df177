#pragma once
#include <cstdint>
#include <deque>
#include <mutex>
#include <string>
#include <vector>

#include "game/eye_source.h"
#include "game/tracking_view.h"
#include "game/view.h"

namespace test {

inline const char* BandName(game::ProximityBand band) {
  static const char* names[] = {"Green", "Red", "Orange", "LightBlue", "Blue"};
  return names[static_cast<int>(band)];
}

// Writes down every window effect as a line of text, in order: as a tracking view, or
// (Base = game::View) as the window's side of it.
template <class Base = game::TrackingView>
class RecordingViewOf : public Base {
 public:
  void ShowIndicator() override { Add("show"); }
  void InvalidatePlayfield() override { Add("invalidate"); }
  void SetIndicatorBitmap(game::ProximityBand b) override { Add(std::string("bitmap ") + BandName(b)); }
  void MoveIndicator(std::int32_t l, std::int32_t t) override {
    Add("move " + std::to_string(l) + "," + std::to_string(t));
  }
  void SetStatusText(const std::string& s) override { Add("status " + s); }
  void SetCueTimer(int ms) override { Add("timer " + std::to_string(ms)); }
  void KillCueTimer() override { Add("kill"); }
  void PlaySound(const std::string& s) override { Add("sound " + s); }
  void RevealPicture(int n) override { Add("reveal " + std::to_string(n)); }

  std::vector<std::string> Effects() {
    std::lock_guard lock(mutex_);
    return effects_;
  }
  // Only the effects that start with one of the given words.
  std::vector<std::string> Only(std::initializer_list<const char*> words) {
    std::vector<std::string> out;
    for (const std::string& e : Effects())
      for (const char* w : words)
        if (e.rfind(w, 0) == 0) out.push_back(e);
    return out;
  }

 protected:
  virtual void Add(std::string effect) {
    std::lock_guard lock(mutex_);
    effects_.push_back(std::move(effect));
  }

 private:
  std::mutex mutex_;
  std::vector<std::string> effects_;
};
using RecordingView = RecordingViewOf<>;

struct Sample {
  bool found;
  std::int16_t x, y;
  std::uint32_t ticksAfter = 0;  // how far the fake clock moves after this poll
};

// A detector that plays a script, then asks the loop to stop.
class ScriptedEyes : public game::EyeSource {
 public:
  ScriptedEyes(std::deque<Sample> script, std::atomic<bool>& stop, std::uint32_t& ticks)
      : script_(std::move(script)), stop_(stop), ticks_(ticks) {}
  std::int32_t Start() override { return 0; }
  void Stop() override {}
  std::int32_t Poll(game::CameraPoint& sample) override {
    ++polls;
    if (script_.empty()) {
      stop_ = true;
      return 0;
    }
    const Sample s = script_.front();
    script_.pop_front();
    if (script_.empty()) stop_ = true;  // the pass of the last sample is the last pass
    ticks_ += s.ticksAfter;
    if (!s.found) return 0;
    sample = {s.x, s.y};
    return 1;
  }
  int polls = 0;

 private:
  std::deque<Sample> script_;
  std::atomic<bool>& stop_;
  std::uint32_t& ticks_;
};

}  // namespace test
