// glimmo2-probe beep [TICKS]
// The beeps of the red band as they are actually played: the beep timer at 40 ms plays
// a click through the game's sound player, and every mixed buffer is looked at as it
// leaves the mixer. SDL's disk driver writes its buffers faster than real time (it
// sleeps whole milliseconds for each 1.45 ms buffer), so the stream's sample count is
// not a clock; each click's onset is timed instead at the moment its buffer is mixed,
// plus its place inside the buffer, which is when a real device would take it.
#include <SDL_mixer.h>

#include <unistd.h>
#include <QApplication>
#include <QTimer>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <vector>

#include "platform/sound_player.h"
#include "tests/support/measures.h"
#include "tools/commands.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;
constexpr std::int16_t kClick = 20000;
constexpr int kRate = 44100;

// A 3 ms click, 16-bit stereo at the mixer's rate: its onset is unmistakable.
void WriteClick(const fs::path& path) {
  const std::uint32_t frames = kRate * 3 / 1000, bytes = frames * 4;
  std::ofstream out(path, std::ios::binary);
  const auto u32 = [&](std::uint32_t v) { out.write(reinterpret_cast<const char*>(&v), 4); };
  const auto u16 = [&](std::uint16_t v) { out.write(reinterpret_cast<const char*>(&v), 2); };
  out.write("RIFF", 4), u32(36 + bytes), out.write("WAVEfmt ", 8);
  u32(16), u16(1), u16(2), u32(kRate), u32(kRate * 4), u16(4), u16(16);
  out.write("data", 4), u32(bytes);
  for (std::uint32_t i = 0; i < frames * 2; ++i) out.write(reinterpret_cast<const char*>(&kClick), 2);
}

// Click onsets in real time, written by the audio thread, read once the run is over.
struct Onsets {
  std::vector<double> ms = std::vector<double>(100000);
  std::atomic<std::size_t> count{0};
  std::int16_t previous = 0;  // the audio thread's alone
  Clock::time_point start = Clock::now();
};

void TimeOnsets(void* data, Uint8* stream, int bytes) {
  auto& onsets = *static_cast<Onsets*>(data);
  const double mixedAt = std::chrono::duration<double, std::milli>(Clock::now() - onsets.start).count();
  const auto* frames = reinterpret_cast<const std::int16_t*>(stream);
  for (std::size_t i = 0; i < static_cast<std::size_t>(bytes) / 4; ++i) {
    const std::int16_t left = frames[2 * i];
    const std::size_t n = onsets.count.load(std::memory_order_relaxed);
    if (left == kClick && onsets.previous != kClick && n < onsets.ms.size()) {
      onsets.ms[n] = mixedAt + static_cast<double>(i) * 1000.0 / kRate;
      onsets.count.store(n + 1, std::memory_order_release);
    }
    onsets.previous = left;
  }
}

}  // namespace

int tools::BeepProbe(int argc, char** argv) {
  const int ticks = argc > 1 ? std::max(10, std::atoi(argv[1])) : 100;
  const fs::path folder = fs::temp_directory_path() / ("beep-probe-" + std::to_string(::getpid()));
  fs::create_directories(folder);
  fs::current_path(folder);  // the player looks in the working directory first
  WriteClick(folder / "start1.wav");
  measures::SetBeforeAnyThread("SDL_AUDIODRIVER", "disk");
  measures::SetBeforeAnyThread("SDL_DISKAUDIOFILE", (folder / "out.raw").string());
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication application(argc, argv);
  if (!platform::SoundPlayer::Instance().Available()) return std::fprintf(stderr, "no sound output\n"), 1;
  Onsets onsets;
  Mix_SetPostMix(TimeOnsets, &onsets);

  int played = 0;
  std::vector<double> calledAt;  // real ms, at each play call
  QTimer timer;                  // the game's beep timer, as the red band sets it
  timer.setTimerType(Qt::PreciseTimer);
  QObject::connect(&timer, &QTimer::timeout, [&] {
    calledAt.push_back(std::chrono::duration<double, std::milli>(Clock::now() - onsets.start).count());
    platform::SoundPlayer::Instance().Play("start1.wav");
    if (++played == ticks) QTimer::singleShot(100, &application, &QApplication::quit), timer.stop();
  });
  timer.start(40);
  application.exec();
  Mix_SetPostMix(nullptr, nullptr);

  const std::vector<double> heard(onsets.ms.begin(), onsets.ms.begin() + onsets.count.load(std::memory_order_acquire));
  std::vector<double> intervals, calls, delays;
  for (std::size_t i = 1; i < heard.size(); ++i) intervals.push_back(heard[i] - heard[i - 1]);
  for (std::size_t i = 1; i < calledAt.size(); ++i) calls.push_back(calledAt[i] - calledAt[i - 1]);
  if (heard.size() == calledAt.size())
    for (std::size_t i = 0; i < heard.size(); ++i) delays.push_back(heard[i] - calledAt[i]);
  const auto within = [](const std::vector<double>& ms) {
    return std::count_if(ms.begin(), ms.end(), [](double v) { return std::abs(v - 40.0) <= 2.0; });
  };
  const auto describe = [&](const char* what, const std::vector<double>& ms) {
    std::printf("%s (ms): median %.2f, 5th %.2f, 95th %.2f, min %.2f, max %.2f; within 2 ms of 40: %ld of %zu\n", what,
                measures::Percentile(ms, 0.5), measures::Percentile(ms, 0.05), measures::Percentile(ms, 0.95),
                measures::Percentile(ms, 0.0), measures::Percentile(ms, 1.0), within(ms), ms.size());
  };
  fs::current_path(fs::temp_directory_path());
  fs::remove_all(folder);
  std::printf("%zu clicks mixed of %d played\n", heard.size(), ticks);
  describe("intervals as mixed", intervals);
  describe("intervals of the timer's calls", calls);
  if (!delays.empty())
    std::printf("from a play call to its sound in the mix: median %.2f ms, 95th %.2f, worst %.2f\n",
                measures::Percentile(delays, 0.5), measures::Percentile(delays, 0.95),
                measures::Percentile(delays, 1.0));
  return 0;
}
