#pragma once
#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "detector/runtime/settings.h"

// The landmark model: where it lies, whether its file can be used, and reading it. It
// is read once a run, in the background: neither a start nor a stop waits for it.
namespace irisdet {

class FaceModel;

// Why the model file at `path` cannot be used (Catalan, for the player); empty when it is
// a regular file of a sensible size. Its content is checked when it is read.
std::string ModelFileTrouble(const std::string& path);

// Reads a landmark model from `path`: a regular file of bounded size holding a
// 68-point model, with the neural face finder's models when `neuralFolder` has them.
// Null, with the reason for the player in *error, otherwise.
std::shared_ptr<const FaceModel> ReadFaceModel(const std::string& path, std::string* error,
                                               const std::string& neuralFolder = NeuralModelFolder());

// The one model of the run, and the one read under way, on a thread of its own that is
// joined before the store goes (a read of a bounded regular file always ends).
class ModelStore {
 public:
  static ModelStore& Instance();
  ~ModelStore();
  ModelStore(const ModelStore&) = delete;
  ModelStore& operator=(const ModelStore&) = delete;

  // The model of `path` once it is read. Until then null with *error left empty, and a
  // read started in the background. Null with the reason in *error when it cannot be
  // read; asked once more, it is read again (the file may have been mended).
  std::shared_ptr<const FaceModel> Ready(const std::string& path, std::string* error);
  // Waits for the model of `path`, read once and shared.
  std::shared_ptr<const FaceModel> Wait(const std::string& path, std::string* error);

 private:
  ModelStore() = default;
  bool Settled(const std::string& path, std::string* error);
  void StartReading(const std::string& path);

  std::mutex mutex_;  // guards everything below
  std::condition_variable done_;
  std::thread reader_;
  bool reading_ = false, toldFailure_ = false;
  std::string readFrom_, failure_;
  std::shared_ptr<const FaceModel> model_;
};

// The model the environment chooses (detector/settings.h), waited for: for the probes, the tests and the background
// preload, which have nothing else to do meanwhile.
std::shared_ptr<const FaceModel> LoadFaceModel(std::string* error);

}  // namespace irisdet
