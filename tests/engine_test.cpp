// The detector's watching thread against a scripted source and tracker: frames are
// handed one at a time, so every test waits for the event it checks, never for the
// clock, and no model is loaded.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "detector/runtime/engine.h"
#include "irisdet.h"

namespace {

using Clock = std::chrono::steady_clock;

// Frames the test hands to the engine; shared by the test and the source it opened.
struct Script {
  std::mutex mutex;
  std::deque<cv::Mat> frames;
  bool ended = false;  // as a removed video: nothing more, ever
  std::atomic<int> opened{0};
  std::atomic<bool> slowToOpen{false};  // the source opens only once this is cleared, or a stop comes
  std::atomic<int> recentred{0};
  std::atomic<bool> trackerReady{true};  // false: what finds the eye is still being read
  std::atomic<int> looked{0};            // frames the tracker was given
  std::atomic<bool> settled{true};       // the tracker's face held still
  std::atomic<int> askedWhenEmpty{0};    // reads that found no frame handed
  std::string modelPath;                 // the tracker was made with, under the mutex
  std::vector<std::string> sources;      // the names opened, under the mutex
  std::atomic<int> tracking{-1};         // the tracking the last frame was looked at with

  // A frame whose top-left pixel carries the point the scripted tracker reports.
  void Hand(int x, int y) {
    std::lock_guard lock(mutex);
    frames.emplace_back(IRISDET_FRAME_HEIGHT, IRISDET_FRAME_WIDTH, CV_8UC3, cv::Scalar(x, y, 7));
  }
  void End() {
    std::lock_guard lock(mutex);
    ended = true;
  }
  bool Taken() {
    std::lock_guard lock(mutex);
    return frames.empty();
  }
};

class ScriptedSource final : public irisdet::FrameSource {
 public:
  ScriptedSource(std::shared_ptr<Script> script, irisdet::FrameWait wait)
      : script_(std::move(script)), wait_(std::move(wait)) {}
  // Waits, as a camera does, until a frame is handed; a stop cuts the wait short.
  // A stopped run's thread ends by itself: a frame it takes after the stop goes back, for
  // the next run.
  bool Read(cv::Mat& frame) override {
    while (wait_(Clock::now() + std::chrono::milliseconds(2))) {
      {
        std::lock_guard lock(script_->mutex);
        if (script_->ended) return false;
        if (script_->frames.empty()) {
          ++script_->askedWhenEmpty;
          continue;
        }
        frame = script_->frames.front();
        script_->frames.pop_front();
      }
      if (wait_(Clock::now())) return true;
      std::lock_guard lock(script_->mutex);
      script_->frames.push_front(frame);
      return false;
    }
    return false;
  }

 private:
  std::shared_ptr<Script> script_;
  irisdet::FrameWait wait_;
};

class ScriptedTracker final : public irisdet::EyeTracker {
 public:
  explicit ScriptedTracker(std::shared_ptr<Script> script) : script_(std::move(script)) {}
  std::optional<cv::Point2f> Next(const cv::Mat& frame, IrisdetTracking tracking, double) override {
    ++script_->looked;
    script_->tracking = static_cast<int>(tracking);
    const cv::Vec3b pixel = frame.at<cv::Vec3b>(0, 0);
    if (pixel[0] == 0) return std::nullopt;  // x 0: no eye in this frame
    return cv::Point2f(pixel[0], pixel[1]);
  }
  void Recentre() override { ++script_->recentred; }
  bool Settled() const override { return script_->settled; }

 private:
  std::shared_ptr<Script> script_;
};

irisdet::EngineParts Scripted(const std::shared_ptr<Script>& script, std::string sourceTrouble = {},
                              std::string trackerTrouble = {}, int followingLooksPerSecond = 0) {
  return {[=](const std::string& name, std::string* error,
              irisdet::FrameWait wait) -> std::unique_ptr<irisdet::FrameSource> {
            {
              std::lock_guard lock(script->mutex);
              script->sources.push_back(name);
            }
            ++script->opened;
            while (script->slowToOpen)  // a webcam agreeing on a format; a stop cuts it short
              if (!wait(Clock::now() + std::chrono::milliseconds(2))) return nullptr;
            if (!sourceTrouble.empty()) return *error = sourceTrouble, nullptr;
            return std::make_unique<ScriptedSource>(script, std::move(wait));
          },
          [=](const std::string& modelPath, std::string* error) -> std::unique_ptr<irisdet::EyeTracker> {
            *error = trackerTrouble;
            if (!script->trackerReady) return nullptr;
            std::lock_guard lock(script->mutex);
            script->modelPath = modelPath;
            return std::make_unique<ScriptedTracker>(script);
          },
          followingLooksPerSecond};
}

// Polls until a sample with an eye comes; each poll waits at most 100 ms for a frame.
bool PollForEye(irisdet::Engine& engine, int16_t* y, int16_t* x) {
  for (int i = 0; i < 3000; ++i)
    if (engine.Poll(y, x) == 1) return true;
  return false;
}

// Hands a frame whose eye is at (x, y) and polls until its sample comes; the point
// polled, or (-1, -1) when none came.
cv::Point HandAndPoll(Script& script, irisdet::Engine& engine, int x, int y) {
  script.Hand(x, y);
  int16_t polledY = -1, polledX = -1;
  if (!PollForEye(engine, &polledY, &polledX)) return {-1, -1};
  return {polledX, polledY};
}

// Waits for what the watching thread does, for as long as a slow build may need.
bool Eventually(const std::function<bool()>& happened) {
  for (int i = 0; i < 60000; ++i) {
    if (happened()) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return false;
}

std::string LastError(irisdet::Engine& engine) {
  char text[256];
  engine.LastError(text, sizeof text);
  return text;
}

TEST(EngineTest, EachHandedFrameIsPolledOnceWithItsPointAndItsPixels) {
  auto script = std::make_shared<Script>();
  irisdet::Engine engine(Scripted(script));
  ASSERT_EQ(engine.Start(), IRISDET_OK);
  ASSERT_EQ(HandAndPoll(*script, engine, 10, 20), cv::Point(10, 20));
  int16_t y = 0, x = 0;
  EXPECT_EQ(engine.Poll(&y, &x), 0) << "no new frame, no new sample";
  ASSERT_EQ(HandAndPoll(*script, engine, 30, 40), cv::Point(30, 40));
  std::vector<uint8_t> pixels(std::size_t{IRISDET_FRAME_WIDTH} * IRISDET_FRAME_HEIGHT * 3);
  ASSERT_EQ(engine.LatestFrame(pixels.data(), static_cast<int32_t>(pixels.size())), 1);
  EXPECT_EQ(pixels[0], 30);
  EXPECT_EQ(pixels[pixels.size() - 1], 7);
  EXPECT_EQ(engine.SourceState(), IRISDET_SOURCE_DELIVERING);
}

TEST(EngineTest, AStopWhileTheSourceWaitsEndsTheRunAtOnce) {
  auto script = std::make_shared<Script>();
  irisdet::Engine engine(Scripted(script));
  ASSERT_EQ(engine.Start(), IRISDET_OK);
  engine.Stop();  // the watching thread waits in Read: a stop must wake it, or this hangs
  int16_t y = -1, x = -1;
  script->Hand(10, 20);
  EXPECT_EQ(engine.Poll(&y, &x), 0);
  EXPECT_EQ(x, -1) << "a stopped engine writes nothing";
  EXPECT_EQ(y, -1);
  uint8_t pixel[IRISDET_FRAME_WIDTH * IRISDET_FRAME_HEIGHT * 3];
  EXPECT_EQ(engine.LatestFrame(pixel, sizeof pixel), 0);
  EXPECT_EQ(engine.SourceState(), IRISDET_SOURCE_STOPPED);
}

TEST(EngineTest, StartAndStopNeverWaitForASourceThatIsSlowToOpen) {
  auto script = std::make_shared<Script>();
  script->slowToOpen = true;
  irisdet::Engine engine(Scripted(script));
  ASSERT_EQ(engine.Start(), IRISDET_OK);  // returns while the source is still opening
  ASSERT_TRUE(Eventually([&] { return script->opened != 0; }));
  EXPECT_EQ(engine.SourceState(), IRISDET_SOURCE_OPENING);
  ASSERT_EQ(engine.Start(), IRISDET_OK);  // a second click while it opens keeps it
  script->slowToOpen = false;             // opened at last
  EXPECT_EQ(HandAndPoll(*script, engine, 10, 20), cv::Point(10, 20));
  EXPECT_EQ(script->opened, 1);
  EXPECT_EQ(engine.SourceState(), IRISDET_SOURCE_DELIVERING);
  engine.Stop();
  script->slowToOpen = true;
  ASSERT_EQ(engine.Start(), IRISDET_OK);
  ASSERT_TRUE(Eventually([&] { return script->opened >= 2; }));
  engine.Stop();  // returns at once: the opening thread ends by itself
  EXPECT_EQ(engine.SourceState(), IRISDET_SOURCE_STOPPED);
  ASSERT_EQ(engine.Start(), IRISDET_OK);
  ASSERT_TRUE(Eventually([&] { return script->opened >= 3; }));
  script->slowToOpen = false;
  EXPECT_EQ(HandAndPoll(*script, engine, 30, 40), cv::Point(30, 40));
}

TEST(EngineTest, AnotherCameraChosenWhileWatchingIsWatchedAtOnceButNotOverTheEnvironment) {
  auto script = std::make_shared<Script>();
  irisdet::Engine engine(Scripted(script));
  unsetenv("IRISDET_SOURCE");
  ASSERT_EQ(engine.Start(), IRISDET_OK);
  ASSERT_EQ(HandAndPoll(*script, engine, 10, 20), cv::Point(10, 20));
  engine.ChooseCamera("/dev/video4");
  ASSERT_TRUE(Eventually([&] { return script->opened >= 2; }));  // the old run has ended
  ASSERT_EQ(HandAndPoll(*script, engine, 11, 21), cv::Point(11, 21));
  engine.Stop();
  setenv("IRISDET_SOURCE", "clip.avi", 1);
  ASSERT_EQ(engine.Start(), IRISDET_OK);
  ASSERT_TRUE(Eventually([&] { return script->opened >= 3; }));
  ASSERT_EQ(HandAndPoll(*script, engine, 12, 22), cv::Point(12, 22));
  engine.ChooseCamera("/dev/video0");  // IRISDET_SOURCE still chooses
  ASSERT_EQ(HandAndPoll(*script, engine, 13, 23), cv::Point(13, 23));
  unsetenv("IRISDET_SOURCE");
  std::lock_guard lock(script->mutex);
  EXPECT_EQ(script->sources, (std::vector<std::string>{"", "/dev/video4", "clip.avi"}));
}

TEST(EngineTest, AStartWhileWatchingKeepsTheSourceAndTakesANewCentre) {
  auto script = std::make_shared<Script>();
  irisdet::Engine engine(Scripted(script));
  ASSERT_EQ(engine.Start(), IRISDET_OK);
  ASSERT_EQ(HandAndPoll(*script, engine, 10, 20), cv::Point(10, 20));
  ASSERT_EQ(engine.Start(), IRISDET_OK);
  EXPECT_EQ(script->opened, 1) << "the running source was reopened";
  ASSERT_EQ(HandAndPoll(*script, engine, 11, 21), cv::Point(11, 21));
  EXPECT_EQ(script->recentred, 1) << "a new game takes a new neutral position";
}

// The environment is read once, by the start: what the watching thread then makes and
// tracks with does not change when the environment does.
TEST(EngineTest, TheWatchingThreadKeepsWhatItsStartRead) {
  auto script = std::make_shared<Script>();
  script->trackerReady = false;
  const std::string model = irisdet::SettingsFromEnvironment().modelPath;
  irisdet::Engine engine(Scripted(script));
  setenv("IRISDET_TRACKING", "eyes", 1);
  ASSERT_EQ(engine.Start(), IRISDET_OK);
  setenv("IRISDET_MODEL", "/elsewhere/another.dat", 1);
  setenv("IRISDET_TRACKING", "gaze", 1);
  script->trackerReady = true;
  ASSERT_EQ(HandAndPoll(*script, engine, 10, 20), cv::Point(10, 20));
  unsetenv("IRISDET_MODEL");
  unsetenv("IRISDET_TRACKING");
  EXPECT_EQ(script->tracking, IRISDET_TRACKING_EYES);
  std::lock_guard lock(script->mutex);
  EXPECT_EQ(script->modelPath, model);
}

TEST(EngineTest, ASourceThatCannotOpenIsToldWithItsReasonOnceKnown) {
  auto script = std::make_shared<Script>();
  irisdet::Engine engine(Scripted(script, "No hi ha cap càmera."));
  EXPECT_EQ(engine.Start(), IRISDET_OK);  // at once: the opening is the watching thread's
  ASSERT_TRUE(Eventually([&] { return engine.SourceState() != IRISDET_SOURCE_OPENING; }));
  EXPECT_EQ(engine.SourceState(), IRISDET_SOURCE_FAILED);
  EXPECT_EQ(LastError(engine), "No hi ha cap càmera.");
  ASSERT_EQ(engine.Start(), IRISDET_OK);
  ASSERT_TRUE(Eventually([&] { return engine.SourceState() != IRISDET_SOURCE_OPENING; }));
  EXPECT_EQ(script->opened, 2) << "a failed source is tried again at the next start";
  engine.Stop();
  EXPECT_EQ(engine.SourceState(), IRISDET_SOURCE_STOPPED);
}

TEST(EngineTest, WithoutWhatFindsTheEyeFramesStillComeAndTheReasonIsTold) {
  auto script = std::make_shared<Script>();
  irisdet::Engine engine(Scripted(script, {}, "No es troba el model de la cara."));
  ASSERT_EQ(engine.Start(), IRISDET_OK);
  script->Hand(0, 0);  // no eye in it
  uint8_t pixel[IRISDET_FRAME_WIDTH * IRISDET_FRAME_HEIGHT * 3];
  for (int i = 0; i < 3000 && engine.LatestFrame(pixel, sizeof pixel) == 0; ++i) {
    int16_t y = 0, x = 0;
    EXPECT_EQ(engine.Poll(&y, &x), 0);
  }
  EXPECT_EQ(engine.LatestFrame(pixel, sizeof pixel), 1) << "a snapshot still has its frame";
  EXPECT_EQ(LastError(engine), "No es troba el model de la cara.");
}

TEST(EngineTest, AStopNeverWaitsForWhatFindsTheEyeAndTheFramesWaitForIt) {
  auto script = std::make_shared<Script>();
  script->trackerReady = false;  // the model is still being read
  irisdet::Engine engine(Scripted(script));
  ASSERT_EQ(engine.Start(), IRISDET_OK);
  script->Hand(10, 20);
  engine.Stop();  // while the frames wait for the tracker: the stop cuts the wait short
  ASSERT_EQ(engine.Start(), IRISDET_OK);
  int16_t y = 0, x = 0;
  EXPECT_EQ(engine.Poll(&y, &x), 0);
  EXPECT_EQ(LastError(engine), "") << "not ready yet is no trouble";
  script->trackerReady = true;  // read: the first frame, kept waiting, is looked at
  int16_t polledY = -1, polledX = -1;
  ASSERT_TRUE(PollForEye(engine, &polledY, &polledX));
  EXPECT_EQ(cv::Point(polledX, polledY), cv::Point(10, 20));
}

TEST(EngineTest, AFollowedEyeIsLookedAtNoMoreOftenThanAsked) {
  auto script = std::make_shared<Script>();
  irisdet::Engine engine(Scripted(script, {}, {}, 1));  // once a second: the frames below all come within it
  ASSERT_EQ(engine.Start(), IRISDET_OK);
  ASSERT_EQ(HandAndPoll(*script, engine, 10, 20), cv::Point(10, 20));
  for (int i = 0; i < 3; ++i) script->Hand(30, 40);
  // Wait until the engine has taken them all and come back for more.
  for (const int asked = script->askedWhenEmpty; script->askedWhenEmpty < asked + 2 || !script->Taken();)
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  EXPECT_EQ(script->looked, 1) << "frames were looked at within the second";
  script->settled = false;  // the face moves: every frame
  EXPECT_EQ(HandAndPoll(*script, engine, 11, 21), cv::Point(11, 21));
  EXPECT_EQ(HandAndPoll(*script, engine, 12, 22), cv::Point(12, 22));
  script->settled = true;
  engine.Stop();
  // Without an eye, every frame is looked at: the face may be anywhere by now.
  irisdet::Engine searching(Scripted(script, {}, {}, 1));
  ASSERT_EQ(searching.Start(), IRISDET_OK);
  script->Hand(0, 0);  // no eye in it
  EXPECT_EQ(HandAndPoll(*script, searching, 50, 60), cv::Point(50, 60));
}

TEST(EngineTest, ASourceThatEndsIsLostAndAStartOpensItAgain) {
  auto script = std::make_shared<Script>();
  irisdet::Engine engine(Scripted(script));
  ASSERT_EQ(engine.Start(), IRISDET_OK);
  ASSERT_EQ(HandAndPoll(*script, engine, 10, 20), cv::Point(10, 20));
  script->End();
  // Lost once no frame has come for a while: wait for that, however slow the build.
  while (engine.SourceState() == IRISDET_SOURCE_DELIVERING) std::this_thread::sleep_for(std::chrono::milliseconds(10));
  EXPECT_EQ(engine.SourceState(), IRISDET_SOURCE_LOST);
  {
    std::lock_guard lock(script->mutex);
    script->ended = false;
  }
  ASSERT_EQ(engine.Start(), IRISDET_OK);
  ASSERT_TRUE(Eventually([&] { return engine.SourceState() != IRISDET_SOURCE_OPENING; }));
  EXPECT_EQ(script->opened, 2) << "a lost source is opened anew, not kept";
}

}  // namespace
