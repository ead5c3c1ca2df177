#pragma once
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <thread>

#include "game/effect_channel.h"
#include "game/eye_source.h"
#include "game/face_presence.h"
#include "game/geometry.h"
#include "game/ports.h"
#include "game/tracking_loop.h"
#include "game/view.h"

namespace game {

using ThreadLauncher = std::function<std::thread(std::function<void()>)>;
ThreadLauncher StdThreadLauncher();

struct GameServices {
  EyeSource& detector;
  EyeSource& pointer;
  bool pointerFromStart;  // no camera wanted: the mouse plays
  Clock& clock;
  Chance& chance;
  ThreadLauncher launch;
  EffectChannel::Deliver deliver;                  // runs the worker's effects later on the UI thread
  std::function<bool()> soundAvailable = nullptr;  // whether the sound output opens; none: it does
};

// "Activa" and the stop steps: Idle, Running and Found, one worker at a time. Every method
// runs on the UI thread; the worker shares with it only the tracking context (atomics) and
// the effect channel, and is joined before a new game starts and when the session goes.
class GameSession {
 public:
  GameSession(View& view, const PlayfieldRect& playfield, const FlipOptions& flips, GameServices services);
  ~GameSession();
  GameSession(const GameSession&) = delete;
  GameSession& operator=(const GameSession&) = delete;

  // "Activa" clicked: pressed, a game starts; released, it stops. A game without sound
  // says so, once a run.
  void SetActive(bool pressed);
  void RequestStop() { stopRequested = true; }
  // The stop steps of closing the window; returns once the worker has left.
  void StopForClose();
  // Now and then during a game (UI thread): a camera that turns out not to open is told
  // (once a run) and the mouse plays instead; a camera that stops giving frames is told
  // once until it gives them again; what else went wrong is told once a run.
  void CheckCamera();
  // The calibration's camera could not be opened.
  bool CameraFailed() { return watchedDetector.Camera() == CameraState::kFailed; }
  // The camera watched from now on, at once during a game.
  void ChooseCamera(const std::string& device) { watchedDetector.ChooseCamera(device); }

  // During a game with the detector: no eye for a second or more.
  bool FaceMissing();
  // The detector's tracking, chosen by the player, and a new neutral position.
  void SetTracking(IrisdetTracking tracking) { watchedDetector.SetTracking(tracking); }
  IrisdetTracking TrackingInUse() { return watchedDetector.TrackingInUse(); }
  void Recentre() { watchedDetector.Recentre(); }
  // The detector watching for the gaze calibration: started when no game holds it, never
  // restarted, and kept open while the calibration looks even if the game stops; false
  // when it cannot start. UI thread.
  bool StartWatching();
  void StopWatching();
  // A calibration pauses the game: the square hidden, no beep and no cue, the tracking
  // loop silent. Resumed, the game goes on with its target. UI thread.
  void Pause();
  void Resume();

  const TargetPoint& Target() const { return target; }
  bool UsingPointer() const { return eyes.load() == &services.pointer; }

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
  bool PlayingWithDetector() const { return workerRunning && eyes.load() == &watchedDetector; }
  void TellIfSilent();
  void FollowTheMouse();  // the camera could not be opened: told once a run

  View& view;
  const PlayfieldRect& playfield;
  const FlipOptions& flips;
  GameServices services;
  FacePresence watchedDetector;  // the services' detector, watched for a missing face
  std::atomic<bool> stopRequested{false};
  std::atomic<bool> paused{false};
  TargetPoint target;
  std::atomic<EyeSource*> eyes{nullptr};
  bool gameWatches = false;         // a game started the detector and has not stopped it
  bool calibrationWatches = false;  // the calibration needs the detector
  bool toldNoCamera = false;
  bool toldCameraLost = false;
  bool toldSilent = false;
  std::string toldTrouble;
  EffectChannel effects;                     // from this session's games to the view
  std::unique_ptr<TrackingView> workerView;  // the running game's end of it
  std::unique_ptr<TrackingContext> context;
  std::thread worker;
  std::atomic<bool> workerRunning{false};
  std::atomic<FeedbackMode> feedback{FeedbackMode::kSpoken};
  std::atomic<std::int32_t> tolerance{kDefaultTolerance};
};

}  // namespace game
