#include "game/tracking_loop.h"

#include <cstdio>

#include "game/reveal.h"
#include "game/spoken_cues.h"

namespace game {

void TrackGaze(const TrackingContext& context) { HotColdLoop(context).Run(); }

std::string StatusText(std::int32_t targetX, std::int32_t targetY, const GazePoint& gaze) {
  char text[96];
  std::snprintf(text, sizeof text, "Aleatori: x=%d; y=%d;;Ull: x=%d, y=%d", targetX, targetY, gaze.gazeX, gaze.gazeY);
  return text;
}

void HotColdLoop::Run() {
  context_.view.ShowIndicator();
  lastBeepBand_.reset();
  cueSpoken_ = false;
  lastCueTick_ = context_.clock.TickCount();
  context_.view.InvalidatePlayfield();
  context_.view.SetIndicatorBitmap(ProximityBand::Blue);
  while (!context_.stopRequested && Pass()) {
  }
}

bool HotColdLoop::Pass() {
  const bool eyeFound = context_.eyes.load()->Poll(sample_) != 0;
  if (context_.paused) {
    wasPaused_ = true;
    return true;
  }
  if (wasPaused_) Resumed();
  const GazePoint gaze = MapGaze(sample_.camX, sample_.camY, context_.playfield, context_.flips);
  const std::int32_t targetX = context_.target.targetX, targetY = context_.target.targetY;
  const std::int32_t d = Distance(targetX, targetY, gaze.gazeX + kMeasuringOffset, gaze.gazeY + kMeasuringOffset);
  context_.view.MoveIndicator(gaze.gazeX + kDrawingOffset, gaze.gazeY + kDrawingOffset);
  if (eyeFound) {
    const bool found = context_.feedback == FeedbackMode::kBeep ? BeepStep(d) : SpokenStep(d, gaze);
    if (found) return false;
  }
  context_.view.SetStatusText(StatusText(targetX, targetY, gaze));
  return true;
}

// The game goes on after a pause as after its start: the next band sets the beeps, and a
// cue may come at once.
void HotColdLoop::Resumed() {
  wasPaused_ = false;
  lastBeepBand_.reset();
  cueSpoken_ = false;
  lastCueTick_ = context_.clock.TickCount();
}

bool HotColdLoop::BeepStep(std::int32_t d) {
  const ProximityBand band = ClassifyBand(d, context_.tolerance);
  if (band == ProximityBand::Green) {
    Find(FeedbackMode::kBeep);
    return true;
  }
  context_.view.SetIndicatorBitmap(band);
  if (band != lastBeepBand_) {
    context_.view.SetCueTimer(BandInterval(band));
    lastBeepBand_ = band;
  }
  return false;
}

bool HotColdLoop::SpokenStep(std::int32_t d, const GazePoint& gaze) {
  context_.view.KillCueTimer();
  if (HoldOffOver(context_.clock.TickCount(), lastCueTick_)) cueSpoken_ = false;
  const std::int32_t s = context_.tolerance;
  if (d < s) {
    Find(FeedbackMode::kSpoken);
    return true;
  }
  if (cueSpoken_) return false;
  if (const char* cue = ChooseSpokenCue(context_.target.targetX, context_.target.targetY, gaze, d, s)) {
    context_.view.PlaySound(cue);
    cueSpoken_ = true;
    lastCueTick_ = context_.clock.TickCount();
  }
  return false;
}

void HotColdLoop::Find(FeedbackMode mode) {
  const bool beepMode = mode == FeedbackMode::kBeep;
  // Beep mode turns the square green and kills the beep before the eureka plays;
  // spoken mode killed it earlier in the same pass.
  if (beepMode) context_.view.SetIndicatorBitmap(ProximityBand::Green);
  const int eureka = DrawRevealNumber(context_.clock, context_.chance);
  context_.view.RevealPicture(DrawRevealNumber(context_.clock, context_.chance));
  if (beepMode) context_.view.KillCueTimer();
  context_.view.PlaySound(EurekaFileName(eureka));
}

}  // namespace game
