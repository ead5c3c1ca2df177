#pragma once
#include <opencv2/core.hpp>
#include <string>
#include <vector>

#include "tests/support/face_transforms.h"

// Scripted webcam clips of a player with someone else in view, made from two marked
// photos: each person's head is cut out with a soft edge, swaying and turning slightly
// from frame to frame in front of a room's wall, under a webcam's noise and compression.
namespace irisdet {

// Where one person is in a frame of a clip.
struct PersonInFrame {
  bool inView = false;   // the eyes inside the frame
  bool covered = false;  // behind a plain card
  MarkedPupils pupils;   // in frame pixels
};

struct ClipFrame {
  cv::Mat frame;
  double seconds = 0;
  PersonInFrame player, other;
  bool otherInFront = false;  // drawn over the player
};

// What happens, at 30 frames a second:
//   kEnters    the player alone for 3 s; the other person comes in from the right and stays.
//   kCovered   the other person comes in at 2 s; a card covers the player's face for 0.2 s
//              at 4 s, 0.8 s at 6 s and 1.8 s at 9 s.
//   kCrossing  the other person comes in on the left at 2 s, passes in front of the player
//              to the right (4 to 6 s) and back (7 to 9 s).
//   kLeaves    the other person comes in at 1 s; the player walks out to the left at 5 s.
enum class Script { kEnters, kCovered, kCrossing, kLeaves };
inline constexpr Script kScripts[] = {Script::kEnters, Script::kCovered, Script::kCrossing, Script::kLeaves};

struct ScriptInfo {
  const char* name;  // short, for file names
  const char* what;  // what happens
  double seconds;    // how long the clip lasts
};
const ScriptInfo& About(Script script);

class PlayerClip {
 public:
  static constexpr double kFps = 30.0;
  static constexpr float kInterocular = 70.f;  // px: both people about a metre from the camera

  PlayerClip(const MarkedFrame& player, const MarkedFrame& other, Script script);
  int Frames() const;
  ClipFrame At(int index) const;
  // The times the player's face is covered: [from, to) in seconds.
  std::vector<std::pair<double, double>> Covers() const;

 private:
  PersonInFrame Draw(cv::Mat& frame, const MarkedFrame& photo, cv::Point2f eyes, double seconds, int who) const;

  MarkedFrame player_, other_;
  Script script_;
  cv::Mat wall_;
};

// A still arrangement of several faces at a game's start: the photos' faces at the
// given eye midpoints and interocular distances, on the wall, with a webcam's noise.
struct PlacedFace {
  const MarkedFrame* photo;
  cv::Point2f eyes;
  float interocular;
};
cv::Mat ArrangeFaces(const std::vector<PlacedFace>& faces, unsigned seed);

}  // namespace irisdet
