// The gaze tracking's parts on drawn eyes and made-up samples: where the iris sits in its
// eye, both eyes and the head's turn as one look, and the map fitted to looks.
#include <gtest/gtest.h>

#include <functional>
#include <opencv2/imgproc.hpp>
#include <vector>

#include "detector/eyes/iris_finder.h"
#include "detector/gaze/gaze_calibration.h"
#include "detector/gaze/gaze_features.h"
#include "detector/gaze/iris_map.h"

namespace {

using irisdet::GazeSample;
using irisdet::IrisMap;

// A drawn eye 60 px wide, its iris `offset` eye widths from the middle of its corners,
// its lids `open` of the width apart at most.
struct DrawnEye {
  cv::Mat gray;
  irisdet::EyeContour contour;
};

DrawnEye DrawEye(cv::Point2f offset, float open = 0.36f) {
  constexpr float IRISDET_FRAME_WIDTH = 60.f;
  const cv::Point2f c(160.f, 120.f);
  const float h = IRISDET_FRAME_WIDTH * open / 2;
  DrawnEye eye{cv::Mat(240, 320, CV_8U, cv::Scalar(150)), {}};
  eye.contour = {cv::Point2f(c.x - IRISDET_FRAME_WIDTH / 2, c.y), {c.x - IRISDET_FRAME_WIDTH / 6, c.y - h},
                 {c.x + IRISDET_FRAME_WIDTH / 6, c.y - h},        cv::Point2f(c.x + IRISDET_FRAME_WIDTH / 2, c.y),
                 {c.x + IRISDET_FRAME_WIDTH / 6, c.y + h},        {c.x - IRISDET_FRAME_WIDTH / 6, c.y + h}};
  cv::ellipse(eye.gray, c, cv::Size2f(IRISDET_FRAME_WIDTH / 2, h * 1.3f), 0, 0, 360, cv::Scalar(225), cv::FILLED);
  const cv::Point2f iris = c + offset * IRISDET_FRAME_WIDTH;
  cv::circle(eye.gray, iris, cvRound(IRISDET_FRAME_WIDTH * 0.22f), cv::Scalar(90), cv::FILLED, cv::LINE_AA);
  cv::circle(eye.gray, iris, cvRound(IRISDET_FRAME_WIDTH * 0.1f), cv::Scalar(25), cv::FILLED, cv::LINE_AA);
  cv::Mat almond = cv::Mat::zeros(eye.gray.size(), CV_8U);
  cv::ellipse(almond, c, cv::Size2f(IRISDET_FRAME_WIDTH / 2, h * 1.3f), 0, 0, 360, cv::Scalar(255), cv::FILLED);
  eye.gray.setTo(cv::Scalar(150), ~almond);  // the lids cover the rest
  return eye;
}

std::optional<irisdet::EyeFeatures> Measure(const DrawnEye& eye) {
  const std::optional<irisdet::IrisFound> iris = irisdet::FindIris(eye.gray, eye.contour);
  return iris ? irisdet::MeasureEye(eye.contour, *iris) : std::nullopt;
}

TEST(GazeFeaturesTest, TheIrisIsPlacedInItsEyeByEyeWidthsAlsoWithTheEyeHalfShut) {
  for (const float open : {0.36f, 0.2f})
    for (const cv::Point2f offset : {cv::Point2f(0, 0), {0.12f, 0}, {-0.12f, 0}, {0.06f, 0.03f}}) {
      const std::optional<irisdet::EyeFeatures> eye = Measure(DrawEye(offset, open));
      ASSERT_TRUE(eye) << offset << " open " << open;
      EXPECT_NEAR(eye->across, offset.x, 0.02) << offset << " open " << open;
      EXPECT_NEAR(eye->down, offset.y, 0.03) << offset << " open " << open;
      EXPECT_NEAR(eye->lid, -open / 2, 1e-3);
      EXPECT_GT(eye->weight, 0.0);
    }
}

TEST(GazeFeaturesTest, AnEyeWhoseIrisWasNotFoundSaysNothing) {
  const DrawnEye eye = DrawEye({0, 0});
  EXPECT_FALSE(irisdet::MeasureEye(eye.contour, {{160, 120}, 0.f}));
  EXPECT_FALSE(irisdet::CombineEyes(std::nullopt, std::nullopt, {}));
}

TEST(GazeFeaturesTest, BothEyesWeighByHowClearlyTheirIrisesWereFound) {
  const irisdet::EyeFeatures clear{0.1, 0.0, -0.2, 30.0}, faint{-0.1, 0.05, -0.2, 10.0};
  const auto both = irisdet::CombineEyes(clear, faint, {});
  ASSERT_TRUE(both);
  EXPECT_NEAR(both->look.x, (0.1 * 30 - 0.1 * 10) / 40, 1e-9);
  EXPECT_NEAR(both->look.y, (-0.2 * 30 + (0.05 - 0.2) * 10) / 40, 1e-9);
  EXPECT_NEAR(irisdet::CombineEyes(std::nullopt, faint, {})->look.x, -0.1, 1e-9);  // one eye alone
}

TEST(GazeFeaturesTest, TheHeadsTurnIsAddedToTheEyes) {
  const irisdet::EyeFeatures ahead{0.0, 0.0, -0.2, 1.0};
  const auto straight = irisdet::CombineEyes(ahead, ahead, {});
  const auto turned = irisdet::CombineEyes(ahead, ahead, {15.0, -10.0, 0.0});
  EXPECT_NEAR(turned->look.x - straight->look.x, 15 * irisdet::kAcrossPerHeadDegree, 1e-9);
  EXPECT_NEAR(turned->look.y - straight->look.y, -10 * irisdet::kDownPerHeadDegree, 1e-9);
}

// A calibration sample of the irises' place alone.
GazeSample IrisSample(cv::Point2d features, cv::Point2d target) { return {{{}, features, {}}, target, 1.0}; }

// Samples of a known map on a grid of looks.
std::vector<GazeSample> Grid(const std::function<cv::Point2d(cv::Point2d)>& map) {
  std::vector<GazeSample> samples;
  for (double x = -0.15; x <= 0.151; x += 0.075)
    for (double y = -0.3; y <= -0.099; y += 0.05) samples.push_back(IrisSample({x, y}, map({x, y})));
  return samples;
}

// The game's start: the calibration moves it toward the player's own map.
const IrisMap kStart = IrisMap::GenericInFrame();

TEST(GazeMapTest, AKnownLinearOrQuadraticMapIsRecovered) {
  // Another player's, in the camera's image: the start map is 40 to 150 px off at the probes.
  const auto linear = [](cv::Point2d f) { return cv::Point2d(279 + 3000 * f.x, 200 + 2500 * (f.y + 0.2)); };
  const auto bent = [](cv::Point2d f) {
    return cv::Point2d(279 + 3000 * f.x - 4000 * f.x * f.x, 200 + 2500 * (f.y + 0.2) + 3000 * f.x * f.y);
  };
  using Map = std::function<cv::Point2d(cv::Point2d)>;
  for (const Map& map : {Map(linear), Map(bent)}) {
    const IrisMap fitted = kStart.Fitted(Grid(map));
    for (const cv::Point2d probe : {cv::Point2d(0.05, -0.15), {-0.12, -0.25}, {0.1, -0.28}}) {
      EXPECT_GT(cv::norm(kStart.At(probe) - map(probe)), 40.0) << probe;
      EXPECT_LT(cv::norm(fitted.At(probe) - map(probe)), 16.0) << probe;  // half a square
    }
  }
}

TEST(GazeMapTest, ALookElsewhereIsLeftOut) {
  const auto map = [](cv::Point2d f) { return cv::Point2d(279 + 3000 * f.x, 200 + 2500 * (f.y + 0.2)); };
  std::vector<GazeSample> samples = Grid(map);
  samples[3].target += cv::Point2d(-250, -180);  // the player blinked, or looked away
  const IrisMap fitted = kStart.Fitted(samples);
  const cv::Point2d elsewhere = *samples[3].reading.features;
  EXPECT_LT(cv::norm(fitted.At(elsewhere) - map(elsewhere)), 30.0);  // kept, it pulls 80 px
}

TEST(GazeMapTest, AFewLooksMoveTheMapALittleAndTheNewestMost) {
  // The player shifted: everything lands 60 px right of where the start map says.
  const IrisMap start = IrisMap::GenericInFrame();
  const cv::Point2d look(0.02, -0.16);
  irisdet::GazeCalibration calibration(start, irisdet::HeadCorrection::InFrame());
  calibration.AddPlayed(IrisSample(look, start.At(look) + cv::Point2d(60, 0)));
  const double firstShift = calibration.Irises().At(look).x - start.At(look).x;
  EXPECT_GT(firstShift, 20.0);
  EXPECT_LE(firstShift, 60.5);
  // Then back where the start map says: the newest look counts the most.
  calibration.AddPlayed(IrisSample(look, start.At(look)));
  EXPECT_LT(std::abs(calibration.Irises().At(look).x - start.At(look).x), firstShift / 2);
}

TEST(LookGathererTest, TheMedianOfTheFramesIgnoresABlinkAndWantsEnoughFrames) {
  irisdet::LookGatherer look;
  const auto frame = [](cv::Point2d features) { return irisdet::GazeReading{{}, features, {}}; };
  look.Add(frame({0.1, -0.2}));
  look.Add(frame({0.1, -0.2}));
  EXPECT_FALSE(look.Median());
  look.Add(frame({0.6, 0.4}));  // a misread frame
  look.Add(frame({0.11, -0.21}));
  look.Add(frame({0.09, -0.19}));
  ASSERT_TRUE(look.Median());
  EXPECT_NEAR(look.Median()->features->x, 0.1, 0.011);
  EXPECT_NEAR(look.Median()->features->y, -0.2, 0.011);
}

}  // namespace
