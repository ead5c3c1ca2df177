#pragma once
#include <memory>
#include <opencv2/core.hpp>
#include <optional>

// Where the player's face is in a grey 640x480 frame, frame after frame.
namespace irisdet {

class FaceModel;

// How the face of the last frame was found.
enum class Search {
  kNone,     // carried over from the frame before by its landmarks
  kAround,   // looked for again where it was
  kUpright,  // looked for over the whole frame
};

class FaceFinder {
 public:
  explicit FaceFinder(std::shared_ptr<const FaceModel> model);
  ~FaceFinder();
  FaceFinder(const FaceFinder&) = delete;
  FaceFinder& operator=(const FaceFinder&) = delete;

  // The box for the landmark model: carried by the last frame's landmarks most of the
  // time, searched for now and then, and over the whole frame when there is no face.
  std::optional<cv::Rect> Find(const cv::Mat& gray);
  // The box around the landmarks placed in the found face.
  void Learn(const cv::Rect2f& landmarks);
  void Reset();
  Search LastSearch() const;

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace irisdet
