// first-eye-probe FACE_PHOTO [RUNS]
// How soon a face is found once it appears: a picture sequence played at 30 fps
// through the detector's own thread, a second of an empty room (camera noise on grey),
// then the face. The landmark model is loaded beforehand, as the window has it loaded
// in the background. Prints, for each run, the time from the face's first frame to the
// first eye reported, and the figure's bound: two frames plus one full search.
#include <unistd.h>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <opencv2/imgcodecs.hpp>
#include <string>
#include <thread>
#include <vector>

#include "detector/engine.h"
#include "detector/eye_locator.h"
#include "tools/face_transforms.h"
#include "tools/measures.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;
constexpr int kEmptyFrames = 30, kFaceFrames = 30;
constexpr double kFrameMs = 1000.0 / 30.0;

double Ms(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) return std::fprintf(stderr, "usage: first-eye-probe FACE_PHOTO [RUNS]\n"), 2;
  const cv::Mat face = cv::imread(argv[1]);
  if (face.size() != cv::Size(640, 480)) return std::fprintf(stderr, "a 640x480 photo, please\n"), 2;
  const int runs = argc > 2 ? std::max(1, std::atoi(argv[2])) : 10;
  const fs::path folder = fs::temp_directory_path() / ("first-eye-" + std::to_string(::getpid()));
  fs::create_directories(folder);
  const cv::Mat room(480, 640, CV_8UC3, cv::Scalar(95, 105, 115));
  for (int i = 0; i < kEmptyFrames + kFaceFrames; ++i) {
    cv::Mat frame = (i < kEmptyFrames ? room : face).clone();
    irisdet::AddNoise(frame, 4.0, i);
    cv::imwrite((folder / cv::format("%04d.png", i)).string(), frame);
  }
  measures::SetBeforeAnyThread("IRISDET_SOURCE", (folder / "%04d.png").string());
  measures::SetBeforeAnyThread("IRISDET_TRACKING", "eyes");

  std::string error;
  const auto model = irisdet::LoadFaceModel(&error);  // as the window's background preload does
  if (!model) return std::fprintf(stderr, "%s\n", error.c_str()), 1;
  // One full search on the face, for the bound.
  irisdet::EyeLocator locator(model);
  std::vector<double> searches;
  for (int i = 0; i < 5; ++i) {
    locator.Reset();
    const auto begin = Clock::now();
    locator.Locate(face);
    searches.push_back(Ms(Clock::now() - begin));
  }
  const double bound = 2 * kFrameMs + measures::Percentile(searches, 0.5);

  irisdet::Engine& engine = irisdet::Engine::Instance();
  std::vector<double> delays;
  for (int run = 0; run < runs; ++run) {
    const auto opened = Clock::now();
    if (engine.Start() != 0) return std::fprintf(stderr, "the sequence did not open\n"), 1;
    const auto faceDue = opened + std::chrono::microseconds(static_cast<long>(kEmptyFrames * kFrameMs * 1000));
    int16_t y = 0, x = 0;
    while (engine.Poll(&y, &x) != 1 && Clock::now() - opened < std::chrono::seconds(10)) {
    }
    const double delay = Ms(Clock::now() - faceDue);
    engine.Stop();
    delays.push_back(delay);
    std::printf("run %d: first eye %.0f ms after the face's first frame (%.1f frames)\n", run + 1, delay,
                delay / kFrameMs);
  }
  fs::remove_all(folder);
  std::printf("median %.0f ms, worst %.0f ms; bound: two frames plus one full search (%.0f ms) = %.0f ms\n",
              measures::Percentile(delays, 0.5), measures::Percentile(delays, 1.0), measures::Percentile(searches, 0.5),
              bound);
  return 0;
}
