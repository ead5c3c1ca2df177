#pragma once
#include <functional>
#include <string>
#include <utility>

#include "game/tracking_view.h"

namespace game {

// The worker's side of the one channel to the UI thread: every effect becomes a
// call that the UI thread makes later on its own view, in the order posted.
class QueuedView final : public TrackingView {
 public:
  using Effect = std::function<void(TrackingView&)>;
  using Post = std::function<void(Effect)>;
  explicit QueuedView(Post post) : post_(std::move(post)) {}

  void ShowIndicator() override {
    post_([](TrackingView& v) { v.ShowIndicator(); });
  }
  void InvalidatePlayfield() override {
    post_([](TrackingView& v) { v.InvalidatePlayfield(); });
  }
  void SetIndicatorBitmap(ProximityBand b) override {
    post_([b](TrackingView& v) { v.SetIndicatorBitmap(b); });
  }
  void MoveIndicator(std::int32_t l, std::int32_t t) override {
    post_([=](TrackingView& v) { v.MoveIndicator(l, t); });
  }
  void SetStatusText(const std::string& s) override {
    post_([s](TrackingView& v) { v.SetStatusText(s); });
  }
  void SetCueTimer(int ms) override {
    post_([ms](TrackingView& v) { v.SetCueTimer(ms); });
  }
  void KillCueTimer() override {
    post_([](TrackingView& v) { v.KillCueTimer(); });
  }
  void PlaySound(const std::string& s) override {
    post_([s](TrackingView& v) { v.PlaySound(s); });
  }
  void RevealPicture(int n) override {
    post_([n](TrackingView& v) { v.RevealPicture(n); });
  }

 private:
  Post post_;
};

}  // namespace game
