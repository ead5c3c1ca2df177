#pragma once
#include <algorithm>
#include <vector>

#include "detector/pupil_finder.h"

// The points of the 68-point landmark model that the detector reads.
namespace irisdet {

inline constexpr unsigned kLandmarkCount = 68;
inline constexpr int kRightEyeFirst = 36;  // the subject's right eye: six contour points
inline constexpr int kLeftEyeFirst = 42;

// One eye's six contour points, from a face's 68 landmarks.
inline EyeContour EyeContourAt(const std::vector<cv::Point2f>& landmarks, int first) {
  EyeContour contour;
  std::copy_n(landmarks.begin() + first, contour.size(), contour.begin());
  return contour;
}

}  // namespace irisdet
