#include "detector/runtime/engine.h"

#include <pthread.h>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <opencv2/core/utility.hpp>
#include <thread>

#include "detector/runtime/model_store.h"
#include "detector/runtime/pipeline.h"
#include "detector/source/frame_source.h"
#include "irisdet.h"

namespace irisdet {
namespace {

constexpr auto kPollTimeout = std::chrono::milliseconds(100);
constexpr auto kLostAfter = std::chrono::seconds(2);           // without a frame, the source is lost
constexpr auto kTrackerCheck = std::chrono::milliseconds(20);  // how often the model is asked for
constexpr auto kNothingToRead = std::chrono::milliseconds(20);
// A followed face needs no more looks than this to move the square smoothly: a webcam's 30
// frames a second, looked at every other one, halve the detector's work.
constexpr int kFollowingLooksPerSecond = 15;
constexpr auto kFrameJitter = std::chrono::milliseconds(5);

class LocatingTracker final : public EyeTracker {
 public:
  LocatingTracker(std::shared_ptr<const FaceModel> model, std::shared_ptr<SharedGazeCalibration> gaze)
      : pipeline_(std::move(model), std::move(gaze)) {}
  std::optional<cv::Point2f> Next(const cv::Mat& frame, IrisdetTracking tracking, double seconds) override {
    const FramePipeline::Seen seen = pipeline_.Next(frame, tracking, seconds);
    const std::optional<cv::Point2f> eyesAt = seen.eyes.Point();
    settled_ = eyesAt && lastEyes_ && cv::norm(*eyesAt - *lastEyes_) < kSettledPx;
    lastEyes_ = eyesAt;
    return seen.report.point;
  }
  bool Settled() const override { return settled_; }
  void Recentre() override { pipeline_.Recentre(); }

 private:
  // The eyes moving less than this between two looks (a slow drift, the landmarks' own
  // jitter) need no look in between; a head that moves is looked at in every frame.
  static constexpr double kSettledPx = 2.5;
  FramePipeline pipeline_;
  std::optional<cv::Point2f> lastEyes_;
  bool settled_ = false;
};

}  // namespace

EngineParts RealEngineParts() {
  auto gaze = std::make_shared<SharedGazeCalibration>();
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

Engine::~Engine() {
  Stop();
  for (std::thread& ended : ended_) ended.join();
}

int32_t Engine::Start() {
  std::lock_guard control(control_);
  const Settings settings = SettingsFromEnvironment(chosenCamera_);  // once, for this start and its thread
  if (KeepsWatching(settings)) {
    recentre_ = true;  // a new game: a new neutral position
    return IRISDET_OK;
  }
  StopLocked();
  {
    std::lock_guard lock(mutex_);
    failure_ = ModelFileTrouble(settings.modelPath);
    if (!failure_.empty()) {
      std::cerr << "irisdet: " << failure_ << '\n';
      return IRISDET_NO_MODEL;
    }
  }
  StartLocked(settings);
  return IRISDET_OK;
}

void Engine::StartLocked(const Settings& settings) {
  std::lock_guard lock(mutex_);
  run_ = std::make_shared<Run>();
  run_->id = current_ = ++runs_;
  opening_ = Opening::Pending;
  latest_.release();
  lastFrameAt_ = {};
  watching_ = settings;
  // The stopped threads are joined by the new one, before it opens the source they may hold.
  thread_ = std::thread(&Engine::Watch, this, settings, run_, std::move(ended_));
  ended_.clear();
}

void Engine::Stop() {
  std::lock_guard control(control_);
  StopLocked();
}

void Engine::StopLocked() {
  if (!run_) return;
  run_->stop = true;
  bool opening = false;
  {
    std::lock_guard lock(mutex_);
    opening = opening_ == Opening::Pending && NamesACamera(watching_.source);
    current_ = 0;
    ++runs_;  // wakes any poll waiting on the old run
  }
  changed_.notify_all();
  run_.reset();
  // Watching frames, or opening a file, the thread sees the stop within a frame and is
  // joined now; opening a camera, which may take seconds, it is left to end by itself and
  // joined later.
  if (opening)
    ended_.push_back(std::move(thread_));
  else
    thread_.join();
}

void Engine::ChooseCamera(const std::string& node) {
  std::lock_guard control(control_);
  chosenCamera_ = node;
  // Watching a camera: the other one from now on (IRISDET_SOURCE, when set, still chooses).
  const Settings settings = SettingsFromEnvironment(chosenCamera_);
  if (!run_ || KeepsWatching(settings)) return;
  StopLocked();
  StartLocked(settings);
}

Settings Engine::SettingsNow() {
  std::lock_guard control(control_);
  return SettingsFromEnvironment(chosenCamera_);
}

int32_t Engine::Poll(int16_t* y, int16_t* x) {
  std::unique_lock lock(mutex_);
  const std::uint64_t runs = runs_;
  const bool fresh = changed_.wait_for(lock, kPollTimeout, [&] { return frame_ != lastPolled_ || runs_ != runs; });
  if (!fresh || runs_ != runs || current_ == 0) return 0;
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

void Engine::Fail(const Run& run, const std::string& why) {
  std::cerr << "irisdet: " << why << '\n';
  std::lock_guard lock(mutex_);
  if (run.id == current_) failure_ = why;
}

// The pacing of a file source, and a camera's looking again: a stop wakes it at once.
bool Engine::WaitForFrame(const Run& run, std::chrono::steady_clock::time_point when) {
  std::unique_lock lock(mutex_);
  return !changed_.wait_until(lock, when, [&run] { return run.stop.load(); });
}

int32_t Engine::LatestFrame(uint8_t* bgr, int32_t bytes) {
  std::lock_guard lock(mutex_);
  const auto size = static_cast<std::int64_t>(latest_.total() * latest_.elemSize());
  if (current_ == 0 || latest_.empty() || !bgr || bytes < size) return 0;
  std::memcpy(bgr, latest_.data, static_cast<std::size_t>(size));
  return 1;
}

// A start while watching the same source, still opening or giving frames, and with no
// trouble, keeps it: a stop click need not close and reopen the camera, and a second
// click while a slow camera opens does not open it again.
bool Engine::KeepsWatching(const Settings& settings) {
  std::lock_guard lock(mutex_);
  const int32_t state = SourceStateLocked();
  return (state == IRISDET_SOURCE_OPENING || state == IRISDET_SOURCE_DELIVERING) && failure_.empty() &&
         watching_.source == settings.source && watching_.modelPath == settings.modelPath;
}

int32_t Engine::SourceState() {
  std::lock_guard lock(mutex_);
  return SourceStateLocked();
}

int32_t Engine::SourceStateLocked() const {
  if (current_ == 0) return IRISDET_SOURCE_STOPPED;
  if (opening_ == Opening::Pending) return IRISDET_SOURCE_OPENING;
  if (opening_ == Opening::Failed) return IRISDET_SOURCE_FAILED;
  const bool waitingForTheFirst = lastFrameAt_ == std::chrono::steady_clock::time_point{};
  return waitingForTheFirst || std::chrono::steady_clock::now() - lastFrameAt_ < kLostAfter ? IRISDET_SOURCE_DELIVERING
                                                                                            : IRISDET_SOURCE_LOST;
}

void Engine::Publish(const Run& run, const cv::Mat& frame, bool found, float x, float y) {
  {
    std::lock_guard lock(mutex_);
    if (run.id != current_) return;
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
std::unique_ptr<EyeTracker> Engine::TrackerWhenReady(const std::string& modelPath, const Run& run, bool& never) {
  std::string error;
  std::unique_ptr<EyeTracker> tracker = parts_.makeTracker(modelPath, &error);
  if (!error.empty()) Fail(run, error), never = true;
  return tracker;
}

void Engine::Watch(const Settings& settings, const std::shared_ptr<Run>& run, std::vector<std::thread> before) {
  pthread_setname_np(pthread_self(), "irisdet");
  for (std::thread& ended : before) ended.join();  // OpenCV's threads are set up by one thread at a time
  if (run->stop) return;
  cv::setNumThreads(1);  // leave the other core to the game
  std::string error;
  std::unique_ptr<FrameSource> source =
      parts_.openSource(settings.source, &error, [this, run](auto when) { return WaitForFrame(*run, when); });
  if (!source && !run->stop) Fail(*run, error);
  {
    std::lock_guard lock(mutex_);
    if (run->id == current_) opening_ = source ? Opening::Opened : Opening::Failed;
  }
  changed_.notify_all();
  if (source) WatchFrames(*source, settings, *run);
}

void Engine::WatchFrames(FrameSource& source, const Settings& settings, const Run& run) {
  // The frames wait for what finds the eye (the model is read in the background, and a
  // stop cuts the wait short): a video then plays from its start. Without it, frames
  // still come, for a snapshot.
  std::unique_ptr<EyeTracker> tracker;
  bool noTracker = false;
  while (!run.stop && !(tracker = TrackerWhenReady(settings.modelPath, run, noTracker)) && !noTracker)
    WaitForFrame(run, std::chrono::steady_clock::now() + kTrackerCheck);
  const auto start = std::chrono::steady_clock::now();
  cv::Mat frame;
  std::optional<cv::Point2f> eye;
  auto lastLook = std::chrono::steady_clock::time_point{};
  const auto betweenLooks = parts_.followingLooksPerSecond > 0
                                ? std::chrono::milliseconds(1000 / parts_.followingLooksPerSecond) - kFrameJitter
                                : std::chrono::milliseconds(0);
  while (!run.stop) {
    if (!source.Grab()) {
      WaitForFrame(run, std::chrono::steady_clock::now() + kNothingToRead);  // no spinning
      continue;
    }
    // A face being followed that holds still is looked at followingLooksPerSecond times a
    // second; the frames in between are passed over undecoded. A face that moves, or is
    // searched for, is looked at in every frame.
    const auto now = std::chrono::steady_clock::now();
    if (eye && tracker->Settled() && now - lastLook < betweenLooks) continue;
    if (!source.Retrieve(frame)) continue;
    lastLook = now;
    if (tracker && !source.Repeated()) {
      const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
      if (recentre_.exchange(false)) tracker->Recentre();
      const int mode = tracking_;
      eye = tracker->Next(frame, mode < 0 ? settings.tracking : static_cast<IrisdetTracking>(mode), seconds);
    }
    Publish(run, frame, eye.has_value(), eye ? eye->x : 0.f, eye ? eye->y : 0.f);
  }
}

}  // namespace irisdet
