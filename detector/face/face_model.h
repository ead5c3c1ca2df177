#pragma once
#include <memory>

#include "detector/face/hog_search.h"
#include "detector/face/landmark_model.h"
#include "detector/face/neural_face_finder.h"

// The face detectors and the landmark model, loaded once per process and shared read-only.
namespace irisdet {

class FaceModel {
 public:
  std::shared_ptr<const HogFaceDetector> hogFaces = BuiltInHogFaceDetector();
  LandmarkModel landmarks;
  // BlazeFace, for faces near the camera (128x128) and for small ones too (256x256);
  // null without them: the HOG search alone.
  std::shared_ptr<const NeuralModel> nearFaces, farFaces;
};

}  // namespace irisdet
