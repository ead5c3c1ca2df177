// The computer's cameras without a webcam: a made-up /sys tree and capabilities, and a
// scripted camera that goes away and comes back.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>

#include "detector/source/camera_list.h"
#include "detector/source/camera_source.h"

namespace {

namespace fs = std::filesystem;

// What each node says it can do, as the test writes it.
class FakeCaps final : public irisdet::CapsReader {
 public:
  std::optional<irisdet::DeviceCaps> Read(const std::string& node) const override {
    const auto found = caps.find(node);
    return found == caps.end() ? std::nullopt : std::optional(found->second);
  }
  std::map<std::string, irisdet::DeviceCaps> caps;
};

class CameraListTest : public ::testing::Test {
 protected:
  void SetUp() override {
    root = fs::temp_directory_path() / ("cameras-" + std::to_string(::getpid()));
    fs::create_directories(root / "sys/class/video4linux");
  }
  void TearDown() override { fs::remove_all(root); }
  void Node(const std::string& entry, const std::string& name, std::optional<irisdet::DeviceCaps> can) {
    fs::create_directories(root / "sys/class/video4linux" / entry);
    std::ofstream(root / "sys/class/video4linux" / entry / "name") << name << '\n';
    if (can) reader.caps["/dev/" + entry] = *can;
  }
  std::vector<std::string> Listed() {
    std::vector<std::string> out;
    for (const irisdet::Camera& c : irisdet::ListCameras(root.string(), reader))
      out.push_back(c.node + " " + c.name + (c.greyOnly ? " grey" : ""));
    return out;
  }
  static constexpr irisdet::DeviceCaps kColour{true, false}, kGrey{true, true}, kMetadata{false, false};
  fs::path root;
  FakeCaps reader;
};

TEST_F(CameraListTest, ALaptopsColourCameraComesFirstItsInfraredOneLastAndNoMetadataNode) {
  Node("video0", "Integrated Camera: Integrated C", kColour);
  Node("video1", "Integrated Camera: Integrated C", kMetadata);
  Node("video2", "Integrated Camera: Integrated I", kGrey);
  Node("video3", "Integrated Camera: Integrated I", kMetadata);
  Node("video10", "HD Pro Webcam C920", kColour);       // plugged in by the teacher
  Node("video11", "HD Pro Webcam C920", std::nullopt);  // cannot be asked: left out
  Node("v4l-subdev0", "sensor", kColour);               // no video node
  EXPECT_EQ(Listed(),
            (std::vector<std::string>{"/dev/video0 Integrated Camera: Integrated C", "/dev/video10 HD Pro Webcam C920",
                                      "/dev/video2 Integrated Camera: Integrated I grey"}));
  const auto cameras = irisdet::ListCameras(root.string(), reader);
  EXPECT_EQ(irisdet::DefaultCamera(cameras)->node, "/dev/video0");
}

TEST_F(CameraListTest, AnInfraredCameraAloneIsNeverTheDefaultAndNoCameraIsNone) {
  EXPECT_TRUE(Listed().empty());
  EXPECT_FALSE(irisdet::DefaultCamera({}));
  Node("video0", "IR Camera", kGrey);
  EXPECT_EQ(Listed(), (std::vector<std::string>{"/dev/video0 IR Camera grey"}));
  EXPECT_FALSE(irisdet::DefaultCamera(irisdet::ListCameras(root.string(), reader)));
}

TEST_F(CameraListTest, ANameIsReadAsPrintableTextOfBoundedLength) {
  Node("video0", std::string("Cam\x01\x1b[31m") + std::string(200, 'x'), kColour);
  const auto cameras = irisdet::ListCameras(root.string(), reader);
  ASSERT_EQ(cameras.size(), 1u);
  EXPECT_EQ(cameras[0].name.size(), 64u);
  EXPECT_EQ(cameras[0].name.substr(0, 6), "Cam  [");
}

TEST(FindAgainTest, ACameraIsFoundAtItsNodeOrUnderItsNameAtAnother) {
  const irisdet::Camera webcam{"/dev/video2", "Webcam", false};
  EXPECT_EQ(irisdet::FindAgain(webcam, {{"/dev/video0", "Other", false}, webcam})->node, "/dev/video2");
  EXPECT_EQ(irisdet::FindAgain(webcam, {{"/dev/video2", "Other", false}, {"/dev/video5", "Webcam", false}})->node,
            "/dev/video5");
  EXPECT_FALSE(irisdet::FindAgain(webcam, {{"/dev/video2", "Other", false}}));
}

// A camera whose frames the test turns on and off, and whose node it moves.
struct Script {
  std::vector<irisdet::Camera> plugged = {{"/dev/video2", "Webcam", false}};
  bool delivering = true, busy = false;
  std::vector<std::string> opened;
};

class ScriptedStream final : public irisdet::CameraStream {
 public:
  explicit ScriptedStream(Script& script) : script_(script) {}
  bool Grab() override { return script_.delivering; }
  bool Retrieve(cv::Mat& raw) override {
    raw = cv::Mat(480, 640, CV_8UC3, cv::Scalar(1, 2, 3));
    return true;
  }

 private:
  Script& script_;
};

irisdet::CameraDevices Devices(Script& script) {
  return {[&] { return script.plugged; },
          [&](const std::string& node) -> std::unique_ptr<irisdet::CameraStream> {
            const bool there = std::any_of(script.plugged.begin(), script.plugged.end(),
                                           [&](const irisdet::Camera& c) { return c.node == node; });
            if (!there || script.busy) return nullptr;
            script.opened.push_back(node);
            return std::make_unique<ScriptedStream>(script);
          },
          [&](const std::string&) { return script.busy; }};
}

const irisdet::FrameWait kNoWait = [](std::chrono::steady_clock::time_point) { return true; };

TEST(CameraSourceTest, ACameraUnpluggedAndPluggedIntoAnotherPortIsWatchedAgain) {
  Script script;
  const irisdet::CameraDevices devices = Devices(script);
  std::string error;
  auto camera = irisdet::OpenCamera("", devices, &error, kNoWait);
  ASSERT_TRUE(camera) << error;
  cv::Mat frame;
  ASSERT_TRUE(camera->Read(frame));
  script.delivering = false;  // unplugged
  script.plugged.clear();
  for (int i = 0; i < 5; ++i) EXPECT_FALSE(camera->Read(frame));
  script.delivering = true;
  script.plugged = {{"/dev/video0", "Another", false}, {"/dev/video4", "Webcam", false}};  // back, elsewhere
  bool back = false;
  for (int i = 0; i < 5 && !back; ++i) back = camera->Read(frame);
  EXPECT_TRUE(back);
  EXPECT_EQ(script.opened, (std::vector<std::string>{"/dev/video2", "/dev/video4"}));
}

TEST(CameraSourceTest, ACameraHeldByAnotherProgramOrMissingIsToldSo) {
  Script script;
  const irisdet::CameraDevices devices = Devices(script);
  std::string error;
  script.busy = true;
  EXPECT_FALSE(irisdet::OpenCamera("/dev/video2", devices, &error, kNoWait));
  EXPECT_EQ(error, "Un altre programa fa servir la càmera «Webcam». Tanca'l i torna-ho a provar.");
  script.busy = false;
  EXPECT_FALSE(irisdet::OpenCamera("/dev/video7", devices, &error, kNoWait));
  EXPECT_EQ(error, "No es troba la càmera «/dev/video7».");
  script.plugged = {{"/dev/video0", "IR", true}};
  EXPECT_FALSE(irisdet::OpenCamera("", devices, &error, kNoWait));
  EXPECT_EQ(error, "No hi ha cap càmera connectada.");
}

}  // namespace
