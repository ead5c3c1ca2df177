#pragma once
#include <cstdint>

#include "game/geometry.h"

namespace game {

// The direction cue for a gaze, or null when none applies. Inside the horizontal
// window only up or down is said, outside only left or right; "m" is the near form.
const char* ChooseSpokenCue(std::int32_t targetX, std::int32_t targetY, const GazePoint& gaze, std::int32_t d,
                            std::int32_t s);

// The spoken-cue hold-off: over 2000 ms since the last cue, as a signed 32-bit
// difference of the wrapping tick count.
bool HoldOffOver(std::uint32_t now, std::uint32_t lastCueTick);

}  // namespace game
