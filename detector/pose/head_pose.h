#pragma once
#include <opencv2/core.hpp>
#include <optional>
#include <vector>

// The head as its 68 landmarks place it: where its eyes are, how far apart, and how it is
// turned. Measured once a frame, for every tracking.
namespace irisdet {

inline constexpr double kDegPerRad = 180.0 / CV_PI;

// Degrees. yaw > 0: the nose turned toward the camera image's right (+x); pitch > 0:
// looking down; roll > 0: the eye line turned clockwise in the image.
struct HeadPose {
  double yaw = 0, pitch = 0, roll = 0;
};

// What the 68 landmarks say of a face: where its eyes are, its size, its turn.
struct FaceGeometry {
  cv::Point2f eyes;    // midpoint of the two eye contours, camera pixels
  double interocular;  // between the contours' centres, pixels
  HeadPose pose;
};

// None unless there are 68 landmarks and the eyes are apart.
std::optional<FaceGeometry> MeasureFace(const std::vector<cv::Point2f>& landmarks);

}  // namespace irisdet
