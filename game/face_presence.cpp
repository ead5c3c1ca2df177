#include "game/face_presence.h"

namespace game {

std::int32_t FacePresence::Start() {
  lastEyeTick_ = clock_.TickCount();  // a new game gives the player a moment
  return detector_.Start();
}

std::int32_t FacePresence::Poll(CameraPoint& sample) {
  const std::int32_t found = detector_.Poll(sample);
  if (found) lastEyeTick_ = clock_.TickCount();
  return found;
}

bool FacePresence::FaceMissing() { return clock_.TickCount() - lastEyeTick_ > kMissingAfterMs; }

}  // namespace game
