#pragma once
#include <memory>
#include <string>

#include "frame.h"

// The scope of one "Captura": owns the camera (or the video or images that stand in
// for it) from opening to closing, and closes it on every path out.
class CCaptureGraph {
 public:
  // The same choice of source as the eye detector's IRISDET_SOURCE.
  explicit CCaptureGraph(const std::string& sourceSpec);
  ~CCaptureGraph();
  CCaptureGraph(const CCaptureGraph&) = delete;
  CCaptureGraph& operator=(const CCaptureGraph&) = delete;

  // One frame, 640x480 BGR top row first; null when the source gave none.
  video::FramePtr GrabFrame();

 private:
  struct Source;
  std::unique_ptr<Source> source_;
};

namespace video {
// The source that IRISDET_SOURCE names ("" for the default camera).
std::string CameraSourceSpec();
}  // namespace video
