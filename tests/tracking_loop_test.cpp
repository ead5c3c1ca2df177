#include <gtest/gtest.h>

#include <atomic>
#include <deque>

#include "game/spoken_cues.h"
#include "game/tracking_loop.h"
#include "tests/fakes.h"
#include "tests/recording_view.h"

namespace {

using Effects = std::vector<std::string>;

// A 640 x 480 playfield maps camera points one to one. The target is at (300, 200);
// a gaze (x, 184) is measured at (x + 16, 200), so its distance is |x - 284|.
class TrackingLoopTest : public ::testing::Test {
 protected:
  static test::Sample At(std::int16_t x, std::uint32_t ticksAfter = 0) { return {true, x, 184, ticksAfter}; }
  static test::Sample NoEye(std::uint32_t ticksAfter = 0) { return {false, 0, 0, ticksAfter}; }

  Effects Run(std::deque<test::Sample> script, game::FeedbackMode mode, int tolerance = 20) {
    feedback = mode;
    this->tolerance = tolerance;
    eyes = std::make_unique<test::ScriptedEyes>(std::move(script), stop, clock.ticks);
    Play(*eyes, view);
    return view.Effects();
  }
  void Play(game::EyeSource& polled, test::RecordingView& on) {
    const std::atomic<game::EyeSource*> source{&polled};
    game::TrackGaze({field, target, flips, stop, paused, feedback, tolerance, source, on, clock, chance});
  }

  void SetUp() override {
    target.targetX = 300;
    target.targetY = 200;
    clock.ticks = 5000;
  }

  game::PlayfieldRect field{0, 0, 640, 480};
  game::TargetPoint target;
  test::Flips flips{false, false};
  std::atomic<bool> stop{false}, paused{false};
  std::atomic<game::FeedbackMode> feedback{game::FeedbackMode::kSpoken};
  std::atomic<std::int32_t> tolerance{20};
  test::FakeClock clock;
  test::ScriptedChance chance{{3, 3}};
  test::RecordingView view;
  std::unique_ptr<test::ScriptedEyes> eyes;
};

TEST_F(TrackingLoopTest, StartStepsThenOnePassWithoutAnEyeAtTheCentre) {
  const Effects effects = Run({NoEye()}, game::FeedbackMode::kBeep);
  EXPECT_EQ(effects, (Effects{"show", "invalidate", "bitmap Blue", "move 310,230",
                              "status Aleatori: x=300; y=200;;Ull: x=320, y=240"}));
}

TEST_F(TrackingLoopTest, StopAtTheTopOfAPassTouchesNothing) {
  stop = true;
  EXPECT_EQ(Run({At(284)}, game::FeedbackMode::kBeep), (Effects{"show", "invalidate", "bitmap Blue"}));
  EXPECT_EQ(eyes->polls, 0);
}

TEST_F(TrackingLoopTest, APassWithoutAnEyeKeepsTheLastSample) {
  Run({At(580), NoEye()}, game::FeedbackMode::kBeep);
  EXPECT_EQ(view.Only({"move"}), (Effects{"move 570,174", "move 570,174"}));
  EXPECT_EQ(view.Only({"timer"}), (Effects{"timer 1000"}));
}

TEST_F(TrackingLoopTest, BeepTimerChangesOnlyWithTheBand) {
  // Blue, Blue, LightBlue, Orange, Red, Orange, Red, and a pass with no eye.
  Run({At(584), At(584), At(434), At(354), At(314), At(354), At(314), NoEye()}, game::FeedbackMode::kBeep);
  EXPECT_EQ(view.Only({"timer", "kill"}),
            (Effects{"timer 1000", "timer 400", "timer 80", "timer 40", "timer 80", "timer 40"}));
  EXPECT_EQ(view.Only({"bitmap"}), (Effects{"bitmap Blue", "bitmap Blue", "bitmap Blue", "bitmap LightBlue",
                                            "bitmap Orange", "bitmap Red", "bitmap Orange", "bitmap Red"}));
}

TEST_F(TrackingLoopTest, BeepFindKillsTheBeepBeforeTheEureka) {
  const Effects effects = Run({At(400), At(284 + 19), At(100)}, game::FeedbackMode::kBeep);
  const Effects tail(effects.end() - 5, effects.end());
  EXPECT_EQ(tail, (Effects{"move 293,174", "bitmap Green", "reveal 3", "kill", "sound eureka3.wav"}));
  EXPECT_EQ(eyes->polls, 2);                                     // the run ended at the find
  EXPECT_EQ(chance.seeds, (std::vector<unsigned>{1000, 1000}));  // eureka and picture, same second
}

TEST_F(TrackingLoopTest, SpokenModeKillsTheBeepAndHoldsCuesOff) {
  // Far to the left of the target: "d.wav" (target to the right).
  Run({At(100, 1000), At(100, 2000), At(100, 1)}, game::FeedbackMode::kSpoken);
  // Cue at tick 6000 (read after it started); 8000 holds, 8001 releases.
  EXPECT_EQ(view.Only({"sound", "kill", "timer"}), (Effects{"kill", "sound d.wav", "kill", "kill", "sound d.wav"}));
}

TEST_F(TrackingLoopTest, HoldOffSurvivesTheTickCountWrapping) {
  clock.ticks = 0xFFFFFF00u;  // the first cue just before the wrap, the next ones after it
  Run({At(100, 0), At(100, 2000), At(100, 1)}, game::FeedbackMode::kSpoken);
  EXPECT_EQ(view.Only({"sound", "kill"}), (Effects{"kill", "sound d.wav", "kill", "kill", "sound d.wav"}));
}

TEST_F(TrackingLoopTest, SpokenFindPlaysEurekaWithoutGreen) {
  const Effects effects = Run({At(284 + 5)}, game::FeedbackMode::kSpoken);
  const Effects tail(effects.end() - 3, effects.end());
  EXPECT_EQ(tail, (Effects{"kill", "reveal 3", "sound eureka3.wav"}));
  EXPECT_TRUE(view.Only({"bitmap Green"}).empty());
  EXPECT_TRUE(view.Only({"status"}).empty());
}

TEST_F(TrackingLoopTest, NoCueStraightBelowOrAboveAtTheSameHeight) {
  // Inside the window with gazeY = targetY (d = 22): no cue, and the hold-off is
  // untouched, so the next pass that wants a cue gets it at once.
  Run({{true, 300, 200, 0}, At(100)}, game::FeedbackMode::kSpoken);
  EXPECT_EQ(view.Only({"sound", "kill"}), (Effects{"kill", "kill", "sound d.wav"}));
}

TEST_F(TrackingLoopTest, ModeSwitchKeepsTheLastBeepBand) {
  feedback = game::FeedbackMode::kBeep;
  struct SwitchingEyes : test::ScriptedEyes {
    using ScriptedEyes::ScriptedEyes;
    std::atomic<game::FeedbackMode>* mode = nullptr;
    std::int32_t Poll(game::CameraPoint& sample) override {
      *mode = polls == 1 ? game::FeedbackMode::kSpoken : game::FeedbackMode::kBeep;  // the second pass speaks
      return ScriptedEyes::Poll(sample);
    }
  };
  auto switching =
      std::make_unique<SwitchingEyes>(std::deque<test::Sample>{At(584), At(584), At(584)}, stop, clock.ticks);
  switching->mode = &feedback;
  Play(*switching, view);
  // Blue set once; the spoken pass kills it; back in Blue it stays killed.
  EXPECT_EQ(view.Only({"timer", "kill"}), (Effects{"timer 1000", "kill"}));
}

TEST_F(TrackingLoopTest, APausedPassShowsAndPlaysNothingAndTheGameGoesOnAfterIt) {
  // The second and third passes come during a calibration, the gaze on the target.
  struct PausingEyes : test::ScriptedEyes {
    using ScriptedEyes::ScriptedEyes;
    std::atomic<bool>* paused = nullptr;
    std::int32_t Poll(game::CameraPoint& sample) override {
      *paused = polls == 1 || polls == 2;
      return ScriptedEyes::Poll(sample);
    }
  };
  for (const game::FeedbackMode mode : {game::FeedbackMode::kBeep, game::FeedbackMode::kSpoken}) {
    test::RecordingView view;
    feedback = mode;
    auto pausing =
        std::make_unique<PausingEyes>(std::deque<test::Sample>{At(584), At(284), At(284), At(584)}, stop, clock.ticks);
    pausing->paused = &paused;
    stop = false;
    Play(*pausing, view);
    EXPECT_EQ(view.Only({"move"}).size(), 2u);   // the passes before and after the pause
    EXPECT_TRUE(view.Only({"reveal"}).empty());  // no find while paused
    if (mode == game::FeedbackMode::kBeep)
      EXPECT_EQ(view.Only({"timer"}), (Effects{"timer 1000", "timer 1000"}));  // the band's beeps again after it
    else
      EXPECT_EQ(view.Only({"sound"}), (Effects{"sound e.wav", "sound e.wav"}));  // a cue at once after it
  }
}

TEST_F(TrackingLoopTest, NoToleranceNeverFinds) {
  Run({At(284), At(284), At(300)}, game::FeedbackMode::kBeep, 0);
  EXPECT_EQ(view.Only({"timer"}), (Effects{"timer 1000"}));
  EXPECT_TRUE(view.Only({"sound"}).empty());
}

struct CueCase {
  std::int32_t gazeX, gazeY, d;
  const char* cue;
};

TEST(SpokenCueTest, TheCueTable) {
  // Target (400, 300), s = 20: the window is 381..419, near is d < 60.
  const CueCase cases[] = {
      {400, 280, 40, "mav.wav"}, {400, 320, 40, "ma.wav"}, {400, 200, 100, "av.wav"}, {400, 400, 100, "a.wav"},
      {350, 300, 50, "md.wav"},  {450, 300, 50, "me.wav"}, {100, 300, 300, "d.wav"},  {700, 300, 300, "e.wav"},
      {381, 250, 60, "av.wav"},  {380, 300, 30, "md.wav"}, {420, 300, 30, "me.wav"},  {419, 300, 59, nullptr},
  };
  for (const CueCase& c : cases) {
    const char* cue = game::ChooseSpokenCue(400, 300, {c.gazeX, c.gazeY}, c.d, 20);
    EXPECT_STREQ(cue, c.cue) << c.gazeX << ',' << c.gazeY;
  }
}

TEST(SpokenCueTest, NoWindowAndNoNearWithoutTolerance) {
  EXPECT_STREQ(game::ChooseSpokenCue(400, 300, {400, 200}, 100, 0), nullptr);  // dx = 0 outside the empty window
  EXPECT_STREQ(game::ChooseSpokenCue(400, 300, {399, 300}, 1, 0), "d.wav");
  EXPECT_STREQ(game::ChooseSpokenCue(400, 300, {401, 300}, 1, -5), "e.wav");
}

TEST(SpokenCueTest, HoldOffBoundaries) {
  EXPECT_FALSE(game::HoldOffOver(2000, 0));
  EXPECT_TRUE(game::HoldOffOver(2001, 0));
  EXPECT_FALSE(game::HoldOffOver(0, 2000));  // an earlier tick, as an absolute difference
  EXPECT_TRUE(game::HoldOffOver(0, 2001));
  EXPECT_FALSE(game::HoldOffOver(1000, 0xFFFFFFFFu - 999));  // 2000 across the wrap
  EXPECT_TRUE(game::HoldOffOver(1001, 0xFFFFFFFFu - 999));
  EXPECT_TRUE(game::HoldOffOver(0x80000000u, 0));  // the most negative difference
}

}  // namespace
