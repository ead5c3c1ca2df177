#include "ui/game_controller.h"

#include <QRect>

#include "game/reveal.h"
#include "platform/sound_player.h"

namespace ui {

DialogServices WithDefaults(DialogServices s) {
  if (!s.detector) s.detector = &game::DetectorEyeSource();
  if (!s.gazeCalibrator) s.gazeCalibrator = &game::DetectorGazeCalibrator();
  if (!s.clock) s.clock = &game::SystemClock();
  if (!s.chance) s.chance = &game::CLibraryChance();
  if (!s.launch) s.launch = game::StdThreadLauncher();
  if (!s.soundAvailable && s.playSound) s.soundAvailable = [] { return true; };  // sounds of its own
  if (!s.soundAvailable) s.soundAvailable = [] { return platform::SoundPlayer::Instance().Available(); };
  if (!s.playSound) s.playSound = [](const std::string& name) { platform::SoundPlayer::Instance().Play(name); };
  return s;
}

GameController::GameController(game::View& gameView, DialogServices dialogServices)
    : view(gameView), services(std::move(dialogServices)) {
  // The game's effects are applied by queued calls on this object's thread; a call
  // queued to a controller that is gone is dropped by Qt.
  auto deliver = [this](std::function<void()> call) {
    QMetaObject::invokeMethod(this, std::move(call), Qt::QueuedConnection);
  };
  session = std::make_unique<game::GameSession>(
      view, playfield, flips,
      game::GameServices{*services.detector, pointer, services.pointerFromStart, *services.clock, *services.chance,
                         services.launch, deliver, services.soundAvailable});
  gaze = std::make_unique<game::GazeChoice>(*session, *services.gazeCalibrator, view, playfield);
  connect(&pointerTimer, &QTimer::timeout, this, &GameController::FollowPointer);
  connect(&cameraWatch, &QTimer::timeout, this, &GameController::WatchCamera);
  connect(&dotTimer, &QTimer::timeout, this, &GameController::StepCalibration);
  for (QTimer* timer : {&revealLookStart, &revealLookEnd}) timer->setSingleShot(true);
  connect(&revealLookStart, &QTimer::timeout, this, [this] { gaze->RevealLookStarts(session->Target()); });
  connect(&revealLookEnd, &QTimer::timeout, this, [this] { gaze->RevealLookEnds(); });
}

GameController::~GameController() { session->StopForClose(); }

void GameController::SetActive(bool pressed) {
  session->SetActive(pressed);
  gaze->GameClicked(pressed);
  FollowWhatPlays(pressed);
}

// The pointer is followed only while a game plays with it (an idle window does nothing),
// and the camera watched while a game plays with it.
void GameController::FollowWhatPlays(bool playing) {
  if (session->UsingPointer() && playing)
    pointerTimer.start(kPointerPeriodMs);
  else
    pointerTimer.stop();
  if (!session->UsingPointer() && playing) {
    cameraWatch.start(kCameraWatchMs);
  } else {
    cameraWatch.stop();
    view.ShowNoFaceHint(false);
  }
}

int GameController::DrawPicture() { return game::DrawRevealNumber(*services.clock, *services.chance); }

void GameController::PictureRevealed() {
  if (!gaze->LooksAtReveals()) return;
  revealLookStart.start(game::GazeChoice::kRevealLookFromMs);
  revealLookEnd.start(game::GazeChoice::kRevealLookToMs);
}

void GameController::Recentre() {
  gaze->Recentre();
  TimeCalibration();
}

void GameController::SetTracking(IrisdetTracking tracking) {
  gaze->Choose(tracking);
  TimeCalibration();
}

void GameController::CancelCalibration() {
  gaze->Cancel();
  TimeCalibration();
}

// The dot's timer runs while a calibration does, and no look at a revealed picture then.
void GameController::TimeCalibration() {
  if (!gaze->Calibrating()) return dotTimer.stop();
  revealLookStart.stop();
  revealLookEnd.stop();
  if (!dotTimer.isActive()) dotTimer.start(game::DotCalibration::kTickMs);
}

void GameController::StepCalibration() {
  if (!gaze->Step()) dotTimer.stop();
}

void GameController::WatchCamera() {
  session->CheckCamera();
  if (session->UsingPointer()) return FollowWhatPlays(true);  // the camera did not open: the mouse plays
  view.ShowNoFaceHint(session->FaceMissing());
}

void GameController::ChooseCamera(const std::string& device) { session->ChooseCamera(device); }

void GameController::FollowPointer() {
  const game::PicturePoint p = view.PointerInPicture();
  pointer.SetPointer(p.x, p.y, QRect(0, 0, playfield.W(), playfield.H()).contains(p.x, p.y));
}

}  // namespace ui
