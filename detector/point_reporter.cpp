#include "point_reporter.h"

#include <cstdlib>
#include <cstring>

#include "frame_source.h"

namespace irisdet {

Tracking TrackingFromEnvironment() {
  const char* chosen = std::getenv("IRISDET_TRACKING");
  return chosen && std::strcmp(chosen, "eyes") == 0 ? Tracking::Eyes : Tracking::Comfort;
}

PointReporter::Report PointReporter::Next(const EyeObservation& eyes, Tracking mode, double seconds) {
  const std::optional<FaceGeometry> face = MeasureFace(eyes.landmarks);
  const std::optional<cv::Point2f> midpoint = eyes.Point();
  Report report;
  if (face) report.pose = face->pose;
  if (mode == Tracking::Comfort && face) {
    report.point = headSmoother_.Filter(head_.Point(*face, seconds), seconds);
  } else if (mode == Tracking::Eyes && midpoint) {
    const cv::Point2f mirrored(static_cast<float>(kWidth - 1) - midpoint->x, midpoint->y);
    report.point = eyeSmoother_.Filter(mirrored, seconds);
  }
  if (!report.point) eyeSmoother_.Reset(), headSmoother_.Reset();  // a face found again starts afresh
  return report;
}

void PointReporter::Reset() {
  head_.Recentre();
  eyeSmoother_.Reset();
  headSmoother_.Reset();
}

}  // namespace irisdet
