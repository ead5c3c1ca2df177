#include "detector/engine.h"

#include <pthread.h>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <opencv2/core/utility.hpp>
#include <thread>

#include "detector/eye_locator.h"
#include "detector/frame_source.h"
#include "detector/model_store.h"
#include "detector/point_reporter.h"
#include "irisdet.h"

namespace irisdet {
namespace {

constexpr auto kPollTimeout = std::chrono::milliseconds(100);
constexpr auto kOpenTimeout = std::chrono::seconds(5);
constexpr auto kLostAfter = std::chrono::seconds(2);           // without a frame, the source is lost
constexpr auto kTrackerCheck = std::chrono::milliseconds(20);  // how often the model is asked for
// A followed face needs no more looks than this to move the square smoothly: a webcam's 30
// frames a second, looked at every other one, halve the detector's work.
constexpr int kFollowingLooksPerSecond = 15;
constexpr auto kFrameJitter = std::chrono::milliseconds(5);

class LocatingTracker final : public EyeTracker {
 public:
  LocatingTracker(std::shared_ptr<const FaceModel> model, std::shared_ptr<GazeLooks> gaze)
      : locator_(std::move(model)), reporter_(std::move(gaze)) {}
  std::optional<cv::Point2f> Next(const cv::Mat& frame, Tracking tracking, double seconds) override {
    const EyeObservation eyes = locator_.Locate(frame, seconds);
    const std::optional<cv::Point2f> eyesAt = eyes.Point();
    settled_ = eyesAt && lastEyes_ && cv::norm(*eyesAt - *lastEyes_) < kSettledPx;
    lastEyes_ = eyesAt;
    return reporter_.Next(eyes, tracking, seconds).point;
  }
  bool Settled() const override { return settled_; }
  // A new neutral position, for the likeliest player: a teacher hands over to a child at once.
  void Recentre() override {
    locator_.ChooseAgain();
    reporter_.Recentre();
  }

 private:
  // The eyes moving less than this between two looks (a slow drift, the landmarks' own
  // jitter) need no look in between; a head that moves is looked at in every frame.
  static constexpr double kSettledPx = 2.5;
  EyeLocator locator_;
  PointReporter reporter_;
  std::optional<cv::Point2f> lastEyes_;
  bool settled_ = false;
};

}  // namespace

EngineParts RealEngineParts() {
  auto gaze = std::make_shared<GazeLooks>();
  return {[](const std::string& name, std::string* error, FrameWait wait) {
            return OpenSource(name, Pacing::RealTime, error, std::move(wait));
          },
          [gaze](const std::string& modelPath, std::string* error) -> std::unique_ptr<EyeTracker> {
            std::shared_ptr<const FaceModel> model = ModelStore::Instance().Ready(modelPath, error);
            return model ? std::make_unique<LocatingTracker>(std::move(model), gaze) : nullptr;
          },
          kFollowingLooksPerSecond, gaze};
}

Engine& Engine::Instance() {
  ModelStore::Instance();  // made first, so that it goes after the engine whose thread asks it
  static Engine engine;
  return engine;
}

Engine::~Engine() { Stop(); }

int32_t Engine::Start() {
  std::lock_guard control(control_);
  const Settings settings = SettingsFromEnvironment();  // once, for this start and its thread
  if (KeepsWatching(settings)) {
    recentre_ = true;  // a new game: a new neutral position
    return IRISDET_OK;
  }
  StopLocked();
  std::unique_lock lock(mutex_);
  failure_ = ModelFileTrouble(settings.modelPath);
  if (!failure_.empty()) {
    std::cerr << "irisdet: " << failure_ << '\n';
    return IRISDET_NO_MODEL;
  }
  const std::uint64_t run = ++run_;
  opening_ = Opening::Pending;
  latest_.release();
  lastFrameAt_ = {};
  running_ = true;
  watching_ = settings;
  thread_ = std::thread(&Engine::Watch, this, settings, run);
  // Wait for the source to open (quick for files, a camera's own open time), not for the model.
  changed_.wait_for(lock, kOpenTimeout, [&] { return opening_ != Opening::Pending; });
  if (opening_ != Opening::Failed) return IRISDET_OK;
  lock.unlock();
  StopLocked();  // its thread has ended: not watching, nothing delivering
  return IRISDET_NO_SOURCE;
}

void Engine::Stop() {
  std::lock_guard control(control_);
  StopLocked();
}

void Engine::StopLocked() {
  if (!thread_.joinable()) return;
  running_ = false;
  {
    std::lock_guard lock(mutex_);
    ++run_;  // wakes any poll waiting on the old run
  }
  changed_.notify_all();
  thread_.join();
}

int32_t Engine::Poll(int16_t* y, int16_t* x) {
  std::unique_lock lock(mutex_);
  const std::uint64_t run = run_;
  const bool fresh = changed_.wait_for(lock, kPollTimeout, [&] { return frame_ != lastPolled_ || run_ != run; });
  if (!fresh || run_ != run || !running_) return 0;
  lastPolled_ = frame_;
  if (!found_) return 0;
  *y = y_;
  *x = x_;
  return 1;
}

void Engine::SetTracking(int32_t mode) {
  const bool known = mode == IRISDET_TRACKING_EYES || mode == IRISDET_TRACKING_GAZE;
  tracking_ = known ? mode : IRISDET_TRACKING_COMFORT;
}

void Engine::Recentre() { recentre_ = true; }

int32_t Engine::LastError(char* text, int32_t bytes) {
  std::lock_guard lock(mutex_);
  if (!text || bytes <= 0) return static_cast<int32_t>(failure_.size());
  const auto copied = std::min<std::size_t>(failure_.size(), static_cast<std::size_t>(bytes) - 1);
  std::memcpy(text, failure_.data(), copied);
  text[copied] = '\0';
  return static_cast<int32_t>(failure_.size());
}

void Engine::Fail(std::uint64_t run, const std::string& why) {
  std::cerr << "irisdet: " << why << '\n';
  std::lock_guard lock(mutex_);
  if (run == run_) failure_ = why;
}

// The pacing of a file source: a stop wakes it at once.
bool Engine::WaitForFrame(std::chrono::steady_clock::time_point when) {
  std::unique_lock lock(mutex_);
  return !changed_.wait_until(lock, when, [this] { return !running_; });
}

int32_t Engine::LatestFrame(uint8_t* bgr, int32_t bytes) {
  std::lock_guard lock(mutex_);
  const auto size = static_cast<std::int64_t>(latest_.total() * latest_.elemSize());
  if (!running_ || latest_.empty() || !bgr || bytes < size) return 0;
  std::memcpy(bgr, latest_.data, static_cast<std::size_t>(size));
  return 1;
}

// A start while watching the same source, which still gives frames and has had no
// trouble, keeps it: a stop click need not close and reopen the camera.
bool Engine::KeepsWatching(const Settings& settings) {
  std::lock_guard lock(mutex_);
  return thread_.joinable() && opening_ == Opening::Opened && failure_.empty() && watching_.source == settings.source &&
         watching_.modelPath == settings.modelPath && DeliveringLocked();
}

int32_t Engine::Delivering() {
  std::lock_guard lock(mutex_);
  return DeliveringLocked();
}

int32_t Engine::DeliveringLocked() const {
  if (!running_) return 0;
  const bool waitingForTheFirst = lastFrameAt_ == std::chrono::steady_clock::time_point{};
  return waitingForTheFirst || std::chrono::steady_clock::now() - lastFrameAt_ < kLostAfter ? 1 : 0;
}

void Engine::Publish(std::uint64_t run, const cv::Mat& frame, bool found, float x, float y) {
  {
    std::lock_guard lock(mutex_);
    if (run != run_) return;
    lastFrameAt_ = std::chrono::steady_clock::now();
    latest_ = frame;  // shared, not copied: a source never writes into a frame it has handed out
    ++frame_;
    found_ = found;
    x_ = static_cast<int16_t>(std::lround(x));
    y_ = static_cast<int16_t>(std::lround(y));
  }
  changed_.notify_all();
}

// The tracker once what it needs is ready (the model is read in the background: until
// then frames come without eyes, and a stop never waits for it).
std::unique_ptr<EyeTracker> Engine::TrackerWhenReady(const std::string& modelPath, std::uint64_t run, bool& never) {
  std::string error;
  std::unique_ptr<EyeTracker> tracker = parts_.makeTracker(modelPath, &error);
  if (!error.empty()) Fail(run, error), never = true;
  return tracker;
}

void Engine::Watch(const Settings& settings, std::uint64_t run) {
  pthread_setname_np(pthread_self(), "irisdet");
  cv::setNumThreads(1);  // leave the other core to the game
  std::string error;
  std::unique_ptr<FrameSource> source =
      parts_.openSource(settings.source, &error, [this](auto when) { return WaitForFrame(when); });
  if (!source) Fail(run, error);
  {
    std::lock_guard lock(mutex_);
    opening_ = source ? Opening::Opened : Opening::Failed;
  }
  changed_.notify_all();
  if (!source) return;
  // The frames wait for what finds the eye (the model is read in the background, and a
  // stop cuts the wait short): a video then plays from its start. Without it, frames
  // still come, for a snapshot.
  std::unique_ptr<EyeTracker> tracker;
  bool noTracker = false;
  while (running_ && !(tracker = TrackerWhenReady(settings.modelPath, run, noTracker)) && !noTracker)
    WaitForFrame(std::chrono::steady_clock::now() + kTrackerCheck);
  const Tracking chosen = settings.tracking;
  const auto start = std::chrono::steady_clock::now();
  cv::Mat frame;
  std::optional<cv::Point2f> eye;
  auto lastLook = std::chrono::steady_clock::time_point{};
  const auto betweenLooks = parts_.followingLooksPerSecond > 0
                                ? std::chrono::milliseconds(1000 / parts_.followingLooksPerSecond) - kFrameJitter
                                : std::chrono::milliseconds(0);
  while (running_) {
    if (!source->Grab()) {
      std::this_thread::sleep_for(std::chrono::milliseconds(20));  // nothing to read now: no spinning
      continue;
    }
    // A face being followed that holds still is looked at followingLooksPerSecond times a
    // second; the frames in between are passed over undecoded. A face that moves, or is
    // searched for, is looked at in every frame.
    const auto now = std::chrono::steady_clock::now();
    if (eye && tracker->Settled() && now - lastLook < betweenLooks) continue;
    if (!source->Retrieve(frame)) continue;
    lastLook = now;
    if (tracker && !source->Repeated()) {
      const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
      if (recentre_.exchange(false)) tracker->Recentre();
      const int mode = tracking_;
      eye = tracker->Next(frame, mode < 0 ? chosen : static_cast<Tracking>(mode), seconds);
    }
    Publish(run, frame, eye.has_value(), eye ? eye->x : 0.f, eye ? eye->y : 0.f);
  }
}

}  // namespace irisdet
