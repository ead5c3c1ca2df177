#include "ui/game_controller.h"

#include <QRect>

#include "game/reveal.h"
#include "platform/sound_player.h"

namespace ui {
namespace {

// The services with the real ones wherever none was given.
DialogServices WithDefaults(DialogServices s) {
  if (!s.detector) s.detector = &game::DetectorEyeSource();
  if (!s.gazeLooks) s.gazeLooks = &game::DetectorGazeLooks();
  if (!s.clock) s.clock = &game::SystemClock();
  if (!s.chance) s.chance = &game::CLibraryChance();
  if (!s.launch) s.launch = game::StdThreadLauncher();
  if (!s.soundAvailable && s.playSound) s.soundAvailable = [] { return true; };  // sounds of its own
  if (!s.soundAvailable) s.soundAvailable = [] { return platform::SoundPlayer::Instance().Available(); };
  return s;
}

}  // namespace

GameController::GameController(GameScreen& gameScreen, DialogServices dialogServices, std::function<void()> cueTick)
    : screen(gameScreen), services(WithDefaults(std::move(dialogServices))) {
  session =
      std::make_unique<game::GameSession>(*this, playfield, *this,
                                          game::GameServices{*services.detector, pointer, services.pointerFromStart,
                                                             *services.clock, *services.chance, services.launch});
  game::DotView& dotView = *this;
  game::CalibrationNotices& notices = *this;
  gaze = std::make_unique<game::GazeChoice>(*session, *services.gazeLooks, dotView, notices, playfield);
  // Qt's default coarse timer may fire 5 % off its interval: 2 ms of a red-band beep's 40.
  cueTimer.setTimerType(Qt::PreciseTimer);
  connect(&cueTimer, &QTimer::timeout, this, std::move(cueTick));
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
  // The pointer is followed only while a game plays with it: an idle window does nothing.
  if (session->UsingPointer() && pressed)
    pointerTimer.start(kPointerPeriodMs);
  else
    pointerTimer.stop();
  if (!session->UsingPointer() && pressed) {
    cameraWatch.start(kCameraWatchMs);
  } else {
    cameraWatch.stop();
    screen.ShowNoFaceHint(false);
  }
  if (pressed) TellIfSilent();
}

void GameController::RevealNow() { RevealPicture(game::DrawRevealNumber(*services.clock, *services.chance)); }

void GameController::RevealPicture(int pictureNumber) {
  screen.ShowReveal(pictureNumber, session->Target());
  if (!gaze->LooksAtReveals()) return;
  revealLookStart.start(game::GazeChoice::kRevealLookFromMs);
  revealLookEnd.start(game::GazeChoice::kRevealLookToMs);
}

void GameController::Recentre() {
  gaze->Recentre();
  TimeCalibration();
}

void GameController::SetTracking(game::Tracking tracking) {
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

void GameController::ShowDot(std::optional<game::PicturePoint> at) {
  screen.ShowCalibrationDot(at ? std::optional<QPoint>(QPoint(at->x, at->y)) : std::nullopt);
}

void GameController::TellNoCameraToCalibrate() {
  screen.Tell(
      GameScreen::Notice::Information,
      QStringLiteral("La mirada es calibra amb la càmera, i no s'ha pogut obrir. Es manté el seguiment d'abans."));
}

void GameController::TellTooFewLooks() {
  screen.Tell(GameScreen::Notice::Information,
              QStringLiteral("No t'he vist prou bé els ulls per calibrar la mirada. Torna-ho a provar de cara a la "
                             "càmera, amb més llum."));
}

void GameController::WatchCamera() {
  session->CheckCamera();
  screen.ShowNoFaceHint(session->FaceMissing());
}

void GameController::TellIfSilent() {
  // Spoken mode would otherwise be silent and colourless, with nothing said.
  if (toldSilent || services.soundAvailable()) return;
  toldSilent = true;
  screen.Tell(GameScreen::Notice::Information, QStringLiteral("No s'ha pogut obrir la sortida de so: el joc no sonarà. "
                                                              "Tria «Detector» per veure la distància amb colors."));
}

void GameController::FollowPointer() {
  const QPoint p = screen.PointerInPicture();
  pointer.SetPointer(p.x(), p.y(), QRect(0, 0, playfield.W(), playfield.H()).contains(p));
}

void GameController::ShowThreadError() {
  screen.Tell(GameScreen::Notice::Plain, QStringLiteral("Error creant thread"));
}

void GameController::TellNoCamera(const std::string& why) {
  const QString reason = why.empty() ? QStringLiteral("No s'ha pogut obrir la càmera.") : QString::fromStdString(why);
  screen.Tell(GameScreen::Notice::Information, reason + QStringLiteral(" El quadrat seguirà el ratolí."));
}

void GameController::TellDetectorTrouble(const std::string& why) {
  screen.Tell(GameScreen::Notice::Warning, QString::fromStdString(why));
}

void GameController::TellCameraLost() {
  screen.Tell(GameScreen::Notice::Warning, QStringLiteral("S'ha perdut la càmera: ja no arriben imatges."));
}

void GameController::PlaySound(const std::string& name) {
  if (services.playSound)
    services.playSound(name);
  else
    platform::SoundPlayer::Instance().Play(name);
}

}  // namespace ui
