#include "detector/pointing/one_euro.h"

#include <cmath>

namespace irisdet {
namespace {

// The weight of a new sample in an exponential smoother with this cutoff.
double Alpha(double cutoffHz, double dt) {
  const double tau = 1.0 / (2.0 * M_PI * cutoffHz);
  return 1.0 / (1.0 + tau / dt);
}

}  // namespace

double OneEuroFilter::Filter(double value, double seconds) {
  if (!last_) {
    last_ = State{value, 0.0, seconds};
    return value;
  }
  const double dt = seconds - last_->seconds;
  if (dt <= 0.0) return last_->value;  // no time has passed: nothing new to weigh
  const double rawDerivative = (value - last_->value) / dt;
  const double a = Alpha(derivativeCutoff_, dt);
  const double derivative = a * rawDerivative + (1.0 - a) * last_->derivative;
  const double cutoff = minCutoff_ + beta_ * std::abs(derivative);
  const double b = Alpha(cutoff, dt);
  const double filtered = b * value + (1.0 - b) * last_->value;
  last_ = State{filtered, derivative, seconds};
  return filtered;
}

cv::Point2f PointSmoother::Filter(cv::Point2f point, double seconds) {
  return {static_cast<float>(x_.Filter(point.x, seconds)), static_cast<float>(y_.Filter(point.y, seconds))};
}

void PointSmoother::Reset() {
  x_.Reset();
  y_.Reset();
}

}  // namespace irisdet
