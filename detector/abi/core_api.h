#pragma once
#include <stdint.h>

// What the detector's inside (libirisdet-core.so, loaded on first use) offers the
// thin libirisdet.so that the game links.
extern "C" {

struct IrisdetCoreApi {
  int32_t (*start)(void);
  void (*stop)(void);
  int32_t (*poll)(int16_t* y, int16_t* x);
  int32_t (*latestFrame)(uint8_t* bgr, int32_t bytes);
  int32_t (*sourceState)(void);
  int32_t (*lastError)(char* text, int32_t bytes);
  void (*loadModel)(void);
  void (*setTracking)(int32_t mode);
  void (*recentre)(void);
  void* (*captureOpen)(void);
  int32_t (*captureGrab)(void* capture, uint8_t* bgr, int32_t bytes);
  void (*captureClose)(void* capture);
  void (*gazeLookAt)(int16_t x, int16_t y);
  int32_t (*gazeLookEnd)(int32_t use);
  int32_t (*gazeCalibrate)(int32_t apply);
  void (*chooseCamera)(const char* device);
};

#define IRISDET_CORE_ENTRY "irisdet_core_api"
typedef const IrisdetCoreApi* (*IrisdetCoreEntry)(void);
}
