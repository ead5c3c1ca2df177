#pragma once
#include <deque>
#include <opencv2/core.hpp>
#include <optional>
#include <vector>

#include "detector/gaze/appearance_map.h"
#include "detector/gaze/gaze_reading.h"
#include "detector/gaze/iris_map.h"

// The gaze map of this run: from a generic start, calibrated by the dots and then by
// every look at a found picture, the newest looks weighing most, so that it follows a
// player who shifts in the chair. Kept in memory only.
namespace irisdet {

class GazeCalibration {
 public:
  GazeCalibration(IrisMap start, HeadCorrection correction) : start_(start), irises_(start), correction_(correction) {}
  // The dots' looks, all at once: the looks played before are forgotten.
  void Calibrate(const std::vector<GazeSample>& dots);
  // One more look at a known point.
  void AddPlayed(const GazeSample& look);
  // Back to the start: a new player.
  void Forget();
  // Where a reading lands: by the eyes' own pixels once enough looks had them, and where
  // the irises sit until then, or for a frame whose pixels cannot be read (an eye half
  // lost, a blink); none when neither can be read.
  std::optional<cv::Point2d> At(const GazeReading& reading) const;
  // The map of where the irises sit alone, and the pixels' map once there is one.
  const IrisMap& Irises() const { return irises_; }
  const std::optional<AppearanceMap>& Appearance() const { return appearance_; }

 private:
  void Refit();
  static constexpr double kAgeing = 0.85;   // each newer look leaves the ones before this much weight
  static constexpr std::size_t kKept = 24;  // looks; older ones weigh little anyway
  IrisMap start_, irises_;
  HeadCorrection correction_;
  std::optional<AppearanceMap> appearance_;
  std::deque<GazeSample> recent_;  // newest last
};

// The median of each axis, of at least one point: a glance's jump is kept whole, a
// frame's misread iris is not.
cv::Point2d AxisMedian(const std::vector<cv::Point2d>& points);

// The frames of one look at a known point, gathered while the player looks: the look is
// their median, so a blink or a misread frame does not move it.
class LookGatherer {
 public:
  static constexpr std::size_t kFewestFrames = 3;
  void Add(const GazeReading& frame) { frames_.push_back(frame); }
  // None with fewer than kFewestFrames frames whose irises were found; the eyes' pixels
  // only when as many frames had both eyes cut.
  std::optional<GazeReading> Median() const;

 private:
  std::vector<GazeReading> frames_;
};

}  // namespace irisdet
