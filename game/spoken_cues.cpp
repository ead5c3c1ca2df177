#include "game/spoken_cues.h"

#include <cstdlib>

namespace game {

const char* ChooseSpokenCue(std::int32_t targetX, std::int32_t targetY, const GazePoint& gaze, std::int32_t d,
                            std::int32_t s) {
  const std::int64_t dx = std::int64_t{targetX} - gaze.gazeX;
  const std::int64_t dy = std::int64_t{targetY} - gaze.gazeY;
  const bool near = IsNear(d, s);
  if (InHorizontalWindow(gaze.gazeX, targetX, s)) {
    if (dy > 0) return near ? "mav.wav" : "av.wav";
    if (dy < 0) return near ? "ma.wav" : "a.wav";
    return nullptr;
  }
  if (dx > 0) return near ? "md.wav" : "d.wav";
  if (dx < 0) return near ? "me.wav" : "e.wav";
  return nullptr;
}

bool HoldOffOver(std::uint32_t now, std::uint32_t lastCueTick) {
  const auto elapsed = static_cast<std::int32_t>(now - lastCueTick);
  return std::llabs(elapsed) > 2000;
}

}  // namespace game
