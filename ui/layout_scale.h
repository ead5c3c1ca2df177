#pragma once
#include <QSize>

// How large a dialog's layout of dialog units is drawn on a given screen.
namespace ui {

// The screen's frame around a window (title bar and borders), which the available
// area must leave room for.
inline constexpr int IRISDET_FRAME_WIDTH = 8, IRISDET_FRAME_HEIGHT = 40;

// The factor for a layout of `layout` pixels (at the standard 96 dpi font): enlarged
// with the desktop's font (`fontScale`, its font dpi over 96), as a dialog grows with
// its font; then shrunk, when it would not fit, to the largest size whose window fits
// in `available` (the screen's area for windows, in the same logical pixels).
double LayoutScale(QSize layout, QSize available, double fontScale);

}  // namespace ui
