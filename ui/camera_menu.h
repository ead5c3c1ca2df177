#pragma once
#include <QObject>
#include <atomic>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "game/eye_source.h"

class QMenu;

// The "Càmera" submenu: the computer's cameras by their own names, the one watched
// ticked, infrared ones last and marked. Asking the cameras opens each device, so each
// time the menu opens it is listed anew on a thread of its own, and the menu shows the
// list as soon as it comes (a camera plugged in during the game is there then). The lister
// is joined before the menu goes; its result reaches the menu by a queued call.
class CameraMenu final : public QObject {
 public:
  CameraMenu(QMenu* menu, game::EyeSource& detector, std::function<void(const std::string& device)> choose);
  ~CameraMenu() override;
  CameraMenu(const CameraMenu&) = delete;
  CameraMenu& operator=(const CameraMenu&) = delete;

 private:
  void ListAgain();
  void Show(const std::vector<game::CameraChoice>& cameras);

  QMenu* menu_;
  game::EyeSource& detector_;
  std::function<void(const std::string&)> choose_;
  std::vector<game::CameraChoice> cameras_;
  std::thread lister_;
  std::atomic<bool> listing_{false};
};
