#pragma once
#include <dlib/image_processing.h>
#include <dlib/image_processing/frontal_face_detector.h>
#include <opencv2/core.hpp>
#include <vector>

#include "detector/landmark_model.h"

// The face detector and the landmark model, loaded once per process and shared read-only.
namespace irisdet {

class FaceModel {
 public:
  dlib::frontal_face_detector detector = dlib::get_frontal_face_detector();
  LandmarkModel landmarks;
};

inline dlib::rectangle ToDlib(const cv::Rect& r) { return {r.x, r.y, r.x + r.width - 1, r.y + r.height - 1}; }

}  // namespace irisdet
