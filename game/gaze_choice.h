#pragma once
#include "game/dot_calibration.h"
#include "game/eye_source.h"
#include "game/gaze_calibrator.h"
#include "game/geometry.h"
#include "game/view.h"

// The gaze tracking as the player meets it: chosen the first time in a run, it starts with
// the dot's calibration; a cancel, or too few looks, keeps the tracking before; "Centra la
// posició" in gaze tracking calibrates again; and each picture revealed at the target is
// looked at as one more calibration look. Knows no widget and no timer: the window steps
// the dot every DotCalibration::kTickMs and times the look at a revealed picture.
namespace game {

class GameSession;

class GazeChoice {
 public:
  // The look at a revealed picture: from about 0.3 to 1.0 s after it appears.
  static constexpr int kRevealLookFromMs = 300, kRevealLookToMs = 1000;

  GazeChoice(GameSession& session, GazeCalibrator& looks, View& view, const PlayfieldRect& playfield)
      : session_(session), looks_(looks), view_(view), playfield_(playfield), dots_(view, looks, playfield) {}

  void Choose(IrisdetTracking tracking);  // from the "Seguiment" menu
  void Recentre();                        // "Centra la posició"
  bool Calibrating() const { return dots_.Running(); }
  void Cancel();  // Esc or a click during the calibration
  // "Activa" clicked during the calibration: the game stops at once, or starts once the
  // calibration ends; the calibration goes on and says so.
  void GameClicked(bool pressed);
  // One step of the dot; false once the calibration has ended.
  bool Step();

  // Whether a picture revealed now is to be looked at: gaze tracking with the camera, no
  // calibration under way.
  bool LooksAtReveals() const;
  void RevealLookStarts(const TargetPoint& target);
  void RevealLookEnds();

 private:
  void StartCalibration();
  void End(bool calibrated);

  GameSession& session_;
  GazeCalibrator& looks_;
  View& view_;
  const PlayfieldRect& playfield_;
  DotCalibration dots_;
  IrisdetTracking before_ = IRISDET_TRACKING_COMFORT;  // kept when a calibration is cancelled
  bool calibrated_ = false;                            // in this run
};

}  // namespace game
