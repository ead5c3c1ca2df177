#include "detector/gaze/gaze_calibration.h"

#include <algorithm>

namespace irisdet {
namespace {

double Middle(std::vector<double>& values) {
  std::nth_element(values.begin(), values.begin() + static_cast<long>(values.size() / 2), values.end());
  return values[values.size() / 2];
}

// Each pixel's median over the cuts: a frame with the eye shut or misplaced leaves no trace.
cv::Mat PixelMedian(const std::vector<const cv::Mat*>& cuts) {
  cv::Mat median(cuts.front()->size(), CV_8U);
  std::vector<uchar> values(cuts.size());
  for (int y = 0; y < median.rows; ++y)
    for (int x = 0; x < median.cols; ++x) {
      for (std::size_t i = 0; i < cuts.size(); ++i) values[i] = cuts[i]->at<uchar>(y, x);
      std::nth_element(values.begin(), values.begin() + static_cast<long>(values.size() / 2), values.end());
      median.at<uchar>(y, x) = values[values.size() / 2];
    }
  return median;
}

}  // namespace

void GazeCalibration::Calibrate(const std::vector<GazeSample>& dots) {
  recent_.assign(dots.begin(), dots.end());
  Refit();
}

void GazeCalibration::AddPlayed(const GazeSample& look) {
  for (GazeSample& older : recent_) older.weight *= kAgeing;
  recent_.push_back(look);
  while (recent_.size() > kKept) recent_.pop_front();
  Refit();
}

void GazeCalibration::Forget() {
  recent_.clear();
  Refit();
}

void GazeCalibration::Refit() {
  const std::vector<GazeSample> samples(recent_.begin(), recent_.end());
  irises_ = start_.Fitted(samples);
  // A look the irises say was elsewhere (the player looked away) is left out of the
  // pixels' map too, which cannot tell it by itself from a few looks.
  const std::vector<bool> agreeing = start_.Agreeing(samples);
  std::vector<GazeSample> kept;
  for (std::size_t i = 0; i < samples.size(); ++i)
    if (agreeing[i]) kept.push_back(samples[i]);
  appearance_ = AppearanceMap::Fitted(kept, correction_);
}

std::optional<cv::Point2d> GazeCalibration::At(const GazeReading& reading) const {
  if (appearance_)
    if (const std::optional<cv::Point2d> at = appearance_->At(reading)) return at;
  if (reading.features) return irises_.At(*reading.features);
  return std::nullopt;
}

cv::Point2d AxisMedian(const std::vector<cv::Point2d>& points) {
  std::vector<double> x, y;
  for (const cv::Point2d& p : points) x.push_back(p.x), y.push_back(p.y);
  return {Middle(x), Middle(y)};
}

std::optional<GazeReading> LookGatherer::Median() const {
  std::vector<cv::Point2d> features;
  std::array<std::vector<const cv::Mat*>, 2> cuts;
  GazeReading look;
  for (const GazeReading& frame : frames_) {
    if (frame.features) features.push_back(*frame.features);
    if (frame.BothEyesCut())
      for (std::size_t eye = 0; eye < 2; ++eye) cuts[eye].push_back(&frame.cuts[eye]);
  }
  if (features.size() < kFewestFrames) return std::nullopt;
  look.features = AxisMedian(features);
  if (cuts[0].size() >= kFewestFrames)
    for (std::size_t eye = 0; eye < 2; ++eye) look.cuts[eye] = PixelMedian(cuts[eye]);
  // Where the head was: the frames' mean (it holds still while the player looks).
  const double share = 1.0 / static_cast<double>(frames_.size());
  for (const GazeReading& frame : frames_) {
    look.head.pose.yaw += share * frame.head.pose.yaw, look.head.pose.pitch += share * frame.head.pose.pitch;
    look.head.eyes += frame.head.eyes * static_cast<float>(share);
    look.head.interocular += share * frame.head.interocular;
  }
  return look;
}

}  // namespace irisdet
