#pragma once
#include <dlib/image_processing.h>
#include <dlib/image_processing/frontal_face_detector.h>

// The face detector and the landmark model, loaded once per process and shared read-only.
namespace irisdet {

class FaceModel {
 public:
  dlib::frontal_face_detector detector = dlib::get_frontal_face_detector();
  dlib::shape_predictor landmarks;
};

}  // namespace irisdet
