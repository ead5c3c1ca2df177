#include "detector/source/camera_source.h"

#include <opencv2/videoio.hpp>

#include "detector/source/bounded_input.h"

namespace irisdet {
namespace {

constexpr auto kLookAgainEvery = std::chrono::milliseconds(500);

class OpenCvStream final : public CameraStream {
 public:
  explicit OpenCvStream(const std::string& node) {
    capture_.open(node, cv::CAP_V4L2);
    if (!capture_.isOpened()) return;
    for (const CameraSetting& setting : CameraSettings())
      capture_.set(setting.property, setting.value);  // a refusal keeps the camera's own
  }
  bool Opened() const { return capture_.isOpened(); }
  bool Grab() override { return capture_.grab(); }
  bool Retrieve(cv::Mat& raw) override { return capture_.retrieve(raw); }

 private:
  cv::VideoCapture capture_;
};

class CameraSource final : public FrameSource {
 public:
  CameraSource(Camera camera, const CameraDevices& devices, FrameWait wait, std::unique_ptr<CameraStream> stream)
      : camera_(std::move(camera)), devices_(devices), wait_(std::move(wait)), stream_(std::move(stream)) {}

  bool Read(cv::Mat& frame) override { return Grab() && Retrieve(frame); }

  bool Grab() override {
    if (stream_ && stream_->Grab()) return true;
    // Gone (unplugged, or taken by another program): look for it again now and then.
    stream_.reset();
    if (!wait_(std::chrono::steady_clock::now() + kLookAgainEvery)) return false;
    if (const std::optional<Camera> again = FindAgain(camera_, devices_.list())) {
      stream_ = devices_.open(again->node);
      if (stream_) camera_ = *again;
    }
    return false;
  }

  bool Retrieve(cv::Mat& frame) override {  // decodes the compressed frame
    cv::Mat raw;
    if (!stream_ || !stream_->Retrieve(raw) || raw.empty() || !FrameSizeAllowed(raw.cols, raw.rows)) return false;
    frame = ToCameraFrame(raw);
    return true;
  }

 private:
  Camera camera_;
  const CameraDevices& devices_;
  FrameWait wait_;
  std::unique_ptr<CameraStream> stream_;
};

// Why the camera could not be opened, for the player.
std::string Refusal(const Camera& camera, const CameraDevices& devices) {
  if (devices.heldElsewhere(camera.node))
    return "Un altre programa fa servir la càmera «" + camera.name + "». Tanca'l i torna-ho a provar.";
  return "No s'ha pogut obrir la càmera «" + camera.name + "».";
}

}  // namespace

const CameraDevices& ComputerCameras() {
  static const CameraDevices devices{[] { return ListCameras(); },
                                     [](const std::string& node) -> std::unique_ptr<CameraStream> {
                                       auto stream = std::make_unique<OpenCvStream>(node);
                                       return stream->Opened() ? std::move(stream) : nullptr;
                                     },
                                     HeldByAnotherProgram};
  return devices;
}

const std::vector<CameraSetting>& CameraSettings() {
  static const std::vector<CameraSetting> settings = {
      {cv::CAP_PROP_FOURCC, static_cast<double>(cv::VideoWriter::fourcc('M', 'J', 'P', 'G'))},
      {cv::CAP_PROP_FRAME_WIDTH, IRISDET_FRAME_WIDTH},
      {cv::CAP_PROP_FRAME_HEIGHT, IRISDET_FRAME_HEIGHT},
      {cv::CAP_PROP_FPS, 30.0},
      {cv::CAP_PROP_BUFFERSIZE, 1},  // the newest frame, not a queue of old ones
  };
  return settings;
}

std::unique_ptr<FrameSource> OpenCamera(const std::string& node, const CameraDevices& devices, std::string* error,
                                        FrameWait wait) {
  const std::vector<Camera> cameras = devices.list();
  std::optional<Camera> camera = DefaultCamera(cameras);
  if (!node.empty()) {
    camera.reset();
    for (const Camera& c : cameras)
      if (c.node == node) camera = c;
  }
  if (!camera) {
    *error = node.empty() ? "No hi ha cap càmera connectada." : "No es troba la càmera «" + node + "».";
    return nullptr;
  }
  std::unique_ptr<CameraStream> stream = devices.open(camera->node);
  if (!stream) {
    *error = Refusal(*camera, devices);
    return nullptr;
  }
  return std::make_unique<CameraSource>(*camera, devices, std::move(wait), std::move(stream));
}

}  // namespace irisdet
