#pragma once
#include <cstdint>
#include <string>

namespace platform {

inline constexpr std::int64_t kMaxSoundFileBytes = 16ll << 20;
inline constexpr int kMaxSoundSeconds = 30;  // the longest eureka is under 3 s

// True for a RIFF WAVE file of plain samples that the mixer can take without a
// blow-up: a sensible rate and channel count, and at most kMaxSoundSeconds long.
// A few kilobytes that claim a 1 Hz rate would otherwise be resampled into hundreds
// of megabytes.
bool PlayableWav(const std::string& bytes);

}  // namespace platform
