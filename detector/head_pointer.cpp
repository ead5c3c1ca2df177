#include "detector/head_pointer.h"

#include <algorithm>
#include <cmath>

#include "detector/landmarks.h"

namespace irisdet {
namespace {

constexpr int kNoseFirst = 27, kNosePoints = 9;  // the bridge, the tip and the nostrils' base: firm points
// Where the mean of those nose points sits on an average face, in interocular units,
// from the eyes' midpoint: below it and toward the camera.
constexpr double kNoseDrop = 0.55;
constexpr double kNoseDepth = 0.3;
constexpr double kSteadyShift = 0.05;  // interocular distances
constexpr double kSteadyTurnDeg = 2.0;
constexpr double kDegPerRad = 180.0 / CV_PI;

cv::Point2f Mean(const std::vector<cv::Point2f>& points, int first, int count) {
  cv::Point2f sum(0, 0);
  for (int i = first; i < first + count; ++i) sum += points[i];
  return sum * (1.0f / static_cast<float>(count));
}

// The nose's offset from the eyes, turned upright and in interocular units, gives the
// turn: sideways by the nose's depth, up and down around its resting drop.
HeadPose PoseFrom(cv::Point2d noseOffset, double roll) {
  const double c = std::cos(-roll), s = std::sin(-roll);
  const double x = c * noseOffset.x - s * noseOffset.y, y = s * noseOffset.x + c * noseOffset.y;
  const double reach = std::hypot(kNoseDrop, kNoseDepth);
  const double pitch = std::asin(std::clamp(y / reach, -1.0, 1.0)) - std::atan2(kNoseDrop, kNoseDepth);
  return {std::atan(x / kNoseDepth) * kDegPerRad, pitch * kDegPerRad, roll * kDegPerRad};
}

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

std::optional<FaceGeometry> MeasureFace(const std::vector<cv::Point2f>& landmarks) {
  if (landmarks.size() != kLandmarkCount) return std::nullopt;
  const cv::Point2f right = ContourCentre(EyeContourAt(landmarks, kRightEyeFirst));
  const cv::Point2f left = ContourCentre(EyeContourAt(landmarks, kLeftEyeFirst));
  const double interocular = std::hypot(left.x - right.x, left.y - right.y);
  if (interocular < 1.0) return std::nullopt;
  const cv::Point2f eyes = (left + right) * 0.5f;
  const cv::Point2f nose = Mean(landmarks, kNoseFirst, kNosePoints);
  const double roll = std::atan2(left.y - right.y, left.x - right.x);
  const cv::Point2d offset((nose.x - eyes.x) / interocular, (nose.y - eyes.y) / interocular);
  return FaceGeometry{eyes, interocular, PoseFrom(offset, roll)};
}

std::optional<HeadMovement> HeadPointer::Movement(const FaceGeometry& face, double seconds) {
  if (missedSinceSeen_ && lastSeen_ && seconds - *lastSeen_ > kAwayToRecentreSeconds) Recentre();  // back
  lastSeen_ = seconds;
  missedSinceSeen_ = false;
  recent_.push_back(face);
  if (recent_.size() > kSteadyFrames) recent_.pop_front();
  ++framesWithoutNeutral_;
  if (!neutral_ && (Steady() || framesWithoutNeutral_ >= kMostFramesBeforeNeutral)) neutral_ = Mean(recent_);
  if (!neutral_) return std::nullopt;
  // In the camera's own image moving or turning toward its right is positive; the
  // player sees a mirror, where that is their left.
  const auto frame = [](double u, double v) {
    return cv::Point2f(static_cast<float>(-320.0 * u), static_cast<float>(240.0 * v));
  };
  return HeadMovement{
      frame((face.eyes.x - neutral_->eyes.x) / face.interocular, (face.eyes.y - neutral_->eyes.y) / face.interocular),
      frame((face.pose.yaw - neutral_->pose.yaw) / kYawToEdgeDeg,
            (face.pose.pitch - neutral_->pose.pitch) / kPitchToEdgeDeg)};
}

cv::Point2f HeadPointer::ToFrame(cv::Point2f offset) {
  return {std::clamp(320.f + offset.x, 0.f, 639.f), std::clamp(240.f + offset.y, 0.f, 479.f)};
}

cv::Point2f HeadPointer::Point(const FaceGeometry& face, double seconds) {
  const std::optional<HeadMovement> moved = Movement(face, seconds);
  return ToFrame(moved ? moved->shift + moved->turn : cv::Point2f(0, 0));
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
