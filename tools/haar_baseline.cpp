#include "tools/haar_baseline.h"

#include <algorithm>
#include <opencv2/imgproc.hpp>

namespace irisdet {
namespace {
const std::string kCascades = "/usr/share/opencv4/haarcascades/";
}

HaarBaseline::HaarBaseline()
    : faces_(kCascades + "haarcascade_frontalface_default.xml"), eyes_(kCascades + "haarcascade_eye.xml") {}

EyeObservation HaarBaseline::Locate(const cv::Mat& frame) {
  EyeObservation found;
  cv::Mat gray;
  cv::cvtColor(frame, gray, cv::COLOR_BGR2GRAY);
  cv::equalizeHist(gray, gray);
  std::vector<cv::Rect> faces;
  faces_.detectMultiScale(gray, faces, 1.1, 3, 0, cv::Size(60, 60));
  if (faces.empty()) return found;
  const cv::Rect face =
      *std::max_element(faces.begin(), faces.end(), [](auto& a, auto& b) { return a.area() < b.area(); });
  const cv::Rect upper(face.x, face.y, face.width, face.height / 2);
  std::vector<cv::Rect> eyes;
  eyes_.detectMultiScale(gray(upper), eyes, 1.1, 3, 0, cv::Size(face.width / 8, face.width / 8));
  std::sort(eyes.begin(), eyes.end(), [](auto& a, auto& b) { return a.area() > b.area(); });
  eyes.resize(std::min<std::size_t>(eyes.size(), 2));
  for (const cv::Rect& e : eyes) {
    const cv::Point2f centre(upper.x + e.x + e.width / 2.f, upper.y + e.y + e.height / 2.f);
    // The subject's right eye is on the image's left.
    auto& slot = centre.x < face.x + face.width / 2.f ? found.right : found.left;
    if (!slot) slot = centre;
  }
  return found;
}

}  // namespace irisdet
