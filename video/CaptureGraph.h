#pragma once
#include <functional>

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

  // One "Captura", either way: while a game watches the camera, its latest frame (the
  // device is busy then, and a second copy of the source is never opened); otherwise a
  // frame of the source opened for it, after beforeOpening (the camera may take a
  // moment). No frame, and why, when there is none.
  enum class NoFrame { None, NotYetFromTheGame, NoSource };
  struct Snapshot {
    video::FramePtr frame;
    NoFrame why = NoFrame::None;
  };
  static Snapshot TakeSnapshot(const std::function<void()>& beforeOpening);

 private:
  void* capture_;
};
