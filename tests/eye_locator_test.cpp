#include <gtest/gtest.h>

#include <filesystem>
#include <opencv2/imgcodecs.hpp>

#include "eye_accuracy.h"
#include "eye_locator.h"
#include "frame_source.h"

namespace {

namespace fs = std::filesystem;
const fs::path kFaces = fs::path(GLIMMO2_TEST_DATA) / "faces";

TEST(EyeLocatorTest, RealPhotosWithinATenthOfTheEyeDistance) {
  std::string error;
  auto model = irisdet::LoadFaceModel(&error);
  ASSERT_TRUE(model) << error;
  irisdet::EyeLocator locator(model);
  const irisdet::Truth truth = irisdet::ReadTruth((kFaces / "truth.csv").string());
  ASSERT_EQ(truth.size(), 4u);
  for (const auto& [file, marked] : truth) {
    const irisdet::EyeObservation eyes = locator.Locate(cv::imread((kFaces / file).string()));
    ASSERT_TRUE(eyes.left && eyes.right) << file;
    EXPECT_LT(eyes.right->x, eyes.left->x) << file;  // the subject's right eye is on the image's left
    const irisdet::Errors e = irisdet::Score(marked, eyes);
    EXPECT_LE(e.midpoint, 0.10) << file;
    EXPECT_LE(e.worstEye, 0.25) << file;
  }
}

TEST(EyeLocatorTest, NoFaceNoEye) {
  std::string error;
  irisdet::EyeLocator locator(irisdet::LoadFaceModel(&error));
  cv::Mat noise(480, 640, CV_8UC3);
  cv::randu(noise, cv::Scalar::all(0), cv::Scalar::all(255));
  EXPECT_FALSE(locator.Locate(noise).Point());
  EXPECT_FALSE(locator.Locate(cv::Mat(480, 640, CV_8UC3, cv::Scalar::all(128))).Point());
  EXPECT_FALSE(locator.Locate(cv::Mat()).Point());
}

TEST(FrameSourceTest, FolderGivesEachImageByNameThenEnds) {
  std::string error;
  auto source = irisdet::OpenSource(kFaces.string(), irisdet::Pacing::EveryFrame, &error);
  ASSERT_TRUE(source) << error;
  std::vector<std::string> names;
  for (cv::Mat frame; source->Read(frame);) {
    EXPECT_EQ(frame.size(), cv::Size(640, 480));
    EXPECT_EQ(frame.type(), CV_8UC3);
    names.push_back(source->FrameName());
  }
  EXPECT_EQ(names, (std::vector<std::string>{"pexels_0002.png", "pexels_0027.png", "pexels_0054.png",
                                             "pexels_0117.png"}));
}

TEST(FrameSourceTest, AnySizeAndChannelCountBecomesA640x480ColourFrame) {
  for (const cv::Mat& raw : {cv::Mat(100, 37, CV_8UC1, cv::Scalar(7)), cv::Mat(960, 1280, CV_8UC4, cv::Scalar(1, 2, 3, 4)),
                             cv::Mat(480, 640, CV_8UC3, cv::Scalar(9, 8, 7))}) {
    const cv::Mat frame = irisdet::ToCameraFrame(raw);
    EXPECT_EQ(frame.size(), cv::Size(640, 480));
    EXPECT_EQ(frame.type(), CV_8UC3);
    EXPECT_TRUE(frame.isContinuous());
  }
}

}  // namespace
