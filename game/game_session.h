#pragma once
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <thread>

#include "game/eye_source.h"
#include "game/face_presence.h"
#include "game/geometry.h"
#include "game/ports.h"
#include "game/tracking_loop.h"
#include "game/tracking_view.h"

namespace game {

// What starting and stopping a game needs of the window (UI thread).
class GameWindow : public CueTimer {
 public:
  virtual void EnableSolution(bool enabled) = 0;
  virtual void ShowThreadError() = 0;  // "Error creant thread"
  // The detector could not start (why, from the detector): the game falls back on the mouse.
  virtual void TellNoCamera(const std::string& why) = 0;
  virtual void TellCameraLost() = 0;  // the camera stopped giving frames mid-game
  // Something the player can mend went wrong once the detector had started (a
  // landmark model that cannot be used): the square will not follow the eyes.
  virtual void TellDetectorTrouble(const std::string& why) = 0;
  // A fresh channel for one game's effects; closing it drops whatever of that game
  // has not reached the window yet.
  virtual std::unique_ptr<TrackingView> OpenGameChannel() = 0;
  virtual void CloseGameChannel() = 0;
};

using ThreadLauncher = std::function<std::thread(std::function<void()>)>;
ThreadLauncher StdThreadLauncher();

struct GameServices {
  EyeSource& detector;
  EyeSource& pointer;
  bool pointerFromStart;  // no camera wanted: the mouse plays
  Clock& clock;
  Chance& chance;
  ThreadLauncher launch;
};

// "Activa" and the stop steps: Idle, Running and Found, one worker at a time.
class GameSession {
 public:
  GameSession(GameWindow& window, const PlayfieldRect& playfield, const FlipOptions& flips, GameServices services);
  ~GameSession();
  GameSession(const GameSession&) = delete;
  GameSession& operator=(const GameSession&) = delete;

  // "Activa" clicked: pressed, a game starts; released, it stops.
  void SetActive(bool pressed);
  void RequestStop() { stopRequested = true; }
  // The stop steps of closing the window; returns once the worker has left.
  void StopForClose();
  // Now and then during a game (UI thread): tells the player, once a game, when the
  // camera has stopped giving frames, and once for the run what else went wrong.
  void CheckCamera();

  // During a game with the detector: no eye for a second or more.
  bool FaceMissing();
  // The detector's tracking, chosen by the player, and a new neutral position.
  void SetTracking(Tracking tracking) { watchedDetector.SetTracking(tracking); }
  Tracking TrackingInUse() { return watchedDetector.TrackingInUse(); }
  void Recentre() { watchedDetector.Recentre(); }
  // The detector watching without a game, for the gaze calibration (a game's own watch
  // is kept); false when it cannot start. UI thread.
  bool StartWatching();
  void StopWatching();

  const TargetPoint& Target() const { return target; }
  bool UsingPointer() const { return eyes == &services.pointer; }

  // The dialog's choices, read by the game at every pass.
  void SetFeedback(FeedbackMode mode) { feedback = mode; }
  void SetTolerance(std::int32_t pixels) { tolerance = pixels; }
  FeedbackMode Feedback() const { return feedback; }
  std::int32_t Tolerance() const { return tolerance; }

 private:
  void StartEyes();
  void StartGame();
  void StopGame();
  void StopSteps();  // shared by a stop click and closing the window
  void StopEyes();
  void JoinWorker();
  bool PlayingWithDetector() const { return workerRunning && eyes == &watchedDetector; }

  GameWindow& window;
  const PlayfieldRect& playfield;
  const FlipOptions& flips;
  GameServices services;
  FacePresence watchedDetector;  // the services' detector, watched for a missing face
  std::atomic<bool> stopRequested{false};
  TargetPoint target;
  EyeSource* eyes = nullptr;
  bool watchingAlone = false;  // started for the calibration, not by a game
  bool toldNoCamera = false;
  bool toldCameraLost = false;
  std::string toldTrouble;
  std::unique_ptr<TrackingView> channel;
  std::unique_ptr<TrackingContext> context;
  std::thread worker;
  std::atomic<bool> workerRunning{false};
  std::atomic<FeedbackMode> feedback{FeedbackMode::kSpoken};
  std::atomic<std::int32_t> tolerance{kDefaultTolerance};
};

}  // namespace game
