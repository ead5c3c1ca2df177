#pragma once
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <opencv2/imgcodecs.hpp>
#include <string>

#include "detector/eyes/irises.h"
#include "detector/runtime/model_store.h"
#include "tests/support/eye_accuracy.h"
#include "tests/support/face_transforms.h"

namespace test {

// The detector's tests on the four marked photos of tests/data/faces: an eye locator with
// the landmark model, and the photos with their marked pupils.
class MarkedFacesTest : public ::testing::Test {
 protected:
  static inline const std::filesystem::path kFaces = std::filesystem::path(GLIMMO2_TEST_DATA) / "faces";

  void SetUp() override {
    std::string error;
    auto model = irisdet::LoadFaceModel(&error);
    ASSERT_TRUE(model) << error;
    locator = std::make_unique<irisdet::FaceLocator>(model);
  }
  irisdet::MarkedFrame Photo(const std::string& file) const {
    return {cv::imread((kFaces / file).string()), truth.at(file)};
  }

  const irisdet::Truth truth = irisdet::ReadTruth((kFaces / "truth.csv").string());
  std::unique_ptr<irisdet::FaceLocator> locator;
};

}  // namespace test
