// The landmark model is read in the background: asking for it never waits.
#include <gtest/gtest.h>

#include <filesystem>

#include "detector/face/face_model.h"
#include "detector/runtime/model_store.h"
#include "detector/runtime/settings.h"

namespace {

namespace fs = std::filesystem;

class ModelStoreTest : public ::testing::Test {
 protected:
  void SetUp() override { fs::create_directories(folder); }
  void TearDown() override { fs::remove_all(folder); }
  // A copy of the real model, cut to `share` of its size: a path the store has not read.
  fs::path Copy(const char* name, double share) {
    const fs::path copy = folder / name;
    fs::copy_file(irisdet::SettingsFromEnvironment().modelPath, copy);
    fs::resize_file(copy, static_cast<std::uintmax_t>(static_cast<double>(fs::file_size(copy)) * share));
    return copy;
  }
  const fs::path folder = fs::temp_directory_path() / ("glimmo2-model-" + std::to_string(::getpid()));
};

TEST_F(ModelStoreTest, AskingNeverWaitsTheModelIsThereOnceRead) {
  const std::string path = Copy("model.dat", 1.0).string();
  auto& store = irisdet::ModelStore::Instance();
  std::string error;
  EXPECT_FALSE(store.Ready(path, &error));  // a read of 100 MB has only begun
  EXPECT_EQ(error, "");                     // not yet: no trouble
  const auto model = store.Wait(path, &error);
  ASSERT_TRUE(model) << error;
  EXPECT_EQ(store.Ready(path, &error), model);  // read once, shared
}

TEST_F(ModelStoreTest, ADamagedModelIsToldOnceThenReadAgain) {
  const std::string path = Copy("cut.dat", 0.99).string();
  auto& store = irisdet::ModelStore::Instance();
  std::string error;
  EXPECT_FALSE(store.Ready(path, &error));
  EXPECT_EQ(error, "");
  EXPECT_FALSE(store.Wait(path, &error));
  EXPECT_NE(error.find("tallat o malmès"), std::string::npos) << error;
  error.clear();
  EXPECT_FALSE(store.Ready(path, &error));  // asked again: read again, the file may have been mended
  EXPECT_EQ(error, "");
  EXPECT_FALSE(store.Wait(path, &error));  // it was not
  fs::copy_file(irisdet::SettingsFromEnvironment().modelPath, path, fs::copy_options::overwrite_existing);
  EXPECT_TRUE(store.Wait(path, &error)) << error;  // now it is
}

}  // namespace
