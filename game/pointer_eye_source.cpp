#include "game/pointer_eye_source.h"

#include <chrono>

namespace game {
namespace {
constexpr auto kSamplePeriod = std::chrono::milliseconds(33);
constexpr std::int32_t kSquareCentre = 6;  // the square spans gaze - 10 .. gaze + 22
}  // namespace

void PointerEyeSource::SetPointer(std::int32_t x, std::int32_t y, bool overPlayfield) {
  x_ = x;
  y_ = y;
  over_ = overPlayfield;
}

std::int32_t PointerEyeSource::Start() {
  WakePolls();
  return 0;
}

void PointerEyeSource::Stop() { WakePolls(); }

void PointerEyeSource::WakePolls() {
  {
    std::lock_guard lock(mutex_);
    ++run_;
  }
  wake_.notify_all();
}

std::int32_t PointerEyeSource::Poll(CameraPoint& sample) {
  {
    std::unique_lock lock(mutex_);
    const std::uint64_t run = run_;
    if (wake_.wait_for(lock, kSamplePeriod, [&] { return run_ != run; })) return 0;
  }
  if (!over_) return 0;
  const CameraPoint camera = ToCamera(x_, y_, playfield_, flips_);
  sample = camera;
  return 1;
}

CameraPoint PointerEyeSource::ToCamera(std::int32_t x, std::int32_t y, const PlayfieldRect& playfield,
                                       const FlipOptions& flips) {
  const std::int32_t w = playfield.W() > 0 ? playfield.W() : 1, h = playfield.H() > 0 ? playfield.H() : 1;
  const std::int32_t gx = x - kSquareCentre, gy = y - kSquareCentre;
  const std::int32_t cx = gx * IRISDET_FRAME_WIDTH / w, cy = gy * IRISDET_FRAME_HEIGHT / h;
  return {static_cast<std::int16_t>(flips.FlipHorizontal() ? IRISDET_FRAME_WIDTH - cx : cx),
          static_cast<std::int16_t>(flips.FlipVertical() ? IRISDET_FRAME_HEIGHT - cy : cy)};
}

}  // namespace game
