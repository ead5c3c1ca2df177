#pragma once
#include <memory>
#include <opencv2/core.hpp>
#include <vector>

#include "detector/face/face_finder.h"

// The face stage: where the player's face is in a 640x480 BGR frame, frame after frame,
// and its 68 landmarks.
namespace irisdet {

// A face whose landmarks are placed, as the next stages read it.
struct LocatedFace {
  std::vector<cv::Point2f> landmarks;  // in the camera's frame; none without a face
  std::vector<cv::Point2f> points;     // the same in `gray`
  cv::Mat gray;                        // the grey frame they were placed in: straightened when the face leans
  cv::Mat camera;                      // the camera's frame in grey, a frame's own
  cv::Mat back;                        // from `gray` to the camera's frame; empty when they are the same
  int number = 0;                      // the followed face's: another for each new player; 0 without a face
  Search search = Search::kNone;       // how this frame's face was looked for
};

// Which finders look over the whole frame for a face: both (the game's: the HOG
// detector's sure faces, then the neural finder's where its model is there, then the HOG
// detector's guesses), or either alone (to measure them).
enum class FaceFinders { kBoth, kHog, kNeural };

class FaceLocator {
 public:
  explicit FaceLocator(std::shared_ptr<const FaceModel> model, FaceFinders finders = FaceFinders::kBoth);
  ~FaceLocator();
  FaceLocator(const FaceLocator&) = delete;
  FaceLocator& operator=(const FaceLocator&) = delete;

  // Follows the face found in the frames before; looks over the whole frame only when it
  // has none (at first, or after losing it). With other faces in view, the followed one
  // is kept (detector/face/followed_face.h); `seconds` tells when the away time is over.
  LocatedFace Locate(const cv::Mat& frame, double seconds = 0.0);
  void Reset();        // forget the face: the next frame has nothing to do with this one
  void ChooseAgain();  // the next frame follows the likeliest player, as at the start

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace irisdet
