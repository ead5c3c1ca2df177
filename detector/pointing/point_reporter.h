#pragma once
#include <opencv2/core.hpp>
#include <optional>

#include <memory>
#include <vector>

#include "detector/eyes/irises.h"
#include "detector/gaze/gaze_reading.h"
#include "detector/gaze/shared_calibration.h"
#include "detector/pointing/head_pointer.h"
#include "detector/pointing/one_euro.h"
#include "irisdet.h"

// What the detector reports for each frame, as the player sees themselves (mirrored
// left to right): the head pointer's point (comfortable tracking, the default), the
// eyes' own midpoint, or where the eyes look (gaze tracking), smoothed after the gain so
// that a still face gives a still point.
namespace irisdet {

class PointReporter {
 public:
  // The gaze tracking maps looks through `gaze`, the run's calibration.
  explicit PointReporter(std::shared_ptr<SharedGazeCalibration> gaze = std::make_shared<SharedGazeCalibration>())
      : gaze_(std::move(gaze)) {}
  struct Report {
    std::optional<cv::Point2f> point;
    std::optional<HeadPose> pose;
  };
  // The point for a frame's eyes and the head's pose (measured once, by the pipeline).
  Report Next(const EyeObservation& eyes, const std::optional<FaceGeometry>& pose, IrisdetTracking mode,
              double seconds);
  void Recentre() { head_.Recentre(); }
  void Reset();  // the next frame has nothing to do with the ones before

 private:
  void ResetSmoothing();
  std::optional<cv::Point2f> GazePoint(const EyeObservation& eyes, const FaceGeometry& face, double seconds);
  GazeReading Read(const EyeObservation& eyes, const FaceGeometry& face, double seconds);
  // The point held where it is while the target stays within `band` of it.
  cv::Point2f Hold(cv::Point2f target, float band);
  // The head's turn is read from a few landmarks, and its gain magnifies their jitter
  // ten times more than a movement's: it is smoothed the more at rest.
  static constexpr double kShiftMinCutoffHz = 1.0, kShiftBeta = 0.02;
  static constexpr double kTurnMinCutoffHz = 0.1, kTurnBeta = 0.0003, kTurnDerivativeCutoffHz = 0.5;
  // A look is read from a few pixels of eye, magnified to the whole frame: a median of a
  // few frames first (a glance's jump stays whole), then smoothed the more at rest, then
  // held within a wider band than a head's point (12 frame px, well under the map's own
  // error of about 35).
  static constexpr double kGazeMinCutoffHz = 0.3, kGazeBeta = 0.0007;
  static constexpr float kGazeStillBandPx = 12.0f;
  // A blink, or a frame whose eyes cannot be read: the eyes did not move meanwhile, and
  // the point stays where it was for this long.
  static constexpr double kUnreadHoldSeconds = 0.5;

  // How far the smoothed point may wander before the reported one follows, in frame px.
  static constexpr float kStillBandPx = 4.0f;

  HeadPointer head_;
  PointSmoother eyeSmoother_;
  PointSmoother shiftSmoother_{kShiftMinCutoffHz, kShiftBeta};
  PointSmoother turnSmoother_{kTurnMinCutoffHz, kTurnBeta, kTurnDerivativeCutoffHz};
  static constexpr std::size_t kGazeMedianFrames = 5;
  std::vector<cv::Point2d> recentLooks_;  // the last frames' gaze points, before the smoothing
  PointSmoother gazeSmoother_{kGazeMinCutoffHz, kGazeBeta};
  // The eyes' corners the cuts are made along, smoothed: the cut does not jitter with the
  // landmarks (right eye's two, then the left's).
  std::array<PointSmoother, 4> corners_;
  double lastRead_ = 0;  // when the gaze point was last read
  std::shared_ptr<SharedGazeCalibration> gaze_;
  std::optional<cv::Point2f> held_;  // the comfortable or gaze point last reported
  int followed_ = 0;                 // the number of the face followed
};

}  // namespace irisdet
