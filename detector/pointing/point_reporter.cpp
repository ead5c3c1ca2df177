#include "detector/pointing/point_reporter.h"

#include "detector/face/landmarks.h"
#include "detector/gaze/eye_cut.h"
#include "detector/gaze/gaze_features.h"
#include "detector/source/player_view.h"

namespace irisdet {
namespace {

// Follows `target` along one axis but leaves `held` where it is while the target stays
// within `band` of it: the little the smoothing lets through of a still face's noise
// never moves the point, and a movement is followed `band` behind.
float Backlash(float held, float target, float band) {
  if (target > held + band) return target - band;
  if (target < held - band) return target + band;
  return held;
}

}  // namespace

cv::Point2f PointReporter::Hold(cv::Point2f target, float band) {
  held_ = held_ ? cv::Point2f(Backlash(held_->x, target.x, band), Backlash(held_->y, target.y, band)) : target;
  return *held_;
}

// What the frame shows of where the eyes look: each eye cut along its steadied corners
// (unless it is shut), where the irises sit, and where the head is.
GazeReading PointReporter::Read(const EyeObservation& eyes, const FaceGeometry& face, double seconds) {
  GazeReading reading;
  reading.head = {face.pose, face.eyes, face.interocular};
  const auto iris = [&](const std::optional<cv::Point2f>& centre, float clarity, int first) {
    return centre ? MeasureEye(EyeContourAt(eyes.landmarks, first), {*centre, clarity}) : std::nullopt;
  };
  if (const std::optional<GazeFeatures> look = CombineEyes(iris(eyes.right, eyes.rightClarity, kRightEyeFirst),
                                                           iris(eyes.left, eyes.leftClarity, kLeftEyeFirst), face.pose))
    reading.features = look->look;
  for (std::size_t eye = 0; eye < 2; ++eye) {
    const EyeContour contour = EyeContourAt(eyes.landmarks, eye == 0 ? kRightEyeFirst : kLeftEyeFirst);
    const EyeCorners steady{corners_[2 * eye].Filter(contour[0], seconds),
                            corners_[2 * eye + 1].Filter(contour[3], seconds)};
    if (EyeOpenness(contour) >= kShutBelow) reading.cuts[eye] = CutEye(eyes.gray, steady);
  }
  return reading;
}

// Where the eyes look, through the run's calibration, smoothed.
std::optional<cv::Point2f> PointReporter::GazePoint(const EyeObservation& eyes, const FaceGeometry& face,
                                                    double seconds) {
  const std::optional<cv::Point2d> at = gaze_->Map(Read(eyes, face, seconds));
  if (!at) {
    if (held_ && seconds - lastRead_ <= kUnreadHoldSeconds) return held_;
    return std::nullopt;
  }
  lastRead_ = seconds;
  recentLooks_.emplace_back(std::clamp(at->x, 0.0, IRISDET_FRAME_WIDTH - 1.0),
                            std::clamp(at->y, 0.0, IRISDET_FRAME_HEIGHT - 1.0));
  if (recentLooks_.size() > kGazeMedianFrames) recentLooks_.erase(recentLooks_.begin());
  const cv::Point2f inFrame = AxisMedian(recentLooks_);
  return Hold(gazeSmoother_.Filter(inFrame, seconds), kGazeStillBandPx);
}

PointReporter::Report PointReporter::Next(const EyeObservation& eyes, const std::optional<FaceGeometry>& face,
                                          IrisdetTracking mode, double seconds) {
  const std::optional<cv::Point2f> midpoint = eyes.Point();
  Report report;
  if (eyes.face != 0 && eyes.face != followed_) {
    // Another player: their own neutral position, never a jump across from the last one's.
    if (followed_ != 0) head_.Recentre(), ResetSmoothing();
    followed_ = eyes.face;
  }
  if (face) report.pose = face->pose;
  if (!face) head_.Missed();
  if (mode == IRISDET_TRACKING_COMFORT && face) {
    // No eye until the neutral position is taken: the square waits at the centre, and no
    // find can come from a point that is nobody's.
    if (const std::optional<HeadMovement> moved = head_.Movement(*face, seconds)) {
      report.point = Hold(HeadPointer::ToFrame(shiftSmoother_.Filter(moved->shift, seconds) +
                                               turnSmoother_.Filter(moved->turn, seconds)),
                          kStillBandPx);
    }
  } else if (mode == IRISDET_TRACKING_GAZE && face) {
    report.point = GazePoint(eyes, *face, seconds);
  } else if (mode == IRISDET_TRACKING_EYES && midpoint) {
    report.point = eyeSmoother_.Filter(*midpoint, seconds);
  }
  if (!report.point) ResetSmoothing();  // a face found again starts afresh
  if (report.point) report.point = AsThePlayerSees(*report.point);
  return report;
}

void PointReporter::Reset() {
  head_.Recentre();
  followed_ = 0;
  ResetSmoothing();
}

void PointReporter::ResetSmoothing() {
  eyeSmoother_.Reset();
  shiftSmoother_.Reset();
  turnSmoother_.Reset();
  gazeSmoother_.Reset();
  for (PointSmoother& corner : corners_) corner.Reset();
  recentLooks_.clear();
  held_.reset();
}

}  // namespace irisdet
