#pragma once
#include <array>
#include <opencv2/core.hpp>
#include <vector>

#include "detector/gaze/gaze_reading.h"

// From where the irises sit (detector/gaze_features.h) to the point looked at: a quadratic
// map, fitted to calibration samples and pulled toward a map it starts from, so that a few
// samples move it a little and many move it all the way. It is the gaze tracking's start,
// before a calibration, and what reads a frame whose eyes' pixels cannot be read.
namespace irisdet {

class IrisMap {
 public:
  static constexpr int kTerms = 6;  // 1, x, y, x*y, x*x, y*y, of the features scaled by kFeatureSpan
  using Coefficients = std::array<double, kTerms>;

  IrisMap(const Coefficients& x, const Coefficients& y) : x_(x), y_(y) {}
  // The map of features to where a look lands, in degrees, across many people: +x the
  // camera image's, +y down.
  static IrisMap Generic();
  // The same in the camera's frame: 15 degrees to either side reaches the frame's sides,
  // 10 up or down its top and bottom.
  static IrisMap GenericInFrame();

  cv::Point2d At(cv::Point2d look) const;
  const Coefficients& XCoefficients() const { return x_; }
  const Coefficients& YCoefficients() const { return y_; }

  // The map nearest to `samples` whose irises were found, each by its weight, and to this
  // one. Samples far off the first fit (a look elsewhere, a misread eye) are left out of
  // the second.
  IrisMap Fitted(const std::vector<GazeSample>& samples) const;
  // Which samples agree with the others: those whose irises were found are fitted together
  // once, and one far off that fit is another look. The ones without irises cannot be
  // judged and agree.
  std::vector<bool> Agreeing(const std::vector<GazeSample>& samples) const;

 private:
  IrisMap FitTo(const std::vector<const GazeSample*>& samples) const;
  static Coefficients Terms(cv::Point2d look);
  Coefficients x_, y_;
};

}  // namespace irisdet
