#include "detector/gaze_calibration.h"

#include <algorithm>

namespace irisdet {

void GazeCalibration::Calibrate(const std::vector<GazeSample>& dots) {
  recent_.assign(dots.begin(), dots.end());
  map_ = start_.Fitted({recent_.begin(), recent_.end()});
}

void GazeCalibration::AddPlayed(const GazeSample& look) {
  for (GazeSample& older : recent_) older.weight *= kAgeing;
  recent_.push_back(look);
  while (recent_.size() > kKept) recent_.pop_front();
  map_ = start_.Fitted({recent_.begin(), recent_.end()});
}

void GazeCalibration::Forget() {
  recent_.clear();
  map_ = start_;
}

std::optional<cv::Point2d> LookGatherer::Median() const {
  if (frames_.size() < kFewestFrames) return std::nullopt;
  std::vector<double> x, y;
  for (const cv::Point2d& f : frames_) x.push_back(f.x), y.push_back(f.y);
  const auto middle = [](std::vector<double>& v) {
    std::nth_element(v.begin(), v.begin() + static_cast<long>(v.size() / 2), v.end());
    return v[v.size() / 2];
  };
  return cv::Point2d(middle(x), middle(y));
}

}  // namespace irisdet
