#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "detector/pointing/head_pointer.h"
#include "detector/pointing/point_reporter.h"
#include "detector/source/player_view.h"

namespace {

using irisdet::FaceGeometry;
using irisdet::HeadPointer;

// A synthetic face of 68 landmarks: eyes one unit apart, the nose's firm points below
// and in front of them as on an average face, turned and placed in the camera image.
struct Face {
  double yawDeg = 0, pitchDeg = 0;
  double interocular = 70;     // pixels
  cv::Point2d eyes{320, 200};  // where the eyes' midpoint lands, pixels
  std::vector<cv::Point2f> Landmarks() const {
    const double yaw = yawDeg * CV_PI / 180, pitch = pitchDeg * CV_PI / 180;
    const auto project = [&](double x, double y, double z) {
      const double x1 = x * std::cos(yaw) + z * std::sin(yaw), z1 = -x * std::sin(yaw) + z * std::cos(yaw);
      const double y1 = y * std::cos(pitch) + z1 * std::sin(pitch);
      return cv::Point2f(static_cast<float>(eyes.x + interocular * x1), static_cast<float>(eyes.y + interocular * y1));
    };
    std::vector<cv::Point2f> points(68, project(0, 1.2, 0));  // jaw, brows, mouth: not looked at
    for (int i = 0; i < 6; ++i) {
      const double a = i * CV_PI / 3;  // six points around each eye's centre
      points[36 + i] = project(-0.5 + 0.15 * std::cos(a), 0.06 * std::sin(a), 0);
      points[42 + i] = project(0.5 + 0.15 * std::cos(a), 0.06 * std::sin(a), 0);
    }
    for (int i = 0; i < 9; ++i) {  // the nose: its nine firm points around where an average face has them
      const double a = i * 2 * CV_PI / 9;
      points[27 + i] = project(0.1 * std::cos(a), 0.55 + 0.2 * std::sin(a), 0.3);
    }
    return points;
  }
  FaceGeometry Measured() const { return *irisdet::MeasureFace(Landmarks()); }
};

// Where the head's movement puts the point as the player sees it, before any smoothing:
// as the point reporter puts it together.
cv::Point2f Reported(HeadPointer& pointer, const Face& face, double seconds) {
  const auto moved = pointer.Movement(face.Measured(), seconds);
  return irisdet::AsThePlayerSees(HeadPointer::ToFrame(moved ? moved->shift + moved->turn : cv::Point2f(0, 0)));
}

// Holds the face still long enough for a neutral position, from `seconds` on.
double Settle(HeadPointer& pointer, const Face& face, double seconds = 0) {
  for (int i = 0; i < HeadPointer::kSteadyFrames; ++i, seconds += 1.0 / 30) Reported(pointer, face, seconds);
  return seconds;
}

TEST(HeadPoseTest, TurnsAndTiltsAreMeasuredInDegrees) {
  const FaceGeometry still = Face{}.Measured();
  EXPECT_NEAR(still.pose.yaw, 0, 0.1);
  EXPECT_NEAR(still.pose.pitch, 0, 0.1);
  EXPECT_NEAR(still.interocular, 70, 0.1);
  EXPECT_NEAR(Face{.yawDeg = 12}.Measured().pose.yaw, 12, 0.2);  // nose toward the image's right
  EXPECT_NEAR(Face{.yawDeg = -25}.Measured().pose.yaw, -25, 0.2);
  EXPECT_NEAR(Face{.pitchDeg = 8}.Measured().pose.pitch, 8, 0.2);  // looking down
  EXPECT_NEAR(Face{.pitchDeg = -8}.Measured().pose.pitch, -8, 0.2);
  // Tilted sideways, the eye line says so and the turn is read upright.
  std::vector<cv::Point2f> tilted = Face{.yawDeg = 10}.Landmarks();
  for (auto& p : tilted) p = cv::Point2f(320 + (p.y - 200), 200 - (p.x - 320));  // a quarter turn of the image
  const FaceGeometry side = *irisdet::MeasureFace(tilted);
  EXPECT_NEAR(std::abs(side.pose.roll), 90, 0.1);
  EXPECT_NEAR(side.pose.yaw, 10, 0.3);
  EXPECT_FALSE(irisdet::MeasureFace(std::vector<cv::Point2f>(5)));  // not a 68-point face
}

TEST(HeadPointerTest, StillFaceIsTheCentreOnceSteady) {
  HeadPointer pointer;
  Face face;
  face.eyes = {150, 100};  // wherever the player sits
  EXPECT_EQ(Reported(pointer, face, 0), cv::Point2f(320, 240));
  Settle(pointer, face);
  EXPECT_EQ(Reported(pointer, face, 1), cv::Point2f(320, 240));
}

TEST(HeadPointerTest, ATurnOfFifteenOrTenDegreesReachesTheEdgesAsThePlayerSeesThem) {
  HeadPointer pointer;
  const double t = Settle(pointer, Face{});
  // Turned toward the camera image's right is the player's left in the mirror.
  EXPECT_NEAR(Reported(pointer, Face{.yawDeg = 15}, t).x, 0, 1);
  EXPECT_NEAR(Reported(pointer, Face{.yawDeg = -7.5}, t).x, 480, 2);
  EXPECT_NEAR(Reported(pointer, Face{.pitchDeg = 10}, t).y, 479, 1);  // looking down
  EXPECT_NEAR(Reported(pointer, Face{.pitchDeg = -5}, t).y, 120, 2);
}

TEST(HeadPointerTest, MovingByInterocularDistancesScalesWithTheFaceNotThePixels) {
  for (const double interocular : {40.0, 70.0, 120.0}) {
    SCOPED_TRACE(interocular);
    HeadPointer pointer;
    const double t = Settle(pointer, Face{.interocular = interocular});
    const cv::Point2f half =
        Reported(pointer, Face{.interocular = interocular, .eyes = {320 + interocular / 2, 200}}, t);
    EXPECT_NEAR(half.x, 160, 0.5);  // half an interocular distance to the camera's right
    const cv::Point2f up = Reported(pointer, Face{.interocular = interocular, .eyes = {320, 200 - interocular}}, t);
    EXPECT_NEAR(up.y, 0, 0.5);
    // Far beyond the edges: held at them.
    const cv::Point2f far =
        Reported(pointer, Face{.interocular = interocular, .eyes = {320 - 4 * interocular, 200 + 4 * interocular}}, t);
    EXPECT_EQ(far, cv::Point2f(639, 479));
  }
}

TEST(HeadPointerTest, RecentringAndComingBackTakeANewNeutral) {
  HeadPointer pointer;
  double t = Settle(pointer, Face{});
  const Face moved{.eyes = {355, 200}};
  EXPECT_NEAR(Reported(pointer, moved, t).x, 160, 0.5);
  pointer.Recentre();
  t = Settle(pointer, moved, t);
  EXPECT_EQ(Reported(pointer, moved, t), cv::Point2f(320, 240));
  // Away for a second: the same neutral. Away for more than two: a new one.
  pointer.Missed();
  EXPECT_NEAR(Reported(pointer, Face{}, t + 1).x, 480, 0.5);
  pointer.Missed();
  t = Settle(pointer, Face{}, t + 3.5);
  EXPECT_EQ(Reported(pointer, Face{}, t), cv::Point2f(320, 240));
}

TEST(HeadPointerTest, SlowFramesWithTheFaceInThemAreNotTimeAway) {
  // A slow machine (or a build under the sanitizers) may take seconds for a frame.
  HeadPointer pointer;
  double t = 0;
  for (int i = 0; i < HeadPointer::kSteadyFrames; ++i, t += 3) Reported(pointer, Face{}, t);
  EXPECT_NEAR(Reported(pointer, Face{.eyes = {355, 200}}, t).x, 160, 0.5) << "no neutral was ever taken";
}

TEST(HeadPointerTest, AFaceThatNeverHoldsStillGetsItsNeutralFromItsLastFrames) {
  HeadPointer pointer;
  const auto shaking = [](int i) { return Face{.eyes = {320.0 + 10 * (i % 2), 200}}.Measured(); };
  for (int i = 0; i < HeadPointer::kMostFramesBeforeNeutral - 1; ++i)
    EXPECT_FALSE(pointer.Movement(shaking(i), i / 30.0)) << i;
  // Then the mean of its last frames: halfway between its two places.
  const auto moved = pointer.Movement(shaking(1), 1.0);
  ASSERT_TRUE(moved);
  EXPECT_NEAR(moved->shift.x, 320.0 * 5 / 70, 0.5);  // toward the camera image's right
}

// The landmarks as a webcam's noise leaves them: each point a little off, anew each frame.
irisdet::EyeObservation Noisy(const Face& face, cv::RNG& rng) {
  irisdet::EyeObservation eyes;
  eyes.landmarks = face.Landmarks();
  for (auto& p : eyes.landmarks) p += cv::Point2f(rng.gaussian(0.3), rng.gaussian(0.3));
  return eyes;
}

// The reporter as the pipeline runs it: the pose measured from the same landmarks.
irisdet::PointReporter::Report Report(irisdet::PointReporter& reporter, const irisdet::EyeObservation& eyes,
                                      IrisdetTracking tracking, double seconds) {
  return reporter.Next(eyes, irisdet::MeasureFace(eyes.landmarks), tracking, seconds);
}

TEST(PointReporterTest, AStillFaceGivesAStillPointAndAMovementIsFollowed) {
  irisdet::PointReporter reporter;
  cv::RNG rng(3);
  double t = 0;
  const auto next = [&](const Face& face) {
    t += 1.0 / 30;
    return Report(reporter, Noisy(face, rng), IRISDET_TRACKING_COMFORT, t).point.value_or(cv::Point2f(-1, -1));
  };
  for (int i = 0; i < 60; ++i) next(Face{});  // the neutral position, and the filters settled
  const cv::Point2f still = next(Face{});
  for (int i = 0; i < 90; ++i) ASSERT_EQ(next(Face{}), still) << "frame " << i;
  // Half an interocular distance to the camera's right: a quarter of the frame to the
  // player's left, as a mirror shows it.
  cv::Point2f moved;
  for (int i = 0; i < 60; ++i) moved = next(Face{.eyes = {355, 200}});
  EXPECT_NEAR(moved.x, 160, 8);
  EXPECT_NEAR(moved.y, still.y, 4);
}

TEST(PointReporterTest, AnotherPlayersFaceTakesANewNeutralInsteadOfAJump) {
  irisdet::PointReporter reporter;
  cv::RNG rng(5);
  double t = 0;
  const auto next = [&](const Face& face, int number) {
    irisdet::EyeObservation eyes = Noisy(face, rng);
    eyes.face = number;
    t += 1.0 / 30;
    return Report(reporter, eyes, IRISDET_TRACKING_COMFORT, t).point;
  };
  for (int i = 0; i < 60; ++i) next(Face{}, 1);
  // Someone sitting well to the side is followed now: by the first player's neutral
  // position they would be at the frame's edge.
  const Face beside{.eyes = {460, 230}};
  int reported = 0;
  for (int i = 0; i < 60; ++i) {
    const auto point = next(beside, 2);
    if (!point) continue;  // until their neutral position is taken
    ++reported;
    EXPECT_NEAR(point->x, 320, 30) << i;  // near the centre, a little shaken by the noise
    EXPECT_NEAR(point->y, 240, 30) << i;
  }
  EXPECT_GT(reported, 30);
}

// Until the neutral position is taken no eye is reported, so a target at the centre
// cannot be found by a point that is nobody's; the first eye is the centre.
TEST(PointReporterTest, NoEyeBeforeTheNeutralPosition) {
  irisdet::PointReporter reporter;
  irisdet::EyeObservation still;
  still.landmarks = Face{}.Landmarks();
  for (int i = 0; i < HeadPointer::kSteadyFrames - 1; ++i)
    EXPECT_FALSE(Report(reporter, still, IRISDET_TRACKING_COMFORT, i / 30.0).point) << i;
  const auto first = Report(reporter, still, IRISDET_TRACKING_COMFORT, 0.5).point;
  ASSERT_TRUE(first);
  EXPECT_NEAR(first->x, 320, 0.5);
  EXPECT_NEAR(first->y, 240, 0.5);
  // The eyes' own tracking needs no neutral position.
  irisdet::PointReporter eyes;
  irisdet::EyeObservation seen;
  seen.right = cv::Point2f(300, 200), seen.left = cv::Point2f(340, 200);
  EXPECT_TRUE(Report(eyes, seen, IRISDET_TRACKING_EYES, 0.0).point);
}

}  // namespace
