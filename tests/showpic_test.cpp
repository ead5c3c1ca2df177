#include <gtest/gtest.h>

#include <QImage>
#include <QPixmap>
#include <memory>

#include "video/Showpic.h"

namespace {

// A frame of one colour with three marked pixels.
video::FramePtr MarkedFrame(QRgb fill, QRgb topLeft, QRgb bottomRight) {
  auto pixels = std::make_shared<video::FramePixels>(video::kFrameBytes);
  const auto put = [&](int x, int y, QRgb c) {
    auto* p = pixels->data() + y * video::kFrameBytesPerLine + x * 3;
    p[0] = qBlue(c);
    p[1] = qGreen(c);
    p[2] = qRed(c);
  };
  for (int y = 0; y < IRISDET_FRAME_HEIGHT; ++y)
    for (int x = 0; x < IRISDET_FRAME_WIDTH; ++x) put(x, y, fill);
  put(0, 0, topLeft);
  put(IRISDET_FRAME_WIDTH - 1, IRISDET_FRAME_HEIGHT - 1, bottomRight);
  return pixels;
}

QImage Render(CShowpic& view) { return view.grab().toImage().convertToFormat(QImage::Format_RGB32); }

class ShowpicTest : public ::testing::Test {
 protected:
  void SetUp() override { view.resize(642, 482); }  // a client area of exactly 640 x 480
  CShowpic view;
};

TEST_F(ShowpicTest, FrameIsMirroredLeftToRightNotUpsideDown) {
  view.SetFrame(MarkedFrame(qRgb(0, 0, 255), qRgb(255, 0, 0), qRgb(0, 255, 0)));
  const QImage image = Render(view);
  EXPECT_EQ(image.pixel(1 + 639, 1), qRgb(255, 0, 0));  // top-left lands top-right
  EXPECT_EQ(image.pixel(1, 1 + 479), qRgb(0, 255, 0));  // bottom-right lands bottom-left
  EXPECT_EQ(image.pixel(1, 1), qRgb(0, 0, 255));
  EXPECT_EQ(image.pixel(320, 240), qRgb(0, 0, 255));
}

TEST_F(ShowpicTest, NullAndMisshapenFramesKeepTheOldOne) {
  view.SetFrame(MarkedFrame(qRgb(10, 20, 30), qRgb(10, 20, 30), qRgb(10, 20, 30)));
  view.SetFrame(nullptr);
  view.SetFrame(std::make_shared<video::FramePixels>(100));
  EXPECT_EQ(Render(view).pixel(100, 100), qRgb(10, 20, 30));
}

TEST_F(ShowpicTest, ResizeRestretchesTheSameFrame) {
  view.SetFrame(MarkedFrame(qRgb(0, 0, 255), qRgb(255, 0, 0), qRgb(0, 255, 0)));
  view.resize(1282, 962);  // twice the size: each frame pixel becomes 2 x 2
  const QImage image = Render(view);
  EXPECT_EQ(image.pixel(1 + 1279, 1), qRgb(255, 0, 0));
  EXPECT_EQ(image.pixel(1 + 1278, 2), qRgb(255, 0, 0));
  EXPECT_EQ(image.pixel(1 + 1277, 1), qRgb(0, 0, 255));
  EXPECT_EQ(image.pixel(1, 1 + 959), qRgb(0, 255, 0));
  EXPECT_EQ(image.pixel(2, 1 + 958), qRgb(0, 255, 0));
}

// Without a frame the view draws its sunken edge only: what lies under it shows through.
TEST_F(ShowpicTest, EmptyViewPaintsNothingButItsEdge) {
  QPixmap under(view.size());
  under.fill(QColor(1, 2, 3));
  view.render(&under, QPoint(), QRegion(), QWidget::DrawChildren);  // no background of its own
  const QImage image = under.toImage().convertToFormat(QImage::Format_RGB32);
  EXPECT_EQ(image.pixel(320, 240), qRgb(1, 2, 3));
  EXPECT_NE(image.pixel(0, 240), qRgb(1, 2, 3));
}

}  // namespace
