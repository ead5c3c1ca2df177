#include "detector/source/camera_list.h"

#include <fcntl.h>
#include <linux/videodev2.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <filesystem>

#include "platform/regular_file.h"

namespace irisdet {
namespace {

namespace fs = std::filesystem;

constexpr std::size_t kLongestName = 64;
constexpr std::size_t kMostDevices = 64;
constexpr int kMostFormats = 64;

// Formats that carry brightness alone (infrared and depth cameras give nothing else).
constexpr std::array<std::uint32_t, 13> kGreyFormats = {
    V4L2_PIX_FMT_GREY, V4L2_PIX_FMT_Y4,   V4L2_PIX_FMT_Y6,     V4L2_PIX_FMT_Y10,      V4L2_PIX_FMT_Y12,
    V4L2_PIX_FMT_Y14,  V4L2_PIX_FMT_Y16,  V4L2_PIX_FMT_Y16_BE, V4L2_PIX_FMT_Y10BPACK, V4L2_PIX_FMT_Y10P,
    V4L2_PIX_FMT_Y8I,  V4L2_PIX_FMT_Y12I, V4L2_PIX_FMT_Z16};

// Retries a call the kernel interrupted.
int Ask(int fd, unsigned long request, void* argument) {
  int result = 0;
  do result = ::ioctl(fd, request, argument);
  while (result < 0 && errno == EINTR);
  return result;
}

// Opens a video device node without waiting on it; -1 for anything that is no character device.
int OpenDevice(const std::string& node) {
  const int fd = ::open(node.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return -1;
  struct stat info {};
  if (::fstat(fd, &info) != 0 || !S_ISCHR(info.st_mode)) {
    ::close(fd);
    return -1;
  }
  return fd;
}

bool OnlyGrey(int fd) {
  bool any = false;
  for (int index = 0; index < kMostFormats; ++index) {
    v4l2_fmtdesc format{};
    format.index = static_cast<std::uint32_t>(index);
    format.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
    if (Ask(fd, VIDIOC_ENUM_FMT, &format) != 0) break;
    any = true;
    if (std::find(kGreyFormats.begin(), kGreyFormats.end(), format.pixelformat) == kGreyFormats.end()) return false;
  }
  return any;
}

class V4l2Caps final : public CapsReader {
 public:
  std::optional<DeviceCaps> Read(const std::string& node) const override {
    const int fd = OpenDevice(node);
    if (fd < 0) return std::nullopt;
    v4l2_capability asked{};
    std::optional<DeviceCaps> caps;
    if (Ask(fd, VIDIOC_QUERYCAP, &asked) == 0) {
      // The node's own capabilities, not the whole device's (which its metadata node shares).
      const std::uint32_t own = asked.capabilities & V4L2_CAP_DEVICE_CAPS ? asked.device_caps : asked.capabilities;
      caps = DeviceCaps{(own & (V4L2_CAP_VIDEO_CAPTURE | V4L2_CAP_VIDEO_CAPTURE_MPLANE)) != 0, false};
      if (caps->capture) caps->greyOnly = OnlyGrey(fd);
    }
    ::close(fd);
    return caps;
  }
};

// A name as a menu may show it: printable, trimmed, bounded.
std::string CleanName(const std::string& raw) {
  std::string name;
  for (const char c : raw) {
    if (c == '\n' || name.size() >= kLongestName) break;
    name += static_cast<unsigned char>(c) < 0x20 || c == 0x7f ? ' ' : c;
  }
  while (!name.empty() && name.back() == ' ') name.pop_back();
  return name;
}

// "video10" after "video9".
bool NodeOrder(const Camera& a, const Camera& b) {
  return a.node.size() != b.node.size() ? a.node.size() < b.node.size() : a.node < b.node;
}

}  // namespace

const CapsReader& DeviceCapsReader() {
  static const V4l2Caps reader;
  return reader;
}

std::vector<Camera> ListCameras(const std::string& root, const CapsReader& caps) {
  std::vector<Camera> cameras;
  std::error_code ec;
  const fs::path classFolder = fs::path(root) / "sys/class/video4linux";
  for (fs::directory_iterator it(classFolder, ec), end; !ec && it != end && cameras.size() < kMostDevices;
       it.increment(ec)) {
    const std::string entry = it->path().filename().string();
    if (entry.rfind("video", 0) != 0) continue;
    const std::optional<std::string> name = platform::ReadRegularFile((it->path() / "name").string(), 4096);
    const std::string node = "/dev/" + entry;
    const std::optional<DeviceCaps> can = caps.Read(node);
    if (!name || !can || !can->capture) continue;  // metadata nodes say they capture nothing
    cameras.push_back({node, CleanName(*name), can->greyOnly});
  }
  std::sort(cameras.begin(), cameras.end(),
            [](const Camera& a, const Camera& b) { return a.greyOnly != b.greyOnly ? !a.greyOnly : NodeOrder(a, b); });
  return cameras;
}

std::optional<Camera> DefaultCamera(const std::vector<Camera>& cameras) {
  for (const Camera& camera : cameras)
    if (!camera.greyOnly) return camera;
  return std::nullopt;
}

std::optional<Camera> FindAgain(const Camera& camera, const std::vector<Camera>& cameras) {
  for (const Camera& c : cameras)
    if (c.node == camera.node && c.name == camera.name) return c;
  for (const Camera& c : cameras)
    if (c.name == camera.name) return c;
  return std::nullopt;
}

bool HeldByAnotherProgram(const std::string& node) {
  const int fd = OpenDevice(node);
  if (fd < 0) return false;
  v4l2_requestbuffers buffers{};
  buffers.count = 1;
  buffers.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
  buffers.memory = V4L2_MEMORY_MMAP;
  const bool busy = Ask(fd, VIDIOC_REQBUFS, &buffers) != 0 && errno == EBUSY;
  if (!busy) {
    buffers.count = 0;  // give back what was granted
    Ask(fd, VIDIOC_REQBUFS, &buffers);
  }
  ::close(fd);
  return busy;
}

}  // namespace irisdet
