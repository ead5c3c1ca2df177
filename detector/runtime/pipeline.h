#pragma once
#include <memory>
#include <opencv2/core.hpp>
#include <optional>

#include "detector/eyes/irises.h"
#include "detector/face/face_locator.h"
#include "detector/gaze/shared_calibration.h"
#include "detector/pointing/point_reporter.h"
#include "detector/pose/head_pose.h"
#include "detector/runtime/environment.h"

// A frame's way from the camera to the reported point. The watching thread runs one
// pipeline for each run, on its own thread only.
namespace irisdet {

class FramePipeline {
 public:
  // The gaze tracking maps looks through `gaze`, the run's calibration.
  FramePipeline(std::shared_ptr<const FaceModel> model, std::shared_ptr<SharedGazeCalibration> gaze)
      : faces_(std::move(model)), reporter_(std::move(gaze)) {}

  struct Seen {
    EyeObservation eyes;
    PointReporter::Report report;
  };
  Seen Next(const cv::Mat& frame, IrisdetTracking tracking, double seconds);
  // A new neutral position, for the likeliest player: a teacher hands over to a child at once.
  void Recentre();

 private:
  FaceLocator faces_;
  PointReporter reporter_;
};

}  // namespace irisdet
