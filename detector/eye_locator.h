#pragma once
#include <memory>
#include <opencv2/core.hpp>
#include <optional>
#include <string>
#include <vector>

#include "detector/face_finder.h"

// Finds the player's eyes in a 640x480 BGR frame.
namespace irisdet {

struct EyeObservation {
  std::optional<cv::Point2f> right;  // the subject's right eye: the smaller x in an unmirrored frame
  std::optional<cv::Point2f> left;
  std::vector<cv::Point2f> landmarks;  // the face's 68 points; none without a face
  cv::Mat gray;                        // the frame in grey, as the landmarks place the eyes: the eyes' own pixels
  // How clearly each iris was found (detector/pupil_finder.h); 0: its contour's centre stands in.
  float rightClarity = 0, leftClarity = 0;
  int face = 0;  // the followed face's number: another for each new player; 0 without a face
  // The midpoint of both eyes, or the one found.
  std::optional<cv::Point2f> Point() const;
};

// Which finders look over the whole frame for a face: both (the game's: the HOG
// detector's sure faces, then the neural finder's where its model is there, then the HOG
// detector's guesses), or either alone (to measure them).
enum class FaceFinders { kBoth, kHog, kNeural };

class EyeLocator {
 public:
  explicit EyeLocator(std::shared_ptr<const FaceModel> model, FaceFinders finders = FaceFinders::kBoth);
  ~EyeLocator();
  EyeLocator(const EyeLocator&) = delete;
  EyeLocator& operator=(const EyeLocator&) = delete;

  // Follows the face found in the frames before; looks over the whole frame only when it
  // has none (at first, or after losing it). With other faces in view, the followed one
  // is kept (detector/followed_face.h); `seconds` tells when the away time is over.
  EyeObservation Locate(const cv::Mat& frame, double seconds = 0.0);
  void Reset();        // forget the face: the next frame has nothing to do with this one
  void ChooseAgain();  // the next frame follows the likeliest player, as at the start
  Search LastSearch() const;

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace irisdet
