#include "detector/face/face_locator.h"

#include <cmath>
#include <opencv2/imgproc.hpp>

#include "detector/face/face_model.h"
#include "detector/face/face_signature.h"
#include "detector/face/followed_face.h"
#include "detector/face/landmarks.h"

namespace irisdet {
namespace {

cv::Rect2f LandmarkBox(const std::vector<cv::Point2f>& points) {
  float left = 1e9f, top = 1e9f, right = -1e9f, bottom = -1e9f;
  for (const cv::Point2f& p : points)
    left = std::min(left, p.x), right = std::max(right, p.x), top = std::min(top, p.y), bottom = std::max(bottom, p.y);
  return {left, top, std::max(1.f, right - left), std::max(1.f, bottom - top)};
}

// A dark or flat face (a dim room, a cheap webcam) is given back its contrast before the
// landmarks and the irises are looked for; a well-lit face is left as it is.
constexpr double kDarkFace = 60.0;  // mean grey level
constexpr double kFlatFace = 22.0;  // standard deviation of grey levels

void BrightenIfDim(cv::Mat& gray, const cv::Rect& face) {
  const cv::Rect region =
      cv::Rect(face.x - face.width / 4, face.y - face.height / 4, face.width * 3 / 2, face.height * 3 / 2) &
      cv::Rect(0, 0, gray.cols, gray.rows);
  const cv::Rect inside = face & region;
  if (inside.area() == 0) return;
  cv::Scalar mean, spread;
  cv::meanStdDev(gray(inside), mean, spread);
  if (mean[0] >= kDarkFace && spread[0] >= kFlatFace) return;
  static thread_local const cv::Ptr<cv::CLAHE> equalizer = cv::createCLAHE(2.0, cv::Size(4, 4));
  cv::Mat brighter;
  equalizer->apply(gray(region), brighter);
  brighter.copyTo(gray(region));
}

}  // namespace

// A head tilted sideways is looked at straightened: the landmark model knows upright
// faces. The tilt is the last frame's, so a face is followed as it turns to 45 degrees.
constexpr double kStraightenFrom = 12.0;  // degrees; less, and the frame is used as it is

struct Tilt {
  double degrees = 0.0;  // of the eye line, clockwise as seen: the face's roll
  cv::Point2f pivot;     // between the eyes
};

// A face whose landmarks are placed: in the grey frame looked at (for the irises), and
// in the camera's frame with its look (to tell whose it is).
struct Fitted {
  cv::Rect box;
  std::vector<cv::Point2f> points, landmarks;
  SeenFace seen;
};

// The whole frame is looked over by the HOG detector first: a face it is sure of is
// followed by its boxes, on which the landmarks settle best (the comfortable tracking's
// figures rest on them). Where it is sure of none, the neural finder looks (it
// sees covered, dim, small and tilted faces the HOG detector misses or only guesses at),
// and the HOG detector's doubtful guesses come last. Either finder works alone without
// the other's model.
std::vector<Look> LooksOf(FaceFinders finders) {
  switch (finders) {
    case FaceFinders::kHog:
      return {Look::kHogLarge, Look::kHogSmall};
    case FaceFinders::kNeural:
      return {Look::kNeuralNear, Look::kNeuralFar};
    case FaceFinders::kBoth:
      break;
  }
  return {Look::kHogLarge, Look::kHogSmall, Look::kNeuralNear, Look::kNeuralFar};
}

// Looks that find small faces, which cannot beat a face likelier than the smallest large one.
bool FindsSmallFaces(Look look) { return look == Look::kNeuralFar || look == Look::kHogSmall; }
bool IsHog(Look look) { return look == Look::kHogLarge || look == Look::kHogSmall; }

Tilt TiltOf(const std::array<cv::Point2f, 2>& eyes) {
  const cv::Point2f across = eyes[1] - eyes[0];
  return {std::atan2(across.y, across.x) * 180.0 / CV_PI, (eyes[0] + eyes[1]) * 0.5f};
}

struct FaceLocator::Impl {
  std::shared_ptr<const FaceModel> model;
  FaceFinder faces;
  FollowedFace followed;
  std::vector<Look> looks;
  cv::Mat camera, gray, back;  // back: from the grey frame to the camera's (empty when the same)
  cv::Matx23d toGray;          // from the camera's frame to the grey one
  Tilt tilt;
  // The eyes a neural finder saw on the face taken in this frame, in the camera's frame.
  std::optional<std::array<cv::Point2f, 2>> takenEyes;
  Impl(std::shared_ptr<const FaceModel> m, FaceFinders finders) : model(m), faces(std::move(m)) {
    for (const Look look : LooksOf(finders))
      if (faces.Has(look)) looks.push_back(look);
  }

  // The grey frame to look at, and how to take its points back to the camera's frame.
  void Straighten(const cv::Mat& frame) {
    camera = cv::Mat();  // a frame's own: an observation keeps it
    cv::cvtColor(frame, camera, cv::COLOR_BGR2GRAY);
    back.release();
    toGray = cv::Matx23d(1, 0, 0, 0, 1, 0);
    if (std::abs(tilt.degrees) < kStraightenFrom) {
      gray = camera;
      return;
    }
    toGray = cv::getRotationMatrix2D(tilt.pivot, tilt.degrees, 1.0);
    cv::warpAffine(camera, gray, toGray, camera.size(), cv::INTER_LINEAR, cv::BORDER_REPLICATE);
    cv::invertAffineTransform(toGray, back);
  }

  // A face first seen tilted is looked at again straightened, in the same frame: the
  // same face, seen better (its look too, which the tilted landmarks placed badly). A
  // face a neural finder found is straightened by the eyes it saw, its box placed by them.
  LocatedFace Locate(const cv::Mat& frame, double seconds) {
    const bool upright = std::abs(tilt.degrees) < kStraightenFrom;
    takenEyes.reset();
    LocatedFace located = LocateOnce(frame, seconds);
    if (!upright || std::abs(tilt.degrees) < kStraightenFrom) return located;
    Straighten(frame);
    tilt = {};
    const std::optional<cv::Rect> box = takenEyes
                                            ? faces.Take(gray, CandidateFromEyes(*takenEyes, toGray, true), seconds)
                                            : faces.Follow(gray, seconds);
    const std::optional<Fitted> face = box ? Fit(frame, *box) : std::nullopt;
    if (!face) return located;
    followed.Relook(face->seen, seconds);
    faces.Learn(LandmarkBox(face->points));
    return Located(*face);
  }

  LocatedFace LocateOnce(const cv::Mat& frame, double seconds) {
    Straighten(frame);
    tilt = {};
    std::optional<Fitted> face;
    if (!followed.Choosing(seconds)) {
      if (const std::optional<cv::Rect> box = faces.Follow(gray, seconds)) face = Fit(frame, *box);
      if (face && followed.IsIt(face->seen))
        followed.Keep(face->seen, seconds);
      else
        face = Refind(frame, seconds);
    } else if ((face = ChooseThePlayer(frame, seconds))) {
      followed.Start(face->seen, seconds);
    }
    if (!face) {
      faces.Reset();
      return {};
    }
    faces.Learn(LandmarkBox(face->points));
    LocatedFace located = Located(*face);
    if (takenEyes) tilt = TiltOf(*takenEyes);  // surer than landmarks placed on a tilted face
    return located;
  }

  // The landmarks in `box`, and the face's look.
  std::optional<Fitted> Fit(const cv::Mat& frame, const cv::Rect& box) {
    BrightenIfDim(gray, box);
    Fitted face{box, model->landmarks.Fit(gray, box), {}, {}};
    if (face.points.size() != kLandmarkCount) return std::nullopt;  // LoadFaceModel lets no other model through
    face.landmarks = face.points;
    if (!back.empty()) cv::transform(face.landmarks, face.landmarks, back);
    std::optional<FaceSignature> look = DescribeFace(frame, face.landmarks);
    if (!look) return std::nullopt;
    face.seen = {LandmarkBox(face.landmarks), std::move(*look)};
    return face;
  }

  // The followed face, lost where it was: looked for over the whole frame, by its look.
  std::optional<Fitted> Refind(const cv::Mat& frame, double seconds) {
    const FrameView view{gray, frame, toGray};
    const auto isIt = [&](const FaceCandidate& candidate) {
      if (!candidate.sure && !faces.EyesAgree(gray, candidate.box)) return false;
      const std::optional<Fitted> face = Fit(frame, candidate.box);
      return face && followed.IsIt(face->seen);
    };
    std::vector<FaceCandidate> guesses;
    for (const Look look : looks)
      for (const FaceCandidate& candidate : faces.LookOver(view, look)) {
        if (GuessLater(look, candidate))
          guesses.push_back(candidate);
        else if (isIt(candidate))
          return TakeBack(frame, candidate, seconds);
      }
    for (const FaceCandidate& candidate : guesses)
      if (isIt(candidate)) return TakeBack(frame, candidate, seconds);
    return std::nullopt;
  }

  // The likeliest player over the whole frame: a large face near the middle. A look that
  // finds small faces runs only when one of them could be likelier than the best so far,
  // the second finder's only where the first was sure of no face, and a doubtful face's
  // eyes are checked only when it could be the likeliest.
  std::optional<Fitted> ChooseThePlayer(const cv::Mat& frame, double seconds) {
    const FrameView view{gray, frame, toGray};
    std::optional<FaceCandidate> best;
    double bestLikelihood = 0.0;
    const auto weigh = [&](const FaceCandidate& candidate) {
      const double likelihood = PlayerLikelihood(candidate.box, gray.size());
      if (likelihood <= bestLikelihood || (!candidate.sure && !faces.EyesAgree(gray, candidate.box))) return;
      best = candidate, bestLikelihood = likelihood;
    };
    std::vector<FaceCandidate> guesses;
    for (const Look look : looks) {
      if ((FindsSmallFaces(look) && bestLikelihood >= FaceFinder::kLargestSmallFace) ||
          (best && IsHog(look) != IsHog(looks.front())))
        continue;
      for (const FaceCandidate& candidate : faces.LookOver(view, look))
        GuessLater(look, candidate) ? guesses.push_back(candidate) : weigh(candidate);
    }
    if (!best)
      for (const FaceCandidate& candidate : guesses) weigh(candidate);
    if (!best) return std::nullopt;
    return Take(frame, *best, seconds);
  }

  // The HOG detector's doubtful guesses wait until the neural finder has looked.
  bool GuessLater(Look look, const FaceCandidate& candidate) const {
    return IsHog(look) && !candidate.sure && !IsHog(looks.back());
  }

  // The followed face, found again: followed from now on.
  std::optional<Fitted> TakeBack(const cv::Mat& frame, const FaceCandidate& candidate, double seconds) {
    std::optional<Fitted> taken = Take(frame, candidate, seconds);
    if (taken) followed.Keep(taken->seen, seconds);
    return taken;
  }

  // Follows the candidate from now on.
  std::optional<Fitted> Take(const cv::Mat& frame, const FaceCandidate& candidate, double seconds) {
    takenEyes = candidate.eyes;
    return Fit(frame, faces.Take(gray, candidate, seconds));
  }

  // The face as the next stages read it; the next frame is looked at as this one leans.
  LocatedFace Located(const Fitted& face) {
    if (const std::optional<EyeLine> line = EyeLineOf(face.landmarks)) tilt = {line->degrees, line->middle};
    return {face.landmarks, face.points, gray, camera, back, followed.Number()};
  }
};

FaceLocator::FaceLocator(std::shared_ptr<const FaceModel> model, FaceFinders finders)
    : impl_(std::make_unique<Impl>(std::move(model), finders)) {}

FaceLocator::~FaceLocator() = default;

LocatedFace FaceLocator::Locate(const cv::Mat& frame, double seconds) {
  if (frame.empty() || !impl_->model) return {};
  LocatedFace located = impl_->Locate(frame, seconds);
  located.search = impl_->faces.LastSearch();
  return located;
}

void FaceLocator::Reset() {
  impl_->faces.Reset();
  impl_->followed.Forget();
  impl_->tilt = {};
}

void FaceLocator::ChooseAgain() { impl_->followed.ChooseAgain(); }

}  // namespace irisdet
