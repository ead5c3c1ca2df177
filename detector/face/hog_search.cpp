#include "detector/face/hog_search.h"

#include <dlib/image_processing/frontal_face_detector.h>
#include <dlib/opencv/cv_image.h>

namespace irisdet {

using Detector = dlib::frontal_face_detector;

struct HogFaceDetector {
  Detector faces = dlib::get_frontal_face_detector();
};

std::shared_ptr<const HogFaceDetector> BuiltInHogFaceDetector() { return std::make_shared<HogFaceDetector>(); }

namespace {

// The same detector, looking only at the pyramid's largest levels.
Detector LargestLevelsOnly(const Detector& full, unsigned long levels) {
  Detector::image_scanner_type scanner;
  scanner.copy_configuration(full.get_scanner());
  scanner.set_max_pyramid_levels(levels);
  std::vector<Detector::feature_vector_type> weights;
  for (unsigned long i = 0; i < full.num_detectors(); ++i) weights.push_back(full.get_w(i));
  return Detector(scanner, full.get_overlap_tester(), weights);
}

}  // namespace

struct HogSearch::Impl {
  Detector detector;
};

HogSearch::HogSearch(const HogFaceDetector& detector, unsigned long largestLevels)
    : impl_(std::make_unique<Impl>(
          Impl{largestLevels == 0 ? detector.faces : LargestLevelsOnly(detector.faces, largestLevels)})) {}

HogSearch::~HogSearch() = default;

std::vector<HogFace> HogSearch::Find(const cv::Mat& gray, double lowestScore) {
  std::vector<dlib::rect_detection> found;
  impl_->detector(dlib::cv_image<unsigned char>(gray), found, lowestScore);
  std::vector<HogFace> faces;
  faces.reserve(found.size());
  for (const dlib::rect_detection& d : found) {
    const dlib::rectangle& r = d.rect;
    faces.push_back({cv::Rect(static_cast<int>(r.left()), static_cast<int>(r.top()), static_cast<int>(r.width()),
                              static_cast<int>(r.height())),
                     d.detection_confidence});
  }
  return faces;
}

}  // namespace irisdet
