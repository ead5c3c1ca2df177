#pragma once
#include <array>
#include <opencv2/core.hpp>
#include <vector>

// From gaze features (detector/gaze_features.h) to the point looked at: a quadratic map,
// fitted to calibration samples and pulled toward a map it starts from, so that a few
// samples move it a little and many move it all the way.
namespace irisdet {

struct GazeSample {
  cv::Point2d look;    // the features
  cv::Point2d target;  // where the player looked meanwhile
  double weight = 1;
};

class GazeMap {
 public:
  static constexpr int kTerms = 6;  // 1, x, y, x*y, x*x, y*y, of the features scaled by kFeatureSpan
  using Coefficients = std::array<double, kTerms>;

  GazeMap(const Coefficients& x, const Coefficients& y) : x_(x), y_(y) {}
  // The map of features to where a look lands, in degrees, across many people: +x the
  // unmirrored image's, +y down.
  static GazeMap Generic();
  // The same in the game's frame, as the player sees it (mirrored): 15 degrees to either
  // side reaches the frame's sides, 10 up or down its top and bottom.
  static GazeMap GenericInFrame();

  cv::Point2d At(cv::Point2d look) const;
  const Coefficients& XCoefficients() const { return x_; }
  const Coefficients& YCoefficients() const { return y_; }

  // The map nearest to `samples`, each by its weight, and to this one. Samples far off the
  // first fit (a look elsewhere, a misread eye) are left out of the second.
  GazeMap Fitted(const std::vector<GazeSample>& samples) const;

 private:
  static Coefficients Terms(cv::Point2d look);
  Coefficients x_, y_;
};

}  // namespace irisdet
