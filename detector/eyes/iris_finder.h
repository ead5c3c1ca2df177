#pragma once
#include <array>
#include <opencv2/core.hpp>
#include <optional>

#include "detector/face/landmarks.h"

// Finds the centre of the iris inside one eye, given the eye's six contour points. Works
// on a grey image and nothing else.
namespace irisdet {

struct IrisFound {
  cv::Point2f centre;
  float clarity;  // how much darker the iris is than around it, in grey levels: how sure the find is
};

// The iris, or nothing when the eye is closed, too small, or the answer is not to be
// trusted (the caller then keeps the contour's centre).
std::optional<IrisFound> FindIris(const cv::Mat& gray, const EyeContour& contour);

}  // namespace irisdet
