#include "detector/pose/head_pose.h"

#include <algorithm>
#include <cmath>

#include "detector/face/landmarks.h"

namespace irisdet {
namespace {

constexpr int kNoseFirst = 27, kNosePoints = 9;  // the bridge, the tip and the nostrils' base: firm points
// Where the mean of those nose points sits on an average face, in interocular units,
// from the eyes' midpoint: below it and toward the camera.
constexpr double kNoseDrop = 0.55;
constexpr double kNoseDepth = 0.3;

cv::Point2f Mean(const std::vector<cv::Point2f>& points, int first, int count) {
  cv::Point2f sum(0, 0);
  for (int i = first; i < first + count; ++i) sum += points[i];
  return sum * (1.0f / static_cast<float>(count));
}

// The nose's offset from the eyes, turned upright and in interocular units, gives the
// turn: sideways by the nose's depth, up and down around its resting drop.
HeadPose PoseFrom(cv::Point2d noseOffset, double roll) {
  const double c = std::cos(-roll), s = std::sin(-roll);
  const double x = c * noseOffset.x - s * noseOffset.y, y = s * noseOffset.x + c * noseOffset.y;
  const double reach = std::hypot(kNoseDrop, kNoseDepth);
  const double pitch = std::asin(std::clamp(y / reach, -1.0, 1.0)) - std::atan2(kNoseDrop, kNoseDepth);
  return {std::atan(x / kNoseDepth) * kDegPerRad, pitch * kDegPerRad, roll * kDegPerRad};
}

}  // namespace

std::optional<FaceGeometry> MeasureFace(const std::vector<cv::Point2f>& landmarks) {
  const std::optional<EyeLine> line = EyeLineOf(landmarks);
  if (!line) return std::nullopt;
  const cv::Point2f right = ContourCentre(EyeContourAt(landmarks, kRightEyeFirst));
  const cv::Point2f left = ContourCentre(EyeContourAt(landmarks, kLeftEyeFirst));
  const double interocular = std::hypot(left.x - right.x, left.y - right.y);
  if (interocular < 1.0) return std::nullopt;
  const cv::Point2f eyes = line->middle;
  const cv::Point2f nose = Mean(landmarks, kNoseFirst, kNosePoints);
  const double roll = line->degrees / kDegPerRad;
  const cv::Point2d offset((nose.x - eyes.x) / interocular, (nose.y - eyes.y) / interocular);
  return FaceGeometry{eyes, interocular, PoseFrom(offset, roll)};
}

}  // namespace irisdet
