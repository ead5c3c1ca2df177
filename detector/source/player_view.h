#pragma once
#include <opencv2/core.hpp>

#include "irisdet.h"

// The player sees themselves as in a mirror: the detector reports its points that way,
// and takes the game's points (where the player looks) that way, while everything inside
// it works in the camera's own image. This is the one mirror: the point reporter's output
// and the gaze calibration's input go through it. It is its own inverse.
namespace irisdet {

template <typename T>
cv::Point_<T> AsThePlayerSees(cv::Point_<T> p) {
  return {static_cast<T>(IRISDET_FRAME_WIDTH - 1) - p.x, p.y};
}

}  // namespace irisdet
