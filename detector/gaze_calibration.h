#pragma once
#include <deque>
#include <opencv2/core.hpp>
#include <optional>
#include <vector>

#include "detector/gaze_map.h"

// The gaze map of this run: from a generic start, calibrated by the dots and then by
// every look at a found picture, the newest looks weighing most, so that it follows a
// player who shifts in the chair. Kept in memory only.
namespace irisdet {

class GazeCalibration {
 public:
  explicit GazeCalibration(GazeMap start) : start_(start), map_(start) {}
  // The dots' looks, all at once: the looks played before are forgotten.
  void Calibrate(const std::vector<GazeSample>& dots);
  // One more look at a known point.
  void AddPlayed(const GazeSample& look);
  // Back to the start: a new player.
  void Forget();
  const GazeMap& Map() const { return map_; }

 private:
  static constexpr double kAgeing = 0.85;   // each newer look leaves the ones before this much weight
  static constexpr std::size_t kKept = 24;  // looks; older ones weigh little anyway
  GazeMap start_, map_;
  std::deque<GazeSample> recent_;  // newest last
};

// The median of each axis, of at least one point: a glance's jump is kept whole, a
// frame's misread iris is not.
cv::Point2d AxisMedian(const std::vector<cv::Point2d>& points);

// The frames of one look at a known point, gathered while the player looks: the look's
// features are their median, so a blink or a misread frame does not move them.
class LookGatherer {
 public:
  static constexpr std::size_t kFewestFrames = 3;
  void Add(cv::Point2d look) { frames_.push_back(look); }
  // None with fewer than kFewestFrames frames that had an eye.
  std::optional<cv::Point2d> Median() const;

 private:
  std::vector<cv::Point2d> frames_;
};

}  // namespace irisdet
