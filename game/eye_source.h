#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "game/geometry.h"
#include "irisdet.h"  // IrisdetTracking: what the square follows

// Where the game's gaze comes from: the eye detector, or the mouse pointer when
// there is no camera. The same three operations either way.
namespace game {

// Where the detector's camera stands.
enum class CameraState { kStopped, kOpening, kDelivering, kLost, kFailed };

// A camera the player may choose, as the computer names it.
struct CameraChoice {
  std::string device, name;
  bool greyOnly = false;  // an infrared camera: listed last, never chosen by itself
};

// What is watched: the first colour camera, the one chosen, or IRISDET_SOURCE's (`text`).
struct WatchedSource {
  enum class Kind { kDefault, kChosen, kEnvironment } kind = Kind::kDefault;
  std::string text;
};

class EyeSource {
 public:
  virtual ~EyeSource() = default;
  virtual std::int32_t Start() = 0;  // 0 when it could start
  virtual void Stop() = 0;
  // Waits for the next sample; 1 with y and x written, 0 with both left alone.
  virtual std::int32_t Poll(CameraPoint& sample) = 0;
  // Only the detector has a camera: opened on its own thread, lost, or found again.
  virtual CameraState Camera() { return CameraState::kDelivering; }
  // The computer's cameras: this opens each to ask it, so never on the UI thread.
  virtual std::vector<CameraChoice> Cameras() { return {}; }
  // The camera watched from now on, switched at once during a game; empty: the first colour one.
  virtual void ChooseCamera(const std::string& /*device*/) {}
  virtual WatchedSource Watched() { return {}; }
  // Why the last start failed or what went wrong since, for the player; empty when
  // nothing did.
  virtual std::string Failure() { return {}; }
  // The tracking, and a new neutral position. Only the detector has them.
  virtual void SetTracking(IrisdetTracking /*tracking*/) {}
  virtual IrisdetTracking TrackingInUse() { return IRISDET_TRACKING_COMFORT; }
  virtual void Recentre() {}
  // Loads in the background what a start needs, so that the first game starts at once.
  virtual void Preload() {}
};

// The eye detector library.
EyeSource& DetectorEyeSource();

}  // namespace game
