#pragma once
#include <memory>
#include <mutex>
#include <opencv2/core.hpp>
#include <optional>
#include <vector>

#include "detector/gaze/gaze_calibration.h"
#include "detector/gaze/gaze_reading.h"

// The gaze calibration of this run, shared by two threads: the watching thread maps each
// frame's look with it (and gathers the look the game asks for), and the game's thread
// says where the player looks meanwhile: at a calibration dot, or at a found picture.
namespace irisdet {

enum class LookUse { Dot = 0, Find = 1, Drop = 2 };

class SharedGazeCalibration {
 public:
  SharedGazeCalibration() : calibration_(IrisMap::GenericInFrame(), HeadCorrection::InFrame()) {}

  // The point a frame's reading lands on, in the camera's own image (none when its eyes
  // cannot be read); gathered while the player looks at a known point.
  std::optional<cv::Point2d> Map(const GazeReading& reading);
  // From now on the player looks at `target`: frame pixels as the player sees them, as the
  // detector reports its points.
  void LookAt(cv::Point2d target);
  // The look ends: kept for the dots' fit, fitted at once as a find, or dropped. Whether
  // enough frames with an eye came to make it a look.
  bool LookEnd(LookUse use);
  // The dots' looks kept so far become the calibration (with apply, and enough of them),
  // or are dropped. How many were fitted.
  int Calibrate(bool apply);

  static constexpr std::size_t kFewestDots = 5;

 private:
  std::mutex mutex_;
  GazeCalibration calibration_;
  std::optional<cv::Point2d> target_;
  LookGatherer gathering_;
  std::vector<GazeSample> dots_;
};

}  // namespace irisdet
