#include <gtest/gtest.h>

#include <QPushButton>
#include <QTest>
#include <atomic>
#include <chrono>
#include <thread>

#include "res/resource_ids.h"
#include "tests/qt_wait.h"
#include "tests/support/measures.h"
#include "tests/support/soak_driver.h"
#include "ui/glimmo2Dlg.h"
#include "ui/template_builder.h"

namespace {

TEST(SoakTest, GamesInARowNeverTwoWorkersNoGrowth) {
  const soak::Figures f = soak::PlayGames(40, GLIMMO2_TEST_DATA "/faces");
  EXPECT_EQ(f.games, 40);
  EXPECT_EQ(f.finds + f.stops, 40);
  EXPECT_EQ(f.stops, 13);  // every third game is stopped, the others are all found
  EXPECT_EQ(f.mostWorkersAtOnce, 1);
#if !defined(__SANITIZE_ADDRESS__) && !defined(__SANITIZE_THREAD__)  // they keep freed memory on purpose
  // The last twenty games, snapshots included, take no memory that stays: a frame
  // kept per snapshot or a picture per find would show.
  EXPECT_LT(f.residentAtEndMiB - f.residentAfterWarmUpMiB, 1.0);
#endif
}

// An eye that never finds anything, counting the workers that poll it.
class Wandering : public game::EyeSource {
 public:
  std::int32_t Start() override { return 0; }
  void Stop() override {}
  std::int32_t Poll(game::CameraPoint& sample) override {
    std::this_thread::sleep_for(std::chrono::microseconds(300));
    sample = {1, 1};
    return 1;
  }
};

class AbuseTest : public ::testing::Test {
 protected:
  std::unique_ptr<CGlimmo2Dlg> Open() {
    DialogServices services;
    services.detector = &eyes;
    services.playSound = [](const std::string&) {};
    services.launch = [this](std::function<void()> body) {
      return std::thread([this, body = std::move(body)] {
        measures::RaiseToAtLeast(most, ++workers);
        body();
        --workers;
      });
    };
    auto dialog = std::make_unique<CGlimmo2Dlg>(nullptr, std::move(services));
    dialog->show();
    return dialog;
  }
  Wandering eyes;
  std::atomic<int> workers{0}, most{0};
};

TEST_F(AbuseTest, AThousandRapidActivaClicks) {
  auto dialog = Open();
  QWidget* activa = ui::FindControl(*dialog, res::kActiva);
  for (int i = 0; i < 1000; ++i) {
    QTest::mouseClick(activa, Qt::LeftButton);
    if (i % 50 == 0) QApplication::processEvents();
  }
  EXPECT_EQ(most.load(), 1);
  EXPECT_FALSE(qobject_cast<QPushButton*>(activa)->isChecked());  // an even count: idle again
  EXPECT_FALSE(ui::FindControl(*dialog, res::kSolucio)->isEnabled());
  dialog->OnCancel();
  EXPECT_EQ(workers.load(), 0);
}

TEST_F(AbuseTest, ClosingInEveryStateLeavesNoWorker) {
  // Idle, running, and running with a revealed picture.
  for (int state = 0; state < 3; ++state) {
    auto dialog = Open();
    if (state >= 1) QTest::mouseClick(ui::FindControl(*dialog, res::kActiva), Qt::LeftButton);
    if (state == 2) QTest::mouseClick(ui::FindControl(*dialog, res::kSolucio), Qt::LeftButton);
    QApplication::processEvents();
    QTest::keyClick(dialog.get(), Qt::Key_Escape);  // Esc during a reveal too
    EXPECT_FALSE(dialog->isVisible()) << state;
    EXPECT_EQ(workers.load(), 0) << state;
    EXPECT_EQ(test::CueTimerInterval(*dialog), 0) << state;
  }
}

TEST_F(AbuseTest, DestroyingTheWindowMidGameJoinsTheWorker) {
  auto dialog = Open();
  QTest::mouseClick(ui::FindControl(*dialog, res::kActiva), Qt::LeftButton);
  ASSERT_TRUE(test::WaitUntil([&] { return workers.load() == 1; }));
  dialog.reset();  // as when the program ends without Sortir
  EXPECT_EQ(workers.load(), 0);
}

}  // namespace
