#pragma once
#include <dlib/image_processing.h>
#include <dlib/image_processing/frontal_face_detector.h>
#include <opencv2/core.hpp>
#include <vector>

#include "detector/face/landmark_model.h"
#include "detector/face/neural_face_finder.h"

// The face detectors and the landmark model, loaded once per process and shared read-only.
namespace irisdet {

class FaceModel {
 public:
  dlib::frontal_face_detector detector = dlib::get_frontal_face_detector();
  LandmarkModel landmarks;
  // BlazeFace, for faces near the camera (128x128) and for small ones too (256x256);
  // null without them: the HOG search alone.
  std::shared_ptr<const NeuralModel> nearFaces, farFaces;
};

}  // namespace irisdet
