#include "detector/eyes/irises.h"

#include "detector/eyes/iris_finder.h"
#include "detector/face/landmarks.h"

namespace irisdet {
namespace {

IrisFound EyeCentre(const cv::Mat& gray, const EyeContour& contour) {
  return FindIris(gray, contour).value_or(IrisFound{ContourCentre(contour), 0.f});
}

bool Inside(const cv::Point2f& p, const cv::Mat& frame) {
  return p.x >= 0 && p.y >= 0 && p.x < frame.cols && p.y < frame.rows;
}

}  // namespace

std::optional<cv::Point2f> EyeObservation::Point() const {
  if (left && right) return (*left + *right) * 0.5f;
  if (left) return left;
  return right;
}

EyeObservation FindIrises(const LocatedFace& face) {
  EyeObservation eyes;
  if (face.landmarks.size() != kLandmarkCount) return eyes;
  eyes.landmarks = face.landmarks;
  eyes.gray = face.camera;
  eyes.face = face.number;
  // Looked for in the grey frame the landmarks were placed in, straightened when the face leans.
  const IrisFound right = EyeCentre(face.gray, EyeContourAt(face.points, kRightEyeFirst));
  const IrisFound left = EyeCentre(face.gray, EyeContourAt(face.points, kLeftEyeFirst));
  eyes.rightClarity = right.clarity, eyes.leftClarity = left.clarity;
  std::vector<cv::Point2f> centres = {right.centre, left.centre};
  if (!face.back.empty()) cv::transform(centres, centres, face.back);
  if (Inside(centres[0], face.camera)) eyes.right = centres[0];
  if (Inside(centres[1], face.camera)) eyes.left = centres[1];
  return eyes;
}

}  // namespace irisdet
