#pragma once
#include <deque>
#include <opencv2/core.hpp>
#include <optional>
#include <vector>

#include "detector/face/followed_face.h"
#include "detector/pose/head_pose.h"

// Comfortable tracking: the reported point follows the player's head relative to a
// neutral position, scaled so that a comfortable movement reaches the frame's edges
// from any distance. Turning the head about 15 degrees left or right, or 10 degrees
// up or down, or moving it by one interocular distance, reaches an edge; the two add.
namespace irisdet {

// How far the head has moved from its neutral position, in frame pixels of the camera's
// own image: by moving, and by turning. Unclamped.
struct HeadMovement {
  cv::Point2f shift, turn;
};

class HeadPointer {
 public:
  static constexpr double kYawToEdgeDeg = 15.0;
  static constexpr double kPitchToEdgeDeg = 10.0;
  static constexpr int kSteadyFrames = 10;             // a neutral position is taken once the face holds this still,
  static constexpr int kMostFramesBeforeNeutral = 20;  // or from the last frames, if it never does
  static constexpr double kAwayToRecentreSeconds = FollowedFace::kAwaySeconds;

  // How far the head has moved from its neutral position, in its two parts; none until a
  // neutral position has been taken.
  std::optional<HeadMovement> Movement(const FaceGeometry& face, double seconds);
  // The point of the camera's image that `offset` from the neutral position puts the
  // point on, held inside the frame.
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
