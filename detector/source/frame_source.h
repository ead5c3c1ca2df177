#pragma once
#include <chrono>
#include <functional>
#include <memory>
#include <opencv2/core.hpp>
#include <string>
#include <vector>

#include "irisdet.h"

// Where the detector's frames come from: a camera, a video, an image sequence or a
// folder of still images. Every frame it hands out is IRISDET_FRAME_WIDTH x IRISDET_FRAME_HEIGHT,
// 8-bit BGR.
namespace irisdet {

enum class Pacing {
  RealTime,   // files play at their own frame rate, then repeat their last frame
  EveryFrame  // every frame in order, as fast as asked, then the end
};

class FrameSource {
 public:
  virtual ~FrameSource() = default;
  // The next frame; false when there is none now (a camera failing, the end of a file).
  virtual bool Read(cv::Mat& frame) = 0;
  // The same in two steps, so that a frame that will not be looked at costs little: Grab
  // waits for the next frame and takes it, undecoded where the source can (a camera's
  // compressed frame, a video's); Retrieve then gives it as a picture. By default the
  // frame is read whole at once.
  virtual bool Grab() { return Read(grabbed_); }
  virtual bool Retrieve(cv::Mat& frame) {
    frame = grabbed_;
    return !frame.empty();
  }
  // The file name of the last frame read, for sources that have one.
  virtual std::string FrameName() const { return {}; }
  // True when the last Read repeated the frame before it.
  virtual bool Repeated() const { return false; }

 private:
  cv::Mat grabbed_;
};

// How a source played in real time waits for its next frame's moment; false when
// the wait was cut short because watching stops.
using FrameWait = std::function<bool(std::chrono::steady_clock::time_point)>;
bool SleepUntil(std::chrono::steady_clock::time_point when);

// "" or "camera" (the first colour camera), "camera:N", a camera's node "/dev/videoN", a
// folder, or a video / image-sequence path. Null when it cannot be opened; the reason, for
// the player, goes to *error.
std::unique_ptr<FrameSource> OpenSource(const std::string& name, Pacing pacing, std::string* error,
                                        FrameWait wait = SleepUntil);

// Whether a source's name is a camera's (opening one may take seconds).
bool NamesACamera(const std::string& name);

// Scales any frame to 640x480 and converts grey or BGRA to BGR; a frame that needs neither
// is handed back as it is (its pixels shared, not copied).
cv::Mat ToCameraFrame(const cv::Mat& frame);

}  // namespace irisdet
