#include "detector/face/landmarks.h"

#include <cmath>

namespace irisdet {

cv::Point2f ContourCentre(const EyeContour& contour) {
  cv::Point2f sum(0.f, 0.f);
  for (const cv::Point2f& p : contour) sum += p;
  return sum * (1.f / static_cast<float>(contour.size()));
}

float EyeOpenness(const EyeContour& c) {
  const float width = std::hypot(c[0].x - c[3].x, c[0].y - c[3].y);
  return width > 0.f ? (std::hypot(c[1].x - c[5].x, c[1].y - c[5].y) + std::hypot(c[2].x - c[4].x, c[2].y - c[4].y)) /
                           (2.f * width)
                     : 0.f;
}

std::optional<EyeLine> EyeLineOf(const std::vector<cv::Point2f>& landmarks) {
  if (landmarks.size() != kLandmarkCount) return std::nullopt;
  const cv::Point2f right = ContourCentre(EyeContourAt(landmarks, kRightEyeFirst));
  const cv::Point2f left = ContourCentre(EyeContourAt(landmarks, kLeftEyeFirst));
  return EyeLine{std::atan2(left.y - right.y, left.x - right.x) * 180.0 / CV_PI, (left + right) * 0.5f};
}

}  // namespace irisdet
