#pragma once
#include <string>

#include "game/dot_calibration.h"
#include "game/geometry.h"
#include "game/tracking_view.h"

namespace game {

// The window as a game reaches it, on the UI thread: the square, the status line, the
// cue timer, the sounds and the revealed picture (the worker reaches these through the
// queued view), the calibration dot, and what the player is told.
class View : public TrackingView, public DotView {
 public:
  enum class Notice { kPlain, kInformation, kWarning };
  virtual void EnableSolution(bool enabled) = 0;
  virtual void HideIndicator() = 0;                             // the square, while a calibration pauses the game
  virtual void Tell(Notice kind, const std::string& text) = 0;  // a message box with OK only
  virtual void ShowNoFaceHint(bool shown) = 0;
  virtual PicturePoint PointerInPicture() const = 0;
};

}  // namespace game
