#include "detector/gaze/gaze_looks.h"

namespace irisdet {

std::optional<cv::Point2d> GazeLooks::Map(const GazeReading& reading) {
  std::lock_guard lock(mutex_);
  if (target_) gathering_.Add(reading);
  return calibration_.At(reading);
}

void GazeLooks::LookAt(cv::Point2d target) {
  std::lock_guard lock(mutex_);
  target_ = target;
  gathering_ = {};
}

bool GazeLooks::LookEnd(LookUse use) {
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

int GazeLooks::Calibrate(bool apply) {
  std::lock_guard lock(mutex_);
  const std::vector<GazeSample> dots = std::move(dots_);
  dots_.clear();
  if (!apply || dots.size() < kFewestDots) return 0;
  calibration_.Calibrate(dots);
  return static_cast<int>(dots.size());
}

}  // namespace irisdet
