#include "ui/camera_menu.h"

#include <QAction>
#include <QActionGroup>
#include <QMenu>

CameraMenu::CameraMenu(QMenu* menu, game::EyeSource& detector, std::function<void(const std::string&)> choose)
    : menu_(menu), detector_(detector), choose_(std::move(choose)) {
  connect(menu_, &QMenu::aboutToShow, this, [this] {
    Show(cameras_);
    ListAgain();
  });
  Show(cameras_);
}

CameraMenu::~CameraMenu() {
  if (lister_.joinable()) lister_.join();
}

void CameraMenu::ListAgain() {
  if (listing_) return;                    // the last listing has not come back yet
  if (lister_.joinable()) lister_.join();  // done: it cleared listing_ as its last step
  listing_ = true;
  lister_ = std::thread([this] {
    std::vector<game::CameraChoice> cameras = detector_.Cameras();
    QMetaObject::invokeMethod(
        this,
        [this, cameras = std::move(cameras)] {
          cameras_ = cameras;
          Show(cameras_);
        },
        Qt::QueuedConnection);
    listing_ = false;
  });
}

void CameraMenu::Show(const std::vector<game::CameraChoice>& cameras) {
  menu_->clear();
  const game::WatchedSource watched = detector_.Watched();
  if (watched.kind == game::WatchedSource::Kind::kEnvironment) {
    menu_->addAction(QString::fromStdString("IRISDET_SOURCE: " + watched.text))->setEnabled(false);
    menu_->addSeparator();
  }
  if (cameras.empty()) menu_->addAction(QStringLiteral("Cap càmera"))->setEnabled(false);
  auto* group = new QActionGroup(menu_);
  bool defaultTicked = false;
  for (const game::CameraChoice& camera : cameras) {
    const QString name = QString::fromStdString(camera.name) + (camera.greyOnly ? QStringLiteral(" (infraroja)") : "");
    QAction* item = menu_->addAction(name, this, [this, device = camera.device] { choose_(device); });
    item->setCheckable(true);
    group->addAction(item);
    item->setEnabled(watched.kind != game::WatchedSource::Kind::kEnvironment);
    const bool isDefault = watched.kind == game::WatchedSource::Kind::kDefault && !camera.greyOnly && !defaultTicked;
    item->setChecked((watched.kind == game::WatchedSource::Kind::kChosen && camera.device == watched.text) ||
                     isDefault);
    defaultTicked = defaultTicked || isDefault;
  }
}
