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

cv::Point2d AxisMedian(const std::vector<cv::Point2d>& points) {
  std::vector<double> x, y;
  for (const cv::Point2d& p : points) x.push_back(p.x), y.push_back(p.y);
  const auto middle = [](std::vector<double>& v) {
    std::nth_element(v.begin(), v.begin() + static_cast<long>(v.size() / 2), v.end());
    return v[v.size() / 2];
  };
  return {middle(x), middle(y)};
}

std::optional<cv::Point2d> LookGatherer::Median() const {
  if (frames_.size() < kFewestFrames) return std::nullopt;
  return AxisMedian(frames_);
}

}  // namespace irisdet
