#include "detector/face/face_signature.h"

#include <array>
#include <cmath>
#include <cstdint>
#include <opencv2/imgproc.hpp>

#include "detector/face/landmarks.h"

namespace irisdet {
namespace {

// The face straightened into a small patch: the eyes 24 px apart on one row, with the
// hair above them and the mouth below.
constexpr int kPatchWidth = 56, kPatchHeight = 80;
const cv::Point2f kRightEyeAt(16, 32), kLeftEyeAt(40, 32);  // as the camera sees them: right eye on the left

// The texture: a grid of cells from the brows to the mouth.
constexpr int kGridLeft = 4, kGridTop = 20, kCell = 12, kGridSide = 4;
static_assert(kGridSide * kGridSide == FaceSignature::kCells);
constexpr int kPatterns = FaceSignature::kPatterns;
constexpr int kPatternMargin = 6;   // grey levels: camera noise on flat skin is no pattern
constexpr double kContrast = 40.0;  // the grid's grey levels spread alike in any light

// The colours: the hair above the brows, and the cheeks and nose.
const cv::Rect kHair(6, 0, 44, 14), kSkin(12, 38, 32, 20);
constexpr int kColourBins = FaceSignature::kColours, kHues = kColourBins - 2;  // the hues, then dark and grey
constexpr double kDarkShare = 0.35;                                            // of the skin's brightness
constexpr int kGreyBelow = 40, kClipped = 250;

// The texture tells people apart best; the colours, which the exposure and its highlights
// change more, help with the rest.
constexpr double kTextureWeight = 0.8;

// The camera's pixels of the patch, turned upright and scaled by the eyes: sampled at
// twice the patch's size, then halved with smoothing, so that a large face's pixels do
// not alias.
cv::Mat Straightened(const cv::Mat& bgr, cv::Point2f rightEye, cv::Point2f leftEye) {
  const cv::Point2f across = leftEye - rightEye;
  const double angle = std::atan2(across.y, across.x) * 180.0 / CV_PI;
  const cv::Point2f mid = (rightEye + leftEye) * 0.5f, eyesAt = (kRightEyeAt + kLeftEyeAt) * 0.5f;
  cv::Matx23d toFine = cv::getRotationMatrix2D(mid, angle, 2 * (kLeftEyeAt.x - kRightEyeAt.x) / cv::norm(across));
  toFine(0, 2) += 2 * eyesAt.x - mid.x, toFine(1, 2) += 2 * eyesAt.y - mid.y;
  cv::Mat fine, patch;
  cv::warpAffine(bgr, fine, toFine, cv::Size(2 * kPatchWidth, 2 * kPatchHeight), cv::INTER_NEAREST,
                 cv::BORDER_REPLICATE);
  cv::pyrDown(fine, patch);
  return patch;
}

// Uniform local binary patterns: which of the eight neighbours are brighter, for a pixel
// whose neighbours turn from darker to brighter at most twice (edges, corners, spots);
// every other pattern is one label.
constexpr std::array<std::uint8_t, 256> UniformLabels() {
  std::array<std::uint8_t, 256> label{};
  int next = 0;
  for (int bits = 0; bits < 256; ++bits) {
    int turns = 0;
    for (int i = 0; i < 8; ++i) turns += ((bits >> i) & 1) != ((bits >> ((i + 1) % 8)) & 1);
    label[bits] = static_cast<std::uint8_t>(turns <= 2 ? next++ : kPatterns - 1);
  }
  return label;
}
constexpr std::array<std::uint8_t, 256> kUniformLabel = UniformLabels();

int Pattern(const uchar* above, const uchar* row, const uchar* below, int x) {
  const int centre = row[x] + kPatternMargin;
  const int bits = (above[x - 1] >= centre) | (above[x] >= centre) << 1 | (above[x + 1] >= centre) << 2 |
                   (row[x + 1] >= centre) << 3 | (below[x + 1] >= centre) << 4 | (below[x] >= centre) << 5 |
                   (below[x - 1] >= centre) << 6 | (row[x - 1] >= centre) << 7;
  return kUniformLabel[bits];
}

void AddTexture(const cv::Mat& patch, std::vector<float>& out) {
  cv::Mat gray;
  cv::cvtColor(patch, gray, cv::COLOR_BGR2GRAY);
  cv::GaussianBlur(gray, gray, cv::Size(3, 3), 0.7);
  cv::Scalar mean, spread;
  cv::meanStdDev(gray(cv::Rect(kGridLeft, kGridTop, kGridSide * kCell, kGridSide * kCell)), mean, spread);
  gray.convertTo(gray, CV_8U, kContrast / std::max(spread[0], 1.0),
                 128 - mean[0] * kContrast / std::max(spread[0], 1.0));
  for (int cy = 0; cy < kGridSide; ++cy)
    for (int cx = 0; cx < kGridSide; ++cx) {
      float histogram[kPatterns] = {};
      for (int y = kGridTop + cy * kCell; y < kGridTop + (cy + 1) * kCell; ++y)
        for (int x = kGridLeft + cx * kCell; x < kGridLeft + (cx + 1) * kCell; ++x)
          ++histogram[Pattern(gray.ptr(y - 1), gray.ptr(y), gray.ptr(y + 1), x)];
      for (const float count : histogram) out.push_back(count / (kCell * kCell));
    }
}

// Hue and saturation, or dark, or grey: what the exposure does not change.
void AddColours(const cv::Mat& hsvPatch, const cv::Rect& region, int darkBelow, std::vector<float>& out) {
  const cv::Mat hsv = hsvPatch(region);
  float histogram[kColourBins] = {};
  float counted = 0;
  for (auto pixel = hsv.begin<cv::Vec3b>(); pixel != hsv.end<cv::Vec3b>(); ++pixel) {
    const int hue = (*pixel)[0], saturation = (*pixel)[1], value = (*pixel)[2];
    if (value >= kClipped) continue;  // a highlight's colour is the camera's, not the face's
    ++counted;
    if (value < darkBelow)
      ++histogram[kColourBins - 2];
    else if (saturation < kGreyBelow)
      ++histogram[kColourBins - 1];
    else
      ++histogram[hue * kHues / 180];
  }
  for (const float count : histogram) out.push_back(counted > 0 ? count / counted : 0.f);
}

// Chi-square between normalised histograms of `bins` bins, averaged over histograms: 0 to 1.
double ChiSquare(const std::vector<float>& a, const std::vector<float>& b, int bins) {
  double sum = 0;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (const double total = a[i] + b[i]; total > 0) sum += (a[i] - b[i]) * (a[i] - b[i]) / total;
  return 0.5 * sum * bins / static_cast<double>(a.size());
}

}  // namespace

std::optional<FaceSignature> DescribeFace(const cv::Mat& bgr, const std::vector<cv::Point2f>& landmarks) {
  if (landmarks.size() != kLandmarkCount || bgr.type() != CV_8UC3) return std::nullopt;
  const cv::Point2f right = ContourCentre(EyeContourAt(landmarks, kRightEyeFirst));
  const cv::Point2f left = ContourCentre(EyeContourAt(landmarks, kLeftEyeFirst));
  if (cv::norm(left - right) < 2.0) return std::nullopt;
  const cv::Mat patch = Straightened(bgr, right, left);
  if (patch.empty()) return std::nullopt;
  FaceSignature signature;
  signature.texture.reserve(std::size_t{FaceSignature::kCells} * kPatterns);
  AddTexture(patch, signature.texture);
  signature.colour.reserve(std::size_t{FaceSignature::kRegions} * kColourBins);
  cv::Mat hsv;
  cv::cvtColor(patch, hsv, cv::COLOR_BGR2HSV);
  const int darkBelow = cvRound(kDarkShare * cv::mean(hsv(kSkin))[2]);  // dark as the skin's light goes
  AddColours(hsv, kHair, darkBelow, signature.colour);
  AddColours(hsv, kSkin, darkBelow, signature.colour);
  return signature;
}

double Unlikeness(const FaceSignature& a, const FaceSignature& b) {
  return kTextureWeight * ChiSquare(a.texture, b.texture, kPatterns) +
         (1 - kTextureWeight) * ChiSquare(a.colour, b.colour, kColourBins);
}

void Blend(FaceSignature& kept, const FaceSignature& seen, float weight) {
  for (std::size_t i = 0; i < kept.texture.size(); ++i) kept.texture[i] += weight * (seen.texture[i] - kept.texture[i]);
  for (std::size_t i = 0; i < kept.colour.size(); ++i) kept.colour[i] += weight * (seen.colour[i] - kept.colour[i]);
}

}  // namespace irisdet
