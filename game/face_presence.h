#pragma once
#include <atomic>
#include <cstdint>

#include "game/eye_source.h"
#include "game/ports.h"

namespace game {

// The eye detector as the game plays with it, noting when it last saw an eye, so
// that the window can tell a player the camera does not see them. The worker polls; the UI
// thread starts, stops and asks FaceMissing: the last eye's tick is an atomic.
class FacePresence final : public EyeSource {
 public:
  static constexpr std::uint32_t kMissingAfterMs = 1000;

  FacePresence(EyeSource& detector, Clock& clock) : detector_(detector), clock_(clock) {}

  std::int32_t Start() override;
  void Stop() override { detector_.Stop(); }
  std::int32_t Poll(CameraPoint& sample) override;
  CameraState Camera() override { return detector_.Camera(); }
  std::vector<CameraChoice> Cameras() override { return detector_.Cameras(); }
  void ChooseCamera(const std::string& device) override { detector_.ChooseCamera(device); }
  WatchedSource Watched() override { return detector_.Watched(); }
  std::string Failure() override { return detector_.Failure(); }
  void SetTracking(IrisdetTracking tracking) override { detector_.SetTracking(tracking); }
  IrisdetTracking TrackingInUse() override { return detector_.TrackingInUse(); }
  void Recentre() override { detector_.Recentre(); }

  // True when no eye has come for more than kMissingAfterMs since the start or the
  // last eye. From any thread.
  bool FaceMissing();

 private:
  EyeSource& detector_;
  Clock& clock_;
  std::atomic<std::uint32_t> lastEyeTick_{0};
};

}  // namespace game
