#pragma once
#include <array>
#include <memory>
#include <opencv2/core.hpp>
#include <string>
#include <vector>

// A small neural face finder beside the HOG search: MediaPipe's BlazeFace, run by
// OpenCV's DNN module. It finds covered, dim, small and tilted faces that the HOG
// detector misses, and gives each face's eyes, so that a tilted face can be
// straightened before its landmarks are placed.
namespace irisdet {

struct NeuralFace {
  cv::Rect2f box;                 // camera pixels
  float score = 0.f;              // 0 to 1
  cv::Point2f rightEye, leftEye;  // the subject's: the right eye has the smaller x in an unmirrored frame
};

// One BlazeFace model, as its ONNX file's bytes: the "front" one (128x128 input, faces
// near the camera) or the "back" one (256x256, smaller faces too).
struct NeuralModel {
  std::string onnx;
  int side = 0;  // the input's width and height
};

// Reads the model of `side` from `folder` and checks that OpenCV runs it and that it
// answers as BlazeFace does. Null, with why in *error, when it is missing (*error left
// empty: the HOG search is enough), damaged or another model.
std::shared_ptr<const NeuralModel> ReadNeuralModel(const std::string& folder, int side, std::string* error);

class NeuralFaceFinder {
 public:
  explicit NeuralFaceFinder(const NeuralModel& model);
  ~NeuralFaceFinder();
  NeuralFaceFinder(const NeuralFaceFinder&) = delete;
  NeuralFaceFinder& operator=(const NeuralFaceFinder&) = delete;

  // The faces of a BGR frame scoring at least `lowest`, overlapping guesses blended into one.
  std::vector<NeuralFace> Find(const cv::Mat& bgr, float lowest);

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace irisdet
