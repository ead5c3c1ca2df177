#include "eye_locator.h"

#include <unistd.h>

#include <cmath>
#include <cstdlib>
#include <dlib/image_processing.h>
#include <dlib/image_processing/frontal_face_detector.h>
#include <dlib/opencv/cv_image.h>
#include <mutex>
#include <opencv2/imgproc.hpp>

#include "bounded_input.h"
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
constexpr unsigned kModelParts = 68;

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

constexpr double kTrackedFaceWidth = 100.0;  // the detector's 80 px window, with room
constexpr double kSearchMargin = 0.5;       // of the face's width, on each side
constexpr int kFramesPerSearch = 6;         // between searches the landmarks carry the face
constexpr double kLargestJump = 0.25;       // of the face's width: more, and the face is searched for

// Where the detector's box sits relative to the box around the landmarks, learnt
// whenever the detector has just found the face.
struct BoxRelation {
  double dx = 0, dy = 0, sx = 1, sy = 1;
  static BoxRelation Between(const cv::Rect2f& landmarks, const cv::Rect& face) {
    return {(face.x - landmarks.x) / landmarks.width, (face.y - landmarks.y) / landmarks.height,
            face.width / landmarks.width, face.height / landmarks.height};
  }
  cv::Rect FaceFor(const cv::Rect2f& landmarks) const {
    return {cvRound(landmarks.x + dx * landmarks.width), cvRound(landmarks.y + dy * landmarks.height),
            cvRound(sx * landmarks.width), cvRound(sy * landmarks.height)};
  }
};

cv::Rect2f LandmarkBox(const dlib::full_object_detection& shape) {
  float left = 1e9f, top = 1e9f, right = -1e9f, bottom = -1e9f;
  for (unsigned i = 0; i < shape.num_parts(); ++i) {
    left = std::min(left, float(shape.part(i).x())), right = std::max(right, float(shape.part(i).x()));
    top = std::min(top, float(shape.part(i).y())), bottom = std::max(bottom, float(shape.part(i).y()));
  }
  return {left, top, std::max(1.f, right - left), std::max(1.f, bottom - top)};
}

bool Jumped(const cv::Rect2f& before, const cv::Rect2f& now) {
  const cv::Point2f shift = (now.tl() + now.br() - before.tl() - before.br()) * 0.5f;
  return std::hypot(shift.x, shift.y) > kLargestJump * before.width ||
         std::abs(now.width / before.width - 1.f) > kLargestJump;
}

cv::Rect ToRect(const dlib::rectangle& r, double scale, cv::Point offset) {
  return {offset.x + cvRound(r.left() / scale), offset.y + cvRound(r.top() / scale), cvRound(r.width() / scale),
          cvRound(r.height() / scale)};
}

double Overlap(const cv::Rect& a, const cv::Rect& b) {
  const double common = (a & b).area();
  return common / (a.area() + b.area() - common);
}

// Faces in a region of the grey frame, looked at `scale` times its size.
std::vector<cv::Rect> Detect(dlib::frontal_face_detector& detector, const cv::Mat& gray, cv::Rect region, double scale) {
  cv::Mat view;
  if (scale == 1.0)
    view = gray(region);
  else
    cv::resize(gray(region), view, cv::Size(), scale, scale, scale < 1.0 ? cv::INTER_AREA : cv::INTER_LINEAR);
  std::vector<cv::Rect> faces;
  for (const dlib::rectangle& r : detector(dlib::cv_image<unsigned char>(view))) faces.push_back(ToRect(r, scale, region.tl()));
  return faces;
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
  std::optional<cv::Rect> face;  // the face being followed
  bool redetected = false;
  std::optional<cv::Rect2f> landmarks;  // around the last frame's landmarks
  BoxRelation relation;
  int framesCarried = 0;

  // The face box: carried by the landmarks most of the time, searched for now and then.
  std::optional<cv::Rect> FollowFace() {
    redetected = false;
    if (face && landmarks && framesCarried < kFramesPerSearch) {
      ++framesCarried;
      return relation.FaceFor(*landmarks);
    }
    framesCarried = 0;
    if (face)
      if (auto followed = SearchAround(*face)) return followed;
    redetected = true;
    return Redetect();
  }

  void Learn(const dlib::full_object_detection& shape) {
    const cv::Rect2f box = LandmarkBox(shape);
    if (framesCarried == 0) relation = BoxRelation::Between(box, *face);
    if (landmarks && Jumped(*landmarks, box)) framesCarried = kFramesPerSearch;  // check with the detector
    landmarks = box;
  }

  // The same face again, in a region around where it was, at a small scale.
  std::optional<cv::Rect> SearchAround(const cv::Rect& last) {
    const int margin = cvRound(last.width * kSearchMargin);
    const cv::Rect region = cv::Rect(last.x - margin, last.y - margin, last.width + 2 * margin,
                                     last.height + 2 * margin) & cv::Rect(0, 0, gray.cols, gray.rows);
    if (region.width < 20 || region.height < 20) return std::nullopt;
    const std::vector<cv::Rect> faces = Detect(detector, gray, region, kTrackedFaceWidth / last.width);
    const auto best = std::max_element(faces.begin(), faces.end(), [&](const cv::Rect& a, const cv::Rect& b) {
      return Overlap(a, last) < Overlap(b, last);
    });
    if (best == faces.end() || Overlap(*best, last) <= 0.0) return std::nullopt;
    return *best;
  }

  // The whole frame: at half size first, which is quick; at full size for small faces.
  std::optional<cv::Rect> Redetect() {
    std::vector<cv::Rect> faces = Detect(detector, gray, cv::Rect(0, 0, gray.cols, gray.rows), 0.5);
    if (faces.empty()) faces = Detect(detector, gray, cv::Rect(0, 0, gray.cols, gray.rows), 1.0);
    if (faces.empty()) return std::nullopt;
    const cv::Rect largest = *std::max_element(faces.begin(), faces.end(),
                                               [](const cv::Rect& a, const cv::Rect& b) { return a.area() < b.area(); });
    // Looked at again as it will be followed, so the landmarks see the same kind of box.
    return SearchAround(largest).value_or(largest);
  }
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
  impl_->face = impl_->FollowFace();
  if (!impl_->face) return eyes;
  const cv::Rect& f = *impl_->face;
  const dlib::cv_image<unsigned char> image(impl_->gray);
  const dlib::full_object_detection shape =
      impl_->model->landmarks(image, dlib::rectangle(f.x, f.y, f.x + f.width - 1, f.y + f.height - 1));
  if (shape.num_parts() != kModelParts) return eyes;  // LoadFaceModel lets no other model through
  impl_->Learn(shape);
  for (unsigned i = 0; i < shape.num_parts(); ++i)
    eyes.landmarks.emplace_back(static_cast<float>(shape.part(i).x()), static_cast<float>(shape.part(i).y()));
  const cv::Point2f right = EyeCentre(impl_->gray, Contour(shape, kRightEyeFirst));
  const cv::Point2f left = EyeCentre(impl_->gray, Contour(shape, kLeftEyeFirst));
  if (Inside(right, frame)) eyes.right = right;
  if (Inside(left, frame)) eyes.left = left;
  return eyes;
}

void EyeLocator::Reset() {
  impl_->face.reset();
  impl_->landmarks.reset();
}

bool EyeLocator::LastWasRedetection() const { return impl_->redetected; }

std::string ModelPath() {
  const char* custom = std::getenv("IRISDET_MODEL");
  return custom && *custom ? custom : kDebianModel;
}

constexpr const char* kModelTrouble = "No es pot fer servir el model de cares: ";

std::string ModelFileTrouble() {
  const std::string why = RefuseFile(ModelPath(), kMaxModelFileBytes);
  return why.empty() ? why : kModelTrouble + why;
}

namespace {

// The landmark model, read through a descriptor opened without blocking and checked
// to be a regular file of bounded size, so nothing can be swapped in between.
void ReadModel(const std::string& path, dlib::shape_predictor& landmarks) {
  std::string why;
  const int fd = OpenRegularFile(path, kMaxModelFileBytes, &why);
  if (fd < 0) throw std::runtime_error(why);
  try {
    dlib::deserialize("/proc/self/fd/" + std::to_string(fd)) >> landmarks;
  } catch (const std::exception&) {  // dlib's own words are English and technical
    ::close(fd);
    throw std::runtime_error("«" + path + "» està buit, tallat o malmès.");
  }
  ::close(fd);
  if (landmarks.num_parts() != kModelParts)
    throw std::runtime_error("«" + path + "» no té els 68 punts de la cara que calen.");
}

}  // namespace

std::shared_ptr<const FaceModel> ReadFaceModel(const std::string& path, std::string* error) {
  try {
    dlib::shape_predictor landmarks;
    ReadModel(path, landmarks);  // before the face detector is built: a bad model costs nothing
    auto model = std::make_shared<FaceModel>();
    model->landmarks = std::move(landmarks);
    return model;
  } catch (const std::exception& e) {
    *error = kModelTrouble + std::string(e.what());
    return nullptr;
  }
}

std::shared_ptr<const FaceModel> LoadFaceModel(std::string* error) {
  static std::mutex mutex;
  static std::shared_ptr<const FaceModel> loaded;
  static std::string loadedFrom;
  std::lock_guard lock(mutex);
  if (loaded && loadedFrom == ModelPath()) return loaded;
  loadedFrom = ModelPath();
  loaded = ReadFaceModel(loadedFrom, error);
  return loaded;
}

}  // namespace irisdet
