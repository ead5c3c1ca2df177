#pragma once
#include "video/frame.h"

// The scope of one "Captura": owns the camera (or the video or pictures that stand
// in for it, as IRISDET_SOURCE chooses) from opening to closing, and closes it on
// every path out.
class CCaptureGraph {
 public:
  CCaptureGraph();
  ~CCaptureGraph();
  CCaptureGraph(const CCaptureGraph&) = delete;
  CCaptureGraph& operator=(const CCaptureGraph&) = delete;

  // One frame, 640x480 BGR top row first; null when the source gave none.
  video::FramePtr GrabFrame();

 private:
  void* capture_;
};
