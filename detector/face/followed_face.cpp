#include "detector/face/followed_face.h"

#include <algorithm>
#include <cmath>

namespace irisdet {
namespace {

cv::Point2f Centre(const cv::Rect2f& box) { return {box.x + box.width / 2, box.y + box.height / 2}; }

}  // namespace

double PlayerLikelihood(const cv::Rect2f& box, cv::Size frame) {
  const cv::Point2f fromMiddle = Centre(box) - cv::Point2f(frame.width / 2.f, frame.height / 2.f);
  const double halfDiagonal = std::hypot(frame.width, frame.height) / 2;
  return box.width * std::max(0.0, 1.0 - std::hypot(fromMiddle.x, fromMiddle.y) / halfDiagonal);
}

bool FollowedFace::Choosing(double seconds) const {
  return !followed_ || chooseAgain_ || seconds - followed_->lastSeen > kAwaySeconds;
}

bool FollowedFace::IsIt(const SeenFace& face) const {
  if (!followed_) return false;
  const cv::Rect2f& was = followed_->box;
  const cv::Point2f moved = Centre(face.box) - Centre(was);
  const double grown = face.box.width / std::max(1.f, was.width);
  const double unlike = std::min(Unlikeness(followed_->first, face.look), Unlikeness(followed_->look, face.look));
  return unlike < kSameFaceBelow && grown < kSizeChange && grown > 1 / kSizeChange &&
         std::hypot(moved.x, moved.y) <= kFarthestReturn * was.width;
}

void FollowedFace::Keep(const SeenFace& face, double seconds) {
  Blend(followed_->look, face.look, kLookFollows);
  followed_->box = face.box;
  followed_->lastSeen = seconds;
}

void FollowedFace::Relook(const SeenFace& face, double seconds) {
  if (!followed_) return;
  followed_ = Followed{face.look, face.look, face.box, seconds};
}

void FollowedFace::Start(const SeenFace& face, double seconds) {
  chooseAgain_ = false;
  if (followed_ && IsIt(face)) return Keep(face, seconds);
  followed_ = Followed{face.look, face.look, face.box, seconds};
  ++number_;
}

void FollowedFace::Forget() {
  followed_.reset();
  chooseAgain_ = false;
}

}  // namespace irisdet
