#include "platform/wav_check.h"

namespace platform {
namespace {

constexpr int kLowestRate = 4000;
constexpr int kHighestRate = 192000;

std::uint32_t Little(const std::string& b, std::size_t at, int bytes) {
  std::uint32_t v = 0;
  for (int i = bytes - 1; i >= 0; --i) v = v << 8 | static_cast<unsigned char>(b[at + i]);
  return v;
}

struct Format {
  std::uint32_t tag = 0, channels = 0, rate = 0, bits = 0;
  bool Sensible() const {
    const bool plain = tag == 1 || tag == 3 || tag == 0xFFFE;  // integer, float, extensible
    return plain && channels >= 1 && channels <= 8 && rate >= kLowestRate && rate <= kHighestRate &&
           (bits == 8 || bits == 16 || bits == 24 || bits == 32);
  }
};

}  // namespace

bool PlayableWav(const std::string& b) {
  if (b.size() < 12 || b.compare(0, 4, "RIFF") != 0 || b.compare(8, 4, "WAVE") != 0) return false;
  Format format;
  bool haveFormat = false;
  for (std::size_t at = 12; at + 8 <= b.size();) {
    const std::uint64_t size = Little(b, at + 4, 4);
    if (b.compare(at, 4, "fmt ") == 0 && size >= 16 && at + 8 + 16 <= b.size()) {
      format = {Little(b, at + 8, 2), Little(b, at + 10, 2), Little(b, at + 12, 4), Little(b, at + 22, 2)};
      haveFormat = format.Sensible();
      if (!haveFormat) return false;
    } else if (b.compare(at, 4, "data") == 0) {
      if (!haveFormat) return false;
      const std::uint64_t bytesPerSecond = std::uint64_t{format.rate} * format.channels * format.bits / 8;
      return std::min<std::uint64_t>(size, b.size() - at - 8) <= bytesPerSecond * kMaxSoundSeconds;
    }
    at += 8 + size + (size & 1);  // chunks are padded to even sizes
  }
  return false;
}

}  // namespace platform
