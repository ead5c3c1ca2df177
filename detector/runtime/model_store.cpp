#include "detector/runtime/model_store.h"

#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <iostream>
#include <stdexcept>

#include <opencv2/core.hpp>

#include "detector/face/face_model.h"
#include "detector/face/landmarks.h"
#include "detector/runtime/settings.h"
#include "detector/source/bounded_input.h"

namespace irisdet {
namespace {

constexpr const char* kModelTrouble = "No es pot fer servir el model de cares: ";

// The landmark model, read through a descriptor opened without blocking and checked
// to be a regular file of bounded size, so nothing can be swapped in between.
void ReadModel(const std::string& path, LandmarkModel& landmarks) {
  std::string why;
  const int fd = OpenRegularFile(path, kMaxModelFileBytes, &why);
  if (fd < 0) throw std::runtime_error(why);
  try {
    std::ifstream in("/proc/self/fd/" + std::to_string(fd), std::ios::binary);
    landmarks.Read(in);
  } catch (const std::exception&) {  // the reader's own words are English and technical
    ::close(fd);
    throw std::runtime_error("«" + path + "» està buit, tallat o malmès.");
  }
  ::close(fd);
  if (landmarks.Parts() != kLandmarkCount)
    throw std::runtime_error("«" + path + "» no té els 68 punts de la cara que calen.");
}

// The neural face finder's models, where they are: without them (or with a damaged one,
// told on the detector's error output) the HOG search finds the faces alone.
void ReadNeuralModels(FaceModel& model, const std::string& folder) {
  for (auto [side, slot] : {std::pair{128, &model.nearFaces}, std::pair{256, &model.farFaces}}) {
    std::string why;
    *slot = ReadNeuralModel(folder, side, &why);
    if (!why.empty()) std::cerr << "irisdet: " << why << " Les cares es busquen sense ell.\n";
  }
}

}  // namespace

std::string ModelFileTrouble(const std::string& path) {
  const std::string why = RefuseFile(path, kMaxModelFileBytes);
  return why.empty() ? why : kModelTrouble + why;
}

std::shared_ptr<const FaceModel> ReadFaceModel(const std::string& path, std::string* error,
                                               const std::string& neuralFolder) {
  try {
    LandmarkModel landmarks;
    ReadModel(path, landmarks);  // before the face detector is built: a bad model costs nothing
    auto model = std::make_shared<FaceModel>();
    model->landmarks = std::move(landmarks);
    ReadNeuralModels(*model, neuralFolder);
    return model;
  } catch (const std::exception& e) {
    *error = kModelTrouble + std::string(e.what());
    return nullptr;
  }
}

ModelStore& ModelStore::Instance() {
  // OpenCV makes its thread pool at first use and destroys it at exit, in the reverse order
  // of making: made before the store, it outlives a read of the face finder that exit waits for.
  static const int openCvThreads = cv::getNumThreads();
  static ModelStore store;
  (void)openCvThreads;
  return store;
}

ModelStore::~ModelStore() {
  std::unique_lock lock(mutex_);
  done_.wait(lock, [this] { return !reading_; });
  lock.unlock();
  if (reader_.joinable()) reader_.join();
}

std::shared_ptr<const FaceModel> ModelStore::Ready(const std::string& path, std::string* error) {
  std::lock_guard lock(mutex_);
  return reading_ || !Settled(path, error) ? nullptr : model_;
}

std::shared_ptr<const FaceModel> ModelStore::Wait(const std::string& path, std::string* error) {
  std::unique_lock lock(mutex_);
  done_.wait(lock, [this] { return !reading_; });
  if (Settled(path, error)) return model_;
  done_.wait(lock, [this] { return !reading_; });
  Settled(path, error);
  return model_;
}

// Whether the last read, of `path`, has its answer to give (a failure only once);
// otherwise a read of `path` is started. The mutex held, no read under way.
bool ModelStore::Settled(const std::string& path, std::string* error) {
  if (readFrom_ == path && (model_ || !toldFailure_)) {
    if (!model_) *error = failure_, toldFailure_ = true;
    return true;
  }
  StartReading(path);
  return false;
}

void ModelStore::StartReading(const std::string& path) {  // mutex_ held, no read under way
  if (reader_.joinable()) reader_.join();                 // it has ended: only its thread is left
  reading_ = true, readFrom_ = path, toldFailure_ = false;
  reader_ = std::thread([this, path, neuralFolder = NeuralModelFolder()] {  // the environment read here, not there
    std::string why;
    std::shared_ptr<const FaceModel> model = ReadFaceModel(path, &why, neuralFolder);
    std::lock_guard lock(mutex_);
    model_ = std::move(model), failure_ = std::move(why), reading_ = false;
    done_.notify_all();
  });
}

std::shared_ptr<const FaceModel> LoadFaceModel(std::string* error) {
  return ModelStore::Instance().Wait(SettingsFromEnvironment().modelPath, error);
}

}  // namespace irisdet
