#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <vector>

#include "game/geometry.h"
#include "tests/fakes.h"

namespace {

using game::ProximityBand;

const game::PlayfieldRect kField{0, 0, 800, 600};

// The draws are taken modulo the camera's size, then x is mirrored into the picture area.
TEST(PickTargetTest, MirrorsXOnlyAndSeedsWithTheSeconds) {
  struct Case {
    int drawX, drawY, camX, camY, x, y;
  };
  for (const Case c : {Case{0, 0, 0, 0, 800, 0}, Case{639, 479, 639, 479, 1, 598}, Case{320, 240, 320, 240, 400, 300},
                       Case{640 + 10, 480 * 3 + 7, 10, 7, 787, 8}}) {
    test::FakeClock clock;
    clock.seconds = 1234;
    test::ScriptedChance chance({c.drawX, c.drawY});
    game::TargetPoint target;
    game::PickTarget(kField, target, clock, chance);
    EXPECT_EQ(chance.seeds, std::vector<unsigned>{1234});
    EXPECT_EQ(target.targetCamX, c.camX) << c.drawX;
    EXPECT_EQ(target.targetCamY, c.camY) << c.drawY;
    EXPECT_EQ(target.targetX, c.x) << c.drawX;
    EXPECT_EQ(target.targetY, c.y) << c.drawY;
  }
}

TEST(PickTargetTest, SameSecondGivesSameTargetWithTheCLibrary) {
  test::FakeClock clock;
  game::TargetPoint a, b;
  game::PickTarget(kField, a, clock, game::CLibraryChance());
  game::PickTarget(kField, b, clock, game::CLibraryChance());
  EXPECT_EQ(a.targetX, b.targetX);
  EXPECT_EQ(a.targetY, b.targetY);
}

TEST(MapGazeTest, MapsFlipsAndClamps) {
  struct Case {
    std::int16_t camX, camY;
    bool flipV, flipH;
    std::int32_t x, y;
  };
  const Case cases[] = {
      {320, 240, false, false, 400, 300}, {320, 240, true, true, 400, 300},
      {1, 1, false, false, 1, 1},         {1, 1, true, true, 798 - 20 /*clamped*/, 598 - 20},
      {640, 0, false, false, 778, 0},     {640, 0, false, true, 0, 0},
      {-5, -5, false, false, -6, -6},  // truncation toward zero, no lower clamp
      {614, 0, false, false, 767, 0},     {615, 0, false, false, 768, 0},
      {616, 0, false, false, 778, 0},  // 769 and up jump to W - 22
      {0, 454, false, false, 0, 567},     {0, 455, false, false, 0, 568},
      {0, 456, false, false, 0, 578},
  };
  for (const Case& c : cases) {
    const test::Flips flips{c.flipV, c.flipH};
    const game::GazePoint gaze = game::MapGaze(c.camX, c.camY, kField, flips);
    EXPECT_EQ(gaze.gazeX, c.x) << c.camX << ',' << c.camY;
    EXPECT_EQ(gaze.gazeY, c.y) << c.camX << ',' << c.camY;
  }
}

TEST(MapGazeTest, OneCameraPixelFlipsToTheFarSideBeforeTheClamp) {
  // 798 and 598 are over the clamp, so they land at W - 22 and H - 22.
  const test::Flips flips{true, true};
  const game::GazePoint gaze = game::MapGaze(1, 1, kField, flips);
  EXPECT_EQ(gaze.gazeX, 778);
  EXPECT_EQ(gaze.gazeY, 578);
  const game::PlayfieldRect wide{0, 0, 40000, 40000};  // room enough: no clamp
  const game::GazePoint far = game::MapGaze(1, 1, wide, flips);
  EXPECT_EQ(far.gazeX, 39937);  // 40000 * 639 / 640, truncated
  EXPECT_EQ(far.gazeY, 39916);  // 40000 * 479 / 480, truncated
}

TEST(DistanceTest, TruncatesTheSquareRoot) {
  EXPECT_EQ(game::Distance(0, 0, 3, 4), 5);
  EXPECT_EQ(game::Distance(0, 0, 1, 1), 1);
  EXPECT_EQ(game::Distance(0, 0, 2, 3), 3);
  EXPECT_EQ(game::Distance(10, 10, 30, 30), 28);
  EXPECT_EQ(game::Distance(30, 30, 10, 10), 28);
  // Far-apart points: no overflow in the squares.
  EXPECT_EQ(game::Distance(-2000000000, 0, 2000000000, 0), 2147483647);
}

TEST(ClassifyBandTest, BandBoundsForTolerance20) {
  struct Case {
    std::int32_t d;
    ProximityBand band;
  };
  for (const Case c : {Case{19, ProximityBand::Green},
                       {20, ProximityBand::Red},
                       {59, ProximityBand::Red},
                       {60, ProximityBand::Orange},
                       {99, ProximityBand::Orange},
                       {100, ProximityBand::LightBlue},
                       {259, ProximityBand::LightBlue},
                       {260, ProximityBand::Blue},
                       {0, ProximityBand::Green}})
    EXPECT_EQ(game::ClassifyBand(c.d, 20), c.band) << c.d;
}

TEST(ClassifyBandTest, NoFindWithZeroOrNegativeTolerance) {
  for (const std::int32_t s : {0, -1, -5, std::numeric_limits<std::int32_t>::min()})
    for (const std::int32_t d : {0, 1, 100, std::numeric_limits<std::int32_t>::max()})
      EXPECT_EQ(game::ClassifyBand(d, s), ProximityBand::Blue) << d << ' ' << s;
}

TEST(ClassifyBandTest, HugeTolerancesKeepTheBands) {
  // 13s no longer fits 32 bits above 165,191,049: the bands must still hold.
  const std::int32_t s = 165191050;
  EXPECT_EQ(game::ClassifyBand(s - 1, s), ProximityBand::Green);
  EXPECT_EQ(game::ClassifyBand(s, s), ProximityBand::Red);
  EXPECT_EQ(game::ClassifyBand(std::numeric_limits<std::int32_t>::max(), s), ProximityBand::LightBlue);
  const std::int32_t max = std::numeric_limits<std::int32_t>::max();
  EXPECT_EQ(game::ClassifyBand(max - 1, max), ProximityBand::Green);
  EXPECT_EQ(game::ClassifyBand(max, max), ProximityBand::Red);
  EXPECT_EQ(game::ClassifyBand(max, 715827883), ProximityBand::Red);     // 3s just above max
  EXPECT_EQ(game::ClassifyBand(max, 715827882), ProximityBand::Orange);  // 3s just below
  EXPECT_TRUE(game::IsNear(max, 715827883));
  EXPECT_FALSE(game::IsNear(max, 715827882));
}

TEST(NearAndWindowTest, BoundsAreStrict) {
  EXPECT_TRUE(game::IsNear(59, 20));
  EXPECT_FALSE(game::IsNear(60, 20));
  EXPECT_FALSE(game::IsNear(0, 0));
  for (int x = 381; x <= 419; ++x) EXPECT_TRUE(game::InHorizontalWindow(x, 400, 20)) << x;
  EXPECT_FALSE(game::InHorizontalWindow(380, 400, 20));
  EXPECT_FALSE(game::InHorizontalWindow(420, 400, 20));
  EXPECT_FALSE(game::InHorizontalWindow(400, 400, 0));
  EXPECT_FALSE(game::InHorizontalWindow(0, 0, std::numeric_limits<std::int32_t>::min()));
  EXPECT_TRUE(game::InHorizontalWindow(0, 0, std::numeric_limits<std::int32_t>::max()));
}

}  // namespace
