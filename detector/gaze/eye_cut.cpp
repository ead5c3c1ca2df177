#include "detector/gaze/eye_cut.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <opencv2/imgproc.hpp>

namespace irisdet {
namespace {

constexpr double kPxPerEyeWidth = 48.0;
constexpr double kBandFromAcross = -28.0 / 48, kBandFromDown = -15.0 / 48;  // eye widths
constexpr double kSmallestEye = 8.0;                                        // corner to corner, frame px
constexpr int kCutWidth = kBandWidth + 2 * kCutMargin, kCutHeight = kBandHeight + 2 * kCutMargin;

// The sub-pixel peak of three samples around the middle one, from -0.5 to 0.5.
float Vertex(float before, float at, float after) {
  const float bend = before - 2 * at + after;
  return bend < 0 ? std::clamp(0.5f * (before - after) / bend, -0.5f, 0.5f) : 0.f;
}

cv::Mat BandAt(const cv::Mat& cut, cv::Point2f shift) {
  cv::Mat band;
  const cv::Point2f centre(kCutMargin + shift.x + (kBandWidth - 1) / 2.f,
                           kCutMargin + shift.y + (kBandHeight - 1) / 2.f);
  cv::getRectSubPix(cut, cv::Size(kBandWidth, kBandHeight), centre, band, CV_32F);
  return band;
}

}  // namespace

cv::Mat CutEye(const cv::Mat& gray, const EyeCorners& corners) {
  const cv::Point2d first(corners.first), last(corners.last);
  const double width = cv::norm(last - first);
  if (gray.empty() || width < kSmallestEye) return {};
  const cv::Point2d along = (last - first) / width, down(-along.y, along.x), middle = (first + last) * 0.5;
  const double step = width / kPxPerEyeWidth;  // frame px for each px of the cut
  const cv::Point2d origin = middle + along * (kBandFromAcross * width - kCutMargin * step) +
                             down * (kBandFromDown * width - kCutMargin * step);
  // The band must lie in the frame, an eye at its edge is half lost; the margin may
  // reach beyond, repeating the edge.
  const cv::Point2d band = origin + (along + down) * (kCutMargin * step);
  for (const cv::Point2d corner : {band, band + along * (kBandWidth * step), band + down * (kBandHeight * step),
                                   band + (along * kBandWidth + down * kBandHeight) * step})
    if (corner.x < 0 || corner.y < 0 || corner.x > gray.cols - 1 || corner.y > gray.rows - 1) return {};
  const cv::Matx23d toFrame(along.x * step, down.x * step, origin.x, along.y * step, down.y * step, origin.y);
  cv::Mat cut;
  cv::warpAffine(gray, cut, toFrame, cv::Size(kCutWidth, kCutHeight), cv::INTER_LINEAR | cv::WARP_INVERSE_MAP,
                 cv::BORDER_REPLICATE);
  cv::equalizeHist(cut, cut);
  return cut;
}

cv::Mat EyeTemplate(const std::vector<cv::Mat>& cuts) {
  const auto mean = [&](const std::function<cv::Point2f(const cv::Mat&)>& shiftOf) {
    cv::Mat sum = cv::Mat::zeros(kBandHeight, kBandWidth, CV_32F);
    for (const cv::Mat& cut : cuts) sum += BandAt(cut, shiftOf(cut));
    return cv::Mat(sum / static_cast<double>(std::max<std::size_t>(cuts.size(), 1)));
  };
  const cv::Mat first = mean([](const cv::Mat&) { return cv::Point2f(0, 0); });
  return mean([&](const cv::Mat& cut) { return Align(cut, first).shift; });
}

Placement Align(const cv::Mat& cut, const cv::Mat& eyeTemplate) {
  cv::Mat cutF, likeness;
  cut.convertTo(cutF, CV_32F);
  cv::matchTemplate(cutF, eyeTemplate, likeness, cv::TM_CCOEFF_NORMED);
  double best = 0;
  cv::Point at;
  cv::minMaxLoc(likeness, nullptr, &best, nullptr, &at);
  const auto value = [&](int x, int y) { return likeness.at<float>(y, x); };
  const bool insideX = at.x > 0 && at.x<likeness.cols - 1, insideY = at.y> 0 && at.y < likeness.rows - 1;
  const float dx = insideX ? Vertex(value(at.x - 1, at.y), value(at.x, at.y), value(at.x + 1, at.y)) : 0.f;
  const float dy = insideY ? Vertex(value(at.x, at.y - 1), value(at.x, at.y), value(at.x, at.y + 1)) : 0.f;
  return {{static_cast<float>(at.x - kCutMargin) + dx, static_cast<float>(at.y - kCutMargin) + dy},
          std::isfinite(best) ? best : 0.0};
}

void AppendAppearance(const cv::Mat& cut, cv::Point2f shift, std::vector<double>& out) {
  cv::Mat small;
  cv::resize(BandAt(cut, shift), small, cv::Size(16, 8), 0, 0, cv::INTER_AREA);
  cv::Scalar mean, spread;
  cv::meanStdDev(small, mean, spread);
  const double scale = spread[0] > 1e-6 ? 1.0 / spread[0] : 0.0;
  for (int y = 0; y < small.rows; ++y)
    for (int x = 0; x < small.cols; ++x) out.push_back((small.at<float>(y, x) - mean[0]) * scale);
}

}  // namespace irisdet
