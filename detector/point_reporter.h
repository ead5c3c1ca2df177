#pragma once
#include <optional>
#include <opencv2/core.hpp>

#include "eye_locator.h"
#include "head_pointer.h"
#include "one_euro.h"

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
  // Slower at rest than the eyes' own: the head pointer's gain magnifies the landmarks' jitter.
  static constexpr double kComfortMinCutoffHz = 0.4;
  static constexpr double kComfortBeta = 0.02;

  HeadPointer head_;
  PointSmoother eyeSmoother_;
  PointSmoother headSmoother_{kComfortMinCutoffHz, kComfortBeta};
};

}  // namespace irisdet
