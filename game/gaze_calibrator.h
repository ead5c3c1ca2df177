#pragma once
#include "game/pointer_eye_source.h"

// What the gaze tracking's calibration needs of the detector: where the player looks,
// and for how long.
namespace game {

class GazeCalibrator {
 public:
  enum class Use { kDot, kFind, kDrop };
  virtual ~GazeCalibrator() = default;
  // From now on the player looks at the picture-area point that this camera point maps to.
  virtual void LookAt(CameraPoint at) = 0;
  // The look ends: kept for the dots' fit, fitted at once as a look at a found picture, or
  // dropped. Whether enough frames with an eye came.
  virtual bool LookEnd(Use use) = 0;
  // The dots' looks become the calibration, or are dropped; how many were fitted.
  virtual int Calibrate(bool apply) = 0;
};

// The eye detector library's.
GazeCalibrator& DetectorGazeCalibrator();

}  // namespace game
