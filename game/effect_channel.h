#pragma once
#include <atomic>
#include <functional>
#include <memory>

#include "game/tracking_view.h"

namespace game {

// The one channel from a game's worker to the window: every effect the worker posts is
// applied later, in order, on the UI thread, to `target`. Closing the channel, or
// opening it for the next game, drops whatever the last game posted and the window has
// not yet applied: a stopped game never moves the square or plays a sound again.
class EffectChannel {
 public:
  // Runs a call later on the UI thread (a queued call in the window, a queue in tests).
  using Deliver = std::function<void(std::function<void()>)>;

  EffectChannel(TrackingView& target, Deliver deliver) : target_(target), deliver_(std::move(deliver)) {}

  // The worker's side of a new channel; the one before is closed.
  std::unique_ptr<TrackingView> Open();
  void Close();

 private:
  TrackingView& target_;
  Deliver deliver_;
  std::shared_ptr<std::atomic<bool>> open_;  // shared with the calls in flight
};

}  // namespace game
