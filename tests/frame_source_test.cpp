// What the detector's sources give: a folder's pictures by name, what a camera is asked
// for, and any picture as the 640x480 colour frame the detector looks at.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <opencv2/videoio.hpp>

#include "detector/source/frame_source.h"

namespace {

namespace fs = std::filesystem;
const fs::path kFaces = fs::path(GLIMMO2_TEST_DATA) / "faces";

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
  EXPECT_EQ(names,
            (std::vector<std::string>{"pexels_0002.png", "pexels_0027.png", "pexels_0054.png", "pexels_0117.png"}));
}

// V4L2 takes a frame size only for the format chosen, so the format comes first; the
// newest frame, not a queue of old ones; the camera's automatic exposure left alone.
TEST(FrameSourceTest, AnySizeAndChannelCountBecomesA640x480ColourFrame) {
  struct Case {
    cv::Mat raw;
    cv::Vec3b colour;
  };
  for (const Case& c : {Case{cv::Mat(100, 37, CV_8UC1, cv::Scalar(7)), {7, 7, 7}},
                        Case{cv::Mat(960, 1280, CV_8UC4, cv::Scalar(1, 2, 3, 4)), {1, 2, 3}},
                        Case{cv::Mat(480, 640, CV_8UC3, cv::Scalar(9, 8, 7)), {9, 8, 7}}}) {
    const cv::Mat frame = irisdet::ToCameraFrame(c.raw);
    EXPECT_EQ(frame.size(), cv::Size(640, 480));
    ASSERT_EQ(frame.type(), CV_8UC3);
    EXPECT_TRUE(frame.isContinuous());
    EXPECT_EQ(frame.at<cv::Vec3b>(240, 320), c.colour) << c.raw.channels() << " channels";
  }
}

}  // namespace
