#pragma once
#include <cstdlib>
#include <cstring>

#include "irisdet.h"

namespace irisdet {
// Comfortable: the head's movement; eyes: the eyes' own midpoint; gaze: where they look.
enum class Tracking { Comfort = 0, Eyes = 1, Gaze = 2 };
static_assert(static_cast<int>(Tracking::Eyes) == IRISDET_TRACKING_EYES &&
              static_cast<int>(Tracking::Gaze) == IRISDET_TRACKING_GAZE);
}  // namespace irisdet

// The tracking the environment chooses (IRISDET_TRACKING "eyes" or "gaze", or comfortable
// by default): the one rule, for the library's thin part and its inside alike.
inline int32_t TrackingChosenByEnvironment() {
  const char* chosen = std::getenv("IRISDET_TRACKING");
  if (chosen && std::strcmp(chosen, "eyes") == 0) return IRISDET_TRACKING_EYES;
  if (chosen && std::strcmp(chosen, "gaze") == 0) return IRISDET_TRACKING_GAZE;
  return IRISDET_TRACKING_COMFORT;
}

// The source IRISDET_SOURCE chooses over the player's camera, or null: the one rule, for
// the library's thin part and its inside alike.
inline const char* SourceChosenByEnvironment() { return std::getenv("IRISDET_SOURCE"); }
