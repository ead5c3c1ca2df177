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

GameSession::GameSession(GameWindow& window, const PlayfieldRect& playfield, const FlipOptions& flips,
                         GameServices services)
    : window(window),
      playfield(playfield),
      flips(flips),
      services(std::move(services)),
      watchedDetector(this->services.detector, this->services.clock) {}

GameSession::~GameSession() {
  RequestStop();
  StopEyes();
  JoinWorker();
}

void GameSession::SetActive(bool pressed) {
  // Every click starts the eyes, the stop click too, as the game always did: the
  // stop's own steps then stop them, and a start while started keeps the same camera.
  StartEyes();
  PickTarget(playfield, target, services.clock, services.chance);
  if (pressed)
    StartGame();
  else
    StopGame();
}

void GameSession::StartEyes() {
  if (!services.pointerFromStart && watchedDetector.Start() == 0) {
    eyes = &watchedDetector;
    return;
  }
  if (!services.pointerFromStart && !toldNoCamera) {
    toldNoCamera = true;
    window.TellNoCamera(watchedDetector.Failure());
  }
  services.pointer.Start();
  eyes = &services.pointer;
}

void GameSession::StartGame() {
  JoinWorker();  // the previous game's worker leaves within one poll
  stopRequested = false;
  toldCameraLost = false;
  window.EnableSolution(true);
  channel = window.OpenGameChannel();
  context = std::make_unique<TrackingContext>(TrackingContext{
      playfield, target, flips, stopRequested, feedback, tolerance, *eyes, *channel, services.clock, services.chance});
  try {
    workerRunning = true;
    worker = services.launch([this] {
      platform::NameThisThread("tracking");
      TrackGaze(*context);
      workerRunning = false;
    });
  } catch (const std::system_error&) {
    workerRunning = false;
    window.ShowThreadError();
    return;
  }
  window.SetCueTimer(kFirstCueIntervalMs);
}

void GameSession::CheckCamera() {
  if (!PlayingWithDetector()) return;
  if (std::string trouble = watchedDetector.Failure(); !trouble.empty() && trouble != toldTrouble) {
    toldTrouble = std::move(trouble);
    window.TellDetectorTrouble(toldTrouble);
    return;
  }
  if (toldCameraLost || !PlayingWithDetector() || watchedDetector.Delivering()) return;
  toldCameraLost = true;
  window.TellCameraLost();
}

bool GameSession::FaceMissing() { return !stopRequested && PlayingWithDetector() && watchedDetector.FaceMissing(); }

void GameSession::StopGame() {
  window.EnableSolution(false);
  StopSteps();
}

void GameSession::StopForClose() {
  StopSteps();
  JoinWorker();
}

void GameSession::StopSteps() {
  RequestStop();
  StopEyes();
  window.KillCueTimer();
  window.CloseGameChannel();  // nothing of this game reaches the window any more
}

void GameSession::StopEyes() {
  if (!watchingAlone) watchedDetector.Stop();  // the calibration still looks
  services.pointer.Stop();
}

bool GameSession::StartWatching() {
  if (services.pointerFromStart) return false;
  if (PlayingWithDetector()) return true;
  watchingAlone = watchedDetector.Start() == 0;
  return watchingAlone;
}

void GameSession::StopWatching() {
  if (!watchingAlone) return;
  watchingAlone = false;
  if (!PlayingWithDetector()) watchedDetector.Stop();
}

void GameSession::JoinWorker() {
  if (worker.joinable()) worker.join();
}

}  // namespace game
