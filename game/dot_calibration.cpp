#include "game/dot_calibration.h"

namespace game {
namespace {

constexpr std::int32_t kInsetPercent = 8;

// The calibration is of the gaze alone: the flip boxes are the player's choice afterwards.
class NoFlips final : public FlipOptions {
 public:
  bool FlipVertical() const override { return false; }
  bool FlipHorizontal() const override { return false; }
};

}  // namespace

std::array<PicturePoint, DotCalibration::kDots> DotCalibration::Places(const PlayfieldRect& playfield) {
  const std::int32_t w = playfield.W(), h = playfield.H();
  const std::int32_t left = w * kInsetPercent / 100, right = w - left, centreX = w / 2;
  const std::int32_t top = h * kInsetPercent / 100, bottom = h - top, centreY = h / 2;
  return {{{centreX, centreY},
           {left, top},
           {right, top},
           {right, bottom},
           {left, bottom},
           {centreX, top},
           {right, centreY},
           {centreX, bottom},
           {left, centreY}}};
}

CameraPoint DotCalibration::CameraPointOf(PicturePoint at, const PlayfieldRect& playfield) {
  return PointerEyeSource::ToCamera(at.x, at.y, playfield, NoFlips());
}

void DotCalibration::Start() {
  looks_.Calibrate(false);  // what an earlier calibration left behind
  tick_ = 0;
  view_.ShowDot(Places(playfield_)[0]);
}

DotCalibration::Outcome DotCalibration::Tick() {
  if (!tick_) return Outcome::kTooFewLooks;
  const int tick = ++*tick_, dot = tick / kTicksPerDot, intoDot = tick % kTicksPerDot;
  const auto places = Places(playfield_);
  if (intoDot == kSettleTicks) looks_.LookAt(CameraPointOf(places[dot], playfield_));
  if (intoDot != 0) return Outcome::kRunning;
  looks_.LookEnd(GazeCalibrator::Use::kDot);
  if (dot < kDots) {
    view_.ShowDot(places[dot]);
    return Outcome::kRunning;
  }
  Finish();
  return looks_.Calibrate(true) > 0 ? Outcome::kCalibrated : Outcome::kTooFewLooks;
}

void DotCalibration::Cancel() {
  if (!tick_) return;
  looks_.LookEnd(GazeCalibrator::Use::kDrop);
  looks_.Calibrate(false);
  Finish();
}

void DotCalibration::Finish() {
  tick_.reset();
  view_.ShowDot(std::nullopt);
}

}  // namespace game
