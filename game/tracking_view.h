#pragma once
#include <cstdint>
#include <string>

#include "game/geometry.h"

// The window effects of the tracking loop, in the order a pass makes them.
namespace game {

class TrackingView {
 public:
  virtual ~TrackingView() = default;
  virtual void ShowIndicator() = 0;
  virtual void InvalidatePlayfield() = 0;  // clears a revealed picture
  virtual void SetIndicatorBitmap(ProximityBand band) = 0;
  virtual void MoveIndicator(std::int32_t left, std::int32_t top) = 0;  // 32 x 32
  virtual void SetStatusText(const std::string& text) = 0;
  // The beeps' timer: set for each band, and by a game's start; killed at a find and a stop.
  virtual void SetCueTimer(int intervalMs) = 0;
  virtual void KillCueTimer() = 0;
  virtual void PlaySound(const std::string& name) = 0;
  virtual void RevealPicture(int pictureNumber) = 0;
};

}  // namespace game
