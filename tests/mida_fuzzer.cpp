// Random text typed into "Mida": the reading must match the dialog's rule, and every
// tolerance it gives must sort distances into the bands without undefined behaviour.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "game/geometry.h"
#include "platform/dialog_int.h"

namespace {

// The rule written the slow way: blanks, a sign, digits; outside 32 bits reads 0.
std::int32_t Reference(std::string_view text) {
  std::size_t i = text.find_first_not_of(" \t");
  if (i == std::string_view::npos) return 0;
  const bool negative = text[i] == '-';
  if (text[i] == '-' || text[i] == '+') ++i;
  __int128 value = 0;
  std::size_t digits = 0;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i, ++digits)
    if (value < (__int128{1} << 40)) value = value * 10 + (text[i] - '0');
  if (negative) value = -value;
  if (digits == 0 || value > INT32_MAX || value < INT32_MIN) return 0;
  return static_cast<std::int32_t>(value);
}

game::ProximityBand Expected(std::int64_t d, std::int64_t s) {
  if (d < s) return game::ProximityBand::Green;
  if (d < 3 * s) return game::ProximityBand::Red;
  if (d < 5 * s) return game::ProximityBand::Orange;
  if (d < 13 * s) return game::ProximityBand::LightBlue;
  return game::ProximityBand::Blue;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const std::int32_t s = platform::ReadDialogInt(text);
  if (s != Reference(text)) std::abort();
  const std::int64_t wide = s;
  for (const std::int64_t d : {wide, wide - 1, wide + 1, 3 * wide, 5 * wide - 1, 13 * wide, std::int64_t{0},
                               std::int64_t{259}, std::int64_t{INT32_MAX}}) {
    if (d < 0 || d > INT32_MAX) continue;  // a distance is never negative
    const game::ProximityBand band = game::ClassifyBand(static_cast<std::int32_t>(d), s);
    if (band != Expected(d, s)) std::abort();
    if (s <= 0 && band != game::ProximityBand::Blue) std::abort();  // no find without a tolerance
    if (game::IsNear(static_cast<std::int32_t>(d), s) != (d < 3 * wide)) std::abort();
  }
  game::InHorizontalWindow(s, s, s);
  return 0;
}
