#pragma once
#include <memory>
#include <opencv2/core.hpp>
#include <vector>

// dlib's HOG face detector behind our own types. This is the one file that includes
// dlib's detector: its headers take long to compile, and the sanitizer builds leave its
// search as dlib ships it (detector/CMakeLists.txt).
namespace irisdet {

// The detector dlib ships, shared read-only by every search.
struct HogFaceDetector;
std::shared_ptr<const HogFaceDetector> BuiltInHogFaceDetector();

struct HogFace {
  cv::Rect box;  // in the picture looked at
  double score;  // sure of a face from 0
};

// A search with scratch state of its own: each face finder has its own, on its thread.
class HogSearch {
 public:
  // `largestLevels`: how many of the picture pyramid's largest levels are looked at (the
  // small faces); 0 for all of them.
  HogSearch(const HogFaceDetector& detector, unsigned long largestLevels);
  ~HogSearch();
  HogSearch(const HogSearch&) = delete;
  HogSearch& operator=(const HogSearch&) = delete;

  // The faces in a grey picture scoring at least `lowestScore`.
  std::vector<HogFace> Find(const cv::Mat& gray, double lowestScore);

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace irisdet
