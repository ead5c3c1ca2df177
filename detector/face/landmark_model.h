#pragma once
#include <cstddef>
#include <istream>
#include <memory>
#include <opencv2/core.hpp>
#include <vector>

// dlib's landmark model (a cascade of regression trees, `shape_predictor`), held with
// every tree's leaves in one block. dlib keeps each leaf in an allocation of its own,
// and a fit, which reads one leaf of each of thousands of trees, spends most of its
// time waiting for memory; here a level's leaves are chosen first and fetched ahead,
// which about halves the time of a fit. The points are the same as dlib's, to the pixel.
namespace dlib {
class rectangle;
}

namespace irisdet {

// A box as dlib writes it: its last pixel, not one past it.
dlib::rectangle ToDlib(const cv::Rect& r);

class LandmarkModel {
 public:
  LandmarkModel();
  ~LandmarkModel();
  LandmarkModel(LandmarkModel&&) noexcept;
  LandmarkModel& operator=(LandmarkModel&&) noexcept;

  // Reads a model as dlib serializes it. Throws when it is malformed or inconsistent
  // (a tree comparing pixels the model never samples, leaves of the wrong size), so a
  // damaged file cannot make a fit read outside the model.
  void Read(std::istream& in);
  std::size_t Parts() const;
  // The face's points in the grey frame, fitted to the face in `box`.
  std::vector<cv::Point2f> Fit(const cv::Mat& gray, const cv::Rect& box) const;

 private:
  struct Trees;
  std::unique_ptr<Trees> trees_;
};

}  // namespace irisdet
