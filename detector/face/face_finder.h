#pragma once
#include <array>
#include <memory>
#include <opencv2/core.hpp>
#include <optional>
#include <vector>

// Where the player's face is in a grey 640x480 frame, frame after frame.
namespace irisdet {

class FaceModel;

// How the face of the last frame was found.
enum class Search {
  kNone,     // carried over from the frame before by its landmarks
  kAround,   // looked for again where it was
  kUpright,  // looked for over the whole frame
};

// The looks over the whole frame: the neural finder's, near (faces a good part of the
// frame) and far (small faces too), and the HOG detector's, large (from 160 px wide,
// looked for at half size) and small (80 to 160 px, at full size).
enum class Look { kNeuralNear, kNeuralFar, kHogLarge, kHogSmall };

struct FaceCandidate {
  cv::Rect box;  // for the landmark model, in the grey frame looked at
  bool sure;     // the finder is sure of it; a doubtful one counts once its eyes agree
  // The subject's right and left eyes, in the camera's frame, where a neural finder saw them.
  std::optional<std::array<cv::Point2f, 2>> eyes;
};

// A frame as the looks see it: the grey frame (perhaps straightened), the camera's own,
// and how the camera's points land in the grey one.
struct FrameView {
  const cv::Mat& gray;
  const cv::Mat& bgr;
  cv::Matx23d toGray;
};

// A face a neural finder saw, by its eyes (the subject's right and left, in the camera's
// frame): its box for the landmark model placed by them in the grey frame that `toGray`
// turns the camera's into.
FaceCandidate CandidateFromEyes(const std::array<cv::Point2f, 2>& eyes, const cv::Matx23d& toGray, bool sure);

class FaceFinder {
 public:
  static constexpr int kLargestSmallFace = 160;  // px: the smallest the half-size and near looks see

  explicit FaceFinder(std::shared_ptr<const FaceModel> model);
  ~FaceFinder();
  FaceFinder(const FaceFinder&) = delete;
  FaceFinder& operator=(const FaceFinder&) = delete;

  // The followed face's box for the landmark model: carried by the last frame's
  // landmarks most of the time, looked for around where it was now and then (`seconds`:
  // the frame's time). None when no face is followed or it is not there.
  std::optional<cv::Rect> Follow(const cv::Mat& gray, double seconds);
  // Whether the finder has that look (the neural ones need their model).
  bool Has(Look look) const;
  // The faces that look sees over the whole frame: the sure ones, largest first, then the
  // likeliest few doubtful ones.
  std::vector<FaceCandidate> LookOver(const FrameView& view, Look look);
  // Whether an eye finder of another kind sees an eye where the landmark model puts one in
  // `box`: a doubtful face's eyes and brows agree, whatever covers the mouth and jaw.
  bool EyesAgree(const cv::Mat& gray, const cv::Rect& box);
  // Follows the face in `box` from now on; the box for the landmark model, looked at again
  // as it will be followed, so the landmarks see the same kind of box.
  cv::Rect Take(const cv::Mat& gray, const FaceCandidate& candidate, double seconds);
  // The box around the landmarks placed in the followed face.
  void Learn(const cv::Rect2f& landmarks);
  void Reset();
  Search LastSearch() const;

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace irisdet
