#pragma once
#include <opencv2/core.hpp>
#include <optional>
#include <vector>

// What a face looks like, so that the player is told apart from someone else in view:
// the face is straightened and scaled by its eyes, and described by the texture of its
// skin and features (local binary patterns on a grid) and by the colours of its hair
// and skin (brightness left out, so that the camera's exposure does not change them).
namespace irisdet {

struct FaceSignature {
  static constexpr int kCells = 16, kPatterns = 59;  // a 4x4 grid; 58 uniform patterns and the rest
  static constexpr int kRegions = 2, kColours = 14;  // the hair and the skin; 12 hues, dark and grey
  std::vector<float> texture;                        // kCells histograms of kPatterns bins, each summing to 1
  std::vector<float> colour;                         // kRegions histograms of kColours bins, each summing to 1
};

// The signature of the face whose 68 landmarks (in `bgr`'s own pixels) are given; none
// without 68 landmarks or with the eyes on top of each other.
std::optional<FaceSignature> DescribeFace(const cv::Mat& bgr, const std::vector<cv::Point2f>& landmarks);

// How unlike two faces look: about 0 for the same face in the next frame, and over
// kSameFaceBelow for most pairs of different people (the figures: docs/detector.md).
double Unlikeness(const FaceSignature& a, const FaceSignature& b);
inline constexpr double kSameFaceBelow = 0.12;

// Moves `kept` toward `seen` by `weight` (0 to 1): a face's look follows slow changes of
// light and pose.
void Blend(FaceSignature& kept, const FaceSignature& seen, float weight);

}  // namespace irisdet
