#pragma once
#include <array>
#include <opencv2/core.hpp>
#include <optional>

#include "detector/pose/head_pose.h"

// What one frame shows of where the eyes look, or a look's frames together: the eyes'
// own pixels, where the irises sit in them, and where the head was.
namespace irisdet {

// The head as the camera saw it: its turn, and where its eyes were and how far apart, in
// the camera's own (unmirrored) image. No interocular distance: not known (the probes'
// eye patches have no face around them).
struct HeadPlace {
  HeadPose pose;
  cv::Point2f eyes;
  double interocular = 0;
};

struct GazeReading {
  std::array<cv::Mat, 2> cuts;          // the subject's right eye, then the left (CutEye); empty where unreadable
  std::optional<cv::Point2d> features;  // where the irises sit, the head's turn added (GazeFeatures::look)
  HeadPlace head;
  bool BothEyesCut() const { return !cuts[0].empty() && !cuts[1].empty(); }
};

// A reading taken while the player looked at a known point: a calibration's.
struct GazeSample {
  GazeReading reading;
  cv::Point2d target;  // where the player looked, in the map's own units
  double weight = 1;
};

}  // namespace irisdet
