#include <algorithm>

#include "game/eye_source.h"
#include "game/gaze_calibrator.h"
#include "irisdet.h"

namespace game {
namespace {

class DetectorSource final : public EyeSource {
 public:
  static constexpr std::int32_t kMostCameras = 32;
  std::int32_t Start() override { return EyeDetectorStart(0); }
  void Stop() override { EyeDetectorStop(); }
  std::int32_t Poll(CameraPoint& sample) override { return EyeDetectorPoll(&sample.camY, &sample.camX); }
  CameraState Camera() override {
    static_assert(IRISDET_SOURCE_STOPPED == 0 && IRISDET_SOURCE_OPENING == 1 && IRISDET_SOURCE_DELIVERING == 2 &&
                  IRISDET_SOURCE_LOST == 3 && IRISDET_SOURCE_FAILED == 4);
    const std::int32_t state = EyeDetectorSourceState();
    return state >= IRISDET_SOURCE_STOPPED && state <= IRISDET_SOURCE_FAILED ? static_cast<CameraState>(state)
                                                                             : CameraState::kStopped;
  }
  std::vector<CameraChoice> Cameras() override {
    std::vector<IrisdetCamera> found(kMostCameras);
    const std::int32_t count = EyeDetectorListCameras(found.data(), kMostCameras);
    std::vector<CameraChoice> cameras;
    cameras.reserve(static_cast<std::size_t>(std::clamp(count, 0, kMostCameras)));
    for (std::int32_t i = 0; i < std::min(count, kMostCameras); ++i)
      cameras.push_back({found[i].device, found[i].name, found[i].greyOnly != 0});
    return cameras;
  }
  void ChooseCamera(const std::string& device) override { EyeDetectorChooseCamera(device.c_str()); }
  WatchedSource Watched() override {
    char text[512];
    const std::int32_t kind = EyeDetectorWatchedSource(text, sizeof text);
    if (kind == IRISDET_CAMERA_CHOSEN) return {WatchedSource::Kind::kChosen, text};
    if (kind == IRISDET_CAMERA_FROM_ENVIRONMENT) return {WatchedSource::Kind::kEnvironment, text};
    return {};
  }
  void SetTracking(IrisdetTracking tracking) override { EyeDetectorSetTracking(static_cast<std::int32_t>(tracking)); }
  IrisdetTracking TrackingInUse() override {
    const std::int32_t mode = EyeDetectorTracking();
    return mode == IRISDET_TRACKING_EYES || mode == IRISDET_TRACKING_GAZE ? static_cast<IrisdetTracking>(mode)
                                                                          : IRISDET_TRACKING_COMFORT;
  }
  void Recentre() override { EyeDetectorRecentre(); }
  void Preload() override { EyeDetectorPreload(); }
  std::string Failure() override {
    char text[512];
    return EyeDetectorLastError(text, sizeof text) > 0 ? text : "";
  }
};

class DetectorLooks final : public GazeCalibrator {
 public:
  void LookAt(CameraPoint at) override { EyeDetectorGazeLookAt(at.camX, at.camY); }
  bool LookEnd(Use use) override {
    static_assert(int(Use::kFind) == IRISDET_LOOK_FIND && int(Use::kDrop) == IRISDET_LOOK_DROP);
    return EyeDetectorGazeLookEnd(static_cast<std::int32_t>(use)) == 1;
  }
  int Calibrate(bool apply) override { return EyeDetectorGazeCalibrate(apply ? 1 : 0); }
};

}  // namespace

EyeSource& DetectorEyeSource() {
  static DetectorSource source;
  return source;
}

GazeCalibrator& DetectorGazeCalibrator() {
  static DetectorLooks looks;
  return looks;
}

}  // namespace game
