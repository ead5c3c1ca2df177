#include <gtest/gtest.h>

#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <atomic>
#include <chrono>
#include <csignal>
#include <thread>

#include "app/termination.h"
#include "platform/termination_signals.h"
#include "res/resource_ids.h"
#include "tests/fakes.h"
#include "tests/qt_wait.h"
#include "ui/glimmo2Dlg.h"
#include "ui/template_builder.h"

namespace {

// Eyes that stay put, and count the stops they are given.
class StillEyes : public game::EyeSource {
 public:
  std::int32_t Start() override { return 0; }
  void Stop() override { ++stops; }
  std::int32_t Poll(game::CameraPoint& sample) override {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
    sample = {100, 100};
    return 1;
  }
  std::atomic<int> stops{0};
};

enum class State { Idle, Playing, MessageBoxOpen };

// Runs the window modally, brings it into `state`, then sends the signal.
void CloseBySignal(State state, int signal) {
  StillEyes eyes;
  DialogServices services;
  services.detector = &eyes;
  services.playSound = [](const std::string&) {};
  test::CountedWorkers workers;
  services.launch = workers.Launcher();
  CGlimmo2Dlg dialog(nullptr, std::move(services));
  CloseOnTerminationSignals(dialog);
  bool boxReturned = false;
  QTimer::singleShot(0, &dialog, [&] {
    if (state != State::Idle) QTest::mouseClick(ui::FindControl(dialog, res::kActiva), Qt::LeftButton);
    if (state != State::MessageBoxOpen) return (void)::raise(signal);
    QTimer::singleShot(0, [signal] { ::raise(signal); });  // once the box runs its own loop
    QMessageBox box(QMessageBox::Information, QStringLiteral("glimmo2"), QStringLiteral("S'ha perdut la càmera."));
    box.exec();
    boxReturned = true;
  });
  EXPECT_EQ(dialog.exec(), QDialog::Rejected);
  EXPECT_FALSE(dialog.isVisible());
  EXPECT_FALSE(workers.Running());  // the stop steps ran, as for "Sortir"
  EXPECT_EQ(test::CueTimerInterval(dialog), 0);
  EXPECT_GE(eyes.stops.load(), 1);
  EXPECT_EQ(boxReturned, state == State::MessageBoxOpen);
}

TEST(TerminationTest, CtrlCAndKillCloseTheWindowLikeSortirInEveryState) {
  platform::CatchTerminationSignals();
  for (const int signal : {SIGINT, SIGTERM})
    for (const State state : {State::Idle, State::Playing, State::MessageBoxOpen}) {
      SCOPED_TRACE(static_cast<int>(state));
      CloseBySignal(state, signal);
    }
}

}  // namespace
