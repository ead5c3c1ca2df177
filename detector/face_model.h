#pragma once
#include <dlib/image_processing.h>
#include <dlib/image_processing/frontal_face_detector.h>
#include <opencv2/core.hpp>
#include <vector>

// The face detector and the landmark model, loaded once per process and shared read-only.
namespace irisdet {

class FaceModel {
 public:
  dlib::frontal_face_detector detector = dlib::get_frontal_face_detector();
  dlib::shape_predictor landmarks;
};

inline dlib::rectangle ToDlib(const cv::Rect& r) { return {r.x, r.y, r.x + r.width - 1, r.y + r.height - 1}; }

inline std::vector<cv::Point2f> LandmarkPoints(const dlib::full_object_detection& shape) {
  std::vector<cv::Point2f> points;
  for (unsigned i = 0; i < shape.num_parts(); ++i)
    points.emplace_back(static_cast<float>(shape.part(i).x()), static_cast<float>(shape.part(i).y()));
  return points;
}

}  // namespace irisdet
