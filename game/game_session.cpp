#include "game/game_session.h"

#include <system_error>

#include "platform/thread_name.h"

namespace game {

namespace {
// The cue timer's period from a game's start until the first eye gives a band its own.
constexpr int kFirstCueIntervalMs = 500;
}  // namespace

ThreadLauncher StdThreadLauncher() {
  return [](std::function<void()> body) { return std::thread(std::move(body)); };
}

GameSession::GameSession(View& view, const PlayfieldRect& playfield, const FlipOptions& flips, GameServices services)
    : view(view),
      playfield(playfield),
      flips(flips),
      services(std::move(services)),
      watchedDetector(this->services.detector, this->services.clock),
      effects(view, this->services.deliver) {}

GameSession::~GameSession() {
  calibrationWatches = false;  // closing: the detector stops whatever looks
  RequestStop();
  StopEyes();
  JoinWorker();
}

void GameSession::SetActive(bool pressed) {
  // Every click starts the eyes, the stop click too (the game requires it): the stop's
  // own steps then stop them, and a start while started keeps the same camera.
  StartEyes();
  PickTarget(playfield, target, services.clock, services.chance);
  if (pressed) {
    StartGame();
    TellIfSilent();
  } else {
    StopGame();
  }
}

void GameSession::TellIfSilent() {
  // Spoken mode would otherwise be silent and colourless, with nothing said.
  if (toldSilent || !services.soundAvailable || services.soundAvailable()) return;
  toldSilent = true;
  view.Tell(
      View::Notice::kInformation,
      "No s'ha pogut obrir la sortida de so: el joc no sonarà. Tria «Detector» per veure la distància amb colors.");
}

void GameSession::StartEyes() {
  if (!services.pointerFromStart && watchedDetector.Start() == 0) {
    eyes = &watchedDetector;
    gameWatches = true;
    return;
  }
  FollowTheMouse();
}

void GameSession::FollowTheMouse() {
  if (!services.pointerFromStart && !toldNoCamera) {
    toldNoCamera = true;
    const std::string why = watchedDetector.Failure();
    view.Tell(View::Notice::kInformation,
              (why.empty() ? "No s'ha pogut obrir la càmera." : why) + " El quadrat seguirà el ratolí.");
  }
  services.pointer.Start();
  eyes = &services.pointer;
}

void GameSession::StartGame() {
  JoinWorker();  // the previous game's worker leaves within one poll
  stopRequested = false;
  toldCameraLost = false;
  view.EnableSolution(true);
  workerView = effects.Open();
  context =
      std::make_unique<TrackingContext>(TrackingContext{playfield, target, flips, stopRequested, paused, feedback,
                                                        tolerance, eyes, *workerView, services.clock, services.chance});
  try {
    workerRunning = true;
    worker = services.launch([this] {
      platform::NameThisThread("tracking");
      TrackGaze(*context);
      workerRunning = false;
    });
  } catch (const std::system_error&) {
    workerRunning = false;
    view.Tell(View::Notice::kPlain, "Error creant thread");
    return;
  }
  if (!paused) view.SetCueTimer(kFirstCueIntervalMs);  // a paused game beeps from its resume
}

void GameSession::CheckCamera() {
  if (!PlayingWithDetector()) return;
  const CameraState camera = watchedDetector.Camera();
  if (camera == CameraState::kFailed) {
    if (!calibrationWatches) watchedDetector.Stop();
    gameWatches = false;
    return FollowTheMouse();
  }
  if (std::string trouble = watchedDetector.Failure(); !trouble.empty() && trouble != toldTrouble) {
    toldTrouble = std::move(trouble);
    // Something the player can mend (a landmark model that cannot be used): the square
    // will not follow the eyes.
    return view.Tell(View::Notice::kWarning, toldTrouble);
  }
  if (camera == CameraState::kDelivering) toldCameraLost = false;  // back: a second loss is told again
  if (camera != CameraState::kLost || toldCameraLost) return;
  toldCameraLost = true;
  view.Tell(View::Notice::kWarning, "S'ha perdut la càmera: ja no arriben imatges.");
}

bool GameSession::FaceMissing() { return !stopRequested && PlayingWithDetector() && watchedDetector.FaceMissing(); }

void GameSession::StopGame() {
  view.EnableSolution(false);
  StopSteps();
}

void GameSession::StopForClose() {
  calibrationWatches = false;  // closing: the detector stops whatever looks
  StopSteps();
  JoinWorker();
}

void GameSession::StopSteps() {
  RequestStop();
  StopEyes();
  view.KillCueTimer();
  effects.Close();  // nothing of this game reaches the window any more
}

void GameSession::StopEyes() {
  gameWatches = false;
  if (!calibrationWatches) watchedDetector.Stop();  // the calibration still looks
  services.pointer.Stop();
}

bool GameSession::StartWatching() {
  if (services.pointerFromStart) return false;
  if (!gameWatches && watchedDetector.Start() != 0) return false;
  calibrationWatches = true;
  return true;
}

void GameSession::StopWatching() {
  if (!calibrationWatches) return;
  calibrationWatches = false;
  if (!gameWatches) watchedDetector.Stop();
}

void GameSession::Pause() {
  paused = true;
  effects.Pause();
  view.KillCueTimer();
  view.HideIndicator();
}

void GameSession::Resume() {
  if (!paused) return;
  paused = false;
  view.ShowIndicator();
  // As at a start: the first band seen sets the beeps; what the game did just before the
  // pause (a find, even) comes after this.
  if (workerRunning) view.SetCueTimer(kFirstCueIntervalMs);
  effects.Resume();
}

void GameSession::JoinWorker() {
  if (worker.joinable()) worker.join();
}

}  // namespace game
