#include <gtest/gtest.h>

#include <opencv2/imgcodecs.hpp>
#include <opencv2/imgproc.hpp>

#include "detector/eyes/iris_finder.h"
#include "tests/support/face_transforms.h"

namespace {

// A drawn eye: skin, a white almond between the corners, an iris and a pupil.
struct SyntheticEye {
  cv::Mat gray;
  irisdet::EyeContour contour;
  cv::Point2f pupil;
};

SyntheticEye DrawEye(cv::Point2f pupil, float width = 60.f) {
  SyntheticEye eye;
  eye.gray = cv::Mat(240, 320, CV_8U, cv::Scalar(150));
  const cv::Point2f c(160.f, 120.f);
  const float h = width * 0.18f;
  eye.contour = {cv::Point2f(c.x - width / 2, c.y), {c.x - width / 6, c.y - h}, {c.x + width / 6, c.y - h},
                 cv::Point2f(c.x + width / 2, c.y), {c.x + width / 6, c.y + h}, {c.x - width / 6, c.y + h}};
  cv::ellipse(eye.gray, c, cv::Size2f(width / 2, h * 1.3f), 0, 0, 360, cv::Scalar(225), cv::FILLED, cv::LINE_AA);
  const float radius = width * 0.22f;
  cv::circle(eye.gray, pupil * 16, cvRound(radius * 16), cv::Scalar(90), cv::FILLED, cv::LINE_AA, 4);
  cv::circle(eye.gray, pupil * 16, cvRound(radius * 0.45f * 16), cv::Scalar(25), cv::FILLED, cv::LINE_AA, 4);
  // The lids cover what lies outside the almond.
  cv::Mat almond = cv::Mat::zeros(eye.gray.size(), CV_8U);
  cv::ellipse(almond, c, cv::Size2f(width / 2, h * 1.3f), 0, 0, 360, cv::Scalar(255), cv::FILLED);
  eye.gray.setTo(cv::Scalar(150), ~almond);
  eye.pupil = pupil;
  return eye;
}

TEST(PupilFinderTest, FindsADarkDiscWithinAPixel) {
  for (const cv::Point2f pupil : {cv::Point2f(160, 120), {152.5f, 121}, {168, 118.5f}, {148, 120}}) {
    const SyntheticEye eye = DrawEye(pupil);
    const auto found = irisdet::FindIris(eye.gray, eye.contour);
    ASSERT_TRUE(found) << pupil;
    EXPECT_LE(cv::norm(found->centre - pupil), 1.0) << pupil << " found " << found->centre;
  }
}

TEST(PupilFinderTest, GlareAndAHangingLidDoNotMoveIt) {
  SyntheticEye eye = DrawEye({156, 120});
  cv::circle(eye.gray, cv::Point(160, 116), 3, cv::Scalar(255), cv::FILLED);  // a catchlight on the iris
  cv::circle(eye.gray, cv::Point(150, 123), 2, cv::Scalar(255), cv::FILLED);
  cv::rectangle(eye.gray, cv::Rect(100, 100, 120, 13), cv::Scalar(150), cv::FILLED);  // the upper lid hangs low
  const auto found = irisdet::FindIris(eye.gray, eye.contour);
  ASSERT_TRUE(found);
  EXPECT_LE(cv::norm(found->centre - eye.pupil), 1.0) << found->centre;
}

TEST(PupilFinderTest, ClosedOrTinyEyesAreLeftToTheContour) {
  SyntheticEye eye = DrawEye({160, 120});
  irisdet::EyeContour closed = eye.contour;
  closed[1].y = closed[2].y = closed[4].y = closed[5].y = 120.f;
  EXPECT_FALSE(irisdet::FindIris(eye.gray, closed));
  const SyntheticEye tiny = DrawEye({160, 120}, 5.f);
  EXPECT_FALSE(irisdet::FindIris(tiny.gray, tiny.contour));
  EXPECT_FALSE(irisdet::FindIris(cv::Mat(), eye.contour));
  EXPECT_NEAR(irisdet::ContourCentre(eye.contour).x, 160.f, 1e-3);
}

// An eye the frame's edge cuts: its iris is found in what is left; wholly outside, none.
TEST(PupilFinderTest, AnEyeAtTheFramesEdgeIsSafe) {
  const SyntheticEye drawn = DrawEye({160, 120});
  const int cut = 145;  // the frame's left edge, 15 px left of the pupil: a quarter of the eye off
  SyntheticEye eye{drawn.gray.colRange(cut, drawn.gray.cols).clone(), drawn.contour, drawn.pupil};
  for (cv::Point2f& p : eye.contour) p.x -= cut;
  const std::optional<irisdet::IrisFound> found = irisdet::FindIris(eye.gray, eye.contour);
  ASSERT_TRUE(found);
  EXPECT_LE(cv::norm(found->centre - (drawn.pupil - cv::Point2f(cut, 0))), 2.0) << found->centre;
  for (cv::Point2f& p : eye.contour) p += cv::Point2f(1000.f, 1000.f);  // all of it off
  EXPECT_FALSE(irisdet::FindIris(eye.gray, eye.contour));
}

// What a webcam adds: sensor noise, then 8x8 compression blocks.
cv::Mat NoisyAndBlocky(const cv::Mat& gray) {
  cv::Mat noisy = gray.clone();
  irisdet::AddNoise(noisy, 6.0, 99u);
  std::vector<uchar> jpeg;
  cv::imencode(".jpg", noisy, jpeg, {cv::IMWRITE_JPEG_QUALITY, 35});
  return cv::imdecode(jpeg, cv::IMREAD_GRAYSCALE);
}

TEST(PupilFinderTest, ReflectionsOnTheCorneaAndTheLensDoNotPullItNorDoNoiseAndBlocks) {
  for (const cv::Point2f pupil : {cv::Point2f(156, 120), {164, 119}, {160, 121}}) {
    const SyntheticEye eye = DrawEye(pupil);
    irisdet::MarkedFrame seen;
    cv::cvtColor(eye.gray, seen.frame, cv::COLOR_GRAY2BGR);
    seen.pupils = {pupil, pupil, 2.2f * 60.f};  // an eye 60 px wide: the eyes about 130 px apart
    cv::Mat glared;
    cv::cvtColor(irisdet::Glared(seen).frame, glared, cv::COLOR_BGR2GRAY);
    const auto found = irisdet::FindIris(NoisyAndBlocky(glared), eye.contour);
    ASSERT_TRUE(found) << pupil;
    // Within a fortieth of the eye distance; left in place, the glare pulls it further down.
    EXPECT_LE(cv::norm(found->centre - pupil), 3.3) << pupil << " found " << found->centre;
  }
}

}  // namespace
