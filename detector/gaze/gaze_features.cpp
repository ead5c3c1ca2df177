#include "detector/gaze/gaze_features.h"

namespace irisdet {

std::optional<EyeFeatures> MeasureEye(const EyeContour& contour, const IrisFound& iris) {
  const cv::Point2d outer(contour[0]), inner(contour[3]);
  const double width = cv::norm(inner - outer);
  if (width < 1.0 || iris.clarity <= 0.f) return std::nullopt;
  const cv::Point2d middle = (outer + inner) * 0.5, along = (inner - outer) / width, normal(-along.y, along.x);
  const auto across = [&](cv::Point2d p) { return (p - middle).dot(along) / width; };
  const auto down = [&](cv::Point2d p) { return (p - middle).dot(normal) / width; };
  const cv::Point2d upperLid = (cv::Point2d(contour[1]) + cv::Point2d(contour[2])) * 0.5;
  const cv::Point2d centre(iris.centre);
  return EyeFeatures{across(centre), down(centre), down(upperLid), iris.clarity};
}

std::optional<GazeFeatures> CombineEyes(const std::optional<EyeFeatures>& right, const std::optional<EyeFeatures>& left,
                                        const HeadPose& pose) {
  double weights = 0;
  cv::Point2d look(0, 0);
  for (const std::optional<EyeFeatures>& eye : {right, left}) {
    if (!eye) continue;
    // The iris and the upper lid both drop as the eye looks down: together they say it
    // more surely than either.
    look += cv::Point2d(eye->across, eye->down + eye->lid) * eye->weight;
    weights += eye->weight;
  }
  if (weights <= 0) return std::nullopt;
  look *= 1.0 / weights;
  // A head turned toward +x carries the look with it, as if the eyes had turned that way.
  return GazeFeatures{look + cv::Point2d(pose.yaw * kAcrossPerHeadDegree, pose.pitch * kDownPerHeadDegree)};
}

}  // namespace irisdet
