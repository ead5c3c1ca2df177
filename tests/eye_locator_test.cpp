#include <gtest/gtest.h>

#include <dlib/image_processing.h>
#include <dlib/opencv/cv_image.h>

#include <filesystem>
#include <opencv2/imgcodecs.hpp>
#include <opencv2/imgproc.hpp>

#include "detector/eyes/irises.h"
#include "detector/face/face_model.h"
#include "detector/runtime/model_store.h"
#include "detector/runtime/settings.h"
#include "detector/source/frame_source.h"
#include "tests/support/eye_accuracy.h"

namespace {

namespace fs = std::filesystem;
const fs::path kFaces = fs::path(GLIMMO2_TEST_DATA) / "faces";

struct LocatedPhoto {
  std::string file;
  irisdet::MarkedPupils marked;
  irisdet::EyeObservation eyes;
};

// Each marked photo of a test folder (its truth.csv), looked at on its own.
std::vector<LocatedPhoto> LocateMarkedPhotos(const fs::path& dir) {
  std::string error;
  auto model = irisdet::LoadFaceModel(&error);
  if (!model) {
    ADD_FAILURE() << error;
    return {};
  }
  irisdet::FaceLocator locator(model);
  std::vector<LocatedPhoto> located;
  for (const auto& [file, marked] : irisdet::ReadTruth((dir / "truth.csv").string())) {
    locator.Reset();  // unrelated photos: nothing carries over
    located.push_back({file, marked, irisdet::FindIrises(locator.Locate(cv::imread((dir / file).string())))});
  }
  return located;
}

TEST(EyeLocatorTest, RealPhotosWithinATenthOfTheEyeDistance) {
  const std::vector<LocatedPhoto> photos = LocateMarkedPhotos(kFaces);
  ASSERT_EQ(photos.size(), 4u);
  for (const auto& [file, marked, eyes] : photos) {
    ASSERT_TRUE(eyes.left && eyes.right) << file;
    EXPECT_LT(eyes.right->x, eyes.left->x) << file;  // the subject's right eye is on the image's left
    const irisdet::Errors e = irisdet::Score(marked, eyes);
    EXPECT_LE(e.midpoint, 0.10) << file;
    EXPECT_LE(e.worstEye, 0.25) << file;
  }
}

// Grey-blue irises looking down, the lids' dark lashes over their tops: the iris, not the
// lashes, within a twentieth of the eye distance (found on the lashes, one eye was 0.061 off).
TEST(EyeLocatorTest, LightIrisesBelowDarkLashesAreFoundNotTheLashes) {
  const std::vector<LocatedPhoto> photos = LocateMarkedPhotos(fs::path(GLIMMO2_TEST_DATA) / "light_iris");
  ASSERT_EQ(photos.size(), 1u);
  EXPECT_LE(irisdet::Score(photos[0].marked, photos[0].eyes).worstEye, 0.05);
}

// Our fit reads dlib's model in its own layout: it must place every point where dlib's does.
TEST(EyeLocatorTest, LandmarksAreDlibsOwnToThePixel) {
  std::string error;
  auto model = irisdet::LoadFaceModel(&error);
  ASSERT_TRUE(model) << error;
  dlib::shape_predictor dlibs;
  dlib::deserialize(irisdet::SettingsFromEnvironment().modelPath) >> dlibs;
  int fits = 0;
  for (const fs::directory_entry& photo : fs::directory_iterator(kFaces)) {
    if (photo.path().extension() != ".png") continue;
    cv::Mat gray = cv::imread(photo.path().string(), cv::IMREAD_GRAYSCALE);
    for (const cv::Rect& box :
         {cv::Rect(200, 120, 240, 240), cv::Rect(250, 100, 160, 180), cv::Rect(-20, 300, 200, 200)}) {
      const dlib::full_object_detection expected = dlibs(dlib::cv_image<unsigned char>(gray), irisdet::ToDlib(box));
      const std::vector<cv::Point2f> points = model->landmarks.Fit(gray, box);
      ASSERT_EQ(points.size(), expected.num_parts());
      for (unsigned long i = 0; i < expected.num_parts(); ++i)
        EXPECT_EQ(points[i], cv::Point2f(expected.part(i).x(), expected.part(i).y())) << photo.path() << " point " << i;
      ++fits;
    }
  }
  EXPECT_EQ(fits, 12);
}

TEST(EyeLocatorTest, NoFaceNoEye) {
  std::string error;
  irisdet::FaceLocator locator(irisdet::LoadFaceModel(&error));
  cv::Mat noise(480, 640, CV_8UC3);
  cv::randu(noise, cv::Scalar::all(0), cv::Scalar::all(255));
  EXPECT_FALSE(irisdet::FindIrises(locator.Locate(noise)).Point());
  EXPECT_FALSE(irisdet::FindIrises(locator.Locate(cv::Mat(480, 640, CV_8UC3, cv::Scalar::all(128)))).Point());
  EXPECT_FALSE(irisdet::FindIrises(locator.Locate(cv::Mat())).Point());
}

cv::Mat Face(const char* file, cv::Size size) {
  cv::Mat photo = cv::imread((kFaces / file).string()), scaled;
  cv::resize(photo, scaled, size);
  return scaled;
}

// Two photos side by side on a grey frame; their sizes decide which face is larger.
cv::Mat TwoFaces(cv::Size left, cv::Size right) {
  cv::Mat frame(480, 640, CV_8UC3, cv::Scalar::all(128));
  Face("pexels_0002.png", left).copyTo(frame(cv::Rect(cv::Point(0, 0), left)));
  Face("pexels_0027.png", right).copyTo(frame(cv::Rect(cv::Point(640 - right.width, 480 - right.height), right)));
  return frame;
}

TEST(FaceTrackingTest, LosesTheFaceThenFindsItAgain) {
  std::string error;
  irisdet::FaceLocator locator(irisdet::LoadFaceModel(&error));
  const cv::Mat face = cv::imread((kFaces / "pexels_0002.png").string());
  const cv::Mat empty(480, 640, CV_8UC3, cv::Scalar(90, 110, 130));
  for (int i = 0; i < 8; ++i) EXPECT_TRUE(irisdet::FindIrises(locator.Locate(face)).Point()) << i;
  int quietFrames = 0;
  for (int i = 0; i < 12; ++i) quietFrames += !irisdet::FindIrises(locator.Locate(empty)).Point();
  EXPECT_GE(quietFrames, 5);  // gone within a few frames
  EXPECT_FALSE(irisdet::FindIrises(locator.Locate(empty)).Point());
  irisdet::LocatedFace found = locator.Locate(face);
  EXPECT_TRUE(irisdet::FindIrises(found).Point());
  EXPECT_EQ(found.search, irisdet::Search::kUpright);
  found = locator.Locate(face);
  EXPECT_TRUE(irisdet::FindIrises(found).Point());
  EXPECT_EQ(found.search, irisdet::Search::kNone);  // followed, not searched for
}

TEST(FaceTrackingTest, KeepsTheFaceItFollowsTheLargestAtFirst) {
  std::string error;
  irisdet::FaceLocator locator(irisdet::LoadFaceModel(&error));
  // At first the larger face, on the right, is taken.
  const auto first = irisdet::FindIrises(locator.Locate(TwoFaces({256, 192}, {384, 288}))).Point();
  ASSERT_TRUE(first);
  EXPECT_GT(first->x, 320.f);
  // Follow the smaller left face alone, then show both: it stays on the left one.
  locator.Reset();
  const cv::Mat alone = [] {
    cv::Mat frame(480, 640, CV_8UC3, cv::Scalar::all(128));
    Face("pexels_0002.png", {256, 192}).copyTo(frame(cv::Rect(0, 0, 256, 192)));
    return frame;
  }();
  ASSERT_TRUE(irisdet::FindIrises(locator.Locate(alone)).Point());
  for (int i = 0; i < 10; ++i) {
    const auto point = irisdet::FindIrises(locator.Locate(TwoFaces({256, 192}, {384, 288}))).Point();
    ASSERT_TRUE(point);
    EXPECT_LT(point->x, 256.f) << i;
  }
}

}  // namespace
