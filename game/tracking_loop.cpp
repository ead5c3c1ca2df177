#include "game/tracking_loop.h"

#include <cstdio>

#include "game/reveal.h"
#include "game/spoken_cues.h"

namespace game {

void TrackGaze(const TrackingContext& context) { GazeTracker(context).Run(); }

std::string StatusText(std::int32_t targetX, std::int32_t targetY, const GazePoint& gaze) {
  char text[96];
  std::snprintf(text, sizeof text, "Aleatori: x=%d; y=%d;;Ull: x=%d, y=%d", targetX, targetY, gaze.gazeX, gaze.gazeY);
  return text;
}

void GazeTracker::Run() {
  c_.view.ShowIndicator();
  lastBeepBand_.reset();
  cueSpoken_ = false;
  lastCueTick_ = c_.clock.TickCount();
  c_.view.InvalidatePlayfield();
  c_.view.SetIndicatorBitmap(ProximityBand::Blue);
  while (!c_.stopRequested && Pass()) {
  }
}

bool GazeTracker::Pass() {
  const bool eyeFound = c_.eyes.Poll(&camY_, &camX_) != 0;
  const GazePoint gaze = MapGaze(camX_, camY_, c_.playfield, c_.flips);
  const std::int32_t targetX = c_.target.targetX, targetY = c_.target.targetY;
  const std::int32_t d = Distance(targetX, targetY, gaze.gazeX + kMeasuringOffset, gaze.gazeY + kMeasuringOffset);
  c_.view.MoveIndicator(gaze.gazeX + kDrawingOffset, gaze.gazeY + kDrawingOffset);
  if (eyeFound) {
    const bool found = c_.feedbackMode == kBeepMode ? BeepStep(d) : SpokenStep(d, gaze);
    if (found) return false;
  }
  c_.view.SetStatusText(StatusText(targetX, targetY, gaze));
  return true;
}

bool GazeTracker::BeepStep(std::int32_t d) {
  const ProximityBand band = ClassifyBand(d, c_.tolerance);
  if (band == ProximityBand::Green) {
    Find(true);
    return true;
  }
  c_.view.SetIndicatorBitmap(band);
  if (band != lastBeepBand_) {
    c_.view.SetCueTimer(BandInterval(band));
    lastBeepBand_ = band;
  }
  return false;
}

bool GazeTracker::SpokenStep(std::int32_t d, const GazePoint& gaze) {
  c_.view.KillCueTimer();
  if (HoldOffOver(c_.clock.TickCount(), lastCueTick_)) cueSpoken_ = false;
  const std::int32_t s = c_.tolerance;
  if (d < s) {
    Find(false);
    return true;
  }
  if (cueSpoken_) return false;
  if (const char* cue = ChooseSpokenCue(c_.target.targetX, c_.target.targetY, gaze, d, s)) {
    c_.view.PlaySound(cue);
    cueSpoken_ = true;
    lastCueTick_ = c_.clock.TickCount();
  }
  return false;
}

void GazeTracker::Find(bool beepMode) {
  // Beep mode turns the square green and kills the beep before the eureka plays;
  // spoken mode killed it earlier in the same pass.
  if (beepMode) c_.view.SetIndicatorBitmap(ProximityBand::Green);
  const int eureka = DrawRevealNumber(c_.clock, c_.chance);
  c_.view.RevealPicture(DrawRevealNumber(c_.clock, c_.chance));
  if (beepMode) c_.view.KillCueTimer();
  c_.view.PlaySound(EurekaFileName(eureka));
}

}  // namespace game
