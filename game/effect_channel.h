#pragma once
#include <atomic>
#include <functional>
#include <memory>
#include <vector>

#include "game/tracking_view.h"

namespace game {

// The one channel from a game's worker to the window: every effect the worker posts is
// applied later, in order, on the UI thread, to `target`. Closing the channel, or
// opening it for the next game, drops whatever the last game posted and the window has
// not yet applied: a stopped game never moves the square or plays a sound again. While
// the game is paused (a calibration), what arrives is held and applied at the resume:
// a find made just before the pause is shown after it, never lost.
class EffectChannel {
 public:
  // Runs a call later on the UI thread (a queued call in the window, a queue in tests).
  using Deliver = std::function<void(std::function<void()>)>;

  EffectChannel(TrackingView& target, Deliver deliver) : target_(target), deliver_(std::move(deliver)) {}

  // The worker's side of a new channel; the one before is closed. A channel opened during a
  // pause starts paused.
  std::unique_ptr<TrackingView> Open();
  void Close();
  // UI thread.
  void Pause();
  void Resume();

 private:
  // Shared with the calls in flight. `open` is read on the UI thread and written there
  // too, but an atomic keeps a closed game's calls cheap to drop; `held` is the UI thread's.
  struct State {
    std::atomic<bool> open{true};
    bool paused = false;
    std::vector<std::function<void(TrackingView&)>> held;
  };
  TrackingView& target_;
  Deliver deliver_;
  std::shared_ptr<State> state_;
  bool paused_ = false;
};

}  // namespace game
