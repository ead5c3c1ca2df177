#pragma once
#include <functional>
#include <memory>
#include <opencv2/core.hpp>
#include <string>
#include <vector>

#include "detector/source/camera_list.h"
#include "detector/source/frame_source.h"

// A camera as the detector watches it: opened on the watching thread (a real webcam takes
// up to a couple of seconds to agree on a format), and looked for again when it goes away.
namespace irisdet {

// A camera's frames as OpenCV gives them, behind an interface: the tests script a camera.
class CameraStream {
 public:
  virtual ~CameraStream() = default;
  virtual bool Grab() = 0;                  // waits for the next frame and takes it, undecoded
  virtual bool Retrieve(cv::Mat& raw) = 0;  // the frame taken, as a picture
};

// How cameras are found and opened: the computer's own, or a test's.
struct CameraDevices {
  std::function<std::vector<Camera>()> list;
  std::function<std::unique_ptr<CameraStream>(const std::string& node)> open;  // null when it cannot
  std::function<bool(const std::string& node)> heldElsewhere;                  // another program streams from it
};
const CameraDevices& ComputerCameras();

// What a camera is asked for, in this order (the format before the size, as V4L2
// wants): compressed MJPG frames where it offers them (a USB webcam gives 30 fps at
// 640x480 only so), 640x480, 30 fps, and one buffer, so the frame read is the newest.
// Its automatic exposure is left as it is: on.
struct CameraSetting {
  int property;  // cv::CAP_PROP_*
  double value;
};
const std::vector<CameraSetting>& CameraSettings();

// The camera at `node` ("/dev/video2"), or the first colour camera when `node` is empty.
// Once opened it keeps giving frames until it is destroyed: unplugged, it is looked for
// every half second, at its node or under its name at another, and opened again. `wait`
// paces the looking, and a stop cuts it short. Null with the reason for the player in
// *error when it cannot be opened.
std::unique_ptr<FrameSource> OpenCamera(const std::string& node, const CameraDevices& devices, std::string* error,
                                        FrameWait wait);

}  // namespace irisdet
