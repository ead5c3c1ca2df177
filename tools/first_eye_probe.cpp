// irisdet-lab first-eye FACE_PHOTO [RUNS]
// How soon a face is found once it appears: a live camera at 30 fps, played to the
// detector's own thread as a webcam asked for one buffer plays (a read takes the
// newest frame, and those the reader was too slow for are gone), a second of an empty
// room (camera noise on grey), then the face. The landmark model is loaded beforehand,
// as the window has it loaded in the background. Prints, for each run, the time from
// the face's first frame to the first eye reported, and the figure's bound: two frames
// plus one full search.
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <opencv2/imgcodecs.hpp>
#include <string>
#include <thread>
#include <vector>

#include "detector/eyes/irises.h"
#include "detector/runtime/engine.h"
#include "detector/runtime/model_store.h"
#include "tests/support/face_transforms.h"
#include "tests/support/measures.h"
#include "tools/commands.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr int kEmptyFrames = 30, kFaceFrames = 30;
constexpr double kFrameMs = 1000.0 / 30.0;

double Ms(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }
Clock::duration Frames(double n) { return std::chrono::microseconds(static_cast<long>(n * kFrameMs * 1000)); }

// The camera's frames as they come: frame i from i frame times after opening, the
// last one held. A read returns the newest frame, or waits for the next.
class LiveCamera final : public irisdet::FrameSource {
 public:
  LiveCamera(const std::vector<cv::Mat>& frames, irisdet::FrameWait wait, std::atomic<Clock::time_point>& openedAt)
      : frames_(frames), wait_(std::move(wait)) {
    openedAt = opened_;
  }
  bool Read(cv::Mat& frame) override {
    const auto newest = [&] { return static_cast<int>(Ms(Clock::now() - opened_) / kFrameMs); };
    if (newest() == lastRead_ && !wait_(opened_ + Frames(lastRead_ + 1))) return false;
    lastRead_ = newest();
    frame = frames_[std::min<std::size_t>(lastRead_, frames_.size() - 1)];
    return true;
  }

 private:
  const std::vector<cv::Mat>& frames_;
  irisdet::FrameWait wait_;
  const Clock::time_point opened_ = Clock::now();
  int lastRead_ = -1;
};

}  // namespace

int tools::FirstEyeProbe(int argc, char** argv) {
  if (argc < 2) return std::fprintf(stderr, "usage: irisdet-lab first-eye FACE_PHOTO [RUNS]\n"), 2;
  const cv::Mat face = cv::imread(argv[1]);
  if (face.size() != cv::Size(640, 480)) return std::fprintf(stderr, "a 640x480 photo, please\n"), 2;
  const int runs = argc > 2 ? std::max(1, std::atoi(argv[2])) : 10;
  const cv::Mat room(480, 640, CV_8UC3, cv::Scalar(95, 105, 115));
  std::vector<cv::Mat> frames;
  for (int i = 0; i < kEmptyFrames + kFaceFrames; ++i) {
    frames.push_back((i < kEmptyFrames ? room : face).clone());
    irisdet::AddNoise(frames.back(), 4.0, i);
  }
  measures::SetBeforeAnyThread("IRISDET_TRACKING", "eyes");

  std::string error;
  const auto model = irisdet::LoadFaceModel(&error);  // as the window's background preload does
  if (!model) return std::fprintf(stderr, "%s\n", error.c_str()), 1;
  // One full search on the face, for the bound.
  irisdet::FaceLocator locator(model);
  std::vector<double> searches;
  for (int i = 0; i < 5; ++i) {
    locator.Reset();
    const auto begin = Clock::now();
    irisdet::FindIrises(locator.Locate(face));
    searches.push_back(Ms(Clock::now() - begin));
  }
  const double bound = 2 * kFrameMs + measures::Percentile(searches, 0.5);

  std::atomic<Clock::time_point> openedAt;
  irisdet::EngineParts parts = irisdet::RealEngineParts();
  parts.openSource = [&](const std::string&, std::string*, irisdet::FrameWait wait) {
    return std::make_unique<LiveCamera>(frames, std::move(wait), openedAt);
  };
  irisdet::Engine engine(parts);
  std::vector<double> delays;
  for (int run = 0; run < runs; ++run) {
    if (engine.Start() != 0) return std::fprintf(stderr, "the camera did not open\n"), 1;
    const auto faceDue = openedAt.load() + Frames(kEmptyFrames);
    int16_t y = 0, x = 0;
    while (engine.Poll(&y, &x) != 1 && Clock::now() - faceDue < std::chrono::seconds(10)) {
    }
    const double delay = Ms(Clock::now() - faceDue);
    engine.Stop();
    delays.push_back(delay);
    std::printf("run %d: first eye %.0f ms after the face's first frame (%.1f frames)\n", run + 1, delay,
                delay / kFrameMs);
  }
  std::printf("median %.0f ms, worst %.0f ms; bound: two frames plus one full search (%.0f ms) = %.0f ms\n",
              measures::Percentile(delays, 0.5), measures::Percentile(delays, 1.0), measures::Percentile(searches, 0.5),
              bound);
  return 0;
}
