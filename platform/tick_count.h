#pragma once
#include <cstdint>

namespace platform {
// Milliseconds of a monotonic clock, as an unsigned 32-bit count that wraps.
std::uint32_t TickCount();
}  // namespace platform
