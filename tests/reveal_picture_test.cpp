#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QPixmap>
#include <QtEndian>
#include <vector>

#include "game/reveal.h"
#include "video/Showpic.h"
#include "video/reveal_picture.h"

namespace {

// An 8-bit indexed BMP, stored bottom-up (or top-down); pixel (x, y) counted from the
// top holds index(x, y).
QByteArray IndexedBmp(int w, int h, const std::vector<QRgb>& palette, int (*index)(int, int, int, int),
                      bool topDown = false) {
  const int stride = (w + 3) & ~3;
  QByteArray pixels(stride * h, '\0');
  for (int row = 0; row < h; ++row) {
    const int y = topDown ? row : h - 1 - row;
    for (int x = 0; x < w; ++x) pixels[row * stride + x] = static_cast<char>(index(x, y, w, h));
  }
  QByteArray table;
  for (QRgb c : palette) {
    const char entry[4] = {char(qBlue(c)), char(qGreen(c)), char(qRed(c)), 0};
    table += QByteArray(entry, 4);
  }
  const int offset = 14 + 40 + table.size();
  QByteArray bmp(offset, '\0');
  bmp[0] = 'B';
  bmp[1] = 'M';
  qToLittleEndian<quint32>(offset + pixels.size(), bmp.data() + 2);
  qToLittleEndian<quint32>(offset, bmp.data() + 10);
  qToLittleEndian<quint32>(40, bmp.data() + 14);
  qToLittleEndian<qint32>(w, bmp.data() + 18);
  qToLittleEndian<qint32>(topDown ? -h : h, bmp.data() + 22);
  qToLittleEndian<quint16>(1, bmp.data() + 26);
  qToLittleEndian<quint16>(8, bmp.data() + 28);
  qToLittleEndian<quint32>(palette.size(), bmp.data() + 46);
  bmp.replace(54, table.size(), table);
  return bmp + pixels;
}

QString Write(const QString& name, const QByteArray& bytes) {
  const QString path = QDir::temp().filePath(name);
  QFile file(path);
  file.open(QIODevice::WriteOnly);
  file.write(bytes);
  return path;
}

const QRgb kRed = qRgb(255, 0, 0), kBlue = qRgb(0, 0, 255), kWindow = qRgb(10, 200, 30);

TEST(RevealPictureTest, TheFirstStoredPixelsColourBecomesTheWindow) {
  // Index 1 at the bottom-left: the first pixel of a bottom-up file.
  const auto corner = [](int x, int y, int, int h) { return x == 0 && y == h - 1 ? 1 : x == 3 ? 1 : 0; };
  const QImage image =
      video::LoadRevealPicture(Write("bottomup.bmp", IndexedBmp(8, 6, {kRed, kBlue}, corner)), kWindow);
  EXPECT_EQ(image.pixel(0, 5), kWindow);
  EXPECT_EQ(image.pixel(3, 0), kWindow);  // every pixel of that entry
  EXPECT_EQ(image.pixel(1, 1), kRed);
  // Stored top row first, the first pixel is the top-left one.
  const auto topLeft = [](int x, int y, int, int) { return x == 0 && y == 0 ? 1 : 0; };
  const QImage topDown =
      video::LoadRevealPicture(Write("topdown.bmp", IndexedBmp(8, 6, {kRed, kBlue}, topLeft, true)), kWindow);
  EXPECT_EQ(topDown.pixel(0, 0), kWindow);
  EXPECT_EQ(topDown.pixel(0, 5), kRed);
}

TEST(RevealPictureTest, OneBitPicturesGetTheSameTransparency) {
  QImage mono(9, 5, QImage::Format_Mono);
  mono.setColorTable({kRed, kBlue});
  mono.fill(0);
  mono.setPixel(0, 4, 1);  // bottom-left: the first pixel a bottom-up file stores
  mono.setPixel(5, 1, 1);
  const QString path = QDir::temp().filePath(QStringLiteral("glimmo2-mono-%1.bmp").arg(::getpid()));
  ASSERT_TRUE(mono.save(path, "BMP"));
  const QImage image = video::LoadRevealPicture(path, kWindow);
  QFile::remove(path);
  EXPECT_EQ(image.pixel(0, 4), kWindow);
  EXPECT_EQ(image.pixel(5, 1), kWindow);
  EXPECT_EQ(image.pixel(2, 2), kRed);
}

TEST(RevealPictureTest, MissingEmptyOrNotAPictureGivesNothing) {
  EXPECT_TRUE(video::LoadRevealPicture(QDir::temp().filePath("no-such-dibuix.bmp"), kWindow).isNull());
  EXPECT_TRUE(video::LoadRevealPicture(Write("empty.bmp", {}), kWindow).isNull());
  EXPECT_TRUE(video::LoadRevealPicture(Write("text.bmp", "not a bitmap at all"), kWindow).isNull());
  const QByteArray whole = IndexedBmp(40, 40, {kRed, kBlue}, [](int, int, int, int) { return 0; });
  EXPECT_TRUE(video::LoadRevealPicture(Write("truncated.bmp", whole.left(60)), kWindow).isNull());
}

TEST(RevealPictureTest, NoFileAndBombsGiveNothingAtOnce) {
  const QString fifo = QDir::temp().filePath(QStringLiteral("glimmo2-fifo-%1.bmp").arg(::getpid()));
  ASSERT_EQ(::mkfifo(fifo.toLocal8Bit().constData(), 0600), 0);
  EXPECT_TRUE(video::LoadRevealPicture(fifo, kWindow).isNull());  // it waited for a writer for good
  QFile::remove(fifo);
  EXPECT_TRUE(video::LoadRevealPicture(QStringLiteral("/dev/zero"), kWindow).isNull());
  // A few kilobytes that claim 32000 x 32000 pixels.
  QByteArray bomb = IndexedBmp(8, 8, {kRed, kBlue}, [](int, int, int, int) { return 0; });
  qToLittleEndian<qint32>(32000, bomb.data() + 18);
  qToLittleEndian<qint32>(32000, bomb.data() + 22);
  EXPECT_TRUE(video::LoadRevealPicture(Write("bomb.bmp", bomb), kWindow).isNull());
  const QByteArray fine = IndexedBmp(120, 120, {kRed, kBlue}, [](int, int, int, int) { return 0; });
  EXPECT_EQ(video::LoadRevealPicture(Write("fine.bmp", fine), kWindow).size(), QSize(120, 120));
}

// Renders a view 788 x 488 with a picture of w x h red pixels centred on (tx, ty).
QImage RenderReveal(int w, int h, int tx, int ty) {
  CShowpic view;
  view.resize(788, 488);
  QImage picture(w, h, QImage::Format_RGB32);
  picture.fill(kRed);
  const game::PicturePlacement at = game::PlacePicture(tx, ty, w, h);
  view.ShowReveal(picture, QPoint(at.left, at.top));
  return view.grab().toImage();
}

TEST(RevealPictureTest, OddAndEvenSizesAroundTheTarget) {
  const QImage odd = RenderReveal(101, 101, 400, 300);
  EXPECT_EQ(odd.pixel(350, 300), kRed);
  EXPECT_EQ(odd.pixel(450, 300), kRed);
  EXPECT_NE(odd.pixel(349, 300), kRed);
  EXPECT_NE(odd.pixel(451, 300), kRed);
  const QImage even = RenderReveal(100, 100, 400, 300);
  EXPECT_EQ(even.pixel(350, 250), kRed);
  EXPECT_EQ(even.pixel(449, 349), kRed);
  EXPECT_NE(even.pixel(450, 300), kRed);
  EXPECT_NE(even.pixel(400, 350), kRed);
}

TEST(RevealPictureTest, AtTheEdgeOnlyTheInsideShows) {
  const QImage edge = RenderReveal(120, 120, 786, 0);
  EXPECT_EQ(edge.pixel(787, 0), kRed);  // over the edge of the control, clipped at its border
  EXPECT_EQ(edge.pixel(726, 59), kRed);
  EXPECT_NE(edge.pixel(725, 10), kRed);
  EXPECT_NE(edge.pixel(730, 60), kRed);
}

TEST(RevealPictureTest, ANewFrameOrAClearTakesThePictureAway) {
  CShowpic view;
  view.resize(642, 482);
  QImage picture(10, 10, QImage::Format_RGB32);
  picture.fill(kRed);
  view.ShowReveal(picture, QPoint(100, 100));
  EXPECT_EQ(view.grab().toImage().pixel(105, 105), kRed);
  view.ClearReveal();
  EXPECT_NE(view.grab().toImage().pixel(105, 105), kRed);
  view.ShowReveal(picture, QPoint(100, 100));
  view.SetFrame(std::make_shared<video::FramePixels>(video::kFrameBytes));  // black
  EXPECT_EQ(view.grab().toImage().pixel(105, 105), qRgb(0, 0, 0));
}

}  // namespace
