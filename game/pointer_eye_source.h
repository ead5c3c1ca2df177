#pragma once
#include <atomic>
#include <condition_variable>
#include <mutex>

#include "game/eye_source.h"
#include "game/geometry.h"

namespace game {

// Plays the game with the mouse when there is no camera: the pointer over the
// picture area, turned back into camera coordinates (flip options included) so
// that the square sits centred under it. The UI thread sets the pointer and starts and
// stops it; the worker polls: the pointer is atomics, and a stop wakes a waiting poll
// through the condition variable.
class PointerEyeSource final : public EyeSource {
 public:
  PointerEyeSource(const PlayfieldRect& playfield, const FlipOptions& flips) : playfield_(playfield), flips_(flips) {}

  // Where the pointer is, in playfield coordinates; from the UI thread.
  void SetPointer(std::int32_t x, std::int32_t y, bool overPlayfield);

  std::int32_t Start() override;
  void Stop() override;
  std::int32_t Poll(CameraPoint& sample) override;  // about 30 samples a second

  // The camera point whose gaze lands the square's centre on (x, y).
  static CameraPoint ToCamera(std::int32_t x, std::int32_t y, const PlayfieldRect& playfield, const FlipOptions& flips);

 private:
  void WakePolls();

  const PlayfieldRect& playfield_;
  const FlipOptions& flips_;
  std::atomic<std::int32_t> x_{0}, y_{0};
  std::atomic<bool> over_{false};
  std::mutex mutex_;
  std::condition_variable wake_;
  std::uint64_t run_ = 0;  // bumped at every start and stop
};

}  // namespace game
