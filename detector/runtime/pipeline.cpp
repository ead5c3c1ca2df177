#include "detector/runtime/pipeline.h"

namespace irisdet {

// The stages, in order.
FramePipeline::Seen FramePipeline::Next(const cv::Mat& frame, IrisdetTracking tracking, double seconds) {
  const LocatedFace face = faces_.Locate(frame, seconds);  // the face, followed or found, and its landmarks
  const std::optional<FaceGeometry> pose = MeasureFace(face.landmarks);  // where the head is, and its turn
  const EyeObservation eyes = FindIrises(face);                          // the irises in the eyes
  return {eyes, reporter_.Next(eyes, pose, tracking, seconds)};          // the point, as the tracking follows it
}

void FramePipeline::Recentre() {
  faces_.ChooseAgain();
  reporter_.Recentre();
}

}  // namespace irisdet
