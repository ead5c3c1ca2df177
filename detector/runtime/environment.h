#pragma once
#include <cstdlib>
#include <cstring>

#include "irisdet.h"

// What the environment chooses for the detector, read in this header only (the
// library's thin part and its inside both read it).

// The tracking the environment chooses (IRISDET_TRACKING "eyes" or "gaze", or comfortable
// by default): the one rule, for the library's thin part and its inside alike.
inline IrisdetTracking TrackingChosenByEnvironment() {
  const char* chosen = std::getenv("IRISDET_TRACKING");
  if (chosen && std::strcmp(chosen, "eyes") == 0) return IRISDET_TRACKING_EYES;
  if (chosen && std::strcmp(chosen, "gaze") == 0) return IRISDET_TRACKING_GAZE;
  return IRISDET_TRACKING_COMFORT;
}

// The source IRISDET_SOURCE chooses over the player's camera, or null: the one rule, for
// the library's thin part and its inside alike.
inline const char* SourceChosenByEnvironment() { return std::getenv("IRISDET_SOURCE"); }
