#include "game/eye_source.h"
#include "irisdet.h"

namespace game {
namespace {

class DetectorSource final : public EyeSource {
 public:
  std::int32_t Start() override { return EyeDetectorStart(0); }
  void Stop() override { EyeDetectorStop(); }
  std::int32_t Poll(std::int16_t* y, std::int16_t* x) override { return EyeDetectorPoll(y, x); }
  bool Delivering() override { return EyeDetectorDelivering() != 0; }
  void SetTracking(bool comfortable) override {
    EyeDetectorSetTracking(comfortable ? IRISDET_TRACKING_COMFORT : IRISDET_TRACKING_EYES);
  }
  bool TrackingComfortable() override { return EyeDetectorTracking() == IRISDET_TRACKING_COMFORT; }
  void Recentre() override { EyeDetectorRecentre(); }
  void Preload() override { EyeDetectorPreload(); }
  std::string Failure() override {
    char text[512];
    return EyeDetectorLastError(text, sizeof text) > 0 ? text : "";
  }
};

}  // namespace

EyeSource& DetectorEyeSource() {
  static DetectorSource source;
  return source;
}

}  // namespace game
