// The library the game links: light, so that the program starts at once. Its inside
// (OpenCV, dlib and their many libraries) is loaded from libirisdet-core.so beside it
// at the first start, or ahead of time by EyeDetectorPreload.
#include "irisdet.h"

#include <dlfcn.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <iostream>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "detector/abi/core_api.h"
#include "detector/runtime/environment.h"
#include "detector/source/camera_list.h"

#define IRISDET_EXPORT __attribute__((visibility("default")))

namespace {

std::mutex loading;
std::atomic<const IrisdetCoreApi*> loaded{nullptr};
std::atomic<bool> coreMissing{false};
std::atomic<int32_t> chosenTracking{-1};  // chosen before the inside was loaded
std::mutex choosing;                      // a choice never waits for the inside to load
std::string chosenCamera;                 // under `choosing`; empty: the first colour camera

// The folder of this library, where its inside lies.
std::string OwnFolder() {
  Dl_info info{};
  if (!dladdr(reinterpret_cast<void*>(&EyeDetectorStart), &info) || !info.dli_fname) return ".";
  const std::string path = info.dli_fname;
  const auto slash = path.rfind('/');
  return slash == std::string::npos ? "." : path.substr(0, slash);
}

// The inside built for processors with AVX2 where this one has it and that build is
// there (its face search is about a quarter faster); the base build otherwise.
std::string CorePath(const std::string& folder) {
#if defined(__x86_64__)
  std::string vectorised = folder + "/avx2/libirisdet-core.so";
  if (__builtin_cpu_supports("avx2") && __builtin_cpu_supports("bmi") && __builtin_cpu_supports("bmi2") &&
      access(vectorised.c_str(), F_OK) == 0)
    return vectorised;
#endif
  return folder + "/libirisdet-core.so";
}

const IrisdetCoreApi* Core() {
  std::lock_guard lock(loading);
  if (const IrisdetCoreApi* api = loaded) return api;
  const std::string path = CorePath(OwnFolder());
  void* module = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  auto entry = module ? reinterpret_cast<IrisdetCoreEntry>(dlsym(module, IRISDET_CORE_ENTRY)) : nullptr;
  if (!entry) {
    std::cerr << "irisdet: cannot load " << path << ": " << dlerror() << '\n';
    coreMissing = true;
    return nullptr;
  }
  const IrisdetCoreApi* api = entry();
  if (const int32_t mode = chosenTracking; mode >= 0) api->setTracking(mode);
  std::lock_guard chosen(choosing);  // no choice made in between is missed
  api->chooseCamera(chosenCamera.c_str());
  loaded = api;
  return api;
}

// Loads the inside off the caller's thread; joined before the library goes away.
struct Preloader {
  std::thread thread;
  ~Preloader() {
    if (thread.joinable()) thread.join();
  }
} preloader;

}  // namespace

extern "C" {

IRISDET_EXPORT void EyeDetectorPreload(void) {
  std::lock_guard lock(loading);
  if (loaded || preloader.thread.joinable()) return;
  preloader.thread = std::thread([] {
    if (const IrisdetCoreApi* core = Core()) core->loadModel();
  });
}

IRISDET_EXPORT int32_t EyeDetectorStart(int32_t /*reserved*/) {
  const IrisdetCoreApi* core = Core();
  return core ? core->start() : IRISDET_NO_CORE;
}

IRISDET_EXPORT void EyeDetectorStop(void) {
  if (const IrisdetCoreApi* core = loaded) core->stop();  // never started: nothing to stop
}

IRISDET_EXPORT int32_t EyeDetectorPoll(int16_t* y, int16_t* x) {
  if (const IrisdetCoreApi* core = loaded) return core->poll(y, x);
  std::this_thread::sleep_for(std::chrono::milliseconds(100));  // never started: no eye, and no spinning
  return 0;
}

IRISDET_EXPORT int32_t EyeDetectorLatestFrame(uint8_t* bgr, int32_t bytes) {
  const IrisdetCoreApi* core = loaded;
  return core ? core->latestFrame(bgr, bytes) : 0;
}

IRISDET_EXPORT int32_t EyeDetectorSourceState(void) {
  const IrisdetCoreApi* core = loaded;
  return core ? core->sourceState() : IRISDET_SOURCE_STOPPED;
}

IRISDET_EXPORT int32_t EyeDetectorListCameras(IrisdetCamera* cameras, int32_t most) {
  const std::vector<irisdet::Camera> found = irisdet::ListCameras();
  for (std::size_t i = 0; cameras && i < found.size() && i < static_cast<std::size_t>(std::max(most, 0)); ++i) {
    IrisdetCamera& c = cameras[i];
    std::snprintf(c.device, sizeof c.device, "%s", found[i].node.c_str());
    std::snprintf(c.name, sizeof c.name, "%s", found[i].name.c_str());
    c.greyOnly = found[i].greyOnly ? 1 : 0;
  }
  return static_cast<int32_t>(found.size());
}

IRISDET_EXPORT void EyeDetectorChooseCamera(const char* device) {
  std::string chosen = device ? device : "";
  const IrisdetCoreApi* core = nullptr;
  {
    std::lock_guard lock(choosing);  // never loads the inside: it takes the choice when it loads
    chosenCamera = chosen;
    core = loaded;
  }
  if (core) core->chooseCamera(chosen.c_str());
}

IRISDET_EXPORT int32_t EyeDetectorWatchedSource(char* text, int32_t bytes) {
  std::string watched;
  int32_t kind = IRISDET_CAMERA_DEFAULT;
  if (const char* source = SourceChosenByEnvironment()) {
    watched = source, kind = IRISDET_CAMERA_FROM_ENVIRONMENT;
  } else {
    std::lock_guard lock(choosing);
    watched = chosenCamera;
    if (!watched.empty()) kind = IRISDET_CAMERA_CHOSEN;
  }
  if (text && bytes > 0) std::snprintf(text, static_cast<std::size_t>(bytes), "%s", watched.c_str());
  return kind;
}

IRISDET_EXPORT int32_t EyeDetectorLastError(char* text, int32_t bytes) {
  if (const IrisdetCoreApi* core = loaded) return core->lastError(text, bytes);
  if (!coreMissing) return 0;
  static constexpr char kNoCore[] = "No es pot carregar el detector d'ulls (libirisdet-core.so).";
  if (text && bytes > 0) std::snprintf(text, static_cast<std::size_t>(bytes), "%s", kNoCore);
  return static_cast<int32_t>(sizeof kNoCore - 1);
}

IRISDET_EXPORT void EyeDetectorSetTracking(int32_t mode) {
  std::lock_guard lock(loading);  // never loads the inside: it takes the choice when it loads
  chosenTracking = mode;
  if (const IrisdetCoreApi* core = loaded) core->setTracking(mode);
}

IRISDET_EXPORT int32_t EyeDetectorTracking(void) {
  const int32_t mode = chosenTracking;
  return mode >= 0 ? mode : TrackingChosenByEnvironment();
}

IRISDET_EXPORT void EyeDetectorRecentre(void) {
  if (const IrisdetCoreApi* core = loaded) core->recentre();
}

IRISDET_EXPORT void EyeDetectorGazeLookAt(int16_t x, int16_t y) {
  if (const IrisdetCoreApi* core = loaded) core->gazeLookAt(x, y);  // never started: nothing to calibrate
}

IRISDET_EXPORT int32_t EyeDetectorGazeLookEnd(int32_t use) {
  const IrisdetCoreApi* core = loaded;
  return core ? core->gazeLookEnd(use) : 0;
}

IRISDET_EXPORT int32_t EyeDetectorGazeCalibrate(int32_t apply) {
  const IrisdetCoreApi* core = loaded;
  return core ? core->gazeCalibrate(apply) : 0;
}

IRISDET_EXPORT void* EyeDetectorCaptureOpen(void) {
  const IrisdetCoreApi* core = Core();
  return core ? core->captureOpen() : nullptr;
}

IRISDET_EXPORT int32_t EyeDetectorCaptureGrab(void* capture, uint8_t* bgr, int32_t bytes) {
  const IrisdetCoreApi* core = loaded;
  return core && capture ? core->captureGrab(capture, bgr, bytes) : 0;
}

IRISDET_EXPORT void EyeDetectorCaptureClose(void* capture) {
  if (const IrisdetCoreApi* core = loaded; core && capture) core->captureClose(capture);
}
}
