#pragma once
#include <cstdint>
#include <string_view>

namespace platform {

// The dialog's signed integer reading of a text field: leading blanks, an optional
// sign, then decimal digits up to the first non-digit. No digits, or a value outside
// 32 bits, reads as 0.
std::int32_t ReadDialogInt(std::string_view text);

}  // namespace platform
