#include "irisdet.h"

#include "engine.h"

#define IRISDET_EXPORT __attribute__((visibility("default")))

extern "C" {

IRISDET_EXPORT int32_t EyeDetectorStart(int32_t /*reserved*/) { return irisdet::Engine::Instance().Start(); }

IRISDET_EXPORT void EyeDetectorStop(void) { irisdet::Engine::Instance().Stop(); }

IRISDET_EXPORT int32_t EyeDetectorPoll(int16_t* y, int16_t* x) { return irisdet::Engine::Instance().Poll(y, x); }

IRISDET_EXPORT int32_t EyeDetectorLatestFrame(uint8_t* bgr, int32_t bytes) {
  return irisdet::Engine::Instance().LatestFrame(bgr, bytes);
}
}
