#pragma once
#include <array>
#include <cstdint>
#include <optional>
#include <string>

#include "game/gaze_calibrator.h"
#include "game/geometry.h"

// The gaze tracking's calibration by a moving dot: the dot visits nine places of the
// picture area in turn, about 1.5 s each, and the player looks at it. The look at each
// starts once the eyes have jumped to it and settled. Stepped by a timer every kTickMs;
// knows no widget.
namespace game {

// Where the dot is drawn; none hides it (and its line "Mira el punt", and the note).
class DotView {
 public:
  virtual ~DotView() = default;
  virtual void ShowDot(std::optional<PicturePoint> at) = 0;
  // A line under "Mira el punt" while the dot shows: what happened to the game meanwhile.
  virtual void ShowDotNote(const std::string& note) = 0;
};

class DotCalibration {
 public:
  static constexpr int kTickMs = 250;
  static constexpr int kTicksPerDot = 6;  // 1.5 s
  static constexpr int kSettleTicks = 2;  // 0.5 s: the eyes have jumped and settled
  static constexpr int kDots = 9;
  enum class Outcome { kRunning, kCalibrated, kTooFewLooks };

  DotCalibration(DotView& view, GazeCalibrator& looks, const PlayfieldRect& playfield)
      : view_(view), looks_(looks), playfield_(playfield) {}

  void Start();
  Outcome Tick();
  void Cancel();  // Esc or a click: the looks so far are dropped
  bool Running() const { return tick_.has_value(); }

  // The dots' places in the order they are visited: the centre, the corners, the middles
  // of the edges, a little inside the picture area so that the dot is seen whole.
  static std::array<PicturePoint, kDots> Places(const PlayfieldRect& playfield);
  // The camera point that the game maps to a picture-area point, with no flip ticked.
  static CameraPoint CameraPointOf(PicturePoint at, const PlayfieldRect& playfield);

 private:
  void Finish();

  DotView& view_;
  GazeCalibrator& looks_;
  const PlayfieldRect& playfield_;
  std::optional<int> tick_;  // since the start; none when not running
};

}  // namespace game
