#include "detector/face/face_finder.h"

#include <algorithm>
#include <cmath>
#include <opencv2/imgproc.hpp>
#include <opencv2/objdetect.hpp>
#include <vector>

#include "detector/face/face_model.h"
#include "detector/face/landmarks.h"

namespace irisdet {
namespace {

constexpr double kTrackedFaceWidth = 100.0;  // the detector's 80 px window, with room
constexpr double kSearchMargin = 0.5;        // of the face's width, on each side
// Between searches the landmarks carry the face for six frames, and never longer than six
// frames of a 30 fps camera take when fewer frames are looked at.
constexpr int kFramesPerSearch = 6;
constexpr double kSecondsPerSearch = (kFramesPerSearch + 1) / 30.0 - 0.01;
constexpr double kLargestJump = 0.25;  // of the face's width: more, and the face is searched for
// The detector is sure of a face from a score of 0. Down to this score a face is taken
// when its eyes are confirmed: a scarf or a hand at the chin, a dim room, a tilted or
// turned head all lower the score, and the eyes are what the game needs.
constexpr double kLowestScore = -1.0;
constexpr int kMostDoubtfulChecked = 2;      // the likeliest ones; each check costs a few ms
constexpr double kCheckedFaceWidth = 120.0;  // eyes of about 25 px, above the eye finder's 20 px window
// The full-size look finds faces from 80 px (the detector's window) up to where the
// half-size look takes over (160 px): four pyramid levels of 5/6.
constexpr unsigned long kSmallFaceLevels = 4;
constexpr const char* kEyeCascade = "/usr/share/opencv4/haarcascades/haarcascade_eye_tree_eyeglasses.xml";
// The neural finder is sure of a face from this score; down to the lower one a face is
// taken once its eyes are confirmed, as the HOG detector's doubtful ones.
constexpr float kSureNeural = 0.75f, kLowestNeural = 0.5f;
// Where dlib's box sits around a face's eyes (measured on the marked photos: the box the
// HOG search gives, against BlazeFace's eyes): centred below them, this wide.
constexpr float kBoxBelowEyes = 0.47f, kBoxWidth = 2.45f;  // interocular distances

struct Candidate {
  cv::Rect box;
  double score;
};

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

bool Jumped(const cv::Rect2f& before, const cv::Rect2f& now) {
  const cv::Point2f shift = (now.tl() + now.br() - before.tl() - before.br()) * 0.5f;
  return std::hypot(shift.x, shift.y) > kLargestJump * before.width ||
         std::abs(now.width / before.width - 1.f) > kLargestJump;
}

cv::Rect ToRect(const cv::Rect& r, double scale, cv::Point offset) {
  return {offset.x + cvRound(r.x / scale), offset.y + cvRound(r.y / scale), cvRound(r.width / scale),
          cvRound(r.height / scale)};
}

double Overlap(const cv::Rect& a, const cv::Rect& b) {
  const double common = (a & b).area();
  return common / (a.area() + b.area() - common);
}

// Possible faces in a region of the grey frame, looked at `scale` times its size.
std::vector<Candidate> Detect(HogSearch& search, const cv::Mat& gray, cv::Rect region, double scale) {
  cv::Mat view;
  if (scale == 1.0)
    view = gray(region);
  else
    cv::resize(gray(region), view, cv::Size(), scale, scale, scale < 1.0 ? cv::INTER_AREA : cv::INTER_LINEAR);
  const std::vector<HogFace> found = search.Find(view, kLowestScore);
  std::vector<Candidate> faces;
  faces.reserve(found.size());
  for (const HogFace& face : found) faces.push_back({ToRect(face.box, scale, region.tl()), face.score});
  return faces;
}

cv::Point2f Apply(const cv::Matx23d& m, cv::Point2f p) {
  return {static_cast<float>(m(0, 0) * p.x + m(0, 1) * p.y + m(0, 2)),
          static_cast<float>(m(1, 0) * p.x + m(1, 1) * p.y + m(1, 2))};
}

// The box the landmark model wants for a face whose eyes are at `right` and `left`.
cv::Rect BoxFromEyes(cv::Point2f right, cv::Point2f left) {
  const cv::Point2f across = left - right;
  const float interocular = std::max(1.f, static_cast<float>(cv::norm(across)));
  const cv::Point2f down(-across.y / interocular, across.x / interocular);
  const cv::Point2f centre = (right + left) * 0.5f + kBoxBelowEyes * interocular * down;
  const float side = kBoxWidth * interocular;
  return {cvRound(centre.x - side / 2), cvRound(centre.y - side / 2), cvRound(side), cvRound(side)};
}

// The neural finder's faces as candidates in the grey frame, their boxes from their eyes.
std::vector<FaceCandidate> NeuralCandidates(NeuralFaceFinder& finder, const FrameView& view) {
  std::vector<FaceCandidate> faces;
  int doubtful = 0;
  for (const NeuralFace& face : finder.Find(view.bgr, kLowestNeural)) {  // likeliest first
    const bool sure = face.score >= kSureNeural;
    if (!sure && doubtful++ >= kMostDoubtfulChecked) continue;
    faces.push_back(CandidateFromEyes({face.rightEye, face.leftEye}, view.toGray, sure));
  }
  std::stable_partition(faces.begin(), faces.end(), [](const FaceCandidate& c) { return c.sure; });
  return faces;
}

}  // namespace

FaceCandidate CandidateFromEyes(const std::array<cv::Point2f, 2>& eyes, const cv::Matx23d& toGray, bool sure) {
  return {BoxFromEyes(Apply(toGray, eyes[0]), Apply(toGray, eyes[1])), sure, eyes};
}

struct FaceFinder::Impl {
  std::shared_ptr<const FaceModel> model;
  std::unique_ptr<HogSearch> detector, smallFaces;        // their own: a search keeps scratch state
  std::unique_ptr<NeuralFaceFinder> nearFaces, farFaces;  // their own too
  cv::CascadeClassifier eyeFinder;
  bool eyeFinderTried = false;
  std::optional<cv::Rect> face;  // the face being followed
  std::optional<cv::Rect2f> landmarks;
  BoxRelation relation;
  int framesCarried = 0;
  double searchedAt = 0;  // seconds
  Search search = Search::kNone;

  std::optional<cv::Rect> Follow(const cv::Mat& gray, double seconds) {
    search = Search::kNone;
    if (!face) return std::nullopt;
    if (landmarks && framesCarried < kFramesPerSearch && seconds - searchedAt < kSecondsPerSearch) {
      ++framesCarried;
      return relation.FaceFor(*landmarks);
    }
    framesCarried = 0;
    searchedAt = seconds;
    search = Search::kAround;
    return SearchAround(gray, *face);
  }

  // The same face again, in a region around where it was, at a small scale.
  std::optional<cv::Rect> SearchAround(const cv::Mat& gray, const cv::Rect& last, bool eyesConfirmed = false) {
    const int margin = cvRound(last.width * kSearchMargin);
    const cv::Rect region =
        cv::Rect(last.x - margin, last.y - margin, last.width + 2 * margin, last.height + 2 * margin) &
        cv::Rect(0, 0, gray.cols, gray.rows);
    if (region.width < 20 || region.height < 20) return std::nullopt;
    const std::vector<Candidate> faces = Detect(*detector, gray, region, kTrackedFaceWidth / last.width);
    const auto best = std::max_element(faces.begin(), faces.end(), [&](const Candidate& a, const Candidate& b) {
      return Overlap(a.box, last) < Overlap(b.box, last);
    });
    if (best == faces.end() || Overlap(best->box, last) <= 0.0) return std::nullopt;
    if (best->score < 0.0 && !eyesConfirmed && !EyesAgree(gray, best->box)) return std::nullopt;
    return best->box;
  }

  // The sure faces, largest first, then the likeliest doubtful ones.
  std::vector<FaceCandidate> LookOver(const FrameView& view, Look look) {
    search = Search::kUpright;
    if (look == Look::kNeuralNear) return NeuralCandidates(*nearFaces, view);
    if (look == Look::kNeuralFar) return NeuralCandidates(*farFaces, view);
    const cv::Rect whole(0, 0, view.gray.cols, view.gray.rows);
    std::vector<Candidate> found =
        look == Look::kHogLarge ? Detect(*detector, view.gray, whole, 0.5) : Detect(*smallFaces, view.gray, whole, 1.0);
    std::sort(found.begin(), found.end(), [](const Candidate& a, const Candidate& b) {
      const bool aSure = a.score >= 0.0, bSure = b.score >= 0.0;
      if (aSure != bSure) return aSure;
      return aSure ? a.box.area() > b.box.area() : a.score > b.score;
    });
    std::vector<FaceCandidate> faces;
    int doubtful = 0;
    for (const Candidate& c : found)
      if (c.score >= 0.0 || doubtful++ < kMostDoubtfulChecked) faces.push_back({c.box, c.score >= 0.0, std::nullopt});
    return faces;
  }

  bool EyesAgree(const cv::Mat& gray, const cv::Rect& box) {
    if (!eyeFinderTried) eyeFinderTried = true, eyeFinder.load(kEyeCascade);
    if (eyeFinder.empty()) return false;  // without opencv-data only sure faces are taken
    const std::vector<cv::Point2f> points = model->landmarks.Fit(gray, box);
    const cv::Rect upper = cv::Rect(box.x, box.y, box.width, box.height * 5 / 8) & cv::Rect(0, 0, gray.cols, gray.rows);
    if (points.size() != kLandmarkCount || upper.width < 16 || upper.height < 16) return false;
    const double scale = std::min(1.0, kCheckedFaceWidth / box.width);  // large faces looked at small: quick
    cv::Mat view;
    cv::resize(gray(upper), view, cv::Size(), scale, scale, cv::INTER_AREA);
    const double width = box.width * scale;
    std::vector<cv::Rect> eyes;
    eyeFinder.detectMultiScale(view, eyes, 1.1, 3, 0, cv::Size(cvRound(width / 8), cvRound(width / 8)),
                               cv::Size(cvRound(width / 3), cvRound(width / 3)));
    const cv::Point2f centres[] = {ContourCentre(EyeContourAt(points, kRightEyeFirst)),
                                   ContourCentre(EyeContourAt(points, kLeftEyeFirst))};
    for (const cv::Rect& eye : eyes)
      for (const cv::Point2f& centre : centres)
        if (cv::Rect2f(eye).contains((centre - cv::Point2f(upper.tl())) * scale)) return true;
    return false;
  }

  // The HOG detector's box of a face whose size its eyes tell only roughly: looked for
  // around it as that large, a fifth smaller and a quarter larger.
  std::optional<cv::Rect> HogBoxNear(const cv::Mat& gray, const cv::Rect& box) {
    const cv::Point centre = (box.tl() + box.br()) / 2;
    for (const double size : {1.0, 0.8, 1.25}) {
      const int side = cvRound(box.width * size);
      if (auto found = SearchAround(gray, {centre.x - side / 2, centre.y - side / 2, side, side})) return found;
    }
    return std::nullopt;
  }

  cv::Rect Take(const cv::Mat& gray, const FaceCandidate& candidate, double seconds) {
    // A small face the HOG detector found was already seen at its own size; a box placed by
    // the neural finder's eyes is the HOG detector's own where it sees the face around it.
    const cv::Rect& box = candidate.box;
    if (candidate.eyes)
      face = HogBoxNear(gray, box).value_or(box);
    else
      face = box.width < kTrackedFaceWidth ? box : SearchAround(gray, box, true).value_or(box);
    landmarks.reset();
    framesCarried = 0;
    searchedAt = seconds;
    return *face;
  }
};

FaceFinder::FaceFinder(std::shared_ptr<const FaceModel> model) : impl_(std::make_unique<Impl>()) {
  if (model) {
    impl_->detector = std::make_unique<HogSearch>(*model->hogFaces, 0);
    impl_->smallFaces = std::make_unique<HogSearch>(*model->hogFaces, kSmallFaceLevels);
    if (model->nearFaces) impl_->nearFaces = std::make_unique<NeuralFaceFinder>(*model->nearFaces);
    if (model->farFaces) impl_->farFaces = std::make_unique<NeuralFaceFinder>(*model->farFaces);
  }
  impl_->model = std::move(model);
}

bool FaceFinder::Has(Look look) const {
  if (look == Look::kNeuralNear) return impl_->nearFaces != nullptr;
  if (look == Look::kNeuralFar) return impl_->farFaces != nullptr;
  return impl_->model != nullptr;
}

FaceFinder::~FaceFinder() = default;

std::optional<cv::Rect> FaceFinder::Follow(const cv::Mat& gray, double seconds) {
  const std::optional<cv::Rect> box = impl_->Follow(gray, seconds);
  if (box)
    impl_->face = box;
  else
    Reset();  // a face found again starts afresh
  return box;
}

std::vector<FaceCandidate> FaceFinder::LookOver(const FrameView& view, Look look) {
  return impl_->LookOver(view, look);
}

bool FaceFinder::EyesAgree(const cv::Mat& gray, const cv::Rect& box) { return impl_->EyesAgree(gray, box); }

cv::Rect FaceFinder::Take(const cv::Mat& gray, const FaceCandidate& candidate, double seconds) {
  return impl_->Take(gray, candidate, seconds);
}

void FaceFinder::Learn(const cv::Rect2f& box) {
  if (impl_->framesCarried == 0) impl_->relation = BoxRelation::Between(box, *impl_->face);
  if (impl_->landmarks && Jumped(*impl_->landmarks, box))
    impl_->framesCarried = kFramesPerSearch;  // check with the detector
  impl_->landmarks = box;
}

void FaceFinder::Reset() {
  impl_->face.reset();
  impl_->landmarks.reset();
}

Search FaceFinder::LastSearch() const { return impl_->search; }

}  // namespace irisdet
