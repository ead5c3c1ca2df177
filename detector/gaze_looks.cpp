#include "detector/gaze_looks.h"

namespace irisdet {

cv::Point2d GazeLooks::Map(const GazeFeatures& features) {
  std::lock_guard lock(mutex_);
  if (target_) gathering_.Add(features.look);
  return calibration_.Map().At(features.look);
}

void GazeLooks::LookAt(cv::Point2d target) {
  std::lock_guard lock(mutex_);
  target_ = target;
  gathering_ = {};
}

bool GazeLooks::LookEnd(LookUse use) {
  std::lock_guard lock(mutex_);
  const std::optional<cv::Point2d> look = target_ ? gathering_.Median() : std::nullopt;
  const cv::Point2d target = target_.value_or(cv::Point2d());
  target_.reset();
  gathering_ = {};
  if (!look) return false;
  if (use == LookUse::Dot) dots_.push_back({*look, target, 1.0});
  if (use == LookUse::Find) calibration_.AddPlayed({*look, target, 1.0});
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
