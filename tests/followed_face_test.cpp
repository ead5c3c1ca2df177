// Whose face is followed, on synthetic boxes and looks: no model, no photo.
#include <gtest/gtest.h>

#include "detector/face/followed_face.h"

namespace {

using irisdet::FollowedFace;
using irisdet::SeenFace;

using Signature = irisdet::FaceSignature;

// A look whose every histogram is all of one kind (`kind` 0 to 13): looks of different
// kinds are as unlike as looks can be; `share` of another kind mixed in makes one a
// little unlike.
Signature Look(int kind, float share = 0.f, int mixed = 0) {
  Signature look{std::vector<float>(Signature::kCells * Signature::kPatterns, 0.f),
                 std::vector<float>(Signature::kRegions * Signature::kColours, 0.f)};
  for (int cell = 0; cell < Signature::kCells; ++cell) {
    look.texture[cell * Signature::kPatterns + kind] += 1.f - share;
    look.texture[cell * Signature::kPatterns + mixed] += share;
  }
  for (int region = 0; region < Signature::kRegions; ++region) {
    look.colour[region * Signature::kColours + kind] += 1.f - share;
    look.colour[region * Signature::kColours + mixed] += share;
  }
  return look;
}

SeenFace Face(int kind, cv::Point2f centre, float width = 100.f) {
  return {{centre.x - width / 2, centre.y - width / 2, width, width}, Look(kind)};
}

TEST(PlayerLikelihoodTest, ALargeFaceNearTheMiddleIsThePlayer) {
  const cv::Size frame(640, 480);
  const auto likelihood = [&](cv::Point2f centre, float width) {
    return irisdet::PlayerLikelihood(Face(0, centre, width).box, frame);
  };
  EXPECT_DOUBLE_EQ(likelihood({320, 240}, 100), 100.0);                 // in full at the middle
  EXPECT_DOUBLE_EQ(likelihood({0, 0}, 300), 0.0);                       // not at all in a corner
  EXPECT_GT(likelihood({320, 240}, 100), likelihood({120, 240}, 100));  // alike: the middle one
  EXPECT_GT(likelihood({320, 240}, 100), likelihood({560, 330}, 170));  // larger, but at the side
  EXPECT_GT(likelihood({400, 240}, 150), likelihood({320, 240}, 100));  // larger, and near the middle
}

TEST(FollowedFaceTest, TheFollowedFaceIsKnownByItsLookSizeAndPlace) {
  FollowedFace followed;
  EXPECT_TRUE(followed.Choosing(0.0));  // nobody yet: the rule chooses
  EXPECT_EQ(followed.Number(), 0);
  followed.Start(Face(1, {320, 240}), 0.0);
  EXPECT_FALSE(followed.Choosing(0.1));
  EXPECT_EQ(followed.Number(), 1);

  EXPECT_TRUE(followed.IsIt(Face(1, {340, 250})));
  EXPECT_TRUE(followed.IsIt({Face(1, {320, 240}).box, Look(1, 0.05f, 2)}));  // a little changed by the light
  EXPECT_FALSE(followed.IsIt(Face(2, {320, 240})));                          // someone else in its place
  EXPECT_FALSE(followed.IsIt(Face(1, {600, 240})));                          // too far from where it was
  EXPECT_FALSE(followed.IsIt(Face(1, {320, 240}, 200)));                     // twice its size
  EXPECT_FALSE(followed.IsIt(Face(1, {320, 240}, 50)));                      // half its size
}

TEST(FollowedFaceTest, LostForAMomentItIsLookedForTakingTurnsAfterTheAwayTime) {
  FollowedFace followed;
  followed.Start(Face(1, {320, 240}), 0.0);
  followed.Keep(Face(1, {320, 240}), 1.0);
  // Covered from 1 s: until the away time is over the followed face is searched for...
  EXPECT_FALSE(followed.Choosing(1.0 + FollowedFace::kAwaySeconds - 0.1));
  // ...then the next face seen is chosen by the rule, with a number of its own.
  EXPECT_TRUE(followed.Choosing(1.0 + FollowedFace::kAwaySeconds + 0.1));
  followed.Start(Face(2, {500, 240}), 3.5);
  EXPECT_EQ(followed.Number(), 2);
  EXPECT_FALSE(followed.IsIt(Face(1, {320, 240})));  // the first player is now someone else
  // The same player back after the away time keeps their number.
  followed.Start(Face(2, {500, 240}), 6.0);
  EXPECT_EQ(followed.Number(), 2);
}

TEST(FollowedFaceTest, ChoosingAgainHandsOverAtOnce) {
  FollowedFace followed;
  followed.Start(Face(1, {320, 240}), 0.0);
  followed.ChooseAgain();
  EXPECT_TRUE(followed.Choosing(0.1));
  followed.Start(Face(1, {320, 240}), 0.1);  // the rule chose the same player
  EXPECT_EQ(followed.Number(), 1);
  EXPECT_FALSE(followed.Choosing(0.2));
  followed.ChooseAgain();
  followed.Start(Face(3, {300, 240}), 0.3);  // a child in the teacher's place
  EXPECT_EQ(followed.Number(), 2);
  followed.Forget();
  EXPECT_TRUE(followed.Choosing(0.4));
}

TEST(FollowedFaceTest, TheKeptLookFollowsSlowChangesNotSuddenOnes) {
  FollowedFace followed;
  followed.Start(Face(1, {320, 240}), 0.0);
  const SeenFace changed{Face(1, {320, 240}).box, Look(1, 0.5f, 2)};  // half of it another kind
  EXPECT_FALSE(followed.IsIt(changed));                               // all at once: someone else
  for (int i = 1; i <= 60; ++i) {                                     // over two seconds: the light
    const SeenFace step{Face(1, {320, 240}).box, Look(1, 0.5f * i / 60, 2)};
    ASSERT_TRUE(followed.IsIt(step)) << i;
    followed.Keep(step, i / 30.0);
  }
  EXPECT_TRUE(followed.IsIt(changed));
  EXPECT_TRUE(followed.IsIt(Face(1, {320, 240})));  // and as it was first seen: the light may come back
}

}  // namespace
