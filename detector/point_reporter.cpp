#include "detector/point_reporter.h"

#include "detector/frame_source.h"
#include "detector/tracking_choice.h"

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

Tracking TrackingFromEnvironment() {
  return TrackingChosenByEnvironment() == IRISDET_TRACKING_EYES ? Tracking::Eyes : Tracking::Comfort;
}

PointReporter::Report PointReporter::Next(const EyeObservation& eyes, Tracking mode, double seconds) {
  const std::optional<FaceGeometry> face = MeasureFace(eyes.landmarks);
  const std::optional<cv::Point2f> midpoint = eyes.Point();
  Report report;
  if (eyes.face != 0 && eyes.face != followed_) {
    // Another player: their own neutral position, never a jump across from the last one's.
    if (followed_ != 0) head_.Recentre(), ResetSmoothing();
    followed_ = eyes.face;
  }
  if (face) report.pose = face->pose;
  if (!face) head_.Missed();
  if (mode == Tracking::Comfort && face) {
    // No eye until the neutral position is taken: the square waits at the centre, and no
    // find can come from a point that is nobody's.
    if (const std::optional<HeadMovement> moved = head_.Movement(*face, seconds)) {
      const cv::Point2f target = HeadPointer::ToFrame(shiftSmoother_.Filter(moved->shift, seconds) +
                                                      turnSmoother_.Filter(moved->turn, seconds));
      held_ = held_
                  ? cv::Point2f(Backlash(held_->x, target.x, kStillBandPx), Backlash(held_->y, target.y, kStillBandPx))
                  : target;
      report.point = held_;
    }
  } else if (mode == Tracking::Eyes && midpoint) {
    const cv::Point2f mirrored(static_cast<float>(kWidth - 1) - midpoint->x, midpoint->y);
    report.point = eyeSmoother_.Filter(mirrored, seconds);
  }
  if (!report.point) ResetSmoothing();  // a face found again starts afresh
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
  held_.reset();
}

}  // namespace irisdet
