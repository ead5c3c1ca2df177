#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <deque>
#include <mutex>
#include <system_error>
#include <thread>

#include "game/effect_channel.h"
#include "game/game_session.h"
#include "game/gaze_choice.h"
#include "game/pointer_eye_source.h"
#include "game/reveal.h"
#include "tests/fakes.h"
#include "tests/recording_view.h"

namespace {

using Effects = std::vector<std::string>;

// A detector whose eye always sits at one camera point; it records start and stop.
class SteadyEyes : public game::EyeSource {
 public:
  explicit SteadyEyes(std::vector<std::string>& log, const char* name) : log_(log), name_(name) {}
  std::int32_t Start() override {
    log_.push_back(std::string(name_) + " start");
    return startResult;
  }
  void Stop() override { log_.push_back(std::string(name_) + " stop"); }
  std::int32_t Poll(game::CameraPoint& sample) override {
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
    const bool eye = seesEye;
    ++polls;
    if (!eye) return 0;
    sample = {camX, camY};
    return 1;
  }
  game::CameraState Camera() override { return camera; }
  std::string Failure() override { return failure; }
  void SetTracking(IrisdetTracking chosen) override { tracking = chosen; }
  IrisdetTracking TrackingInUse() override { return tracking; }
  std::int32_t startResult = 0;
  IrisdetTracking tracking = IRISDET_TRACKING_COMFORT;
  std::string failure;
  std::atomic<std::int16_t> camX{0}, camY{0};
  std::atomic<game::CameraState> camera{game::CameraState::kDelivering};
  std::atomic<bool> seesEye{true};
  std::atomic<int> polls{0};

 private:
  std::vector<std::string>& log_;
  const char* name_;
};

// The window: writes down what it is asked, in order; the game's effects wait in a queue
// until Drain(), the UI thread's turn.
class FakeView : public test::RecordingViewOf<game::View> {
 public:
  explicit FakeView(std::vector<std::string>& log) : log_(log) {}
  void ShowDot(std::optional<game::PicturePoint> at) override { dotShown = at.has_value(); }
  void ShowDotNote(const std::string& note) override { Add("note " + note); }
  void HideIndicator() override { Add("hide"); }
  void EnableSolution(bool on) override { Add(on ? "solution on" : "solution off"); }
  void Tell(Notice, const std::string& text) override { Add(text); }
  void ShowNoFaceHint(bool) override {}
  game::PicturePoint PointerInPicture() const override { return {0, 0}; }
  void Add(std::string effect) override { log_.push_back(std::move(effect)); }  // the test's thread only

  void Deliver(std::function<void()> call) {
    std::lock_guard lock(mutex_);
    queue_.push_back(std::move(call));
  }
  void Drain() {
    std::deque<std::function<void()>> batch;
    {
      std::lock_guard lock(mutex_);
      batch.swap(queue_);
    }
    for (auto& call : batch) call();
  }
  bool dotShown = false;

 private:
  std::vector<std::string>& log_;
  std::mutex mutex_;
  std::deque<std::function<void()>> queue_;
};

// What the player is told.
const std::string kNoCamera = "No s'ha pogut obrir la càmera. El quadrat seguirà el ratolí.";
const std::string kCameraLost = "S'ha perdut la càmera: ja no arriben imatges.";
const std::string kNoCameraToCalibrate =
    "La mirada es calibra amb la càmera, i no s'ha pogut obrir. Es manté el seguiment d'abans.";

class GameSessionTest : public ::testing::Test {
 protected:
  game::GameSession& Session(bool pointerFromStart = false) {
    session = std::make_unique<game::GameSession>(
        window, field, flips,
        game::GameServices{detector, pointer, pointerFromStart, clock, chance,
                           [this](std::function<void()> body) {
                             if (failThreads)
                               throw std::system_error(std::make_error_code(std::errc::resource_unavailable_try_again));
                             // Counted from the launch: a click returns with its worker counted.
                             const int now = ++workers;
                             int seen = maxWorkers;
                             while (now > seen && !maxWorkers.compare_exchange_weak(seen, now)) {
                             }
                             return std::thread([this, body = std::move(body)] {
                               body();
                               --workers;
                             });
                           },
                           Deliver()});
    return *session;
  }
  game::EffectChannel::Deliver Deliver() {
    return [this](std::function<void()> call) { window.Deliver(std::move(call)); };
  }
  void Click() {
    activaDown = !activaDown;  // "Activa" stays down during a game
    session->SetActive(activaDown);
  }
  bool WaitForWorkerToEnd() {
    for (int i = 0; i < 2000 && workers > 0; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    return workers == 0;
  }

  std::vector<std::string> log;
  FakeView window{log};
  SteadyEyes detector{log, "detector"};
  SteadyEyes pointer{log, "pointer"};
  game::PlayfieldRect field{0, 0, 640, 480};
  test::Flips flips{false, false};
  test::FakeClock clock;
  test::ScriptedChance chance{{100, 100, 2, 2}};  // target at camera (100, 100): playfield (540, 100)
  bool failThreads = false;
  std::atomic<int> workers{0}, maxWorkers{0};
  bool activaDown = false;
  std::unique_ptr<game::GameSession> session;
};

TEST_F(GameSessionTest, StartAndStopStepsInOrder) {
  Session();
  detector.camX = 600;  // far from the target: no find
  Click();
  EXPECT_EQ(log, (Effects{"detector start", "solution on", "timer 500"}));
  EXPECT_EQ(workers.load(), 1);
  EXPECT_EQ(session->Target().targetX, 540);
  log.clear();
  Click();
  EXPECT_EQ(log, (Effects{"detector start", "solution off", "detector stop", "pointer stop", "kill"}));
  EXPECT_TRUE(WaitForWorkerToEnd());
  window.Drain();
  EXPECT_EQ(log.size(), 5u);  // nothing of the stopped game lands
}

TEST_F(GameSessionTest, AFindEndsTheWorkerAndLeavesTheGamePressed) {
  Session().SetFeedback(game::FeedbackMode::kBeep);
  detector.camX = 540 - 16;  // the gaze lands 16 px short of the mirrored target
  detector.camY = 100 - 16;
  Click();
  ASSERT_TRUE(WaitForWorkerToEnd());
  window.Drain();
  const Effects effects = log;
  ASSERT_GE(effects.size(), 4u);
  EXPECT_EQ(Effects(effects.end() - 4, effects.end()),
            (Effects{"bitmap Green", "reveal 2", "kill", "sound eureka2.wav"}));
  log.clear();
  Click();  // one click to stop, and no worker left to wait for
  EXPECT_EQ(log.back(), "kill");
}

TEST_F(GameSessionTest, RapidClickingNeverRunsTwoWorkers) {
  Session();
  detector.camX = 600;
  for (int i = 0; i < 300; ++i) {
    Click();
    if (i % 7 == 0) window.Drain();
  }
  session->StopForClose();
  EXPECT_EQ(maxWorkers.load(), 1);
  EXPECT_EQ(workers.load(), 0);
}

TEST_F(GameSessionTest, ThreadFailureShowsTheMessageOnce) {
  Session();
  failThreads = true;
  Click();
  EXPECT_EQ(log, (Effects{"detector start", "solution on", "Error creant thread"}));
  EXPECT_EQ(workers.load(), 0);
  log.clear();
  failThreads = false;
  Click();  // released: the usual stop steps
  EXPECT_EQ(log, (Effects{"detector start", "solution off", "detector stop", "pointer stop", "kill"}));
}

TEST_F(GameSessionTest, NoCameraPlaysWithThePointerAndSaysSoOnce) {
  Session();
  detector.startResult = 1;
  pointer.camX = 600;
  Click();
  Click();
  Click();
  EXPECT_EQ(std::count(log.begin(), log.end(), kNoCamera), 1);
  EXPECT_TRUE(session->UsingPointer());
  session->StopForClose();
}

TEST_F(GameSessionTest, ACameraThatTurnsOutNotToOpenIsToldAndTheMousePlays) {
  Session();
  detector.failure = "Un altre programa fa servir la càmera «Webcam». Tanca'l i torna-ho a provar.";
  Click();  // the start returns at once: the camera is still opening
  EXPECT_FALSE(session->UsingPointer());
  session->CheckCamera();
  detector.camera = game::CameraState::kFailed;
  session->CheckCamera();
  EXPECT_TRUE(session->UsingPointer());
  EXPECT_EQ(std::count(log.begin(), log.end(), detector.failure + " El quadrat seguirà el ratolí."), 1);
  EXPECT_EQ(std::count(log.begin(), log.end(), "detector stop"), 1);
  Click();
  Click();  // the next game tries the camera again, and is not told a second time
  session->CheckCamera();
  EXPECT_EQ(std::count(log.begin(), log.end(), detector.failure + " El quadrat seguirà el ratolí."), 1);
  EXPECT_TRUE(session->UsingPointer());
  session->StopForClose();
}

TEST_F(GameSessionTest, ACameraThatStopsIsToldOnceAGame) {
  Session();
  detector.camX = 600;
  Click();
  session->CheckCamera();
  detector.camera = game::CameraState::kLost;
  session->CheckCamera();
  session->CheckCamera();
  EXPECT_EQ(std::count(log.begin(), log.end(), kCameraLost), 1);
  detector.camera = game::CameraState::kDelivering;  // plugged back in
  session->CheckCamera();
  detector.camera = game::CameraState::kLost;
  session->CheckCamera();  // lost again: said again
  EXPECT_EQ(std::count(log.begin(), log.end(), kCameraLost), 2);
  Click();
  session->CheckCamera();  // no game: nothing to say
  Click();
  session->CheckCamera();  // a new game: said again
  EXPECT_EQ(std::count(log.begin(), log.end(), kCameraLost), 3);
  session->StopForClose();
}

TEST_F(GameSessionTest, DetectorTroubleIsToldWithItsReasonOnceForTheRun) {
  Session();
  detector.camX = 600;
  detector.startResult = 2;
  detector.failure = "El model no serveix.";
  Click();  // the detector cannot start: the pointer plays, and the reason is told
  EXPECT_EQ(std::count(log.begin(), log.end(), "El model no serveix. El quadrat seguirà el ratolí."), 1);
  EXPECT_TRUE(session->UsingPointer());
  session->CheckCamera();  // the pointer plays: nothing of the detector's to tell
  EXPECT_EQ(std::count(log.begin(), log.end(), "El model no serveix."), 0);
  Click();
  detector.startResult = 0;
  detector.failure.clear();
  Click();  // started; the model turns out bad on the detector's thread
  detector.failure = "El model està malmès.";
  detector.camera = game::CameraState::kLost;
  session->CheckCamera();
  session->CheckCamera();
  Click();
  Click();
  session->CheckCamera();  // the same trouble in the next game is not told again
  EXPECT_EQ(std::count(log.begin(), log.end(), "El model està malmès."), 1);
  session->StopForClose();
}

TEST_F(GameSessionTest, AFaceMissingForASecondIsNoticedAndItsReturnToo) {
  Session();
  detector.camX = 600;
  Click();
  EXPECT_FALSE(session->FaceMissing());
  detector.seesEye = false;
  // Once a poll has seen no eye, the worker reads the clock no more until one comes.
  for (const int seen = detector.polls + 1; detector.polls <= seen;) std::this_thread::yield();
  clock.ticks += game::FacePresence::kMissingAfterMs;
  EXPECT_FALSE(session->FaceMissing());  // a second exactly: not yet
  clock.ticks += 1;
  EXPECT_TRUE(session->FaceMissing());
  detector.seesEye = true;
  for (int i = 0; i < 5000 && session->FaceMissing(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  EXPECT_FALSE(session->FaceMissing());
  detector.seesEye = false;
  Click();                            // no game: nothing is missing
  ASSERT_TRUE(WaitForWorkerToEnd());  // it read the clock until then
  clock.ticks += 5000;
  EXPECT_FALSE(session->FaceMissing());
  session->StopForClose();
}

TEST_F(GameSessionTest, PointerFromTheStartNeverTriesTheCamera) {
  Session(true);
  pointer.camX = 600;
  Click();
  EXPECT_EQ(std::count(log.begin(), log.end(), "detector start"), 0);
  EXPECT_EQ(std::count(log.begin(), log.end(), kNoCamera), 0);
  EXPECT_TRUE(session->UsingPointer());
}

TEST_F(GameSessionTest, ClicksInOneSecondHideTheTargetInOnePlace) {
  session = nullptr;
  game::GameSession real(
      window, field, flips,
      {detector, pointer, false, clock, game::CLibraryChance(), game::StdThreadLauncher(), Deliver()});
  detector.camX = 600;
  real.SetActive(true);
  const std::int32_t x = real.Target().targetX, y = real.Target().targetY;
  real.SetActive(false);
  EXPECT_EQ(real.Target().targetX, x);
  EXPECT_EQ(real.Target().targetY, y);
}

TEST_F(GameSessionTest, ARevealedPictureIsLookedAtInGazeTrackingWithTheCameraAndNoCalibrationUnderWay) {
  test::NotedLooks looks;
  {
    game::GazeChoice gaze(Session(), looks, window, field);
    Click();                              // a game with the camera
    EXPECT_FALSE(gaze.LooksAtReveals());  // comfortable tracking
    detector.tracking = IRISDET_TRACKING_GAZE;
    EXPECT_TRUE(gaze.LooksAtReveals());
    gaze.Recentre();  // in gaze tracking: the calibration again
    ASSERT_TRUE(window.dotShown);
    EXPECT_FALSE(gaze.LooksAtReveals());
    gaze.Cancel();
    EXPECT_TRUE(gaze.LooksAtReveals());
    Click();
  }
  game::GazeChoice withMouse(Session(true), looks, window, field);
  Click();
  EXPECT_FALSE(withMouse.LooksAtReveals());
  withMouse.Choose(IRISDET_TRACKING_GAZE);  // no camera to calibrate with: told, and nothing changes
  EXPECT_EQ(std::count(log.begin(), log.end(), kNoCameraToCalibrate), 1);
  EXPECT_FALSE(withMouse.Calibrating());
  Click();
}

TEST(PointerSourceTest, TheSquareSitsCentredUnderThePointer) {
  const game::PlayfieldRect field{0, 0, 786, 486};
  for (const bool v : {false, true})
    for (const bool h : {false, true}) {
      const test::Flips flips{v, h};
      for (const auto& [x, y] : {std::pair{100, 100}, {400, 300}, {700, 50}}) {
        const auto [camX, camY] = game::PointerEyeSource::ToCamera(x, y, field, flips);
        const game::GazePoint gaze = game::MapGaze(camX, camY, field, flips);
        EXPECT_NEAR(gaze.gazeX + 6, x, 2) << v << h;
        EXPECT_NEAR(gaze.gazeY + 6, y, 2) << v << h;
      }
    }
}

TEST(PointerSourceTest, OffThePlayfieldNoEyeAndStopWakesAPoll) {
  const game::PlayfieldRect field{0, 0, 786, 486};
  const test::Flips flips{false, false};
  game::PointerEyeSource pointer(field, flips);
  game::CameraPoint sample{8, 7};
  pointer.SetPointer(-5, 10, false);
  EXPECT_EQ(pointer.Poll(sample), 0);
  EXPECT_EQ(sample.camY, 7);
  pointer.SetPointer(100, 100, true);
  EXPECT_EQ(pointer.Poll(sample), 1);
  // The pointer is over the picture: a poll that times out says 1; a poll woken by a
  // stop says 0. Stops keep coming until the poll returns, so it is woken unless the
  // stopper never ran meanwhile; a few tries make that impossible in practice.
  bool woken = false;
  for (int attempt = 0; attempt < 20 && !woken; ++attempt) {
    std::atomic<bool> returned{false};
    std::thread stopper([&] {
      while (!returned) pointer.Stop(), std::this_thread::yield();
    });
    woken = pointer.Poll(sample) == 0;
    returned = true;
    stopper.join();
  }
  EXPECT_TRUE(woken);
}

TEST(RevealTest, PictureCentredOnTheTarget) {
  EXPECT_EQ(game::PlacePicture(400, 300, 101, 101).left, 350);  // spans 350 .. 450
  EXPECT_EQ(game::PlacePicture(400, 300, 100, 100).left, 350);  // spans 350 .. 449
  EXPECT_EQ(game::PlacePicture(400, 300, 100, 99).top, 251);
  EXPECT_EQ(game::PlacePicture(0, 0, 120, 120).left, -60);
}

// What a game posts while a calibration pauses it reaches the window at the resume, in
// order, unless the game stops meanwhile: a find just before a pause is never lost.
TEST(EffectChannelTest, APauseHoldsTheGamesEffectsUntilTheResumeAndAStopDropsThem) {
  test::RecordingView window;
  std::deque<std::function<void()>> queued;
  game::EffectChannel channel(window, [&](std::function<void()> call) { queued.push_back(std::move(call)); });
  const auto uiThreadsTurn = [&] {
    for (; !queued.empty(); queued.pop_front()) queued.front()();
  };
  std::unique_ptr<game::TrackingView> game = channel.Open();
  game->RevealPicture(3);  // the pass of a find, posted just before the pause
  channel.Pause();
  uiThreadsTurn();
  EXPECT_TRUE(window.Effects().empty());
  channel.Resume();
  EXPECT_EQ(window.Effects(), (Effects{"reveal 3"}));
  channel.Pause();
  std::unique_ptr<game::TrackingView> next = channel.Open();  // a game started during the pause
  next->SetCueTimer(40);
  uiThreadsTurn();
  channel.Close();  // and stopped before its end
  channel.Resume();
  uiThreadsTurn();
  EXPECT_EQ(window.Effects(), (Effects{"reveal 3"}));
}

}  // namespace
