#include "ui/layout_scale.h"

#include <algorithm>

namespace ui {

double LayoutScale(QSize layout, QSize available, double fontScale) {
  const double scale = std::max(fontScale, 0.1);
  if (layout.isEmpty() || available.isEmpty()) return scale;
  const double fitWidth = static_cast<double>(available.width() - IRISDET_FRAME_WIDTH) / layout.width();
  const double fitHeight = static_cast<double>(available.height() - IRISDET_FRAME_HEIGHT) / layout.height();
  return std::clamp(std::min(fitWidth, fitHeight), 0.1, scale);
}

}  // namespace ui
