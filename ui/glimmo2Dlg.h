#pragma once
#include <QDialog>
#include <QIcon>
#include <QPixmap>
#include <QTimer>
#include <array>
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

#include "game/effect_channel.h"
#include "game/game_session.h"
#include "game/geometry.h"
#include "game/pointer_eye_source.h"
#include "game/tracking_view.h"

class QCheckBox;
class QLabel;
class QMenu;
class QPushButton;
class CShowpic;

// What the dialog plays with; the defaults are the real detector, clock and chance.
struct DialogServices {
  game::EyeSource* detector = nullptr;  // null: the eye detector library
  bool pointerFromStart = false;
  game::Clock* clock = nullptr;    // null: the system clock
  game::Chance* chance = nullptr;  // null: srand and rand
  game::ThreadLauncher launch;
  std::function<void(const std::string&)> playSound;  // default: the process's sound
  std::function<bool()> soundAvailable;               // default: the process's sound output opens (true with playSound)
};

// The main window, "Tebiol": the picture area, the game's buttons and its options.
class CGlimmo2Dlg : public QDialog, public game::FlipOptions, public game::GameWindow, public game::TrackingView {
  Q_OBJECT
 public:
  explicit CGlimmo2Dlg(QWidget* parent = nullptr, DialogServices services = {});
  ~CGlimmo2Dlg() override;

  // Message handlers, reached through the routing table.
  void OnSysCommand(int id, int param);
  void OnPaint();
  void OnActivaClicked();
  void RevealPicture();
  void OnCapturaClicked();
  void OnTimer(int id);
  void OnOptionClicked();
  void OnMidaChanged();
  void OnCancel();
  // The player's own: a new neutral position for comfortable tracking ("C"), and the
  // tracking chosen in the "Seguiment" menu.
  void OnRecentre();
  void OnTrackingChosen(bool comfortable);
  bool NoFaceHintShown() const;

  std::int32_t FeedbackMode() const { return session->feedbackMode; }
  std::int32_t Tolerance() const { return session->tolerance; }
  const game::PlayfieldRect& Playfield() const { return playfield; }
  const game::GameSession& Game() const { return *session; }
  int CueTimerInterval() const { return cueTimer.isActive() ? cueTimer.interval() : 0; }

  bool FlipVertical() const override;
  bool FlipHorizontal() const override;

  // The window's context menu, which stands in for the system menu.
  QMenu* SystemMenu() const { return systemMenu; }
  // The About box lives with the application; it hands the dialog the way to run it.
  void SetAboutBox(std::function<void(QWidget* parent)> run) { runAboutBox = std::move(run); }

  static constexpr int kSysClose = 0xF060;
  static constexpr int kCueTimerId = 1;
  static constexpr int kPointerPeriodMs = 15;
  static constexpr int kCameraWatchMs = 250;  // the camera and the player's face, watched during a game

  // The game's window effects, applied on the UI thread.
  bool ActivaPressed() const override;
  void EnableSolution(bool enabled) override;
  void SetCueTimer(int intervalMs) override;
  void KillCueTimer() override;
  void ShowThreadError() override;
  void TellNoCamera(const std::string& why) override;
  void TellDetectorTrouble(const std::string& why) override;
  void TellCameraLost() override;
  std::unique_ptr<game::TrackingView> OpenGameChannel() override;
  void CloseGameChannel() override;
  void ShowIndicator() override;
  void InvalidatePlayfield() override;
  void SetIndicatorBitmap(game::ProximityBand band) override;
  void MoveIndicator(std::int32_t left, std::int32_t top) override;
  void SetStatusText(const std::string& text) override;
  void PlaySound(const std::string& name) override;
  void RevealPicture(int pictureNumber) override;

 protected:
  void DoDataExchange(bool saving);
  bool OnInitDialog();
  void DrawReveal(std::optional<int> pictureNumber);
  void reject() override;  // the cancel command: Esc, the close box
  void accept() override;  // the OK command: Enter outside a push button
  void contextMenuEvent(QContextMenuEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void paintEvent(QPaintEvent* event) override;

 private:
  void AddAboutItem();
  void AddTrackingItems();
  void WatchCamera();
  void TellIfSilent();
  void Tell(int icon, const QString& text);  // a message box with OK only
  void ShowBanner();
  void FollowPointer();

  QCheckBox* flipHorizontalCheck = nullptr;
  QCheckBox* flipVerticalCheck = nullptr;
  QPushButton* solutionButton = nullptr;
  QLabel* blankPicture = nullptr;
  QLabel* indicator = nullptr;
  QLabel* statusStatic = nullptr;
  QLabel* noFaceHint = nullptr;  // over the picture area, never in the way of a click
  bool toldSilent = false;
  QPushButton* activateButton = nullptr;
  CShowpic* picture = nullptr;
  QIcon icon;
  // The flip boxes as the tracking loop reads them, kept on the UI thread.
  std::atomic<bool> flipVerticalOn{false};
  std::atomic<bool> flipHorizontalOn{false};

  DialogServices services;
  QMenu* systemMenu = nullptr;
  std::function<void(QWidget*)> runAboutBox;
  bool controlsBound = false;
  game::PlayfieldRect playfield;
  std::array<QPixmap, 6> indicatorBitmaps;  // blue, light blue, orange, red, green, banner
  QTimer cueTimer;
  QTimer pointerTimer;
  QTimer cameraWatch;
  // The game's effects, applied by queued calls on this window's thread; a call
  // queued to a window that is gone is dropped by Qt.
  game::EffectChannel gameChannel{*this, [this](std::function<void()> call) {
                                    QMetaObject::invokeMethod(this, std::move(call), Qt::QueuedConnection);
                                  }};
  game::PointerEyeSource pointer{playfield, *this};
  std::unique_ptr<game::GameSession> session;
};
