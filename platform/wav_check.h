#pragma once
#include <cstdint>
#include <optional>
#include <string>

namespace platform {

inline constexpr std::int64_t kMaxSoundFileBytes = 16ll << 20;
inline constexpr int kMaxSoundSeconds = 30;                                // the longest eureka is under 3 s
inline constexpr int kLowestSoundRate = 4000, kHighestSoundRate = 192000;  // Hz
inline constexpr int kMostSoundChannels = 8;

// What a WAVE file decodes to, read by the mixer's own decoder (PCM, float, IMA and
// Microsoft ADPCM, mu-law, A-law...): none when it cannot decode it.
struct DecodedSound {
  int rate = 0, channels = 0;
  double seconds = 0;
};
std::optional<DecodedSound> DecodeWav(const std::string& bytes);

// True for a WAVE file the mixer decodes to at most kMaxSoundSeconds of sound, at a
// sensible rate and channel count. A few kilobytes that claim a 1 Hz rate would
// otherwise be resampled into hundreds of megabytes.
bool PlayableWav(const std::string& bytes);

}  // namespace platform
