#include "tests/support/soak_driver.h"

#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <random>
#include <thread>

#include "res/resource_ids.h"
#include "tests/support/measures.h"
#include "ui/glimmo2Dlg.h"
#include "ui/template_builder.h"

namespace soak {
namespace {

// Looks at the target when told to, elsewhere otherwise.
class AimingEyes : public game::EyeSource {
 public:
  std::int32_t Start() override { return 0; }
  void Stop() override {}
  std::int32_t Poll(game::CameraPoint& sample) override {
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
    const int w = playfieldW.load(), h = playfieldH.load();
    if (!aim || w <= 0 || h <= 0) {
      sample = {5, 5};
      return 1;
    }
    // The camera point whose gaze, 16 px up and left of the target, is measured on it.
    sample = {static_cast<std::int16_t>((targetX - 16) * IRISDET_FRAME_WIDTH / w + 1),
              static_cast<std::int16_t>((targetY - 16) * IRISDET_FRAME_HEIGHT / h + 1)};
    return 1;
  }
  std::atomic<bool> aim{false};
  std::atomic<int> targetX{0}, targetY{0}, playfieldW{0}, playfieldH{0};
};

bool Wait(const std::function<bool()>& done, int ms) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
  while (!done()) {
    if (std::chrono::steady_clock::now() > end) return false;
    QApplication::processEvents(QEventLoop::AllEvents, 5);
  }
  return true;
}

void Click(QWidget& dialog, int id) { QTest::mouseClick(ui::FindControl(dialog, id), Qt::LeftButton); }

}  // namespace

Figures PlayGames(int games, const std::string& snapshotSource, const std::function<void(int)>& progress) {
  measures::SetBeforeAnyThread("IRISDET_SOURCE", snapshotSource);
  Figures figures;
  AimingEyes eyes;
  std::atomic<int> workers{0}, most{0};
  DialogServices services;
  services.detector = &eyes;
  services.playSound = [](const std::string&) {};
  services.launch = [&](std::function<void()> body) {
    measures::RaiseToAtLeast(most, ++workers);  // from the launch: a click returns with its worker counted
    return std::thread([&, body = std::move(body)] {
      body();
      --workers;
    });
  };
  CGlimmo2Dlg dialog(nullptr, std::move(services));
  dialog.show();
  eyes.playfieldW = dialog.Controller().Playfield().W();
  eyes.playfieldH = dialog.Controller().Playfield().H();
  auto* activa = qobject_cast<QPushButton*>(ui::FindControl(dialog, res::kActiva));
  auto* mida = qobject_cast<QLineEdit*>(ui::FindControl(dialog, res::kMida));
  std::mt19937 random(2026);
  const char* junk[] = {"", "-", "abc", "12ab", "99999999999", "-7", "0"};
  for (int game = 0; game < games; ++game) {
    Click(dialog, game % 2 ? res::kDetector : res::kDretaEsquerra);
    if (random() % 3 == 0) mida->setText(QString::fromLatin1(junk[random() % 7]));
    mida->setText(QString::number(20 + random() % 20));  // a game that can be won
    const bool find = game % 3 != 2;
    eyes.aim = false;
    Click(dialog, res::kActiva);
    eyes.targetX = dialog.Controller().Session().Target().targetX.load();
    eyes.targetY = dialog.Controller().Session().Target().targetY.load();
    eyes.aim = find;
    if (random() % 4 == 0) Click(dialog, res::kCaptura), ++figures.snapshots;
    if (find && Wait([&] { return workers == 0; }, 3000)) ++figures.finds;
    if (!find) Wait([] { return false; }, static_cast<int>(random() % 40)), ++figures.stops;
    Click(dialog, res::kActiva);  // back to idle
    if (activa->isChecked()) Click(dialog, res::kActiva);
    ++figures.games;
    if (game == std::min(games - 1, 20)) figures.residentAfterWarmUpMiB = measures::ResidentMiB();
    if (progress) progress(game);
  }
  figures.residentAtEndMiB = measures::ResidentMiB();
  figures.mostWorkersAtOnce = most;
  return figures;
}

}  // namespace soak
