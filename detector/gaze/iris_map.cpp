#include "detector/gaze/iris_map.h"

#include <algorithm>
#include <cmath>

#include "detector/source/frame_source.h"

namespace irisdet {
namespace {

// Features this far from a look straight ahead make a term of 1: the terms' pulls compare.
constexpr double kFeatureSpan = 0.1;
// How hard each term keeps to the map fitted from, in samples: the offset gives way first
// (a player who shifts in the chair), then the gains, then the bends.
constexpr IrisMap::Coefficients kStiffness = {0.05, 0.3, 0.3, 2.0, 2.0, 2.0};
// A sample whose error is this many times the median's is another look: left out.
constexpr double kOutlierFactor = 3.0;
constexpr double kOutlierFloor = 0.05;  // of the targets' spread: under it, no sample is an outlier

// The map across 25 people looking at 9 points, head straight (irisdet-lab gaze --generic).
constexpr IrisMap::Coefficients kGenericX = {-2.4238, 11.4018, 0.5056, 0.3097, 0.6561, 0.5472};
constexpr IrisMap::Coefficients kGenericY = {16.3840, 1.9137, 21.3005, 1.4270, 0.3599, 4.8304};

constexpr double kFrameDegreesAcross = 15.0, kFrameDegreesDown = 10.0;

cv::Mat Solve(const cv::Mat& normal, const cv::Mat& right) {
  cv::Mat solution;
  cv::solve(normal, right, solution, cv::DECOMP_CHOLESKY);
  return solution;
}

}  // namespace

IrisMap IrisMap::Generic() { return {kGenericX, kGenericY}; }

IrisMap IrisMap::GenericInFrame() {
  const double perDegreeX = (IRISDET_FRAME_WIDTH / 2.0) / kFrameDegreesAcross,
               perDegreeY = (IRISDET_FRAME_HEIGHT / 2.0) / kFrameDegreesDown;
  Coefficients x = kGenericX, y = kGenericY;
  for (double& c : x) c *= perDegreeX;
  for (double& c : y) c *= perDegreeY;
  x[0] += (IRISDET_FRAME_WIDTH - 1) / 2.0, y[0] += (IRISDET_FRAME_HEIGHT - 1) / 2.0;
  return {x, y};
}

IrisMap::Coefficients IrisMap::Terms(cv::Point2d look) {
  const cv::Point2d s = look * (1.0 / kFeatureSpan);
  return {1.0, s.x, s.y, s.x * s.y, s.x * s.x, s.y * s.y};
}

cv::Point2d IrisMap::At(cv::Point2d look) const {
  const Coefficients t = Terms(look);
  cv::Point2d at(0, 0);
  for (int i = 0; i < kTerms; ++i) at += cv::Point2d(x_[i], y_[i]) * t[i];
  return at;
}

IrisMap IrisMap::FitTo(const std::vector<const GazeSample*>& samples) const {
  cv::Mat normal = cv::Mat::zeros(kTerms, kTerms, CV_64F), right = cv::Mat::zeros(kTerms, 2, CV_64F);
  for (int i = 0; i < kTerms; ++i) {
    normal.at<double>(i, i) = kStiffness[i];
    right.at<double>(i, 0) = kStiffness[i] * x_[i];
    right.at<double>(i, 1) = kStiffness[i] * y_[i];
  }
  for (const GazeSample* s : samples) {
    const Coefficients t = Terms(*s->reading.features);
    for (int i = 0; i < kTerms; ++i) {
      for (int j = 0; j < kTerms; ++j) normal.at<double>(i, j) += s->weight * t[i] * t[j];
      right.at<double>(i, 0) += s->weight * t[i] * s->target.x;
      right.at<double>(i, 1) += s->weight * t[i] * s->target.y;
    }
  }
  const cv::Mat solved = Solve(normal, right);
  Coefficients x{}, y{};
  for (int i = 0; i < kTerms; ++i) x[i] = solved.at<double>(i, 0), y[i] = solved.at<double>(i, 1);
  return IrisMap(x, y);
}

std::vector<bool> IrisMap::Agreeing(const std::vector<GazeSample>& samples) const {
  std::vector<const GazeSample*> withIrises;
  for (const GazeSample& s : samples)
    if (s.reading.features) withIrises.push_back(&s);
  std::vector<bool> agreeing(samples.size(), true);
  if (withIrises.empty()) return agreeing;
  const IrisMap first = FitTo(withIrises);
  std::vector<double> errors;
  cv::Point2d mean(0, 0);
  for (const GazeSample* s : withIrises)
    errors.push_back(cv::norm(first.At(*s->reading.features) - s->target)), mean += s->target;
  mean *= 1.0 / static_cast<double>(withIrises.size());
  double spread = 0;
  for (const GazeSample* s : withIrises) spread = std::max(spread, cv::norm(s->target - mean));
  std::vector<double> sorted = errors;
  std::nth_element(sorted.begin(), sorted.begin() + static_cast<long>(sorted.size() / 2), sorted.end());
  const double limit = std::max(kOutlierFactor * sorted[sorted.size() / 2], kOutlierFloor * spread);
  for (std::size_t i = 0; i < withIrises.size(); ++i)
    agreeing[static_cast<std::size_t>(withIrises[i] - samples.data())] = errors[i] <= limit;
  return agreeing;
}

IrisMap IrisMap::Fitted(const std::vector<GazeSample>& samples) const {
  const std::vector<bool> agreeing = Agreeing(samples);
  std::vector<const GazeSample*> kept;
  for (std::size_t i = 0; i < samples.size(); ++i)
    if (agreeing[i] && samples[i].reading.features) kept.push_back(&samples[i]);
  return kept.empty() ? *this : FitTo(kept);
}

}  // namespace irisdet
