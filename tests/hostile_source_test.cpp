// What IRISDET_SOURCE and IRISDET_MODEL may name, as an attacker would choose it:
// the detector refuses at once, with a reason, and never crashes, blocks or decodes
// a bomb.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <dlib/image_processing.h>
#include <filesystem>
#include <fstream>
#include <opencv2/imgcodecs.hpp>

#include "detector/eyes/irises.h"
#include "detector/runtime/model_store.h"
#include "detector/source/bounded_input.h"
#include "detector/source/frame_source.h"

namespace {

namespace fs = std::filesystem;
const fs::path kFaces = fs::path(GLIMMO2_TEST_DATA) / "faces";

class HostileSourceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    folder = fs::temp_directory_path() / ("irisdet-hostile-" + std::to_string(::getpid()));
    fs::remove_all(folder);
    fs::create_directories(folder);
  }
  void TearDown() override { fs::remove_all(folder); }

  std::unique_ptr<irisdet::FrameSource> Open(const fs::path& name, std::string* error) {
    return irisdet::OpenSource(name.string(), irisdet::Pacing::EveryFrame, error);
  }
  fs::path Fifo(const std::string& name) {
    const fs::path path = folder / name;
    EXPECT_EQ(::mkfifo(path.c_str(), 0600), 0);
    return path;
  }
  void Write(const fs::path& path, const std::string& bytes) { std::ofstream(path, std::ios::binary) << bytes; }

  fs::path folder;
};

// A PNG whose header claims 32000x32000 pixels; a decoder would take 3 GB for it.
std::string PngBomb() {
  std::string png = "\x89PNG\r\n\x1a\n";
  png += std::string("\0\0\0\x0d", 4) + "IHDR" + std::string("\0\0\x7d\0\0\0\x7d\0\x08\x02\0\0\0", 13) + "CRC!";
  png += std::string(4096, '\0');
  return png;
}

TEST_F(HostileSourceTest, NonRegularFilesAndUrlsAreRefusedAtOnce) {
  // Each of these blocked the detector (and the window) in a video library's open.
  const fs::path fifo = Fifo("video.avi");
  fs::create_directories(folder / "seq");
  ASSERT_EQ(::mkfifo((folder / "seq" / "0000.png").c_str(), 0600), 0);
  for (const std::string& name : {fifo.string(), (folder / "seq" / "%04d.png").string(), std::string("/dev/zero"),
                                  std::string("http://127.0.0.1:9/video.avi"), std::string("/dev/null")}) {
    std::string error;
    EXPECT_FALSE(Open(name, &error)) << name;
    EXPECT_FALSE(error.empty()) << name;
  }
  std::string error;
  EXPECT_FALSE(Open(fifo, &error));
  EXPECT_NE(error.find("no és un fitxer normal"), std::string::npos) << error;
}

TEST_F(HostileSourceTest, AFolderThatCannotBeListedWholeDoesNotThrow) {
  fs::copy_file(kFaces / "pexels_0002.png", folder / "face.png");
  fs::create_symlink("loop.png", folder / "loop.png");  // a symlink loop: looking at it fails
  fs::create_symlink(folder / "video.avi", folder / "dangling.png");
  Fifo("pipe.png");
  std::string error;
  std::unique_ptr<irisdet::FrameSource> source;
  ASSERT_NO_THROW(source = Open(folder, &error));
  ASSERT_TRUE(source) << error;
  cv::Mat frame;
  ASSERT_TRUE(source->Read(frame));
  EXPECT_EQ(source->FrameName(), "face.png");
  EXPECT_FALSE(source->Read(frame));
}

TEST_F(HostileSourceTest, PictureBombsAreRefusedBeforeDecoding) {
  Write(folder / "0000.png", PngBomb());
  std::string error;
  EXPECT_FALSE(Open(folder / "%04d.png", &error));
  EXPECT_NE(error.find("massa gran"), std::string::npos) << error;
  EXPECT_FALSE(Open(folder, &error));  // a folder of nothing readable is no source
  EXPECT_NE(error.find("cap imatge"), std::string::npos) << error;
  EXPECT_TRUE(irisdet::ReadBoundedImage((folder / "0000.png").string(), &error).empty());
}

TEST_F(HostileSourceTest, StatedSizesOfRealPictures) {
  const cv::Mat image(37, 53, CV_8UC3, cv::Scalar(10, 20, 30));
  for (const char* ext : {".png", ".jpg", ".bmp"}) {
    std::vector<uchar> bytes;
    ASSERT_TRUE(cv::imencode(ext, image, bytes));
    const auto size = irisdet::StatedImageSize(std::string(bytes.begin(), bytes.end()));
    ASSERT_TRUE(size) << ext;
    EXPECT_EQ(*size, cv::Size(53, 37)) << ext;
  }
  EXPECT_FALSE(irisdet::StatedImageSize("GIF89a"));
  EXPECT_FALSE(irisdet::StatedImageSize(std::string("\xFF\xD8\xFF", 3)));  // a JPEG cut short
}

TEST_F(HostileSourceTest, SequencePatternsOtherThanOneNumberAreNeverFormatted) {
  fs::copy_file(kFaces / "pexels_0002.png", folder / "0000.png");
  for (const char* pattern : {"%s.png", "%n%04d.png", "%04d%04d.png", "%999999999d.png", "%x.png", "%"}) {
    std::string error;
    EXPECT_FALSE(Open(folder / pattern, &error)) << pattern;
  }
  std::string error;
  EXPECT_TRUE(Open(folder / "%04d.png", &error)) << error;
  EXPECT_TRUE(Open(folder / "%d.png", &error) == nullptr);  // "0.png" is not there
}

// A landmark model of `parts` points, valid as a file.
void WriteModel(const fs::path& path, int parts) {
  dlib::matrix<float, 0, 1> shape(parts * 2);
  shape = 0.5f;
  const dlib::shape_predictor model(shape, {}, {});
  dlib::serialize(path.string()) << model;
}

// A 68-point model of one tree whose node compares sampled pixels `first` and
// `second`, with leaves of `leafSize` values; two pixels are sampled.
void WriteOneTreeModel(const fs::path& path, unsigned long first, unsigned long second, long leafSize) {
  dlib::matrix<float, 0, 1> shape(68 * 2);
  shape = 0.5f;
  dlib::impl::regression_tree tree;
  tree.splits = {{first, second, 0.f}};
  dlib::matrix<float, 0, 1> leaf(leafSize);
  leaf = 0.f;
  tree.leaf_values = {leaf, leaf};
  const std::vector<std::vector<dlib::vector<float, 2>>> pixels = {{{0.4f, 0.4f}, {0.6f, 0.6f}}};
  dlib::serialize(path.string()) << dlib::shape_predictor(shape, {{tree}}, pixels);
}

TEST_F(HostileSourceTest, ModelsThatCannotServeAreRefusedWithAReason) {
  WriteModel(folder / "none.dat", 0);
  WriteModel(folder / "five.dat", 5);
  WriteOneTreeModel(folder / "sound.dat", 0, 1, 68 * 2);
  std::string error;
  EXPECT_TRUE(irisdet::ReadFaceModel((folder / "sound.dat").string(), &error)) << error;
  // A fit would read outside the pixels sampled, or add leaves of the wrong size.
  WriteOneTreeModel(folder / "unsampled.dat", 0, 2, 68 * 2);
  WriteOneTreeModel(folder / "short_leaves.dat", 0, 1, 68);
  Write(folder / "empty.dat", "");
  Write(folder / "random.dat", std::string(5000, '\x7f'));
  const fs::path fifo = Fifo("fifo.dat");
  for (const fs::path& model :
       {folder / "none.dat", folder / "five.dat", folder / "unsampled.dat", folder / "short_leaves.dat",
        folder / "empty.dat", folder / "random.dat", fifo, folder / "missing.dat"}) {
    EXPECT_FALSE(irisdet::ReadFaceModel(model.string(), &error)) << model;
    EXPECT_EQ(error.rfind("No es pot fer servir el model de cares: ", 0), 0u) << error;
  }
}

}  // namespace
