#pragma once
#include <cstdlib>
#include <cstring>

#include "irisdet.h"

// The tracking the environment chooses (IRISDET_TRACKING "eyes" or "gaze", or comfortable
// by default): the one rule, for the library's thin part and its inside alike.
inline int32_t TrackingChosenByEnvironment() {
  const char* chosen = std::getenv("IRISDET_TRACKING");
  if (chosen && std::strcmp(chosen, "eyes") == 0) return IRISDET_TRACKING_EYES;
  if (chosen && std::strcmp(chosen, "gaze") == 0) return IRISDET_TRACKING_GAZE;
  return IRISDET_TRACKING_COMFORT;
}
