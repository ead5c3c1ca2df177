// The gaze read from the eyes' own pixels, on drawn faces: the eye cut along its corners,
// the map recovered from a player's looks, a blink left out, a head that shifts a little.
#include <gtest/gtest.h>

#include <opencv2/imgproc.hpp>

#include "detector/gaze/appearance_map.h"
#include "detector/gaze/eye_cut.h"
#include "detector/gaze/gaze_calibration.h"
#include "detector/gaze/gaze_features.h"

namespace {

using irisdet::GazeReading;

struct DrawnFace {
  cv::Mat gray;
  std::array<irisdet::EyeContour, 2> contours;  // the subject's right eye, then the left
  irisdet::HeadPlace head;
};

struct Drawing {
  cv::Point2f gaze;  // where the irises sit, in eye widths from the middle of the corners; +y down
  cv::Point2f eyes{320, 240};
  float interocular = 70;
  double noise = 0;
  unsigned seed = 1;
  bool shut = false;
  double tilt = 0;  // degrees, clockwise as seen
};

// Drawn to a sixteenth of a pixel: a look's small moves are not rounded away.
constexpr int kShift = 4;
cv::Point Fine(cv::Point2f p) { return {cvRound(p.x * 16), cvRound(p.y * 16)}; }
void Oval(cv::Mat& image, cv::Point2f centre, cv::Size2f half, double from, double to, double grey, int thickness) {
  cv::ellipse(image, Fine(centre), cv::Size(cvRound(half.width * 16), cvRound(half.height * 16)), 0, from, to,
              cv::Scalar(grey), thickness, cv::LINE_AA, kShift);
}
void Disc(cv::Mat& image, cv::Point2f centre, float radius, double grey) {
  cv::circle(image, Fine(centre), cvRound(radius * 16), cv::Scalar(grey), cv::FILLED, cv::LINE_AA, kShift);
}

// One eye of a face at a webcam's size (about 30 px wide): the lids follow the look up and
// down, the iris moves inside them.
void DrawEye(cv::Mat& gray, cv::Point2f centre, float width, const Drawing& d, irisdet::EyeContour& contour) {
  const float open = d.shut ? 0.02f * width : 0.18f * width, lidDrop = 0.5f * d.gaze.y * width;
  const cv::Point2f lids = centre + cv::Point2f(0, lidDrop);
  const cv::Size2f almondSize(width / 2, open);
  cv::Mat eye(gray.size(), CV_8U, cv::Scalar(150));
  Oval(eye, lids, almondSize, 0, 360, 225, cv::FILLED);
  if (!d.shut) {
    const cv::Point2f iris = centre + d.gaze * width;
    Disc(eye, iris, width * 0.22f, 90);
    Disc(eye, iris, width * 0.1f, 25);
  }
  cv::Mat almond = cv::Mat::zeros(gray.size(), CV_8U);
  Oval(almond, lids, almondSize, 0, 360, 255, cv::FILLED);
  eye.copyTo(gray, almond);
  Oval(gray, lids, almondSize, 180, 360, 50, 2);  // the lashes
  contour = {cv::Point2f(centre.x - width / 2, centre.y), {centre.x - width / 6, lids.y - open},
             {centre.x + width / 6, lids.y - open},       cv::Point2f(centre.x + width / 2, centre.y),
             {centre.x + width / 6, lids.y + open},       {centre.x - width / 6, lids.y + open}};
}

DrawnFace DrawFace(const Drawing& d) {
  DrawnFace face{cv::Mat(480, 640, CV_8U, cv::Scalar(150)), {}, {{}, d.eyes, d.interocular}};
  const float width = 0.45f * d.interocular;
  DrawEye(face.gray, d.eyes - cv::Point2f(d.interocular / 2, 0), width, d, face.contours[0]);
  DrawEye(face.gray, d.eyes + cv::Point2f(d.interocular / 2, 0), width, d, face.contours[1]);
  if (d.tilt != 0) {
    const cv::Mat turn = cv::getRotationMatrix2D(d.eyes, -d.tilt, 1.0);
    cv::warpAffine(face.gray, face.gray, turn, face.gray.size(), cv::INTER_LINEAR, cv::BORDER_REPLICATE);
    for (irisdet::EyeContour& contour : face.contours) cv::transform(contour, contour, turn);
  }
  if (d.noise > 0) {
    cv::Mat noise(face.gray.size(), CV_16S);
    cv::RNG(d.seed).fill(noise, cv::RNG::NORMAL, 0, d.noise);
    cv::Mat noisy;
    face.gray.convertTo(noisy, CV_16S);
    noisy += noise;
    noisy.convertTo(face.gray, CV_8U);
  }
  return face;
}

// What the detector reads of the face: as the point reporter does.
GazeReading Read(const DrawnFace& face) {
  GazeReading reading;
  reading.head = face.head;
  std::array<std::optional<irisdet::EyeFeatures>, 2> irises;
  for (std::size_t eye = 0; eye < 2; ++eye) {
    reading.cuts[eye] = irisdet::CutEye(face.gray, irisdet::CornersOf(face.contours[eye]));
    if (const auto iris = irisdet::FindIris(face.gray, face.contours[eye]))
      irises[eye] = irisdet::MeasureEye(face.contours[eye], *iris);
  }
  if (const auto both = irisdet::CombineEyes(irises[0], irises[1], face.head.pose)) reading.features = both->look;
  return reading;
}

// Another player's own map: where each look lands, in the frame's px.
cv::Point2d PlayersMap(cv::Point2f gaze) { return {320 - 1800.0 * gaze.x, 240 + 2000.0 * gaze.y}; }

// The player looks at each of nine points for five noisy frames.
irisdet::GazeCalibration Calibrated(const Drawing& at = {}) {
  std::vector<irisdet::GazeSample> dots;
  unsigned seed = 10;
  for (const float x : {-0.1f, 0.f, 0.1f})
    for (const float y : {-0.06f, 0.f, 0.06f}) {
      irisdet::LookGatherer look;
      for (int frame = 0; frame < 5; ++frame) {
        Drawing d = at;
        d.gaze = {x, y}, d.noise = 4, d.seed = ++seed;
        look.Add(Read(DrawFace(d)));
      }
      dots.push_back({*look.Median(), PlayersMap({x, y}), 1.0});
    }
  irisdet::GazeCalibration calibration(irisdet::IrisMap::GenericInFrame(), irisdet::HeadCorrection::InFrame());
  calibration.Calibrate(dots);
  return calibration;
}

TEST(EyeCutTest, AnEyeIsCutUprightWhereverTheFaceIsAndAnEyeAtTheEdgeIsHalfLost) {
  const cv::Mat upright = irisdet::CutEye(DrawFace({}).gray, irisdet::CornersOf(DrawFace({}).contours[0]));
  ASSERT_FALSE(upright.empty());
  const cv::Mat eyeTemplate = irisdet::EyeTemplate({upright});
  for (const Drawing& d :
       {Drawing{{}, {200, 300}}, Drawing{{}, {320, 240}, 100}, Drawing{{}, {320, 240}, 70, 0, 1, false, 25}}) {
    const DrawnFace face = DrawFace(d);
    const cv::Mat cut = irisdet::CutEye(face.gray, irisdet::CornersOf(face.contours[0]));
    ASSERT_FALSE(cut.empty());
    EXPECT_GT(irisdet::Align(cut, eyeTemplate).likeness, 0.8) << d.eyes << " " << d.interocular << " " << d.tilt;
  }
  const DrawnFace atEdge = DrawFace({{}, {40, 240}});  // the right eye's band reaches past x = 0
  EXPECT_TRUE(irisdet::CutEye(atEdge.gray, irisdet::CornersOf(atEdge.contours[0])).empty());
  EXPECT_FALSE(irisdet::CutEye(atEdge.gray, irisdet::CornersOf(atEdge.contours[1])).empty());
}

TEST(AppearanceMapTest, APlayersOwnMapIsRecoveredFromTheEyesPixels) {
  const irisdet::GazeCalibration calibration = Calibrated();
  ASSERT_TRUE(calibration.Appearance());
  unsigned seed = 100;
  for (const cv::Point2f gaze : {cv::Point2f(0.05f, 0.03f), {-0.07f, -0.04f}, {0.08f, -0.05f}, {-0.03f, 0.05f}}) {
    Drawing d;
    d.gaze = gaze, d.noise = 4, d.seed = ++seed;
    const GazeReading reading = Read(DrawFace(d));
    const std::optional<cv::Point2d> at = calibration.Appearance()->At(reading);
    ASSERT_TRUE(at && reading.features) << gaze;
    EXPECT_GT(cv::norm(irisdet::IrisMap::GenericInFrame().At(*reading.features) - PlayersMap(gaze)), 40.0) << gaze;
    EXPECT_LT(cv::norm(*at - PlayersMap(gaze)), 20.0) << gaze;  // under two-thirds of a square
  }
}

TEST(AppearanceMapTest, ABlinkIsLeftOutOfALookAndIsNoLookOfItsOwn) {
  const irisdet::GazeCalibration calibration = Calibrated();
  Drawing d;
  d.gaze = {0.05f, 0.02f}, d.noise = 4;
  irisdet::LookGatherer open, blinked;
  for (int frame = 0; frame < 9; ++frame) {
    d.seed = 200 + frame;
    d.shut = false;
    const GazeReading reading = Read(DrawFace(d));
    if (frame < 6) open.Add(reading);
    // Three frames of the look are a blink the landmarks missed: the lids where they were.
    d.shut = frame >= 6;
    GazeReading seen = Read(DrawFace(d));
    if (d.shut) seen.features = reading.features;
    blinked.Add(seen);
  }
  const std::optional<cv::Point2d> withoutBlink = calibration.At(*open.Median());
  const std::optional<cv::Point2d> withBlink = calibration.At(*blinked.Median());
  ASSERT_TRUE(withoutBlink && withBlink);
  EXPECT_LT(cv::norm(*withBlink - *withoutBlink), 4.0);
  d.shut = true;
  GazeReading blink = Read(DrawFace(d));
  blink.features = cv::Point2d(0, 0);  // even with an iris misread in it
  EXPECT_FALSE(calibration.Appearance()->At(blink));
}

TEST(AppearanceMapTest, AHeadThatShiftsALittleStaysCalibrated) {
  const irisdet::GazeCalibration calibration = Calibrated();
  const irisdet::HeadCorrection correction = irisdet::HeadCorrection::InFrame();
  const cv::Point2f gaze(0.04f, 0.02f);
  const cv::Point2d looked = PlayersMap(gaze);
  // The head moves a fifth of an interocular distance toward the image's +x, head straight,
  // and the player keeps looking at the same point: the eyes turn back by the head's move.
  const float shift = 0.2f;
  const double turnedBack = shift * correction.perInterocular.x;  // px of the frame
  Drawing moved;
  moved.eyes = {320 + shift * 70, 240};
  moved.gaze = gaze + cv::Point2f(static_cast<float>(turnedBack / 1800.0), 0);
  moved.noise = 4;
  const GazeReading reading = Read(DrawFace(moved));
  const std::optional<cv::Point2d> at = calibration.Appearance()->At(reading);
  ASSERT_TRUE(at);
  EXPECT_LT(cv::norm(*at - looked), 20.0);  // as near as a look with the head where it was
  GazeReading asIfStill = reading;
  asIfStill.head.eyes = {320, 240};
  EXPECT_GT(cv::norm(*calibration.Appearance()->At(asIfStill) - looked), 30.0);
}

}  // namespace
