#pragma once
#include <array>
#include <map>
#include <ostream>
#include <string>
#include <vector>

#include "detector/eyes/irises.h"

// Scores found eyes against hand-marked pupils: e = error / interocular distance.
namespace irisdet {

struct MarkedPupils {
  cv::Point2f left, right;  // the subject's own left eye has the larger x
  float interocular = 0.f;
  cv::Point2f Midpoint() const { return (left + right) * 0.5f; }
};

using Truth = std::map<std::string, MarkedPupils>;  // by file name

struct ScoredFrame {
  std::string file;
  EyeObservation eyes;
};

struct Errors {
  double midpoint;  // infinity when nothing was found
  double worstEye;  // max(dL, dR); infinity unless both eyes were found
};

// Reads file,left_x,left_y,right_x,right_y,interocular. Empty when unreadable.
Truth ReadTruth(const std::string& path);
Errors Score(const MarkedPupils& marked, const EyeObservation& eyes);

// How many frames had both eyes, and the midpoint, within each bound of e.
struct AccuracyTally {
  static constexpr std::array<double, 3> kBounds = {0.05, 0.10, 0.25};
  int frames = 0;
  std::array<int, kBounds.size()> eyesWithin{}, midpointWithin{};
  void Add(const Errors& e);
  // Percentages, by the bound's place in kBounds.
  double EyesShare(std::size_t bound) const { return Share(eyesWithin[bound]); }
  double MidpointShare(std::size_t bound) const { return Share(midpointWithin[bound]); }
  double Share(int n) const { return frames ? 100.0 * n / frames : 0.0; }
};

// The share of frames with e <= 0.05, 0.10 and 0.25, for the midpoint and both eyes.
void PrintAccuracy(const Truth& truth, const std::vector<ScoredFrame>& frames, std::ostream& out);

// The probes' nine calibration dots, 0 to 8, row by row in the camera frame: a grid an
// eighth of the frame in from its edges.
inline cv::Point2d CalibrationDot(int dot) {
  const int row = dot / 3, column = dot % 3;
  return {80.0 + 240.0 * column, 60.0 + 180.0 * row};
}

}  // namespace irisdet
