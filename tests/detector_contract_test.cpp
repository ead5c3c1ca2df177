#include <gtest/gtest.h>

#include <dlfcn.h>
#include <sys/stat.h>

#include <dlib/image_processing.h>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <opencv2/imgcodecs.hpp>
#include <opencv2/imgproc.hpp>
#include <opencv2/videoio.hpp>
#include <optional>
#include <thread>

#include "irisdet.h"

namespace {

namespace fs = std::filesystem;
const fs::path kFaces = fs::path(GLIMMO2_TEST_DATA) / "faces";

// An image sequence of one picture, as the detector's source.
class DetectorContractTest : public ::testing::Test {
 protected:
  void SetUp() override {
    folder = fs::temp_directory_path() / ("irisdet-" + std::to_string(::getpid()));
    fs::create_directories(folder);
    setenv("IRISDET_TRACKING", "eyes", 1);  // where the eyes are, mirrored as the player sees them
  }
  void TearDown() override {
    EyeDetectorStop();
    fs::remove_all(folder);
  }
  void UseSequence(const cv::Mat& image) {
    cv::imwrite((folder / "0000.png").string(), image);
    setenv("IRISDET_SOURCE", (folder / "%04d.png").c_str(), 1);
  }
  // Polls until an eye comes or `polls` polls (of at most 100 ms) have passed: by
  // default as long as a slow build may take to load the model and find the face.
  bool PollForEye(int16_t* y, int16_t* x, int polls = 3000) {
    for (int i = 0; i < polls; ++i)
      if (EyeDetectorPoll(y, x) == 1) return true;
    return false;
  }
  fs::path folder;
};

TEST_F(DetectorContractTest, FindsTheEyeMidpointOfARealFace) {
  UseSequence(cv::imread((kFaces / "pexels_0002.png").string()));
  ASSERT_EQ(EyeDetectorStart(0), IRISDET_OK);
  int16_t y = 0, x = 0;
  ASSERT_TRUE(PollForEye(&y, &x));
  // Marked pupils (374, 199) and (253, 197), 121 px apart: within a tenth of that,
  // mirrored as the player sees themselves.
  EXPECT_LE(std::hypot(x - (639 - 313.5), y - 198.0), 12.1) << x << ',' << y;
  // The sequence has ended: its last frame keeps coming, and with it the eye.
  EXPECT_TRUE(PollForEye(&y, &x, 10));
}

// Gaze tracking through the C interface: chosen by the environment, calibrated by looks
// at known points, and its point moving to where those looks said the player looked.
TEST_F(DetectorContractTest, GazeTrackingIsCalibratedByLooksAtKnownPoints) {
  setenv("IRISDET_TRACKING", "gaze", 1);
  EXPECT_EQ(EyeDetectorTracking(), IRISDET_TRACKING_GAZE);
  // A still face for 40 s (a sanitizer build looks at a few frames a second): a look is
  // gathered from new frames, not from a last one repeated.
  std::vector<uchar> jpeg;
  cv::imencode(".jpg", cv::imread((kFaces / "pexels_0002.png").string()), jpeg);
  for (int frame = 0; frame < 1200; ++frame)
    std::ofstream(folder / cv::format("%04d.jpg", frame), std::ios::binary)
        .write(reinterpret_cast<const char*>(jpeg.data()), static_cast<std::streamsize>(jpeg.size()));
  setenv("IRISDET_SOURCE", (folder / "%04d.jpg").c_str(), 1);
  ASSERT_EQ(EyeDetectorStart(0), IRISDET_OK);
  int16_t y = 0, x = 0;
  ASSERT_TRUE(PollForEye(&y, &x));
  EXPECT_EQ(EyeDetectorGazeLookEnd(IRISDET_LOOK_DOT), 0);  // no look under way
  // Five looks, all at one point: this player's map sends this look there.
  const cv::Point looked(520, 110);
  for (int dot = 0; dot < 5; ++dot) {
    EyeDetectorGazeLookAt(static_cast<int16_t>(looked.x), static_cast<int16_t>(looked.y));
    for (int eyes = 0; eyes < 3;) eyes += PollForEye(&y, &x) ? 1 : 0;
    EXPECT_EQ(EyeDetectorGazeLookEnd(IRISDET_LOOK_DOT), 1) << dot;
  }
  EXPECT_EQ(EyeDetectorGazeCalibrate(1), 5);
  EXPECT_EQ(EyeDetectorGazeCalibrate(1), 0);  // the looks were used
  bool there = false;
  for (int i = 0; i < 300 && !there; ++i) there = PollForEye(&y, &x) && std::hypot(x - looked.x, y - looked.y) < 30;
  EXPECT_TRUE(there) << x << ',' << y;
}

// The inside loaded: the AVX2 build where the processor has it and it was built.
TEST_F(DetectorContractTest, TheVectorisedInsideServesWhereTheProcessorCanRunIt) {
  UseSequence(cv::imread((kFaces / "pexels_0002.png").string()));
  ASSERT_EQ(EyeDetectorStart(0), IRISDET_OK);
  Dl_info library{};
  ASSERT_TRUE(dladdr(reinterpret_cast<void*>(&EyeDetectorStart), &library));
  const fs::path folder = fs::path(library.dli_fname).parent_path();
  const bool built = fs::exists(folder / "avx2" / "libirisdet-core.so");
  const bool runs = __builtin_cpu_supports("avx2") && __builtin_cpu_supports("bmi") && __builtin_cpu_supports("bmi2");
  std::ifstream maps("/proc/self/maps");
  std::string loaded;
  for (std::string line; std::getline(maps, line);)
    if (line.find("libirisdet-core.so") != std::string::npos) loaded = line.substr(line.find('/'));
  const fs::path expected = built && runs ? folder / "avx2" / "libirisdet-core.so" : folder / "libirisdet-core.so";
  EXPECT_EQ(fs::canonical(loaded), fs::canonical(expected));
}

TEST_F(DetectorContractTest, FrameOfAnotherSizeReportsInCameraCoordinates) {
  cv::Mat small;
  cv::resize(cv::imread((kFaces / "pexels_0002.png").string()), small, cv::Size(320, 200));
  UseSequence(small);
  ASSERT_EQ(EyeDetectorStart(0), IRISDET_OK);
  int16_t y = 0, x = 0;
  ASSERT_TRUE(PollForEye(&y, &x));
  EXPECT_LE(std::hypot(x - (639 - 313.5), y - 198.0), 24.2) << x << ',' << y;
}

TEST_F(DetectorContractTest, NoFaceLeavesTheValuesAlone) {
  UseSequence(cv::Mat(480, 640, CV_8UC3, cv::Scalar(90, 120, 150)));
  ASSERT_EQ(EyeDetectorStart(0), IRISDET_OK);
  int16_t y = 1234, x = -77;
  for (int i = 0; i < 10; ++i) EXPECT_EQ(EyeDetectorPoll(&y, &x), 0);
  EXPECT_EQ(y, 1234);
  EXPECT_EQ(x, -77);
}

// The start returns at once; how the opening went is known a moment later.
int32_t StateOnceOpened() {
  int32_t state = EyeDetectorSourceState();
  for (int i = 0; i < 30000 && state == IRISDET_SOURCE_OPENING; ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
    state = EyeDetectorSourceState();
  }
  return state;
}

TEST_F(DetectorContractTest, SourcesThatDoNotOpenAreReported) {
  for (const char* source : {"/nonexistent/%04d.png", "camera:9", "/etc/hostname"}) {
    setenv("IRISDET_SOURCE", source, 1);
    EXPECT_EQ(EyeDetectorStart(0), IRISDET_OK) << source;
    EXPECT_EQ(StateOnceOpened(), IRISDET_SOURCE_FAILED) << source;
    int16_t y = 5, x = 6;
    EXPECT_EQ(EyeDetectorPoll(&y, &x), 0);
    EXPECT_EQ(y, 5);
    EXPECT_EQ(x, 6);
  }
}

std::string LastError() {
  char text[512] = "";
  const int32_t length = EyeDetectorLastError(text, sizeof text);
  EXPECT_EQ(length, static_cast<int32_t>(std::strlen(text)));
  return text;
}

TEST_F(DetectorContractTest, MissingModelIsReported) {
  UseSequence(cv::imread((kFaces / "pexels_0002.png").string()));
  setenv("IRISDET_MODEL", "/nonexistent/model.dat", 1);
  EXPECT_EQ(EyeDetectorStart(0), IRISDET_NO_MODEL);
  unsetenv("IRISDET_MODEL");
  EXPECT_EQ(LastError(), "No es pot fer servir el model de cares: No es troba «/nonexistent/model.dat».");
}

TEST_F(DetectorContractTest, AModelOfFivePointsIsToldAndNeverReadPast) {
  // A valid landmark model file, but not of the 68 points the eyes are read from.
  dlib::matrix<float, 0, 1> shape(10);
  shape = 0.5f;
  dlib::serialize((folder / "five.dat").string()) << dlib::shape_predictor(shape, {}, {});
  setenv("IRISDET_MODEL", (folder / "five.dat").c_str(), 1);
  UseSequence(cv::imread((kFaces / "pexels_0002.png").string()));
  ASSERT_EQ(EyeDetectorStart(0), IRISDET_OK);  // the content is read on the detector's thread
  int16_t y = 0, x = 0;
  for (int i = 0; i < 100 && LastError().empty(); ++i) EXPECT_EQ(EyeDetectorPoll(&y, &x), 0);
  EXPECT_NE(LastError().find("no té els 68 punts"), std::string::npos) << LastError();
  EyeDetectorStop();
  unsetenv("IRISDET_MODEL");
}

TEST_F(DetectorContractTest, ASourceThatIsNoFileIsRefusedWithItsReason) {
  // A FIFO kept the window waiting for the open timeout, then the next stop for ever.
  ASSERT_EQ(::mkfifo((folder / "camera.avi").c_str(), 0600), 0);
  setenv("IRISDET_SOURCE", (folder / "camera.avi").c_str(), 1);
  EXPECT_EQ(EyeDetectorStart(0), IRISDET_OK);
  EXPECT_EQ(StateOnceOpened(), IRISDET_SOURCE_FAILED);  // not watching: a snapshot may open the source itself
  EXPECT_EQ(LastError(), "«" + (folder / "camera.avi").string() + "» no és un fitxer normal.");
  EyeDetectorStop();
  UseSequence(cv::imread((kFaces / "pexels_0002.png").string()));
  ASSERT_EQ(EyeDetectorStart(0), IRISDET_OK);
  EXPECT_EQ(LastError(), "");  // a good start forgets the old trouble
}

TEST_F(DetectorContractTest, AVideoRemovedMidRunStopsDelivering) {
  const fs::path video = folder / "face.avi";
  {
    cv::VideoWriter writer(video.string(), cv::VideoWriter::fourcc('M', 'J', 'P', 'G'), 30, cv::Size(640, 480));
    const cv::Mat face = cv::imread((kFaces / "pexels_0002.png").string());
    for (int i = 0; i < 300; ++i) writer.write(face);
  }
  setenv("IRISDET_SOURCE", video.c_str(), 1);
  EXPECT_EQ(EyeDetectorSourceState(), IRISDET_SOURCE_STOPPED);  // not watching yet
  ASSERT_EQ(EyeDetectorStart(0), IRISDET_OK);
  int16_t y = 0, x = 0;
  ASSERT_TRUE(PollForEye(&y, &x));
  EXPECT_EQ(EyeDetectorSourceState(), IRISDET_SOURCE_DELIVERING);
  fs::remove(video);
  bool lost = false;
  for (int i = 0; i < 3000 && !lost; ++i) {  // within a few seconds, even in a slow build
    EyeDetectorPoll(&y, &x);
    lost = EyeDetectorSourceState() == IRISDET_SOURCE_LOST;
  }
  EXPECT_TRUE(lost);
  EXPECT_EQ(EyeDetectorPoll(&y, &x), 0);
}

// A face that holds still for 2 s (as long as a sanitizer build on a busy machine may
// take to see ten steady frames and take the comfortable tracking's neutral position),
// then slides toward the camera image's right by one interocular distance (121 px) in
// 2 s: to the player's left in the mirror.
void WriteSlidingFace(const fs::path& video) {
  cv::VideoWriter writer(video.string(), cv::VideoWriter::fourcc('M', 'J', 'P', 'G'), 30, cv::Size(640, 480));
  const cv::Mat face = cv::imread((kFaces / "pexels_0002.png").string());
  constexpr int kStill = 60, kSliding = 60;
  for (int i = 0; i < kStill + kSliding; ++i) {
    const double shift = std::clamp(i - kStill, 0, kSliding) * 121.0 / kSliding;
    cv::Mat moved;
    cv::warpAffine(face, moved, cv::Matx23d(1, 0, shift, 0, 1, 0), face.size(), cv::INTER_LINEAR, cv::BORDER_REPLICATE);
    writer.write(moved);
  }
}

// The first and the last point reported, once the point has moved and then held for a
// while (the video's last frame keeps coming; a still face holds it before the slide too).
std::pair<cv::Point, cv::Point> FirstAndLastPoint() {
  std::optional<cv::Point> first, last;
  int16_t y = 0, x = 0;
  bool moved = false;
  for (int same = 0, polls = 0; (same < 20 || !moved) && polls < 3000; ++polls) {
    if (EyeDetectorPoll(&y, &x) != 1) continue;
    same = last == cv::Point(x, y) ? same + 1 : 0;
    if (!first) first = cv::Point(x, y);
    last = cv::Point(x, y);
    moved = moved || std::abs(x - first->x) > 60;
  }
  EXPECT_TRUE(first && last);
  return {first.value_or(cv::Point()), last.value_or(cv::Point())};
}

TEST_F(DetectorContractTest, ASlidingFaceMovesThePointTheWayThePlayerSeesIt) {
  WriteSlidingFace(folder / "slide.avi");
  setenv("IRISDET_SOURCE", (folder / "slide.avi").c_str(), 1);
  ASSERT_EQ(EyeDetectorStart(0), IRISDET_OK);
  const auto [eyesFirst, eyesLast] = FirstAndLastPoint();
  EXPECT_NEAR(eyesFirst.x, 639 - 313.5, 12);
  EXPECT_NEAR(eyesLast.x - eyesFirst.x, -121, 12);  // the eyes' own movement, mirrored
  EyeDetectorStop();
  setenv("IRISDET_TRACKING", "comfort", 1);  // read when watching starts
  ASSERT_EQ(EyeDetectorStart(0), IRISDET_OK);
  const auto [first, last] = FirstAndLastPoint();
  // The first eye comes with the neutral position: the centre, as near as a still face's
  // landmarks hold it (a neutral is taken once ten frames' turns agree within 2 degrees:
  // 43 px across and 48 px up and down).
  EXPECT_NEAR(first.x, 320, 43);
  EXPECT_NEAR(first.y, 240, 48);
  EXPECT_LT(last.x, 32);  // one interocular distance: the player's edge
  EXPECT_NEAR(last.y, 240, 24);
}

TEST_F(DetectorContractTest, AStartWhileWatchingTheSameSourceKeepsIt) {
  // A stop click starts before it stops: the camera must not be closed and reopened.
  WriteSlidingFace(folder / "slide.avi");
  setenv("IRISDET_SOURCE", (folder / "slide.avi").c_str(), 1);
  ASSERT_EQ(EyeDetectorStart(0), IRISDET_OK);
  const auto [first, last] = FirstAndLastPoint();  // the video has ended: its last frame keeps coming
  ASSERT_LT(last.x, first.x - 60);
  ASSERT_EQ(EyeDetectorStart(0), IRISDET_OK);
  int16_t y = 0, x = 0;
  for (int i = 0; i < 10; ++i) {
    if (EyeDetectorPoll(&y, &x) != 1) continue;
    EXPECT_NEAR(x, last.x, 6);  // kept: not back at the start
  }
  EyeDetectorStop();
  ASSERT_EQ(EyeDetectorStart(0), IRISDET_OK);  // after a stop: from the beginning again
  bool backAtTheStart = false;
  for (int i = 0; i < 3000 && !backAtTheStart; ++i)
    backAtTheStart = EyeDetectorPoll(&y, &x) == 1 && std::abs(x - first.x) < 6;
  EXPECT_TRUE(backAtTheStart);
}

TEST_F(DetectorContractTest, StartTwiceStopTwicePollAfterStop) {
  UseSequence(cv::imread((kFaces / "pexels_0002.png").string()));
  EyeDetectorStop();  // stop while stopped
  ASSERT_EQ(EyeDetectorStart(0), IRISDET_OK);
  ASSERT_EQ(EyeDetectorStart(0), IRISDET_OK);  // keeps the source
  int16_t y = 0, x = 0;
  EXPECT_TRUE(PollForEye(&y, &x));
  EyeDetectorStop();
  EyeDetectorStop();
  y = 11, x = 12;
  for (int i = 0; i < 3; ++i) EXPECT_EQ(EyeDetectorPoll(&y, &x), 0);
  EXPECT_EQ(y, 11);
  EXPECT_EQ(x, 12);
}

TEST_F(DetectorContractTest, PollRacingStartAndStop) {
  UseSequence(cv::imread((kFaces / "pexels_0002.png").string()));
  std::atomic<bool> done{false};
  std::atomic<int> polls{0};
  std::thread poller([&] {
    int16_t y = 0, x = 0;
    while (!done) {
      EyeDetectorPoll(&y, &x);
      ++polls;
    }
  });
  for (int i = 0; i < 8; ++i) {
    EXPECT_EQ(EyeDetectorStart(0), IRISDET_OK);
    std::this_thread::sleep_for(std::chrono::milliseconds(20 * (i % 3)));
    EyeDetectorStop();
  }
  done = true;
  poller.join();
  EXPECT_GT(polls.load(), 0);
}

}  // namespace
