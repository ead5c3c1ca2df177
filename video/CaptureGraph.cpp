#include "video/CaptureGraph.h"

#include "irisdet.h"

CCaptureGraph::CCaptureGraph() : capture_(EyeDetectorCaptureOpen()) {}

CCaptureGraph::~CCaptureGraph() { EyeDetectorCaptureClose(capture_); }

video::FramePtr CCaptureGraph::GrabFrame() {
  // Top row first, as the camera gives it: no vertical flip.
  auto pixels = std::make_shared<video::FramePixels>(video::kFrameBytes);
  const auto size = static_cast<std::int32_t>(pixels->size());
  if (!capture_ || EyeDetectorCaptureGrab(capture_, pixels->data(), size) != 1) return nullptr;
  return pixels;
}
