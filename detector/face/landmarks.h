#pragma once
#include <algorithm>
#include <array>
#include <opencv2/core.hpp>
#include <optional>
#include <vector>

// The points of the 68-point landmark model that the detector reads, and an eye's
// contour among them.
namespace irisdet {

inline constexpr unsigned kLandmarkCount = 68;
inline constexpr int kRightEyeFirst = 36;  // the subject's right eye: six contour points
inline constexpr int kLeftEyeFirst = 42;

// One eye's six contour points, as the model orders them: a corner, two upper lid points,
// the other corner, two lower lid points. The corners come first and fourth along the
// image's +x.
using EyeContour = std::array<cv::Point2f, 6>;

inline EyeContour EyeContourAt(const std::vector<cv::Point2f>& landmarks, int first) {
  EyeContour contour;
  std::copy_n(landmarks.begin() + first, contour.size(), contour.begin());
  return contour;
}

cv::Point2f ContourCentre(const EyeContour& contour);

// How open the eye is: the lids' mean distance over the corners' distance.
float EyeOpenness(const EyeContour& contour);
// Less open than this, the eye is shut (a blink): there is no iris, nor a look, to read.
inline constexpr float kShutBelow = 0.12f;

// The line through both eyes' contour centres: its angle (the face's roll, degrees,
// clockwise as seen) and its middle. None without 68 landmarks.
struct EyeLine {
  double degrees = 0;
  cv::Point2f middle;
};
std::optional<EyeLine> EyeLineOf(const std::vector<cv::Point2f>& landmarks);

}  // namespace irisdet
