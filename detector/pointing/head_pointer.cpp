#include "detector/pointing/head_pointer.h"

#include <algorithm>
#include <cmath>

#include "detector/face/landmarks.h"
#include "detector/source/player_view.h"

namespace irisdet {
namespace {

constexpr double kSteadyShift = 0.05;  // interocular distances
constexpr double kSteadyTurnDeg = 2.0;
// The steady frames' mean: one frame's jitter would stay in every point after.
FaceGeometry Mean(const std::deque<FaceGeometry>& faces) {
  FaceGeometry sum{{0, 0}, 0, {}};
  for (const FaceGeometry& f : faces) {
    sum.eyes += f.eyes;
    sum.interocular += f.interocular;
    sum.pose.yaw += f.pose.yaw, sum.pose.pitch += f.pose.pitch, sum.pose.roll += f.pose.roll;
  }
  const double n = static_cast<double>(faces.size());
  return {sum.eyes * static_cast<float>(1.0 / n),
          sum.interocular / n,
          {sum.pose.yaw / n, sum.pose.pitch / n, sum.pose.roll / n}};
}

}  // namespace

std::optional<HeadMovement> HeadPointer::Movement(const FaceGeometry& face, double seconds) {
  if (missedSinceSeen_ && lastSeen_ && seconds - *lastSeen_ > kAwayToRecentreSeconds) Recentre();  // back
  lastSeen_ = seconds;
  missedSinceSeen_ = false;
  recent_.push_back(face);
  if (recent_.size() > kSteadyFrames) recent_.pop_front();
  ++framesWithoutNeutral_;
  if (!neutral_ && (Steady() || framesWithoutNeutral_ >= kMostFramesBeforeNeutral)) neutral_ = Mean(recent_);
  if (!neutral_) return std::nullopt;
  // In the camera's own image: moving or turning toward its right is positive.
  const auto frame = [](double u, double v) {
    return cv::Point2f(static_cast<float>(IRISDET_FRAME_WIDTH / 2.0 * u),
                       static_cast<float>(IRISDET_FRAME_HEIGHT / 2.0 * v));
  };
  return HeadMovement{
      frame((face.eyes.x - neutral_->eyes.x) / face.interocular, (face.eyes.y - neutral_->eyes.y) / face.interocular),
      frame((face.pose.yaw - neutral_->pose.yaw) / kYawToEdgeDeg,
            (face.pose.pitch - neutral_->pose.pitch) / kPitchToEdgeDeg)};
}

cv::Point2f HeadPointer::ToFrame(cv::Point2f offset) {
  // The neutral position is reported at the frame's centre, (320, 240) as the player sees it.
  const cv::Point2f centre = AsThePlayerSees(cv::Point2f(IRISDET_FRAME_WIDTH / 2.f, IRISDET_FRAME_HEIGHT / 2.f));
  return {std::clamp(centre.x + offset.x, 0.f, IRISDET_FRAME_WIDTH - 1.f),
          std::clamp(centre.y + offset.y, 0.f, IRISDET_FRAME_HEIGHT - 1.f)};
}

void HeadPointer::Recentre() {
  neutral_.reset();
  recent_.clear();
  framesWithoutNeutral_ = 0;
}

bool HeadPointer::Steady() const {
  if (recent_.size() < kSteadyFrames) return false;
  const FaceGeometry& last = recent_.back();
  return std::all_of(recent_.begin(), recent_.end(), [&](const FaceGeometry& f) {
    return std::hypot(f.eyes.x - last.eyes.x, f.eyes.y - last.eyes.y) < kSteadyShift * last.interocular &&
           std::abs(f.pose.yaw - last.pose.yaw) < kSteadyTurnDeg &&
           std::abs(f.pose.pitch - last.pose.pitch) < kSteadyTurnDeg;
  });
}

}  // namespace irisdet
