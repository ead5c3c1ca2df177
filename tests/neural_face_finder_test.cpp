// The neural face finder: its decoding on marked photos, the faces the HOG search misses,
// and the HOG search alone when its model is missing, damaged or another file.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <opencv2/imgcodecs.hpp>

#include "detector/eyes/irises.h"
#include "detector/face/face_model.h"
#include "detector/face/neural_face_finder.h"
#include "detector/runtime/model_store.h"
#include "detector/runtime/settings.h"
#include "tests/support/eye_accuracy.h"
#include "tests/support/face_transforms.h"

namespace {

namespace fs = std::filesystem;
const fs::path kFaces = fs::path(GLIMMO2_TEST_DATA) / "faces";

class NeuralFaceFinderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string error;
    model = irisdet::LoadFaceModel(&error);
    ASSERT_TRUE(model) << error;
    ASSERT_TRUE(model->farFaces && model->nearFaces)
        << "no model in " << irisdet::NeuralModelFolder() << ": scripts/get_face_model fetches it";
    for (const auto& [file, marked] : truth) photos.push_back({cv::imread((kFaces / file).string()), marked});
  }
  void TearDown() override { fs::remove_all(folder); }

  const irisdet::Truth truth = irisdet::ReadTruth((kFaces / "truth.csv").string());
  std::vector<irisdet::MarkedFrame> photos;
  std::shared_ptr<const irisdet::FaceModel> model;
  const fs::path folder = fs::temp_directory_path() / ("glimmo2-neural-" + std::to_string(::getpid()));
};

// The boxes and eyes decoded from the anchors land on the marked eyes, each eye on its own side.
TEST_F(NeuralFaceFinderTest, EachMarkedFaceIsFoundWithItsEyesWhereTheyWereMarked) {
  for (const auto& [side, neural] : {std::pair{128, model->nearFaces}, std::pair{256, model->farFaces}}) {
    irisdet::NeuralFaceFinder finder(*neural);
    for (const irisdet::MarkedFrame& photo : photos) {
      SCOPED_TRACE(std::to_string(side) + " px model, interocular " + std::to_string(photo.pupils.interocular));
      const std::vector<irisdet::NeuralFace> faces = finder.Find(photo.frame, 0.5f);
      ASSERT_EQ(faces.size(), 1u);
      const float d = photo.pupils.interocular;
      EXPECT_LT(cv::norm(faces[0].rightEye - photo.pupils.right), 0.2 * d);
      EXPECT_LT(cv::norm(faces[0].leftEye - photo.pupils.left), 0.2 * d);
      EXPECT_TRUE(faces[0].box.contains(photo.pupils.Midpoint()));
      EXPECT_GT(faces[0].box.width, 1.5f * d);
      EXPECT_LT(faces[0].box.width, 4.0f * d);
    }
  }
}

// A lower face covered from the upper lip and a head tilted by 35 degrees, settings the
// finders were not tuned on, are found by the neural finder on their first frame, the
// eyes where they are. (With both finders a face the HOG detector is sure of comes
// first; irisdet-lab robustness measures the two together.)
TEST_F(NeuralFaceFinderTest, CoveredAndSteeplyTiltedFacesAreFoundAtOnce) {
  irisdet::FaceLocator locator(model, irisdet::FaceFinders::kNeural);
  const std::pair<const char*, std::function<irisdet::MarkedFrame(const irisdet::MarkedFrame&)>> rooms[] = {
      {"covered from the upper lip", [](const irisdet::MarkedFrame& p) { return irisdet::CoveredFrom(p, 0.85f); }},
      {"tilted 35 degrees", [](const irisdet::MarkedFrame& p) { return irisdet::Rotated(p, 35); }},
      {"tilted -35 degrees", [](const irisdet::MarkedFrame& p) { return irisdet::Rotated(p, -35); }}};
  for (const auto& [name, transform] : rooms)
    for (const irisdet::MarkedFrame& photo : photos) {
      SCOPED_TRACE(std::string(name) + ", interocular " + std::to_string(photo.pupils.interocular));
      const irisdet::MarkedFrame seen = transform(photo);
      locator.Reset();
      EXPECT_LE(irisdet::Score(seen.pupils, irisdet::FindIrises(locator.Locate(seen.frame))).midpoint, 0.10);
    }
}

TEST_F(NeuralFaceFinderTest, AMissingDamagedOrWrongModelLeavesTheHogSearchAlone) {
  fs::create_directories(folder);
  std::string error;
  EXPECT_FALSE(irisdet::ReadNeuralModel(folder.string(), 256, &error));  // missing: said nowhere
  EXPECT_EQ(error, "");
  const fs::path back = folder / "face_detection_back_256x256_barracuda.onnx";
  const fs::path front = fs::path(irisdet::NeuralModelFolder()) / "face_detection_front_128x128_barracuda.onnx";
  const std::pair<const char*, std::function<void()>> cases[] = {
      {"random bytes", [&] { std::ofstream(back) << std::string(5000, '\x17'); }},
      {"cut in half",
       [&] {
         fs::copy_file(front, back, fs::copy_options::overwrite_existing);
         fs::resize_file(back, fs::file_size(back) / 2);
       }},
      {"the near model named as the far one",
       [&] { fs::copy_file(front, back, fs::copy_options::overwrite_existing); }},
      {"a directory", [&] {
         fs::remove(back);
         fs::create_directory(back);
       }}};
  // (The directory stays: the far model as the landmarks are read below is one.)
  for (const auto& [name, plant] : cases) {
    SCOPED_TRACE(name);
    plant();
    error.clear();
    EXPECT_FALSE(irisdet::ReadNeuralModel(folder.string(), 256, &error));
    EXPECT_NE(error, "");  // the reason, for the detector's error output
  }
  // Read with the damaged one: the landmarks without the neural finder, and the HOG search
  // finds the faces, as it always did.
  ::setenv("IRISDET_FACE_FINDER", folder.c_str(), 1);
  const auto hogAlone = irisdet::ReadFaceModel(irisdet::SettingsFromEnvironment().modelPath, &error);
  ::unsetenv("IRISDET_FACE_FINDER");
  ASSERT_TRUE(hogAlone) << error;
  EXPECT_FALSE(hogAlone->nearFaces || hogAlone->farFaces);
  irisdet::FaceLocator locator(hogAlone);
  for (const irisdet::MarkedFrame& photo : photos) {
    locator.Reset();
    EXPECT_LE(irisdet::Score(photo.pupils, irisdet::FindIrises(locator.Locate(photo.frame))).midpoint, 0.10);
  }
}

}  // namespace
