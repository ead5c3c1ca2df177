#pragma once
#include <functional>
#include <opencv2/core.hpp>
#include <string>
#include <vector>

#include "tests/support/eye_accuracy.h"

// What a real room does to a face, applied to a marked photo: the pupils move with it.
namespace irisdet {

struct MarkedFrame {
  cv::Mat frame;
  MarkedPupils pupils;
};

// A camera's sensor noise on an 8-bit frame (grey or colour): Gaussian, `sigma` grey
// levels, drawn from `random`, or repeatable by `seed`.
void AddNoise(cv::Mat& frame, double sigma, cv::RNG& random);
void AddNoise(cv::Mat& frame, double sigma, unsigned seed);
// What a webcam adds to every frame: sensor noise (sigma 4) and its MJPG compression.
void AsFromAWebcam(cv::Mat& frame, unsigned seed);

// The photo turned by `degrees` (counter-clockwise) around the pupils' midpoint.
MarkedFrame Rotated(const MarkedFrame& photo, double degrees);
// A scarf from just below the nose down.
MarkedFrame LowerFaceCovered(const MarkedFrame& photo);
// A dim room on a cheap webcam: a quarter of the light, sensor noise, strong compression.
MarkedFrame Dimmed(const MarkedFrame& photo);
// A head moving sideways during the exposure: a 5 px motion blur.
MarkedFrame MotionBlurred(const MarkedFrame& photo);
// A player far from the camera: the pupils 30 px apart, in a 640x480 frame.
MarkedFrame Shrunk(const MarkedFrame& photo);
// The face scaled so its pupils are `interocular` apart, in the middle of a 640x480 frame.
MarkedFrame AtInterocular(const MarkedFrame& photo, double interocular);
// The head turned sideways by `degrees` (a yaw; positive: the nose toward the image's
// right), its 68 `landmarks` moved as an average face's would be, the skin between them
// stretched with them, the hair and background left.
MarkedFrame TurnedSideways(const MarkedFrame& photo, const std::vector<cv::Point2f>& landmarks, double degrees);
// Light reflected on glasses: bright spots on and beside each eye.
MarkedFrame Glared(const MarkedFrame& photo);

// A scarf from `drop` interocular distances below the eyes down (an average face's
// nostrils at 0.62, its upper lip at 0.85).
MarkedFrame CoveredFrom(const MarkedFrame& photo, float drop);
// A dim room on a cheap webcam: `light` of the light, sensor noise, strong compression.
MarkedFrame DimmedTo(const MarkedFrame& photo, double light);

struct Transform {
  std::string name;
  std::function<MarkedFrame(const MarkedFrame&)> apply;
};
// The set above, rotations at 15, 25 and 35 degrees each way included.
const std::vector<Transform>& RoomTransforms();
// The same troubles at settings nothing was tuned on: covered from the upper lip, tilted
// 20 and 30 degrees each way, 24 px between the pupils, an eighth of the light.
const std::vector<Transform>& HeldOutTransforms();

// Frames with no face: plain and textured pictures, and each photo of `dir` with its
// face covered.
std::vector<cv::Mat> FacelessFrames(const std::string& dir, const Truth& truth);

}  // namespace irisdet
