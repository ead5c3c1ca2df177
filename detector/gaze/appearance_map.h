#pragma once
#include <array>
#include <opencv2/core.hpp>
#include <optional>
#include <vector>

#include "detector/gaze/gaze_reading.h"

// Where the player looks, read from the eyes' own pixels: a map fitted to one player's
// calibration samples by ridge regression (in its kernel form, with so few samples), from
// both eyes' appearance and where their irises sit to the point looked at. The pixels see
// what the iris alone cannot, up and down above all; the irises carry the map beyond the
// looks it was fitted to. The head's moves since the calibration are taken away afterwards:
// a player who shifts a little stays calibrated.
namespace irisdet {

// How the head's moves since the calibration move the point, in the map's units.
struct HeadCorrection {
  // The point's units for a degree of gaze: the game's frame as the player sees it spans
  // 15 degrees to either side and 10 up or down; the probes measure in degrees.
  cv::Point2d perDegree{1, 1};
  // Where a look lands when the head turns away from the calibration's turn with the look
  // kept: off by this, in degrees of gaze, at -30, -15, 15 and 30 degrees of turn (between
  // them, in proportion). Learned across people (irisdet-lab gaze --turns).
  std::array<cv::Point2d, 4> turn{};
  // A head that moves keeps looking at the same point with its eyes turned the other way:
  // the point moves back by the head's own move, this much for one interocular distance of
  // it in the camera's image. None in the probes, whose eyes never move.
  cv::Point2d perInterocular{0, 0};

  // The game's: the camera frame's units, on a screen about 20 cm
  // wide with a picture area about 12 cm high, whatever the distance.
  static HeadCorrection InFrame();
  // The turn's offsets learned across the 25 people of the eye-patch set.
  static const std::array<cv::Point2d, 4> kLearnedTurn;
};

class AppearanceMap {
 public:
  static constexpr std::size_t kFewestSamples = 5;

  // The map of `samples` that have both eyes cut and their irises found; none with fewer
  // than kFewestSamples such samples alike enough to the player's eyes.
  static std::optional<AppearanceMap> Fitted(const std::vector<GazeSample>& samples, const HeadCorrection& correction);
  // The point a reading lands on; none when it has not both eyes, or they do not look like
  // the player's eyes (a blink, a hand, an eye half lost).
  std::optional<cv::Point2d> At(const GazeReading& reading) const;

 private:
  AppearanceMap() = default;
  std::optional<std::vector<double>> Read(const GazeReading& reading) const;
  cv::Point2d ForHead(cv::Point2d read, const HeadPlace& now) const;
  bool Fit(const std::vector<std::vector<double>>& inputs, const std::vector<const GazeSample*>& samples);

  std::array<cv::Mat, 2> templates_;  // the player's right and left eye
  HeadCorrection correction_;
  HeadPlace calibrated_;         // where the head was, on average, at the calibration
  cv::Mat inputMean_, weights_;  // 1 x n, and n x 2: from an input to the point's offset
  cv::Point2d targetMean_;
};

}  // namespace irisdet
