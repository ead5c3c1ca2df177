#pragma once
#include <QObject>
#include <QPoint>
#include <QString>
#include <QTimer>
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "game/effect_channel.h"
#include "game/game_session.h"
#include "game/gaze_choice.h"
#include "game/geometry.h"
#include "game/pointer_eye_source.h"
#include "game/tracking_view.h"

// What the dialog plays with; the defaults are the real detector, clock and chance.
struct DialogServices {
  game::EyeSource* detector = nullptr;   // null: the eye detector library
  game::GazeLooks* gazeLooks = nullptr;  // null: the eye detector library's
  bool pointerFromStart = false;
  game::Clock* clock = nullptr;    // null: the system clock
  game::Chance* chance = nullptr;  // null: srand and rand
  game::ThreadLauncher launch;
  std::function<void(const std::string&)> playSound;  // default: the process's sound
  std::function<bool()> soundAvailable;               // default: the process's sound output opens (true with playSound)
  std::function<void(int intervalMs)> cueIntervalSet;  // told each interval the beeps are set to, if given
};

namespace ui {

// The window's widgets as a game reaches them, on the UI thread.
class GameScreen {
 public:
  enum class Notice { Plain, Information, Warning };
  virtual ~GameScreen() = default;
  virtual void EnableSolution(bool enabled) = 0;
  virtual void Tell(Notice kind, const QString& text) = 0;  // a message box with OK only
  virtual void ShowIndicator() = 0;
  virtual void ClearReveal() = 0;
  virtual void SetIndicatorBitmap(game::ProximityBand band) = 0;
  virtual void MoveIndicator(std::int32_t left, std::int32_t top) = 0;
  virtual void SetStatusText(const QString& text) = 0;
  virtual void ShowReveal(int pictureNumber, const game::TargetPoint& target) = 0;
  virtual void ShowNoFaceHint(bool shown) = 0;
  virtual QPoint PointerInPicture() const = 0;  // picture-area coordinates
  // The gaze calibration's dot and its line, at a picture-area point; none hides them.
  virtual void ShowCalibrationDot(std::optional<QPoint> at) = 0;
};

// A game in the window, without a widget of its own: the session, its timers, the
// mouse's eye source and the channel that brings the worker's effects to the UI thread.
class GameController final : public QObject,
                             public game::FlipOptions,
                             public game::GameWindow,
                             public game::TrackingView,
                             private game::DotView,
                             private game::CalibrationNotices {
 public:
  // cueTick: where a tick of the cue timer goes (the dialog routes it as a timer message).
  GameController(GameScreen& screen, DialogServices services, std::function<void()> cueTick);
  ~GameController() override;
  GameController(const GameController&) = delete;
  GameController& operator=(const GameController&) = delete;

  static constexpr int kPointerPeriodMs = 15;
  static constexpr int kCameraWatchMs = 250;  // the camera and the player's face, watched during a game

  void SetPlayfield(const game::PlayfieldRect& rect) { playfield = rect; }
  const game::PlayfieldRect& Playfield() const { return playfield; }
  game::GameSession& Session() { return *session; }
  const game::GameSession& Session() const { return *session; }
  int CueTimerInterval() const { return cueTimer.isActive() ? cueTimer.interval() : 0; }

  // "Activa" clicked: pressed, a game starts; released, it stops.
  void SetActive(bool pressed);
  void RevealNow();  // "Solució": a picture drawn by chance, at the target
  void PlayCue() { PlaySound("start1.wav"); }
  // "Centra la posició", the "Seguiment" menu and the gaze calibration (game/gaze_choice.h).
  void Recentre();
  void SetTracking(game::Tracking tracking);
  bool Calibrating() const { return gaze->Calibrating(); }
  void CancelCalibration();  // Esc or a click during the calibration
  void SetFlipVertical(bool on) { flipVerticalOn = on; }
  void SetFlipHorizontal(bool on) { flipHorizontalOn = on; }
  void StopForClose() { session->StopForClose(); }

  bool FlipVertical() const override { return flipVerticalOn; }
  bool FlipHorizontal() const override { return flipHorizontalOn; }

  void EnableSolution(bool enabled) override { screen.EnableSolution(enabled); }
  void SetCueTimer(int intervalMs) override {
    cueTimer.start(intervalMs);
    if (services.cueIntervalSet) services.cueIntervalSet(intervalMs);
  }
  void KillCueTimer() override { cueTimer.stop(); }
  void ShowThreadError() override;
  void TellNoCamera(const std::string& why) override;
  void TellDetectorTrouble(const std::string& why) override;
  void TellCameraLost() override;
  std::unique_ptr<game::TrackingView> OpenGameChannel() override { return gameChannel.Open(); }
  void CloseGameChannel() override { gameChannel.Close(); }

  void ShowIndicator() override { screen.ShowIndicator(); }
  void InvalidatePlayfield() override { screen.ClearReveal(); }
  void SetIndicatorBitmap(game::ProximityBand band) override { screen.SetIndicatorBitmap(band); }
  void MoveIndicator(std::int32_t left, std::int32_t top) override { screen.MoveIndicator(left, top); }
  void SetStatusText(const std::string& text) override { screen.SetStatusText(QString::fromStdString(text)); }
  void PlaySound(const std::string& name) override;
  void RevealPicture(int pictureNumber) override;

 private:
  void WatchCamera();
  void TellIfSilent();
  void FollowPointer();
  void TimeCalibration();
  void StepCalibration();
  void ShowDot(std::optional<game::PicturePoint> at) override;
  void TellNoCameraToCalibrate() override;
  void TellTooFewLooks() override;

  GameScreen& screen;
  DialogServices services;
  bool toldSilent = false;
  // The flip boxes as the tracking loop reads them, set on the UI thread.
  std::atomic<bool> flipVerticalOn{false};
  std::atomic<bool> flipHorizontalOn{false};
  game::PlayfieldRect playfield;
  QTimer cueTimer;
  QTimer pointerTimer;
  QTimer cameraWatch;
  QTimer dotTimer;
  QTimer revealLookStart, revealLookEnd;
  // The game's effects, applied by queued calls on this object's thread; a call queued
  // to a controller that is gone is dropped by Qt.
  game::EffectChannel gameChannel{*this, [this](std::function<void()> call) {
                                    QMetaObject::invokeMethod(this, std::move(call), Qt::QueuedConnection);
                                  }};
  game::PointerEyeSource pointer{playfield, *this};
  std::unique_ptr<game::GameSession> session;
  std::unique_ptr<game::GazeChoice> gaze;
};

}  // namespace ui
