#pragma once
#include <array>
#include <opencv2/core.hpp>
#include <optional>

// Finds the centre of the iris inside one eye, given the eye's six contour points
// (corner, two upper lid points, corner, two lower lid points, as the 68-point
// landmark model orders them). Works on a grey image and nothing else.
namespace irisdet {

using EyeContour = std::array<cv::Point2f, 6>;

struct IrisFound {
  cv::Point2f centre;
  float clarity;  // how much darker the iris is than around it, in grey levels: how sure the find is
};

// The iris, or nothing when the eye is closed, too small, or the answer is not to be
// trusted (the caller then keeps the contour's centre).
std::optional<IrisFound> FindIris(const cv::Mat& gray, const EyeContour& contour);

cv::Point2f ContourCentre(const EyeContour& contour);

// How open the eye is: the lids' mean distance over the corners' distance.
float EyeOpenness(const EyeContour& contour);
// Less open than this, the eye is shut (a blink): there is no iris, nor a look, to read.
inline constexpr float kShutBelow = 0.12f;

}  // namespace irisdet
