#include "detector/gaze/shared_calibration.h"

#include "detector/source/player_view.h"

namespace irisdet {

std::optional<cv::Point2d> SharedGazeCalibration::Map(const GazeReading& reading) {
  std::lock_guard lock(mutex_);
  if (target_) gathering_.Add(reading);
  return calibration_.At(reading);
}

void SharedGazeCalibration::LookAt(cv::Point2d target) {
  std::lock_guard lock(mutex_);
  target_ = AsThePlayerSees(target);
  gathering_ = {};
}

bool SharedGazeCalibration::LookEnd(LookUse use) {
  std::lock_guard lock(mutex_);
  std::optional<GazeReading> look = target_ ? gathering_.Median() : std::nullopt;
  const cv::Point2d target = target_.value_or(cv::Point2d());
  target_.reset();
  gathering_ = {};
  if (!look) return false;
  if (use == LookUse::Dot) dots_.push_back({std::move(*look), target, 1.0});
  if (use == LookUse::Find) calibration_.AddPlayed({std::move(*look), target, 1.0});
  return true;
}

int SharedGazeCalibration::Calibrate(bool apply) {
  std::lock_guard lock(mutex_);
  const std::vector<GazeSample> dots = std::move(dots_);
  dots_.clear();
  if (!apply || dots.size() < kFewestDots) return 0;
  calibration_.Calibrate(dots);
  return static_cast<int>(dots.size());
}

}  // namespace irisdet
