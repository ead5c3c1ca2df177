#pragma once
#include <deque>
#include <opencv2/core.hpp>
#include <optional>
#include <vector>

// Comfortable tracking: the reported point follows the player's head relative to a
// neutral position, scaled so that a comfortable movement reaches the frame's edges
// from any distance. Turning the head about 15 degrees left or right, or 10 degrees
// up or down, or moving it by one interocular distance, reaches an edge; the two add.
namespace irisdet {

// Degrees. yaw > 0: the nose turned toward the camera image's right (+x); pitch > 0:
// looking down; roll > 0: the eye line turned clockwise in the image.
struct HeadPose {
  double yaw = 0, pitch = 0, roll = 0;
};

// What the 68 landmarks say of a face: where its eyes are, its size, its turn.
struct FaceGeometry {
  cv::Point2f eyes;    // midpoint of the two eye contours, camera pixels
  double interocular;  // between the contours' centres, pixels
  HeadPose pose;
};

// None unless there are 68 landmarks and the eyes are apart.
std::optional<FaceGeometry> MeasureFace(const std::vector<cv::Point2f>& landmarks);

// How far the head has moved from its neutral position, in frame pixels as the player
// sees them (mirrored): by moving, and by turning. Unclamped.
struct HeadMovement {
  cv::Point2f shift, turn;
};

class HeadPointer {
 public:
  static constexpr double kYawToEdgeDeg = 15.0;
  static constexpr double kPitchToEdgeDeg = 10.0;
  static constexpr int kSteadyFrames = 10;             // a neutral position is taken once the face holds this still,
  static constexpr int kMostFramesBeforeNeutral = 20;  // or from the last frames, if it never does
  static constexpr double kAwayToRecentreSeconds = 2.0;

  // The point as the player sees it (mirrored left to right), in the 640x480 frame.
  // The centre until a neutral position has been taken (the reporter reports nothing then).
  cv::Point2f Point(const FaceGeometry& face, double seconds);
  // The same movement in its two parts; none until a neutral position has been taken.
  std::optional<HeadMovement> Movement(const FaceGeometry& face, double seconds);
  // The frame's centre moved by `offset`, held inside the frame.
  static cv::Point2f ToFrame(cv::Point2f offset);
  // The next steady face becomes the neutral position.
  void Recentre();
  // A frame without a face: the player may be away. Only a face that comes back after
  // such frames can have been away; a slow machine's long frames with a face cannot.
  void Missed() { missedSinceSeen_ = true; }

 private:
  bool Steady() const;

  std::optional<FaceGeometry> neutral_;
  std::deque<FaceGeometry> recent_;
  std::optional<double> lastSeen_;
  int framesWithoutNeutral_ = 0;
  bool missedSinceSeen_ = false;
};

}  // namespace irisdet
