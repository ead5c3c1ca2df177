#include "game/gaze_choice.h"

#include "game/game_session.h"

namespace game {

void GazeChoice::Choose(IrisdetTracking tracking) {
  if (tracking != IRISDET_TRACKING_GAZE) {
    Cancel();
    session_.SetTracking(tracking);
  } else if (!calibrated_) {
    StartCalibration();
  } else {
    session_.SetTracking(tracking);
  }
}

void GazeChoice::Recentre() {
  if (session_.TrackingInUse() == IRISDET_TRACKING_GAZE && !dots_.Running())
    StartCalibration();
  else
    session_.Recentre();
}

namespace {
constexpr const char* kNoCameraToCalibrate =
    "La mirada es calibra amb la càmera, i no s'ha pogut obrir. Es manté el seguiment d'abans.";
}  // namespace

void GazeChoice::StartCalibration() {
  if (dots_.Running()) return;
  if (!session_.StartWatching()) return view_.Tell(View::Notice::kInformation, kNoCameraToCalibrate);
  before_ = session_.TrackingInUse();
  session_.SetTracking(IRISDET_TRACKING_GAZE);  // the detector reads looks in gaze tracking only
  session_.Pause();                             // nothing of the game draws the eye from the dot
  dots_.Start();
}

void GazeChoice::GameClicked(bool pressed) {
  if (!dots_.Running()) return;
  view_.ShowDotNote(pressed ? "El joc començarà quan acabi la calibració." : "Joc aturat. La calibració continua.");
}

bool GazeChoice::Step() {
  if (session_.CameraFailed()) {  // known only once it has tried: a camera opens on its own thread
    dots_.Cancel();
    End(false);
    view_.Tell(View::Notice::kInformation, kNoCameraToCalibrate);
    return false;
  }
  switch (dots_.Tick()) {
    case DotCalibration::Outcome::kRunning:
      return true;
    case DotCalibration::Outcome::kCalibrated:
      End(true);
      return false;
    case DotCalibration::Outcome::kTooFewLooks:
      End(false);
      view_.Tell(View::Notice::kInformation,
                 "No t'he vist prou bé els ulls per calibrar la mirada. Torna-ho a provar de cara a la càmera, amb més "
                 "llum.");
  }
  return false;
}

void GazeChoice::Cancel() {
  if (!dots_.Running()) return;
  dots_.Cancel();
  End(false);
}

void GazeChoice::End(bool calibrated) {
  session_.Resume();
  session_.StopWatching();
  calibrated_ = calibrated_ || calibrated;
  session_.SetTracking(calibrated ? IRISDET_TRACKING_GAZE : before_);
}

bool GazeChoice::LooksAtReveals() const {
  return session_.TrackingInUse() == IRISDET_TRACKING_GAZE && !session_.UsingPointer() && !dots_.Running();
}

void GazeChoice::RevealLookStarts(const TargetPoint& target) {
  looks_.LookAt(DotCalibration::CameraPointOf({target.targetX, target.targetY}, playfield_));
}

void GazeChoice::RevealLookEnds() { looks_.LookEnd(GazeCalibrator::Use::kFind); }

}  // namespace game
