#include "platform/wav_check.h"

#include <SDL.h>

namespace platform {

std::optional<DecodedSound> DecodeWav(const std::string& bytes) {
  if (bytes.size() > static_cast<std::size_t>(kMaxSoundFileBytes)) return std::nullopt;
  SDL_AudioSpec decoded{};
  Uint8* samples = nullptr;
  Uint32 length = 0;
  // Decodes to plain samples at the file's own rate: never more than a few times the
  // file's bounded size, before anything is resampled.
  if (!SDL_LoadWAV_RW(SDL_RWFromConstMem(bytes.data(), static_cast<int>(bytes.size())), 1, &decoded, &samples, &length))
    return std::nullopt;
  SDL_FreeWAV(samples);
  const int frameBytes = decoded.channels * static_cast<int>(SDL_AUDIO_BITSIZE(decoded.format)) / 8;
  if (decoded.freq <= 0 || frameBytes <= 0) return std::nullopt;
  return DecodedSound{decoded.freq, decoded.channels, static_cast<double>(length) / frameBytes / decoded.freq};
}

bool PlayableWav(const std::string& bytes) {
  const std::optional<DecodedSound> sound = DecodeWav(bytes);
  return sound && sound->rate >= kLowestSoundRate && sound->rate <= kHighestSoundRate && sound->channels >= 1 &&
         sound->channels <= kMostSoundChannels && sound->seconds > 0 && sound->seconds <= kMaxSoundSeconds;
}

}  // namespace platform
