#pragma once
#include <opencv2/core.hpp>
#include <optional>

#include "detector/eye_locator.h"
#include "detector/head_pointer.h"
#include "detector/one_euro.h"

// What the detector reports for each frame, as the player sees themselves (mirrored
// left to right): the head pointer's point (comfortable tracking, the default) or the
// eyes' own midpoint, smoothed after the gain so that a still face gives a still point.
namespace irisdet {

enum class Tracking { Comfort = 0, Eyes = 1 };

// IRISDET_TRACKING: "eyes" for the eyes' own midpoint; anything else, comfortable.
Tracking TrackingFromEnvironment();

class PointReporter {
 public:
  struct Report {
    std::optional<cv::Point2f> point;
    std::optional<HeadPose> pose;
  };
  Report Next(const EyeObservation& eyes, Tracking mode, double seconds);
  void Recentre() { head_.Recentre(); }
  void Reset();  // the next frame has nothing to do with the ones before

 private:
  void ResetSmoothing();
  // The head's turn is read from a few landmarks, and its gain magnifies their jitter
  // ten times more than a movement's: it is smoothed the more at rest.
  static constexpr double kShiftMinCutoffHz = 1.0, kShiftBeta = 0.02;
  static constexpr double kTurnMinCutoffHz = 0.1, kTurnBeta = 0.0003, kTurnDerivativeCutoffHz = 0.5;

  // How far the smoothed point may wander before the reported one follows, in frame px.
  static constexpr float kStillBandPx = 4.0f;

  HeadPointer head_;
  PointSmoother eyeSmoother_;
  PointSmoother shiftSmoother_{kShiftMinCutoffHz, kShiftBeta};
  PointSmoother turnSmoother_{kTurnMinCutoffHz, kTurnBeta, kTurnDerivativeCutoffHz};
  std::optional<cv::Point2f> held_;  // the comfortable point last reported
  int followed_ = 0;                 // the number of the face followed
};

}  // namespace irisdet
