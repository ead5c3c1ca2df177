#include "eye_locator.h"

#include <cstdlib>
#include <dlib/image_processing.h>
#include <dlib/image_processing/frontal_face_detector.h>
#include <dlib/opencv/cv_image.h>
#include <mutex>
#include <opencv2/imgproc.hpp>

#include "pupil_finder.h"

namespace irisdet {

class FaceModel {
 public:
  dlib::frontal_face_detector detector = dlib::get_frontal_face_detector();
  dlib::shape_predictor landmarks;
};

namespace {

constexpr const char* kDebianModel = "/usr/share/dlib/shape_predictor_68_face_landmarks.dat";
// The 68-point model's eye contours: six points each.
constexpr int kRightEyeFirst = 36;
constexpr int kLeftEyeFirst = 42;

EyeContour Contour(const dlib::full_object_detection& shape, int first) {
  EyeContour contour;
  for (int i = 0; i < 6; ++i)
    contour[i] = cv::Point2f(static_cast<float>(shape.part(first + i).x()), static_cast<float>(shape.part(first + i).y()));
  return contour;
}

// The iris centre where it can be seen, the lids' centre where not.
cv::Point2f EyeCentre(const cv::Mat& gray, const EyeContour& contour) {
  return FindPupil(gray, contour).value_or(ContourCentre(contour));
}

bool Inside(const cv::Point2f& p, const cv::Mat& frame) {
  return p.x >= 0 && p.y >= 0 && p.x < frame.cols && p.y < frame.rows;
}

}  // namespace

std::optional<cv::Point2f> EyeObservation::Point() const {
  if (left && right) return (*left + *right) * 0.5f;
  if (left) return left;
  return right;
}

struct EyeLocator::Impl {
  std::shared_ptr<const FaceModel> model;
  dlib::frontal_face_detector detector;  // its own: detection keeps scratch state
  cv::Mat gray;
};

EyeLocator::EyeLocator(std::shared_ptr<const FaceModel> model) : impl_(std::make_unique<Impl>()) {
  if (model) impl_->detector = model->detector;
  impl_->model = std::move(model);
}

EyeLocator::~EyeLocator() = default;

EyeObservation EyeLocator::Locate(const cv::Mat& frame) {
  EyeObservation eyes;
  if (frame.empty() || !impl_->model) return eyes;
  cv::cvtColor(frame, impl_->gray, cv::COLOR_BGR2GRAY);
  const dlib::cv_image<unsigned char> image(impl_->gray);
  const std::vector<dlib::rectangle> faces = impl_->detector(image);
  if (faces.empty()) return eyes;
  const auto largest = std::max_element(faces.begin(), faces.end(),
                                        [](const auto& a, const auto& b) { return a.area() < b.area(); });
  const dlib::full_object_detection shape = impl_->model->landmarks(image, *largest);
  const cv::Point2f right = EyeCentre(impl_->gray, Contour(shape, kRightEyeFirst));
  const cv::Point2f left = EyeCentre(impl_->gray, Contour(shape, kLeftEyeFirst));
  if (Inside(right, frame)) eyes.right = right;
  if (Inside(left, frame)) eyes.left = left;
  return eyes;
}

std::string ModelPath() {
  const char* custom = std::getenv("IRISDET_MODEL");
  return custom && *custom ? custom : kDebianModel;
}

std::shared_ptr<const FaceModel> LoadFaceModel(std::string* error) {
  static std::mutex mutex;
  static std::shared_ptr<const FaceModel> loaded;
  std::lock_guard lock(mutex);
  if (loaded) return loaded;
  try {
    auto model = std::make_shared<FaceModel>();
    dlib::deserialize(ModelPath()) >> model->landmarks;
    loaded = std::move(model);
  } catch (const std::exception& e) {
    *error = "cannot load the landmark model " + ModelPath() + ": " + e.what();
  }
  return loaded;
}

}  // namespace irisdet
