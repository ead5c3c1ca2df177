#pragma once
#include <optional>
#include <string>
#include <vector>

// The cameras this computer has, as the player chooses among them: the video-capture
// devices of /sys/class/video4linux by their own names. A laptop often has an infrared
// camera beside its colour one, and a teacher may add a better USB camera.
namespace irisdet {

// What a device node says it can do (VIDIOC_QUERYCAP's device caps, and its formats).
struct DeviceCaps {
  bool capture = false;   // gives video frames
  bool greyOnly = false;  // every format it offers is greyscale: an infrared camera
};

// Reads a node's capabilities; none when it cannot be opened or is no video device.
class CapsReader {
 public:
  virtual ~CapsReader() = default;
  virtual std::optional<DeviceCaps> Read(const std::string& node) const = 0;
};
const CapsReader& DeviceCapsReader();  // the devices' own, through V4L2

struct Camera {
  std::string node;  // "/dev/video2"
  std::string name;  // as the device names itself: "Integrated Camera"
  bool greyOnly = false;
};

// The capture devices under `root` + "sys/class/video4linux", in node order, colour ones
// first and greyscale ones last; metadata-only nodes and devices that cannot be asked are
// left out. A name is read as at most 64 printable characters.
std::vector<Camera> ListCameras(const std::string& root = "/", const CapsReader& caps = DeviceCapsReader());

// The camera watched when the player has chosen none: the first colour one.
std::optional<Camera> DefaultCamera(const std::vector<Camera>& cameras);

// Where a camera is now: its node when that still is the same camera, otherwise the first
// node with its name (plugged back into another port); none while it is away.
std::optional<Camera> FindAgain(const Camera& camera, const std::vector<Camera>& cameras);

// Whether another program holds the camera: asking it for buffers is refused as busy.
bool HeldByAnotherProgram(const std::string& node);

}  // namespace irisdet
