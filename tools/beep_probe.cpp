// beep-probe [TICKS]
// The beeps of the red band as they are actually played: the beep timer at 40 ms
// plays a click through the game's sound player into SDL's disk driver, and the click
// onsets are found in the written stream. The disk driver writes faster than real time
// (it sleeps whole milliseconds per buffer), so the stream's own pace is measured over
// the run and each interval is given in real milliseconds.
#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <unistd.h>
#include <vector>

#include "measures.h"
#include "sound_player.h"

namespace {

namespace fs = std::filesystem;
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

std::uintmax_t Frames(const fs::path& stream) {
  std::error_code ec;
  const std::uintmax_t bytes = fs::file_size(stream, ec);
  return ec ? 0 : bytes / 4;
}

}  // namespace

int main(int argc, char** argv) {
  const int ticks = argc > 1 ? std::max(10, std::atoi(argv[1])) : 100;
  const fs::path folder = fs::temp_directory_path() / ("beep-probe-" + std::to_string(::getpid()));
  fs::create_directories(folder);
  fs::current_path(folder);  // the player looks in the working directory first
  WriteClick(folder / "start1.wav");
  const fs::path stream = folder / "out.raw";
  setenv("SDL_AUDIODRIVER", "disk", 1);
  setenv("SDL_DISKAUDIOFILE", stream.c_str(), 1);
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication application(argc, argv);
  if (!platform::SoundPlayer::Instance().Available()) return std::fprintf(stderr, "no sound output\n"), 1;

  QElapsedTimer wall;
  std::uintmax_t framesAtStart = 0;
  int played = 0;
  std::vector<double> calledAt;  // ms of real time, at each play call
  QTimer timer;  // the game's beep timer, as the red band sets it
  QObject::connect(&timer, &QTimer::timeout, [&] {
    if (played == 0) wall.start(), framesAtStart = Frames(stream);
    calledAt.push_back(wall.nsecsElapsed() / 1e6);
    platform::SoundPlayer::Instance().Play("start1.wav");
    if (++played == ticks) timer.stop(), application.quit();
  });
  timer.start(40);
  application.exec();
  const double seconds = wall.nsecsElapsed() / 1e9;
  const double pace = (Frames(stream) - framesAtStart) / seconds / kRate;  // stream seconds per real second

  std::ifstream in(stream, std::ios::binary);
  std::vector<double> onsets;  // in stream frames
  std::int16_t previous = 0;
  std::int16_t frame[2];
  for (std::uint64_t i = 0; in.read(reinterpret_cast<char*>(frame), sizeof frame); ++i) {
    if (frame[0] == kClick && previous != kClick) onsets.push_back(static_cast<double>(i));
    previous = frame[0];
  }
  std::vector<double> intervals, offTimer;  // offTimer: played interval less the timer's own
  int within = 0;
  for (std::size_t i = 1; i < onsets.size(); ++i) {
    const double ms = (onsets[i] - onsets[i - 1]) / kRate * 1000.0 / pace;
    intervals.push_back(ms);
    within += std::abs(ms - 40.0) <= 2.0;
    if (onsets.size() == calledAt.size()) offTimer.push_back(std::abs(ms - (calledAt[i] - calledAt[i - 1])));
  }
  fs::current_path(fs::temp_directory_path());
  fs::remove_all(folder);
  std::printf("%zu clicks heard of %d played; the disk stream ran at %.3f x real time\n", onsets.size(), ticks, pace);
  std::printf("intervals (ms, real time): median %.2f, 5th %.2f, 95th %.2f, min %.2f, max %.2f; within 2 ms of 40: %d of %zu\n",
              measures::Percentile(intervals, 0.5), measures::Percentile(intervals, 0.05),
              measures::Percentile(intervals, 0.95), measures::Percentile(intervals, 0.0),
              measures::Percentile(intervals, 1.0), within, intervals.size());
  if (!offTimer.empty())
    std::printf("played interval against the timer's own: median %.2f ms apart, 95th %.2f, worst %.2f\n",
                measures::Percentile(offTimer, 0.5), measures::Percentile(offTimer, 0.95),
                measures::Percentile(offTimer, 1.0));
  return 0;
}
