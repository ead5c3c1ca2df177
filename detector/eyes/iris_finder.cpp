#include "detector/eyes/iris_finder.h"

#include <cmath>
#include <opencv2/imgproc.hpp>
#include <vector>

namespace irisdet {
namespace {

constexpr float kPatchWidth = 48.f;   // the eye region is looked at this wide
constexpr float kMinEyeWidth = 6.f;   // narrower than this, there is no iris to see
constexpr float kIrisRadius = 0.24f;  // of the eye's corner-to-corner width
constexpr float kRingInner = 0.5f, kRingOuter = 1.6f;
constexpr float kDarknessBlur = 0.5f;                // of the iris radius
constexpr double kPeakShare = 0.9;                   // scores within a tenth of the best shape the answer
constexpr float kCornerMargin = 0.2f;                // of the width: the iris centre keeps off the corners
constexpr float kSpeckle = 0.4f, kWideGlare = 1.2f;  // of the iris radius
constexpr int kGlareStep = 120;                      // grey levels above the iris-wide opening

float Length(const cv::Point2f& v) { return std::hypot(v.x, v.y); }

struct Gradient {
  float x, y, gx, gy;
};

// The strong edges of the patch, as unit vectors (Timm and Barth's threshold).
std::vector<Gradient> StrongGradients(const cv::Mat& patch) {
  cv::Mat gx, gy, magnitude;
  cv::Sobel(patch, gx, CV_32F, 1, 0, 3);
  cv::Sobel(patch, gy, CV_32F, 0, 1, 3);
  cv::magnitude(gx, gy, magnitude);
  cv::Scalar mean, deviation;
  cv::meanStdDev(magnitude, mean, deviation);
  const float threshold = static_cast<float>(mean[0] + 0.3 * deviation[0]);
  std::vector<Gradient> strong;
  for (int y = 1; y < patch.rows - 1; ++y)
    for (int x = 1; x < patch.cols - 1; ++x) {
      const float m = magnitude.at<float>(y, x);
      if (m > threshold && m > 1e-3f)
        strong.push_back({float(x), float(y), gx.at<float>(y, x) / m, gy.at<float>(y, x) / m});
    }
  return strong;
}

// How well the edges about one iris radius from c point away from it: the rim of a
// dark disc all points outward.
float CentreScore(const std::vector<Gradient>& gradients, float cx, float cy, float radius) {
  const float nearest = kRingInner * radius, farthest = kRingOuter * radius;
  const float nearest2 = nearest * nearest, farthest2 = farthest * farthest;
  float sum = 0.f;
  for (const Gradient& g : gradients) {  // squared distances first: this loop is the iris search's cost
    const float dx = g.x - cx, dy = g.y - cy, d2 = dx * dx + dy * dy;
    if (d2 < nearest2 || d2 > farthest2) continue;
    const float dot = dx * g.gx + dy * g.gy;
    if (dot > 0.f) sum += dot * dot / d2;
  }
  return sum;
}

// The centre of the best scores around the peak, finer than one patch pixel.
cv::Point2f Peak(const cv::Mat& scores, cv::Point peak, double best, float radius) {
  const int reach = std::max(1, cvRound(radius * 0.5f));
  double sum = 0.0, sx = 0.0, sy = 0.0;
  for (int y = std::max(0, peak.y - reach); y <= std::min(scores.rows - 1, peak.y + reach); ++y)
    for (int x = std::max(0, peak.x - reach); x <= std::min(scores.cols - 1, peak.x + reach); ++x) {
      const double w = scores.at<float>(y, x) - kPeakShare * best;
      if (w <= 0.0) continue;
      sum += w, sx += w * x, sy += w * y;
    }
  return sum > 0.0 ? cv::Point2f(float(sx / sum), float(sy / sum)) : cv::Point2f(peak);
}

// How much darker an iris-sized disc is than the ring around it, over the visible eye
// only (the lids hide parts of both), at the candidate centres only: summed directly over
// the disc's and the ring's pixels, which costs a few times less than filtering the whole
// patch with both.
class DiscContrast {
 public:
  DiscContrast(const cv::Mat& patch, const cv::Mat& eye, float radius) {
    const int r = std::max(1, cvRound(radius)), outer = std::max(r + 1, cvRound(radius * kRingOuter));
    const cv::Mat ring = cv::getStructuringElement(cv::MORPH_ELLIPSE, {2 * outer + 1, 2 * outer + 1});
    cv::Mat disc = cv::Mat::zeros(ring.size(), CV_8U);
    cv::circle(disc, {outer, outer}, r, cv::Scalar(1), cv::FILLED);
    cv::Mat visible, masked;
    eye.convertTo(visible, CV_32F, 1.0 / 255.0);
    masked = patch.mul(visible);
    // Zeros all round: a disc reaching out of the patch sees nothing there.
    cv::copyMakeBorder(visible, visible_, outer, outer, outer, outer, cv::BORDER_CONSTANT, 0);
    cv::copyMakeBorder(masked, masked_, outer, outer, outer, outer, cv::BORDER_CONSTANT, 0);
    const int stride = visible_.cols;
    for (int y = 0; y < ring.rows; ++y)
      for (int x = 0; x < ring.cols; ++x)
        if (disc.at<uchar>(y, x))
          disc_.push_back(y * stride + x);
        else if (ring.at<uchar>(y, x))
          ring_.push_back(y * stride + x);
  }

  // The contrast of a disc centred at (x, y) of the patch, by the share of it that is seen:
  // a disc mostly under a lid is a weak witness (a light iris below the dark lash line
  // would lose to the lashes).
  float At(int x, int y) const {
    const int topLeft = y * visible_.cols + x;  // of the disc's square, in the bordered images
    const auto* visible = reinterpret_cast<const float*>(visible_.data) + topLeft;
    const auto* masked = reinterpret_cast<const float*>(masked_.data) + topLeft;
    float discArea = 0.f, discSum = 0.f, ringArea = 0.f, ringSum = 0.f;
    for (const int at : disc_) discArea += visible[at], discSum += masked[at];
    for (const int at : ring_) ringArea += visible[at], ringSum += masked[at];
    const float discMean = discSum / std::max(discArea, 1.f), ringMean = ringSum / std::max(ringArea, 1.f);
    return std::max(ringMean - discMean, 0.f) * discArea / static_cast<float>(disc_.size());
  }

 private:
  cv::Mat visible_, masked_;      // continuous, as copyMakeBorder makes them
  std::vector<int> disc_, ring_;  // offsets from the disc's square's top left
};

// Glare is small and bright. A small opening takes away the speckles (a wider one would
// take the slivers of white between the iris and the corners too); where a spot stands
// far above what an iris-wide opening leaves (a reflection on the cornea or the lens),
// that opening's value is taken instead, so the iris is seen whole and the white of the
// eye, thin beside it, keeps its edges.
void RemoveGlare(cv::Mat& patch, float radius) {
  const auto opened = [&](float size) {
    const int side = std::max(3, cvRound(size) | 1);
    cv::Mat out;
    cv::morphologyEx(patch, out, cv::MORPH_OPEN, cv::getStructuringElement(cv::MORPH_ELLIPSE, {side, side}));
    return out;
  };
  const cv::Mat wide = opened(kWideGlare * radius);
  cv::Mat spots = (patch - wide) > kGlareStep;
  cv::dilate(spots, spots, cv::Mat());
  patch = opened(kSpeckle * radius);
  wide.copyTo(patch, spots);
}

}  // namespace

std::optional<IrisFound> FindIris(const cv::Mat& gray, const EyeContour& contour) {
  const float width = Length(contour[0] - contour[3]);
  if (gray.empty() || width < kMinEyeWidth || EyeOpenness(contour) < kShutBelow) return std::nullopt;
  // The region: the eye's width and a bit more, centred on its contour.
  const cv::Point2f centre = ContourCentre(contour);
  const cv::Rect box = cv::Rect(cv::Point(cvRound(centre.x - 0.75f * width), cvRound(centre.y - 0.5f * width)),
                                cv::Size(cvRound(1.5f * width), cvRound(1.0f * width))) &
                       cv::Rect(0, 0, gray.cols, gray.rows);
  if (box.width < 8 || box.height < 6) return std::nullopt;
  const float scale = kPatchWidth / static_cast<float>(box.width);
  cv::Mat patch;
  cv::resize(gray(box), patch, cv::Size(), scale, scale, scale < 1.f ? cv::INTER_AREA : cv::INTER_LINEAR);
  const float radius = kIrisRadius * width * scale;
  RemoveGlare(patch, radius);
  patch.convertTo(patch, CV_32F);
  cv::GaussianBlur(patch, patch, cv::Size(3, 3), 0);
  const std::vector<Gradient> gradients = StrongGradients(patch);
  if (gradients.size() < 8) return std::nullopt;

  // Candidates: inside the lids only; darker places weigh more.
  std::vector<cv::Point> lids;
  for (const cv::Point2f& p : contour) {
    const cv::Point2f shrunk = centre + (p - centre) * (1.f - kCornerMargin);
    lids.emplace_back(cvRound((shrunk.x - box.x) * scale), cvRound((shrunk.y - box.y) * scale));
  }
  cv::Mat inside = cv::Mat::zeros(patch.size(), CV_8U);
  cv::fillConvexPoly(inside, lids, cv::Scalar(255));
  // Darkness over an iris-sized area: a thin dark lash line at a corner weighs little.
  cv::Mat darkness;
  cv::GaussianBlur(patch, darkness, cv::Size(), kDarknessBlur * radius);
  darkness = 255.f - darkness;

  std::vector<cv::Point> fullLids;
  for (const cv::Point2f& p : contour)
    fullLids.emplace_back(cvRound((p.x - box.x) * scale), cvRound((p.y - box.y) * scale));
  cv::Mat eye = cv::Mat::zeros(patch.size(), CV_8U);
  cv::fillConvexPoly(eye, fullLids, cv::Scalar(255));
  const DiscContrast contrast(patch, eye, radius);
  // Both must agree: edges pointing away from the centre, and a dark disc on it.
  cv::Mat scores = cv::Mat::zeros(patch.size(), CV_32F);
  for (int y = 0; y < patch.rows; ++y)
    for (int x = 0; x < patch.cols; ++x)
      if (inside.at<uchar>(y, x))
        scores.at<float>(y, x) =
            darkness.at<float>(y, x) * contrast.At(x, y) * CentreScore(gradients, float(x), float(y), radius);
  double best = 0.0;
  cv::Point bestAt;
  cv::minMaxLoc(scores, nullptr, &best, nullptr, &bestAt);
  if (best <= 0.0) return std::nullopt;
  const cv::Point2f at = Peak(scores, bestAt, best, radius);
  return IrisFound{{box.x + (at.x + 0.5f) / scale - 0.5f, box.y + (at.y + 0.5f) / scale - 0.5f},
                   contrast.At(bestAt.x, bestAt.y)};
}

}  // namespace irisdet
