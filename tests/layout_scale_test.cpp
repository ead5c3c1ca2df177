#include <gtest/gtest.h>

#include "ui/layout_scale.h"

namespace {

// The main window's layout: 525 x 329 dialog units, 788 x 535 px at 96 dpi.
const QSize kMainLayout(788, 535);

TEST(LayoutScaleTest, AScreenWithRoomKeepsTheStandardSizeOrTheDesktopsLargerFont) {
  EXPECT_DOUBLE_EQ(ui::LayoutScale(kMainLayout, QSize(1920, 1050), 1.0), 1.0);
  EXPECT_DOUBLE_EQ(ui::LayoutScale(kMainLayout, QSize(800, 600), 1.0), 1.0);    // the test screen
  EXPECT_DOUBLE_EQ(ui::LayoutScale(kMainLayout, QSize(2560, 1400), 1.5), 1.5);  // a 144 dpi font
}

TEST(LayoutScaleTest, A1280x800ScreenAt150Or200PercentGetsTheWholeWindow) {
  // QT_SCALE_FACTOR divides the screen: 1280 x 800 at 150 % is 853 x 533 logical
  // pixels, less a 24 px panel; at 200 %, 640 x 400 less 12.
  for (const QSize available : {QSize(853, 509), QSize(640, 388)}) {
    const double scale = ui::LayoutScale(kMainLayout, available, 1.0);
    EXPECT_LT(scale, 1.0);
    EXPECT_LE(kMainLayout.width() * scale + ui::IRISDET_FRAME_WIDTH, available.width() + 0.5) << available.width();
    EXPECT_LE(kMainLayout.height() * scale + ui::IRISDET_FRAME_HEIGHT, available.height() + 0.5) << available.height();
    EXPECT_GT(kMainLayout.height() * scale + ui::IRISDET_FRAME_HEIGHT,
              available.height() - 2.0);  // no smaller than needed
  }
  // A 144 dpi font on a 1280 x 800 screen: enlarged, but only as far as it fits.
  const double scale = ui::LayoutScale(kMainLayout, QSize(1280, 776), 1.5);
  EXPECT_GT(scale, 1.0);
  EXPECT_LE(kMainLayout.height() * scale + ui::IRISDET_FRAME_HEIGHT, 776.5);
}

}  // namespace
