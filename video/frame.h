#pragma once
#include <cstdint>
#include <memory>
#include <vector>

#include "irisdet.h"

// A camera frame as the frame view shows it: the detector's frame size, blue-green-red, top row first.
namespace video {
inline constexpr int kFrameBytesPerLine = IRISDET_FRAME_WIDTH * 3;
inline constexpr std::size_t kFrameBytes = std::size_t{kFrameBytesPerLine} * IRISDET_FRAME_HEIGHT;

using FramePixels = std::vector<std::uint8_t>;
using FramePtr = std::shared_ptr<const FramePixels>;
}  // namespace video
