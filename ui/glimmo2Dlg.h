#pragma once
#include <QDialog>
#include <QIcon>
#include <QPixmap>
#include <QTimer>
#include <array>
#include <functional>
#include <memory>

#include "game/geometry.h"
#include "ui/game_controller.h"

class QCheckBox;
class QLabel;
class QMenu;
class QPushButton;
class CShowpic;
class CalibrationOverlay;
class CameraMenu;

// The main window, "Tebiol": the picture area, the game's buttons and its options.
// It keeps the names, the message table and the template the game's design gives it; the
// game itself runs in its controller, and the window is the game's view. UI thread only.
class CGlimmo2Dlg : public QDialog, public game::View {
  Q_OBJECT
 public:
  explicit CGlimmo2Dlg(QWidget* parent = nullptr, DialogServices services = {});
  ~CGlimmo2Dlg() override;

  // Message handlers, reached through the routing table.
  void OnSysCommand(int id, int param);
  void OnActivaClicked();
  void RevealPicture();  // "Solució"
  void OnCapturaClicked();
  void OnTimer(int id);
  void OnOptionClicked();
  void OnMidaChanged();
  void OnCancel();
  // The player's own: a new neutral position for comfortable tracking ("C"), and the
  // tracking chosen in the "Seguiment" menu.
  void OnRecentre();
  void OnTrackingChosen(IrisdetTracking tracking);

  ui::GameController& Controller() { return *controller; }
  const ui::GameController& Controller() const { return *controller; }
  // The window's context menu, which stands in for the system menu.
  QMenu* SystemMenu() const { return systemMenu; }
  // The About box lives with the application; it hands the dialog the way to run it.
  void SetAboutBox(std::function<void(QWidget* parent)> run) { runAboutBox = std::move(run); }

  static constexpr int kSysClose = 0xF060;
  static constexpr int kCueTimerId = 1;

 protected:
  void DoDataExchange(bool saving);
  bool OnInitDialog();
  void reject() override;  // the cancel command: "Sortir", Esc, the close box
  void accept() override;  // the OK command: Enter outside a push button
  void contextMenuEvent(QContextMenuEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

  // The window as the game reaches it, on the UI thread.
  void EnableSolution(bool enabled) override;
  void Tell(Notice kind, const std::string& text) override;
  void ShowIndicator() override;
  void HideIndicator() override;
  void InvalidatePlayfield() override;
  void SetIndicatorBitmap(game::ProximityBand band) override;
  void MoveIndicator(std::int32_t left, std::int32_t top) override;
  void SetStatusText(const std::string& text) override;
  void SetCueTimer(int intervalMs) override;
  void KillCueTimer() override { cueTimer.stop(); }
  void PlaySound(const std::string& name) override { services.playSound(name); }
  void RevealPicture(int pictureNumber) override;
  void ShowNoFaceHint(bool shown) override;
  game::PicturePoint PointerInPicture() const override;
  void ShowDot(std::optional<game::PicturePoint> at) override;
  void ShowDotNote(const std::string& note) override;

 private:
  void AddAboutItem();
  void AddTrackingItems();
  void ShowBanner();

  QCheckBox* flipHorizontalCheck = nullptr;
  QCheckBox* flipVerticalCheck = nullptr;
  QPushButton* solutionButton = nullptr;
  QLabel* blankPicture = nullptr;
  QLabel* indicator = nullptr;
  QLabel* statusStatic = nullptr;
  QLabel* noFaceHint = nullptr;  // over the picture area, never in the way of a click
  CalibrationOverlay* calibrationOverlay = nullptr;
  QPushButton* activateButton = nullptr;
  CShowpic* picture = nullptr;
  QIcon icon;
  QMenu* systemMenu = nullptr;
  std::function<void(QWidget*)> runAboutBox;
  bool controlsBound = false;
  std::array<QPixmap, 6> indicatorBitmaps;  // blue, light blue, orange, red, green, banner
  DialogServices services;
  QTimer cueTimer{this};  // the beeps ("cueTimer"): each tick is the dialog's timer message
  std::unique_ptr<ui::GameController> controller;
  std::unique_ptr<CameraMenu> cameraMenu;  // goes first: its lister is joined before the services go
};
