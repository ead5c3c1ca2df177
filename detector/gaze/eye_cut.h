#pragma once
#include <opencv2/core.hpp>
#include <vector>

#include "detector/eyes/iris_finder.h"

// The eye's own pixels, for the gaze tracking: the lids and the eye's shape change with
// where it looks, up and down above all, where the iris alone moves little. An eye is cut
// out along its corners, upright and scaled to their distance, so that the same look gives
// the same pixels wherever the face is and however it leans.
namespace irisdet {

// The band the look is read from, in px of the cut: 48 px an eye width, from 0.58 eye
// widths before the middle of the corners to as far after, and from 0.31 above the corner
// line to 0.44 below it (lids, lashes and the eye's lower fold).
inline constexpr int kBandWidth = 56, kBandHeight = 36;
// Around the band, for placing it against the player's own eye (Align): the landmarks the
// corners come from wander by a pixel or two from frame to frame.
inline constexpr int kCutMargin = 5;

// The two corners of one eye, in the order the landmarks give them: along the image's +x.
struct EyeCorners {
  cv::Point2f first, last;
};
inline EyeCorners CornersOf(const EyeContour& contour) { return {contour[0], contour[3]}; }

// The eye's band and its margin, histogram-equalised, from a grey frame. Empty when part
// of the band lies outside the frame (an eye half lost) or the eye is too small to be read.
cv::Mat CutEye(const cv::Mat& gray, const EyeCorners& corners);

// The player's own eye to place cuts against: the mean of cuts of that eye, each placed
// once against the first mean.
cv::Mat EyeTemplate(const std::vector<cv::Mat>& cuts);

// Where a cut's band lies best against the template: the shift in px, and how alike they
// then are (normalised correlation: 1 the same, 0 unrelated).
struct Placement {
  cv::Point2f shift;
  double likeness = 0;
};
Placement Align(const cv::Mat& cut, const cv::Mat& eyeTemplate);

// A cut no more alike than this to the player's eye is no eye to read: shut, covered by a
// hand or hair, or cut from landmarks gone astray.
inline constexpr double kLeastLikeness = 0.5;

// What the map reads of one eye: its band, placed, shrunk to 16 x 8 (the lids and the iris
// stay, the skin's grain goes), set to zero mean and unit spread (the light does not
// count). Appended to `out`.
inline constexpr int kAppearanceValues = 16 * 8;
void AppendAppearance(const cv::Mat& cut, cv::Point2f shift, std::vector<double>& out);

}  // namespace irisdet
