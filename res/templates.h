#pragma once
#include <cstdint>
#include <span>

// Dialog templates as tables: every control with its id, kind, text or image,
// position and size in dialog units, and its style words as stored.
namespace res {

enum class ControlKind { PushButton, CheckBox, RadioButton, Static, Edit };

namespace style {
inline constexpr std::uint32_t kVisible = 0x10000000;
inline constexpr std::uint32_t kDisabled = 0x08000000;
inline constexpr std::uint32_t kBorder = 0x00800000;
inline constexpr std::uint32_t kGroup = 0x00020000;
inline constexpr std::uint32_t kTabStop = 0x00010000;
inline constexpr std::uint32_t kButtonTypeMask = 0x0000000F;
inline constexpr std::uint32_t kDefPushButton = 0x00000001;
inline constexpr std::uint32_t kPushLike = 0x00001000;
inline constexpr std::uint32_t kStaticTypeMask = 0x0000001F;
inline constexpr std::uint32_t kStaticCenter = 0x00000001;
inline constexpr std::uint32_t kStaticIcon = 0x00000003;
inline constexpr std::uint32_t kStaticBitmap = 0x0000000E;
inline constexpr std::uint32_t kStaticCenterImage = 0x00000200;
inline constexpr std::uint32_t kExStaticEdge = 0x00020000;
}  // namespace style

struct ControlTemplate {
  int id;  // kNoId for controls without one
  ControlKind kind;
  const char* text;  // UTF-8; empty for images
  int image;         // bitmap or icon id, 0 for none
  int x, y, w, h;    // dialog units
  std::uint32_t style;
  std::uint32_t exStyle;
};

struct DialogTemplate {
  int id;
  const char* caption;
  int w, h;  // dialog units
  std::span<const ControlTemplate> controls;
};

const DialogTemplate& MainDialogTemplate();
const DialogTemplate& AboutDialogTemplate();

// Dialog units to pixels with the dialog font's base units (6 x 13 px), for a layout
// drawn `scale` times its standard size.
int DialogUnitsToPixelsX(int units, double scale = 1.0);
int DialogUnitsToPixelsY(int units, double scale = 1.0);
int MulDiv(int number, int numerator, int denominator);

}  // namespace res
