#pragma once
#include <opencv2/core.hpp>
#include <optional>

#include "detector/eyes/iris_finder.h"
#include "detector/pose/head_pose.h"

// Where the eyes look, read from where each iris sits between its eye's corners and lids.
// The gaze tracking maps these features to a point (detector/gaze_map.h).
namespace irisdet {

// One eye, in eye widths from the middle of its corners, along the line through them:
// `across` toward the unmirrored image's +x, `down` toward its +y; `lid` is the upper
// lid's middle the same way (it drops as the eye looks down).
struct EyeFeatures {
  double across = 0, down = 0, lid = 0;
  double weight = 0;  // how clearly the iris was found
};

std::optional<EyeFeatures> MeasureEye(const EyeContour& contour, const IrisFound& iris);

// Both eyes as one look, each weighted by how clearly its iris was found, with the head's
// turn taken away: the same look at the same point gives the same features whichever way
// the head is turned. x: across, y: down, in eye widths of a look straight ahead.
struct GazeFeatures {
  cv::Point2d look;
};

// How far the iris seems to move in its eye, as the camera sees it, for each degree the
// head turns while the look stays put, in eye widths (irisdet-lab gaze, the head turned 15
// degrees): the head's turn is added to the eyes' at this rate.
inline constexpr double kAcrossPerHeadDegree = 0.0035;
inline constexpr double kDownPerHeadDegree = 0.0035;

std::optional<GazeFeatures> CombineEyes(const std::optional<EyeFeatures>& right, const std::optional<EyeFeatures>& left,
                                        const HeadPose& pose);

}  // namespace irisdet
