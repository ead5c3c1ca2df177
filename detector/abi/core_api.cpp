#include "detector/abi/core_api.h"

#include <cstring>

#include "detector/runtime/engine.h"
#include "detector/runtime/model_store.h"
#include "detector/runtime/settings.h"
#include "detector/source/frame_source.h"
#include "irisdet.h"

namespace irisdet {
namespace {

void* CaptureOpen() {
  std::string error;
  return OpenSource(Engine::Instance().SettingsNow().source, Pacing::EveryFrame, &error).release();
}

int32_t CaptureGrab(void* capture, uint8_t* bgr, int32_t bytes) {
  cv::Mat frame;
  auto* source = static_cast<FrameSource*>(capture);
  constexpr std::size_t kRowBytes = std::size_t{IRISDET_FRAME_WIDTH} * 3;
  const auto size = static_cast<int32_t>(kRowBytes * IRISDET_FRAME_HEIGHT);
  if (!source || !bgr || bytes < size || !source->Read(frame)) return 0;
  for (int row = 0; row < IRISDET_FRAME_HEIGHT; ++row) std::memcpy(bgr + row * kRowBytes, frame.ptr(row), kRowBytes);
  return 1;
}

void CaptureClose(void* capture) { delete static_cast<FrameSource*>(capture); }

const IrisdetCoreApi kApi{
    [] { return Engine::Instance().Start(); },
    [] { Engine::Instance().Stop(); },
    [](int16_t* y, int16_t* x) { return Engine::Instance().Poll(y, x); },
    [](uint8_t* bgr, int32_t bytes) { return Engine::Instance().LatestFrame(bgr, bytes); },
    [] { return Engine::Instance().SourceState(); },
    [](char* text, int32_t bytes) { return Engine::Instance().LastError(text, bytes); },
    [] {
      std::string error;  // a failure is told by the start that needs the model
      // Starts the read: nobody waits in the store at exit.
      ModelStore::Instance().Ready(SettingsFromEnvironment().modelPath, &error);
    },
    [](int32_t mode) { Engine::Instance().SetTracking(mode); },
    [] { Engine::Instance().Recentre(); },
    CaptureOpen,
    CaptureGrab,
    CaptureClose,
    [](int16_t x, int16_t y) {
      Engine::Instance().Gaze().LookAt({double(x), double(y)});
    },
    [](int32_t use) -> int32_t {
      static_assert(static_cast<int>(LookUse::Find) == IRISDET_LOOK_FIND &&
                    static_cast<int>(LookUse::Drop) == IRISDET_LOOK_DROP);
      const bool known = use >= IRISDET_LOOK_DOT && use <= IRISDET_LOOK_DROP;
      return known && Engine::Instance().Gaze().LookEnd(static_cast<LookUse>(use)) ? 1 : 0;
    },
    [](int32_t apply) -> int32_t { return Engine::Instance().Gaze().Calibrate(apply != 0); },
    [](const char* device) { Engine::Instance().ChooseCamera(device ? device : ""); },
};

}  // namespace
}  // namespace irisdet

extern "C" __attribute__((visibility("default"))) const IrisdetCoreApi* irisdet_core_api(void) {
  return &irisdet::kApi;
}
