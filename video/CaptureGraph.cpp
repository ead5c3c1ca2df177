#include "video/CaptureGraph.h"

#include "irisdet.h"

CCaptureGraph::CCaptureGraph() : capture_(EyeDetectorCaptureOpen()) {}

CCaptureGraph::~CCaptureGraph() { EyeDetectorCaptureClose(capture_); }

CCaptureGraph::Snapshot CCaptureGraph::TakeSnapshot(const std::function<void()>& beforeOpening) {
  const std::int32_t state = EyeDetectorSourceState();
  const bool gameWatching = state == IRISDET_SOURCE_OPENING || state == IRISDET_SOURCE_DELIVERING;
  auto shared = std::make_shared<video::FramePixels>(video::kFrameBytes);
  if (EyeDetectorLatestFrame(shared->data(), static_cast<std::int32_t>(shared->size())) == 1)
    return {std::move(shared), NoFrame::None};
  if (gameWatching) return {nullptr, NoFrame::NotYetFromTheGame};
  beforeOpening();
  video::FramePtr frame = CCaptureGraph().GrabFrame();
  return {frame, frame ? NoFrame::None : NoFrame::NoSource};
}

video::FramePtr CCaptureGraph::GrabFrame() {
  // Top row first, as the camera gives it: no vertical flip.
  auto pixels = std::make_shared<video::FramePixels>(video::kFrameBytes);
  const auto size = static_cast<std::int32_t>(pixels->size());
  if (!capture_ || EyeDetectorCaptureGrab(capture_, pixels->data(), size) != 1) return nullptr;
  return pixels;
}
