// irisdet-lab camera-return [TIMES]
// A camera unplugged during a game and plugged back in, into another port: the detector's
// own camera source, with a scripted camera (no webcam here) that gives 30 frames a second
// while plugged. Prints how long after it is back the next frame comes.
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <random>
#include <thread>
#include <vector>

#include "detector/source/camera_source.h"
#include "tests/support/measures.h"
#include "tools/commands.h"

namespace {

using Clock = std::chrono::steady_clock;

// The camera as the computer shows it: plugged at a node, or away.
struct Plug {
  std::mutex mutex;
  std::vector<irisdet::Camera> cameras;
  std::atomic<int> generation{0};  // bumped at every unplugging: an open stream stops giving frames
};

class PlayingStream final : public irisdet::CameraStream {
 public:
  explicit PlayingStream(Plug& plug) : plug_(plug), generation_(plug.generation) {}
  bool Grab() override {
    std::this_thread::sleep_for(std::chrono::milliseconds(33));
    return plug_.generation == generation_;
  }
  bool Retrieve(cv::Mat& raw) override {
    raw = cv::Mat(IRISDET_FRAME_HEIGHT, IRISDET_FRAME_WIDTH, CV_8UC3, cv::Scalar(90, 90, 90));
    return true;
  }

 private:
  Plug& plug_;
  int generation_;
};

}  // namespace

int tools::CameraReturnProbe(int argc, char** argv) {
  const int times = argc > 1 ? std::max(1, std::atoi(argv[1])) : 10;
  Plug plug;
  plug.cameras = {{"/dev/video0", "Webcam", false}};
  const irisdet::CameraDevices devices{[&] {
                                         std::lock_guard lock(plug.mutex);
                                         return plug.cameras;
                                       },
                                       [&](const std::string& node) -> std::unique_ptr<irisdet::CameraStream> {
                                         std::lock_guard lock(plug.mutex);
                                         for (const irisdet::Camera& c : plug.cameras)
                                           if (c.node == node) return std::make_unique<PlayingStream>(plug);
                                         return nullptr;
                                       },
                                       [](const std::string&) { return false; }};
  std::string error;
  auto camera = irisdet::OpenCamera("", devices, &error, irisdet::SleepUntil);
  if (!camera) return std::fprintf(stderr, "%s\n", error.c_str()), 1;
  std::mt19937 random(7);
  std::vector<double> delays;
  cv::Mat frame;
  for (int time = 0; time < times; ++time) {
    {
      std::lock_guard lock(plug.mutex);
      plug.cameras.clear();
    }
    ++plug.generation;  // unplugged
    const auto away = std::chrono::milliseconds(1000 + random() % 1000);
    std::thread back([&] {
      std::this_thread::sleep_for(away);
      std::lock_guard lock(plug.mutex);
      plug.cameras = {{"/dev/video" + std::to_string(2 + time % 3), "Webcam", false}};  // another port
    });
    const auto unplugged = Clock::now();
    while (camera->Read(frame)) {
    }  // the frames in flight
    while (!camera->Read(frame)) {
    }
    back.join();
    delays.push_back(std::chrono::duration<double, std::milli>(Clock::now() - unplugged - away).count());
  }
  std::printf(
      "a camera unplugged for 1 to 2 s and plugged into another port, %d times: its next frame came %.0f ms"
      " (median), %.0f ms (at most) after it was back\n",
      times, measures::Percentile(delays, 0.5), *std::max_element(delays.begin(), delays.end()));
  return 0;
}
