#pragma once
#include <opencv2/objdetect.hpp>

#include "detector/eyes/irises.h"

// The classic baseline: OpenCV's Haar face and eye cascades, each eye centre the
// centre of its eye box.
namespace irisdet {

class HaarBaseline {
 public:
  HaarBaseline();
  bool Loaded() const { return !faces_.empty() && !eyes_.empty(); }
  EyeObservation Locate(const cv::Mat& frame);

 private:
  cv::CascadeClassifier faces_, eyes_;
};

}  // namespace irisdet
