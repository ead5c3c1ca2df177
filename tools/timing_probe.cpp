// glimmo2-probe timing [FACE_VIDEO]
// Prints the beep timer's real intervals at 40 and 1000 ms, how long a sound takes
// from the play call to its first samples in the mixer, and, during a beep-mode
// game fed by the eye detector from FACE_VIDEO, the delay from a sample leaving the
// detector's poll to the square moving on the UI thread.
#include <SDL_mixer.h>
#include <QAbstractButton>
#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <thread>
#include <vector>

#include "game/eye_source.h"
#include "platform/sound_player.h"
#include "res/resource_ids.h"
#include "tests/support/measures.h"
#include "tools/commands.h"
#include "ui/glimmo2Dlg.h"
#include "ui/template_builder.h"

namespace {

using Clock = std::chrono::steady_clock;

void TimerIntervals(int intervalMs, int ticks) {
  std::vector<double> gaps;
  QElapsedTimer clock;
  QTimer timer;
  QObject::connect(&timer, &QTimer::timeout, [&] {
    if (clock.isValid()) gaps.push_back(clock.nsecsElapsed() / 1e6);
    clock.restart();
  });
  timer.start(intervalMs);
  while (static_cast<int>(gaps.size()) < ticks) QApplication::processEvents(QEventLoop::WaitForMoreEvents);
  std::printf("timer %d ms: %d intervals, median %.2f ms, 5th %.2f, 95th %.2f, worst %.2f\n", intervalMs, ticks,
              measures::Percentile(gaps, 0.5), measures::Percentile(gaps, 0.05), measures::Percentile(gaps, 0.95),
              measures::Percentile(gaps, 1.0));
}

// The eye detector, noting when each sample left its poll.
class TimedDetector : public game::EyeSource {
 public:
  std::int32_t Start() override { return game::DetectorEyeSource().Start(); }
  void Stop() override { game::DetectorEyeSource().Stop(); }
  std::int32_t Poll(game::CameraPoint& sample) override {
    const std::int32_t found = game::DetectorEyeSource().Poll(sample);
    std::lock_guard lock(mutex);
    sent.push_back(Clock::now());
    return found;
  }
  std::mutex mutex;
  std::vector<Clock::time_point> sent;
};

class TimedDialog : public CGlimmo2Dlg {
 public:
  using CGlimmo2Dlg::CGlimmo2Dlg;
  void MoveIndicator(std::int32_t left, std::int32_t top) override {
    moved.push_back(Clock::now());
    CGlimmo2Dlg::MoveIndicator(left, top);
  }
  std::vector<Clock::time_point> moved;
};

std::atomic<bool> listening{false};
std::atomic<std::int64_t> heardAt{0};

std::int64_t Now() { return Clock::now().time_since_epoch().count(); }

// Runs on the audio thread after each mix: notes when sound first comes out.
void Listen(void*, Uint8* stream, int length) {
  if (!listening) return;
  for (int i = 0; i < length; ++i)
    if (stream[i] != 0) {
      heardAt = Now();
      listening = false;
      return;
    }
}

void SoundLatency() {
  platform::SoundPlayer::Instance().Play("start1.wav");  // opens the audio device
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  Mix_SetPostMix(Listen, nullptr);
  std::vector<double> delays;
  for (int i = 0; i < 30; ++i) {
    heardAt = 0;
    listening = true;
    const std::int64_t playedAt = Now();
    platform::SoundPlayer::Instance().Play("start1.wav");
    for (int wait = 0; wait < 500 && heardAt == 0; ++wait) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    if (heardAt != 0)
      delays.push_back(std::chrono::duration<double, std::milli>(Clock::duration(heardAt - playedAt)).count());
    std::this_thread::sleep_for(std::chrono::milliseconds(60 + 7 * i % 30));  // land anywhere in a buffer
  }
  Mix_SetPostMix(nullptr, nullptr);
  std::printf("sound: %zu of 30 plays mixed; play call to first samples: median %.1f ms, 95th %.1f, worst %.1f\n",
              delays.size(), measures::Percentile(delays, 0.5), measures::Percentile(delays, 0.95),
              measures::Percentile(delays, 1.0));
}

void RunFor(int ms) {
  QElapsedTimer clock;
  clock.start();
  while (clock.elapsed() < ms) QApplication::processEvents(QEventLoop::AllEvents, 10);
}

}  // namespace

int tools::TimingProbe(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication application(argc, argv);
  TimerIntervals(40, 100);
  TimerIntervals(1000, 5);
  SoundLatency();
  if (argc < 2) return 0;
  measures::SetBeforeAnyThread("IRISDET_SOURCE", argv[1]);
  TimedDetector detector;
  DialogServices services;
  services.detector = &detector;
  services.playSound = [](const std::string&) {};
  TimedDialog dialog(nullptr, std::move(services));
  dialog.show();
  qobject_cast<QAbstractButton*>(ui::FindControl(dialog, res::kDetector))->click();
  qobject_cast<QAbstractButton*>(ui::FindControl(dialog, res::kActiva))->click();
  RunFor(8000);
  dialog.OnCancel();
  std::vector<double> delays;
  {
    std::lock_guard lock(detector.mutex);
    const std::size_t passes = std::min(detector.sent.size(), dialog.moved.size());
    for (std::size_t i = passes / 2; i < passes; ++i)  // after the model has loaded
      delays.push_back(std::chrono::duration<double, std::milli>(dialog.moved[i] - detector.sent[i]).count());
  }
  std::printf("game: %zu passes in 8 s; sample to square moved: median %.2f ms, 95th %.2f, worst %.2f\n",
              dialog.moved.size(), measures::Percentile(delays, 0.5), measures::Percentile(delays, 0.95),
              measures::Percentile(delays, 1.0));
  return 0;
}
