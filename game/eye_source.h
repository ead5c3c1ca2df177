#pragma once
#include <cstdint>
#include <string>

// Where the game's gaze comes from: the eye detector, or the mouse pointer when
// there is no camera. The same three operations either way.
namespace game {

// What the square follows: the head (comfortable, the default), where the eyes are in the
// picture, or where they look (gaze, calibrated by the game).
enum class Tracking { kComfort, kEyes, kGaze };

class EyeSource {
 public:
  virtual ~EyeSource() = default;
  virtual std::int32_t Start() = 0;  // 0 when it could start
  virtual void Stop() = 0;
  // Waits for the next sample; 1 with y and x written, 0 with both left alone.
  virtual std::int32_t Poll(std::int16_t* y, std::int16_t* x) = 0;
  // False once the source has stopped giving anything to look at.
  virtual bool Delivering() { return true; }
  // Why the last start failed or what went wrong since, for the player; empty when
  // nothing did.
  virtual std::string Failure() { return {}; }
  // The tracking, and a new neutral position. Only the detector has them.
  virtual void SetTracking(Tracking /*tracking*/) {}
  virtual Tracking TrackingInUse() { return Tracking::kComfort; }
  virtual void Recentre() {}
  // Loads in the background what a start needs, so that the first game starts at once.
  virtual void Preload() {}
};

// The eye detector library.
EyeSource& DetectorEyeSource();

}  // namespace game
