#pragma once
#include <QObject>
#include <QTimer>
#include <functional>
#include <memory>
#include <string>

#include "game/game_session.h"
#include "game/gaze_choice.h"
#include "game/geometry.h"
#include "game/pointer_eye_source.h"
#include "game/view.h"

// What the dialog plays with; the defaults are the real detector, clock and chance.
struct DialogServices {
  game::EyeSource* detector = nullptr;             // null: the eye detector library
  game::GazeCalibrator* gazeCalibrator = nullptr;  // null: the eye detector library's
  bool pointerFromStart = false;
  game::Clock* clock = nullptr;    // null: the system clock
  game::Chance* chance = nullptr;  // null: srand and rand
  game::ThreadLauncher launch;
  std::function<void(const std::string&)> playSound;  // default: the process's sound
  std::function<bool()> soundAvailable;               // default: the process's sound output opens (true with playSound)
};

namespace ui {

// The services with the real ones wherever none was given.
DialogServices WithDefaults(DialogServices services);

// A game in the window, without a widget of its own: the session, the gaze tracking's
// choice, their timers and the mouse's eye source. What the game shows and tells goes
// straight to the view.
class GameController final : public QObject {
 public:
  // `services` with every part given: the window fills in the real ones (WithDefaults).
  GameController(game::View& view, DialogServices services);
  ~GameController() override;
  GameController(const GameController&) = delete;
  GameController& operator=(const GameController&) = delete;

  static constexpr int kPointerPeriodMs = 15;
  static constexpr int kCameraWatchMs = 250;  // the camera and the player's face, watched during a game

  void SetPlayfield(const game::PlayfieldRect& rect) { playfield = rect; }
  const game::PlayfieldRect& Playfield() const { return playfield; }
  game::GameSession& Session() { return *session; }
  const game::GameSession& Session() const { return *session; }
  game::FlipBoxes& Flips() { return flips; }
  const game::FlipBoxes& Flips() const { return flips; }

  // "Activa" clicked: pressed, a game starts; released, it stops.
  void SetActive(bool pressed);
  int DrawPicture();  // "Solució": a picture drawn by chance
  // A picture is shown at the target: in gaze tracking, one more calibration look.
  void PictureRevealed();
  // "Centra la posició", the "Seguiment" menu and the gaze calibration (game/gaze_choice.h).
  void Recentre();
  void SetTracking(IrisdetTracking tracking);
  bool Calibrating() const { return gaze->Calibrating(); }
  void CancelCalibration();                      // Esc or a click during the calibration
  void ChooseCamera(const std::string& device);  // the "Càmera" menu
  void StopForClose() { session->StopForClose(); }

 private:
  void WatchCamera();
  void FollowWhatPlays(bool playing);
  void FollowPointer();
  void TimeCalibration();
  void StepCalibration();

  game::View& view;
  DialogServices services;
  game::FlipBoxes flips;
  game::PlayfieldRect playfield;
  QTimer pointerTimer;
  QTimer cameraWatch;
  QTimer dotTimer;
  QTimer revealLookStart, revealLookEnd;
  game::PointerEyeSource pointer{playfield, flips};
  std::unique_ptr<game::GameSession> session;
  std::unique_ptr<game::GazeChoice> gaze;
};

}  // namespace ui
