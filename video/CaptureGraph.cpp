#include "CaptureGraph.h"

#include <cstdlib>
#include <cstring>

#include "frame_source.h"

struct CCaptureGraph::Source {
  std::unique_ptr<irisdet::FrameSource> frames;
};

CCaptureGraph::CCaptureGraph(const std::string& sourceSpec) : source_(std::make_unique<Source>()) {
  std::string error;
  source_->frames = irisdet::OpenSource(sourceSpec, irisdet::Pacing::EveryFrame, &error);
}

CCaptureGraph::~CCaptureGraph() = default;  // the capture is released here, whatever happened

video::FramePtr CCaptureGraph::GrabFrame() {
  cv::Mat frame;
  if (!source_->frames || !source_->frames->Read(frame)) return nullptr;
  // Top row first, as the camera gives it: no vertical flip.
  auto pixels = std::make_shared<video::FramePixels>(video::kFrameBytes);
  for (int row = 0; row < video::kFrameHeight; ++row)
    std::memcpy(pixels->data() + row * video::kFrameBytesPerLine, frame.ptr(row), video::kFrameBytesPerLine);
  return pixels;
}

namespace video {
std::string CameraSourceSpec() {
  const char* spec = std::getenv("IRISDET_SOURCE");
  return spec ? spec : "";
}
}  // namespace video
