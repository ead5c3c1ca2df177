#pragma once
#include <QDialog>
#include <QIcon>
#include <QPixmap>
#include <array>
#include <atomic>
#include <cstdint>
#include <functional>

#include "geometry.h"

class QCheckBox;
class QMenu;
class QLabel;
class QPushButton;
class CShowpic;

// The main window, "Tebiol": the picture area, the game's buttons and its options.
class CGlimmo2Dlg : public QDialog, public game::FlipOptions {
  Q_OBJECT
 public:
  explicit CGlimmo2Dlg(QWidget* parent = nullptr);
  ~CGlimmo2Dlg() override;

  // Message handlers, reached through the routing table.
  void OnSysCommand(int id, int param);
  void OnPaint();
  void OnOptionClicked();
  void OnMidaChanged();
  void OnCancel();

  std::int32_t FeedbackMode() const { return feedbackMode; }
  std::int32_t Tolerance() const { return tolerance; }
  const game::PlayfieldRect& Playfield() const { return playfield; }

  bool FlipVertical() const override;
  bool FlipHorizontal() const override;

  // The window's context menu, which stands in for the system menu.
  QMenu* SystemMenu() const { return systemMenu; }
  // The About box lives with the application; it hands the dialog the way to run it.
  void SetAboutBox(std::function<void(QWidget* parent)> run) { runAboutBox = std::move(run); }

  static constexpr int kSysClose = 0xF060;

 protected:
  void DoDataExchange(bool saving);
  bool OnInitDialog();
  void reject() override;  // the cancel command: Esc, the close box
  void accept() override;  // the OK command: Enter outside a push button
  void contextMenuEvent(QContextMenuEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void paintEvent(QPaintEvent* event) override;

 private:
  void AddAboutItem();
  void ShowBanner();

  std::atomic<bool> stopRequested{false};
  QCheckBox* flipHorizontalCheck = nullptr;
  QCheckBox* flipVerticalCheck = nullptr;
  QPushButton* solutionButton = nullptr;
  QLabel* blankPicture = nullptr;
  QLabel* indicator = nullptr;
  QLabel* statusStatic = nullptr;
  QPushButton* activateButton = nullptr;
  CShowpic* picture = nullptr;
  std::atomic<std::int32_t> feedbackMode{0};
  std::atomic<std::int32_t> tolerance{20};
  QIcon icon;
  // The flip boxes as the tracking loop reads them, kept on the UI thread.
  std::atomic<bool> flipVerticalOn{false};
  std::atomic<bool> flipHorizontalOn{false};

  QMenu* systemMenu = nullptr;
  std::function<void(QWidget*)> runAboutBox;
  bool controlsBound = false;
  game::PlayfieldRect playfield;
  std::array<QPixmap, 6> indicatorBitmaps;  // blue, light blue, orange, red, green, banner
};
