#pragma once
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <opencv2/core.hpp>
#include <optional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "detector/gaze/shared_calibration.h"
#include "detector/pointing/point_reporter.h"
#include "detector/runtime/settings.h"
#include "detector/source/frame_source.h"

// The detector's running state behind its C interface (irisdet.h): one watching thread
// that reads frames and finds the eye, and the latest result for the poll.
namespace irisdet {

// Turns the frames of one run into reported points: the eye locator and the point
// reporter, or a scripted stand-in in the engine's own tests.
class EyeTracker {
 public:
  virtual ~EyeTracker() = default;
  virtual std::optional<cv::Point2f> Next(const cv::Mat& frame, IrisdetTracking tracking, double seconds) = 0;
  virtual void Recentre() = 0;
  // Whether the face held still between the last two looks: the next frame may then be
  // passed over (EngineParts::followingLooksPerSecond).
  virtual bool Settled() const { return true; }
};

// What the engine watches with, both made on its watching thread at each start.
struct EngineParts {
  // The chosen source, paced by the engine's wait (which a stop cuts short); null, and
  // why in *error, when it cannot be opened.
  std::function<std::unique_ptr<FrameSource>(const std::string& name, std::string* error, FrameWait wait)> openSource;
  // What finding the eye needs, once it is ready: null while it is not yet (asked again at
  // the next frame), or with what is missing in *error (then frames come without eyes,
  // for a snapshot). Never waits.
  std::function<std::unique_ptr<EyeTracker>(const std::string& modelPath, std::string* error)> makeTracker;
  // How often a face being followed, and holding still, is looked at: the frames in
  // between are passed over undecoded. 0: every frame.
  int followingLooksPerSecond = 0;
  // The gaze calibration the trackers map looks with, kept across starts.
  std::shared_ptr<irisdet::SharedGazeCalibration> gaze = std::make_shared<irisdet::SharedGazeCalibration>();
};
EngineParts RealEngineParts();

// Shared between the caller's threads (start, stop, poll, from any of them) and the
// watching threads: Start and Stop are serialised by `control_`; everything a watching
// thread publishes and the callers read is under `mutex_`, and `changed_` wakes polls and
// paced waits. A start or a stop never waits for a camera to open: a thread still opening
// one is left to end by itself, and the next watching thread (or the engine's destructor)
// joins it; a thread watching frames, or opening a file, sees a stop within a frame and is
// joined by the stop.
class Engine {
 public:
  explicit Engine(EngineParts parts = RealEngineParts()) : parts_(std::move(parts)) {}
  ~Engine();
  Engine(const Engine&) = delete;
  Engine& operator=(const Engine&) = delete;
  // Starts watching the source (its opening goes on on the watching thread) and returns at
  // once: IRISDET_OK, or IRISDET_NO_MODEL when the model file cannot be used.
  int32_t Start();
  void Stop();
  int32_t Poll(int16_t* y, int16_t* x);
  int32_t LatestFrame(uint8_t* bgr, int32_t bytes);
  int32_t SourceState();  // IRISDET_SOURCE_*
  int32_t LastError(char* text, int32_t bytes);
  void SetTracking(int32_t mode);  // from now on, over IRISDET_TRACKING
  void Recentre();
  // The camera watched from the next start; a camera being watched is switched at once.
  // Empty: the first colour camera.
  void ChooseCamera(const std::string& node);
  // What a start would watch now.
  Settings SettingsNow();
  // The run's gaze calibration: it outlives every start and stop.
  irisdet::SharedGazeCalibration& Gaze() { return *parts_.gaze; }

  static Engine& Instance();

 private:
  enum class Opening { Pending, Opened, Failed };
  struct Run {
    std::uint64_t id;
    std::atomic<bool> stop{false};
  };
  void StartLocked(const Settings& settings);
  void StopLocked();
  void Watch(const Settings& settings, const std::shared_ptr<Run>& run, std::vector<std::thread> before);
  void WatchFrames(FrameSource& source, const Settings& settings, const Run& run);
  std::unique_ptr<EyeTracker> TrackerWhenReady(const std::string& modelPath, const Run& run, bool& never);
  void Publish(const Run& run, const cv::Mat& frame, bool found, float x, float y);
  bool KeepsWatching(const Settings& settings);
  int32_t SourceStateLocked() const;
  void Fail(const Run& run, const std::string& why);
  bool WaitForFrame(const Run& run, std::chrono::steady_clock::time_point when);

  const EngineParts parts_;
  std::mutex control_;  // serialises Start, Stop and ChooseCamera
  std::thread thread_;
  std::vector<std::thread> ended_;  // stopped watching threads, not yet joined
  std::shared_ptr<Run> run_;        // the current run; null when not watching
  std::string chosenCamera_;
  std::atomic<int> tracking_{-1};  // -1: as IRISDET_TRACKING chooses
  std::atomic<bool> recentre_{false};

  std::mutex mutex_;  // guards everything below
  std::condition_variable changed_;
  std::uint64_t runs_ = 0;     // bumped at every start and stop
  std::uint64_t current_ = 0;  // the run that may publish; 0 when not watching
  Opening opening_ = Opening::Pending;
  std::uint64_t frame_ = 0, lastPolled_ = 0;
  bool found_ = false;
  int16_t x_ = 0, y_ = 0;
  cv::Mat latest_;
  std::string failure_;  // why the last start failed or watching went wrong, for the player
  Settings watching_;    // what the current run was started with
  std::chrono::steady_clock::time_point lastFrameAt_{};  // of the current source, once it has given one
};

}  // namespace irisdet
