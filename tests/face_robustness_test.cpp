#include <gtest/gtest.h>

#include "tests/marked_faces_test.h"

namespace {

class FaceRobustnessTest : public test::MarkedFacesTest {
 protected:
  void SetUp() override {
    MarkedFacesTest::SetUp();
    for (const auto& [file, marked] : truth) photos.push_back(Photo(file));
    ASSERT_EQ(photos.size(), 4u);
  }
  // The midpoint's error in eye distances; infinite when no eye was found.
  double MidpointError(const irisdet::MarkedFrame& seen) {
    return irisdet::Score(seen.pupils, irisdet::FindIrises(locator->Locate(seen.frame))).midpoint;
  }

  std::vector<irisdet::MarkedFrame> photos;
};

TEST_F(FaceRobustnessTest, TiltedCoveredAndDimFacesAreFoundAtOnce) {
  const std::pair<const char*, irisdet::MarkedFrame (*)(const irisdet::MarkedFrame&)> rooms[] = {
      {"tilted 25 degrees", [](const irisdet::MarkedFrame& p) { return irisdet::Rotated(p, 25); }},
      {"tilted -25 degrees", [](const irisdet::MarkedFrame& p) { return irisdet::Rotated(p, -25); }},
      {"a scarf up to the nose", irisdet::LowerFaceCovered},
      {"a dim room on a noisy webcam", irisdet::Dimmed}};
  for (const auto& [room, change] : rooms)
    for (std::size_t i = 0; i < 3; ++i) {  // the fourth is already tilted by 27 degrees, and small
      locator->Reset();                    // each a first frame: found by a whole-frame search
      EXPECT_LE(MidpointError(change(photos[i])), 0.10) << room << ", photo " << i;
    }
}

TEST_F(FaceRobustnessTest, AFaceFirstSeenTiltedIsLookedAtStraightened) {
  // Photo 0 is left out: at +35 degrees its first frame still finds the face wrong (a
  // known miss; a head that tilts there is followed, as the next test shows).
  for (const int tilt : {35, -35})
    for (std::size_t i = 1; i < 3; ++i) {
      locator->Reset();  // the first frame: nothing known of the tilt yet
      EXPECT_LE(MidpointError(irisdet::Rotated(photos[i], tilt)), 0.05) << tilt << " degrees, photo " << i;
    }
}

TEST_F(FaceRobustnessTest, AHeadTiltingTo45DegreesIsFollowedAllTheWay) {
  for (const irisdet::MarkedFrame& photo : {photos[0], photos[1]}) {
    locator->Reset();
    for (int tilt = 0; tilt <= 45; tilt += 3) EXPECT_LE(MidpointError(irisdet::Rotated(photo, tilt)), 0.10) << tilt;
    for (int tilt = 45; tilt >= -45; tilt -= 3) EXPECT_LE(MidpointError(irisdet::Rotated(photo, tilt)), 0.10) << tilt;
  }
}

TEST_F(FaceRobustnessTest, NoEyeWithoutAFaceEvenWhereTheDetectorHesitates) {
  // Textures, plain colours and covered faces: where the detector's doubtful guesses lie.
  for (const cv::Mat& frame : irisdet::FacelessFrames(kFaces.string(), truth)) {
    locator->Reset();
    EXPECT_FALSE(irisdet::FindIrises(locator->Locate(frame)).Point());
  }
}

}  // namespace
