// The calibration by a moving dot, stepped by hand: where the dot goes, when the looks
// start and end, and what a cancel leaves.
#include <gtest/gtest.h>

#include <vector>

#include "game/dot_calibration.h"
#include "tests/fakes.h"

namespace {

class NotedDots final : public game::DotView {
 public:
  void ShowDot(std::optional<game::PicturePoint> at) override { shown.push_back(at); }
  void ShowDotNote(const std::string&) override {}
  std::vector<std::optional<game::PicturePoint>> shown;
};

using Use = game::GazeCalibrator::Use;

class DotCalibrationTest : public ::testing::Test {
 protected:
  game::PlayfieldRect playfield{0, 0, 786, 486};
  NotedDots view;
  test::NotedLooks looks;
  game::DotCalibration dots{view, looks, playfield};
};

TEST_F(DotCalibrationTest, NineDotsInTurnEachLookedAtOnceSettledThenFitted) {
  dots.Start();
  int ticks = 0;
  game::DotCalibration::Outcome outcome = game::DotCalibration::Outcome::kRunning;
  while (outcome == game::DotCalibration::Outcome::kRunning && ticks < 1000) outcome = dots.Tick(), ++ticks;
  EXPECT_EQ(outcome, game::DotCalibration::Outcome::kCalibrated);
  EXPECT_EQ(ticks * game::DotCalibration::kTickMs, 13500);  // about 1.5 s a dot
  // The centre first, then the corners, then the middles of the edges; hidden at the end.
  const auto places = game::DotCalibration::Places(playfield);
  ASSERT_EQ(view.shown.size(), 10u);
  for (std::size_t i = 0; i < places.size(); ++i) {
    ASSERT_TRUE(view.shown[i]);
    EXPECT_EQ(view.shown[i]->x, places[i].x);
    EXPECT_EQ(view.shown[i]->y, places[i].y);
  }
  EXPECT_FALSE(view.shown.back());
  EXPECT_EQ(places[0].x, 393);
  EXPECT_EQ(places[0].y, 243);
  EXPECT_LT(places[1].x, 100);
  EXPECT_LT(places[1].y, 100);
  // Each look at the camera point that the game draws the square's centre on the dot from,
  // with no flip.
  constexpr int kSquareCentre = game::kDrawingOffset + game::kIndicatorSide / 2;
  ASSERT_EQ(looks.lookedAt.size(), 9u);
  for (std::size_t i = 0; i < places.size(); ++i) {
    const game::GazePoint square =
        game::MapGaze(looks.lookedAt[i].camX, looks.lookedAt[i].camY, playfield, test::Flips(false, false));
    EXPECT_NEAR(square.gazeX + kSquareCentre, places[i].x, 2) << i;
    EXPECT_NEAR(square.gazeY + kSquareCentre, places[i].y, 2) << i;
  }
  EXPECT_EQ(looks.ended, std::vector<Use>(9, Use::kDot));
  EXPECT_EQ(looks.calibrations, (std::vector<int>{0, 9}));  // what was left over dropped, then the fit
  EXPECT_FALSE(dots.Running());
}

TEST_F(DotCalibrationTest, TheLookStartsOnlyOnceTheEyesHaveSettledOnTheDot) {
  dots.Start();
  for (int tick = 1; tick < game::DotCalibration::kSettleTicks; ++tick) dots.Tick();
  EXPECT_TRUE(looks.lookedAt.empty());
  dots.Tick();
  EXPECT_EQ(looks.lookedAt.size(), 1u);
}

TEST_F(DotCalibrationTest, ACancelDropsTheLooksAndHidesTheDot) {
  dots.Start();
  for (int tick = 0; tick < 3 * game::DotCalibration::kTicksPerDot; ++tick) dots.Tick();
  dots.Cancel();
  EXPECT_FALSE(dots.Running());
  EXPECT_FALSE(view.shown.back());
  EXPECT_EQ(looks.ended.back(), Use::kDrop);
  EXPECT_EQ(looks.calibrations.back(), 0);
}

TEST_F(DotCalibrationTest, WithTooFewLooksNothingIsCalibrated) {
  class BlindLooks final : public test::NotedLooks {
    int Calibrate(bool) override { return 0; }
  } blind;
  game::DotCalibration unseen{view, blind, playfield};
  unseen.Start();
  game::DotCalibration::Outcome outcome = game::DotCalibration::Outcome::kRunning;
  for (int ticks = 0; outcome == game::DotCalibration::Outcome::kRunning && ticks < 1000; ++ticks)
    outcome = unseen.Tick();
  EXPECT_EQ(outcome, game::DotCalibration::Outcome::kTooFewLooks);
}

}  // namespace
