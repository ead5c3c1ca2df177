// The player keeps the square with someone else in view, on scripted webcam clips made
// from the test photos (tests/support/player_clips.h).
#include <gtest/gtest.h>

#include "detector/face/face_signature.h"
#include "tests/marked_faces_test.h"
#include "tests/support/player_clips.h"

namespace {

class PlayerClipTest : public test::MarkedFacesTest {
 protected:
  // Where the detector puts the eyes in each frame from `from` to `to` seconds.
  std::vector<std::optional<cv::Point2f>> Play(const irisdet::PlayerClip& clip, double from, double to,
                                               std::vector<irisdet::ClipFrame>& frames, std::vector<int>& faces) {
    std::vector<std::optional<cv::Point2f>> points;
    for (int i = static_cast<int>(from * irisdet::PlayerClip::kFps); i < to * irisdet::PlayerClip::kFps; ++i) {
      frames.push_back(clip.At(i));
      const irisdet::EyeObservation eyes =
          irisdet::FindIrises(locator->Locate(frames.back().frame, frames.back().seconds));
      points.push_back(eyes.Point());
      faces.push_back(eyes.face);
      frames.back().frame.release();
    }
    return points;
  }
};

bool On(const irisdet::PersonInFrame& person, const std::optional<cv::Point2f>& point) {
  return person.inView && point && cv::norm(*point - person.pupils.Midpoint()) < 0.5 * person.pupils.interocular;
}

TEST_F(PlayerClipTest, EachPersonIsKnownAgainUnderWebcamNoiseAndToldFromTheOthers) {
  std::vector<irisdet::FaceSignature> clean, noisy;
  for (const auto& [file, marked] : truth) {
    irisdet::MarkedFrame photo = Photo(file);
    locator->Reset();
    clean.push_back(*irisdet::DescribeFace(photo.frame, locator->Locate(photo.frame).landmarks));
    irisdet::AddNoise(photo.frame, 4.0, 3);
    locator->Reset();
    noisy.push_back(*irisdet::DescribeFace(photo.frame, locator->Locate(photo.frame).landmarks));
  }
  ASSERT_EQ(clean.size(), 4u);
  for (std::size_t a = 0; a < clean.size(); ++a)
    for (std::size_t b = 0; b < noisy.size(); ++b)
      EXPECT_EQ(irisdet::Unlikeness(clean[a], noisy[b]) < irisdet::kSameFaceBelow, a == b) << a << " and " << b;
}

TEST_F(PlayerClipTest, ACoveredPlayerIsNeverTakenForTheOtherPersonAndIsFollowedAgainOnceSeen) {
  const irisdet::PlayerClip clip(Photo("pexels_0002.png"), Photo("pexels_0054.png"), irisdet::Script::kCovered);
  std::vector<irisdet::ClipFrame> frames;
  std::vector<int> faces;
  // From when the other person is nearly in: covered for 0.2 s at 4 s and for 0.8 s at 6 s.
  const auto points = Play(clip, 2.9, 7.2, frames, faces);
  int late = 0;
  for (std::size_t i = 0; i < points.size(); ++i) {
    EXPECT_FALSE(On(frames[i].other, points[i])) << frames[i].seconds;
    if (frames[i].player.covered) {
      EXPECT_FALSE(points[i]) << frames[i].seconds;  // no eye: the square holds
    }
    late = frames[i].player.covered || On(frames[i].player, points[i]) ? 0 : late + 1;
    EXPECT_LE(late, 3) << frames[i].seconds;
  }
  EXPECT_EQ(std::count(faces.begin(), faces.end(), faces.front()) + std::count(faces.begin(), faces.end(), 0),
            static_cast<long>(faces.size()));  // one face followed all along
}

TEST_F(PlayerClipTest, SomeoneCrossingInFrontNeverTakesTheSquare) {
  const irisdet::PlayerClip clip(Photo("pexels_0002.png"), Photo("pexels_0054.png"), irisdet::Script::kCrossing);
  std::vector<irisdet::ClipFrame> frames;
  std::vector<int> faces;
  const auto points = Play(clip, 2.9, 7.0, frames, faces);  // across, in front of the player, from 4 to 6 s
  int onOther = 0, onPlayerAfter = 0, after = 0;
  for (std::size_t i = 0; i < points.size(); ++i) {
    onOther += On(frames[i].other, points[i]);
    if (frames[i].seconds >= 6.2) ++after, onPlayerAfter += On(frames[i].player, points[i]);
  }
  EXPECT_LE(onOther, 3);
  EXPECT_EQ(onPlayerAfter, after);
}

TEST_F(PlayerClipTest, ChoosingAgainTakesTheLikeliestPlayerAtOnce) {
  const irisdet::MarkedFrame teacher = Photo("pexels_0054.png"), child = Photo("pexels_0002.png");
  const irisdet::PlacedFace aside{&teacher, {150, 230}, 60}, middle{&child, {350, 230}, 75};
  const auto first = irisdet::FindIrises(locator->Locate(irisdet::ArrangeFaces({aside}, 1), 0.0));
  ASSERT_TRUE(first.Point());
  const cv::Mat both = irisdet::ArrangeFaces({aside, middle}, 2);
  const auto kept = irisdet::FindIrises(locator->Locate(both, 0.1));
  ASSERT_TRUE(kept.Point());
  EXPECT_LT(kept.Point()->x, 250.f);  // the face followed keeps the square
  EXPECT_EQ(kept.face, first.face);
  locator->ChooseAgain();
  const auto chosen = irisdet::FindIrises(locator->Locate(both, 0.2));
  ASSERT_TRUE(chosen.Point());
  EXPECT_GT(chosen.Point()->x, 250.f);  // the likelier player: larger, in the middle
  EXPECT_NE(chosen.face, first.face);
}

}  // namespace
