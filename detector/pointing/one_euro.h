#pragma once
#include <opencv2/core.hpp>
#include <optional>

// The One Euro filter (Casiez, Roussel and Vogel, 2012): a low-pass filter whose
// cutoff rises with speed, so that a still eye stays still and a quick glance is
// followed at once.
namespace irisdet {

class OneEuroFilter {
 public:
  OneEuroFilter(double minCutoffHz, double beta, double derivativeCutoffHz = 1.0)
      : minCutoff_(minCutoffHz), beta_(beta), derivativeCutoff_(derivativeCutoffHz) {}
  double Filter(double value, double seconds);
  void Reset() { last_.reset(); }

 private:
  struct State {
    double value, derivative, seconds;
  };
  double minCutoff_, beta_, derivativeCutoff_;
  std::optional<State> last_;
};

// The reported eye point, smoothed on both axes.
class PointSmoother {
 public:
  static constexpr double kMinCutoffHz = 1.0;
  static constexpr double kBeta = 0.1;
  explicit PointSmoother(double minCutoffHz = kMinCutoffHz, double beta = kBeta, double derivativeCutoffHz = 1.0)
      : x_(minCutoffHz, beta, derivativeCutoffHz), y_(minCutoffHz, beta, derivativeCutoffHz) {}
  cv::Point2f Filter(cv::Point2f point, double seconds);
  void Reset();

 private:
  OneEuroFilter x_, y_;
};

}  // namespace irisdet
