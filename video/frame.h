#pragma once
#include <cstdint>
#include <memory>
#include <vector>

// A camera frame as the frame view shows it: 640x480, blue-green-red, top row first.
namespace video {
inline constexpr int kFrameWidth = 640;
inline constexpr int kFrameHeight = 480;
inline constexpr int kFrameBytesPerLine = kFrameWidth * 3;
inline constexpr std::size_t kFrameBytes = std::size_t{kFrameBytesPerLine} * kFrameHeight;

using FramePixels = std::vector<std::uint8_t>;
using FramePtr = std::shared_ptr<const FramePixels>;
}  // namespace video
