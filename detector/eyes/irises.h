#pragma once
#include <opencv2/core.hpp>
#include <optional>
#include <vector>

#include "detector/face/face_locator.h"

// The eyes stage: the irises inside the eyes' contours of a located face.
namespace irisdet {

struct EyeObservation {
  std::optional<cv::Point2f> right;  // the subject's right eye: the smaller x in an unmirrored frame
  std::optional<cv::Point2f> left;
  std::vector<cv::Point2f> landmarks;  // the face's 68 points; none without a face
  cv::Mat gray;                        // the camera's frame in grey, as the landmarks place the eyes
  // How clearly each iris was found (detector/eyes/iris_finder.h); 0: its contour's centre stands in.
  float rightClarity = 0, leftClarity = 0;
  int face = 0;  // the followed face's number: another for each new player; 0 without a face
  // The midpoint of both eyes, or the one found.
  std::optional<cv::Point2f> Point() const;
};

// Each iris where it can be seen, in the camera's frame; where it cannot (a shut or dim
// eye), the centre of its contour, with no clarity.
EyeObservation FindIrises(const LocatedFace& face);

}  // namespace irisdet
