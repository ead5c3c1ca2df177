#include <gtest/gtest.h>

#include <unistd.h>
#include <QImage>
#include <QTest>
#include <cstdlib>
#include <filesystem>

#include "res/resource_ids.h"
#include "tests/qt_wait.h"
#include "ui/glimmo2Dlg.h"
#include "ui/template_builder.h"
#include "video/Showpic.h"

namespace {

namespace fs = std::filesystem;

// Each source is an image sequence of one marked picture: its top-left pixel red,
// its bottom-right pixel green, the rest one colour of the test's choosing.
class CapturaTest : public ::testing::Test {
 protected:
  void SetUp() override {
    folder = fs::temp_directory_path() / ("glimmo2-captura-" + std::to_string(::getpid()));
    fs::create_directories(folder);
    dialog.show();
    picture = qobject_cast<CShowpic*>(ui::FindControl(dialog, res::kPicture));
  }
  void TearDown() override { fs::remove_all(folder); }

  void UseSource(const char* name, QRgb fill, QSize size = {640, 480}) {
    QImage image(size, QImage::Format_RGB32);
    image.fill(fill);
    image.setPixel(0, 0, qRgb(255, 0, 0));
    image.setPixel(size.width() - 1, size.height() - 1, qRgb(0, 255, 0));
    fs::create_directories(folder / name);
    image.save(QString::fromStdString((folder / name / "0000.png").string()));
    setenv("IRISDET_SOURCE", (folder / name / "%04d.png").c_str(), 1);
  }
  void ClickCaptura() { QTest::mouseClick(ui::FindControl(dialog, res::kCaptura), Qt::LeftButton); }
  QImage Shown() { return picture->grab().toImage().convertToFormat(QImage::Format_RGB32); }

  fs::path folder;
  CGlimmo2Dlg dialog;
  CShowpic* picture = nullptr;
};

TEST_F(CapturaTest, ShowsTheFrameUprightAndMirrored) {
  UseSource("a", qRgb(0, 0, 200));
  ClickCaptura();
  const QImage shown = Shown();                     // the client area is 786 x 486, inside a 1 px edge
  EXPECT_EQ(shown.pixel(786, 1), qRgb(255, 0, 0));  // the frame's top-left lands top-right
  EXPECT_EQ(shown.pixel(1, 486), qRgb(0, 255, 0));  // its bottom-right lands bottom-left
  EXPECT_EQ(shown.pixel(400, 240), qRgb(0, 0, 200));
}

TEST_F(CapturaTest, TheSecondClickLeavesTheSecondFrame) {
  UseSource("a", qRgb(0, 0, 200));
  ClickCaptura();
  UseSource("b", qRgb(200, 200, 0));
  ClickCaptura();
  EXPECT_EQ(Shown().pixel(400, 240), qRgb(200, 200, 0));
}

TEST_F(CapturaTest, AnotherSizeIsScaledToTheFrame) {
  UseSource("small", qRgb(0, 120, 0), {320, 240});
  ClickCaptura();
  const QImage shown = Shown();
  EXPECT_EQ(shown.pixel(400, 240), qRgb(0, 120, 0));
  EXPECT_NE(shown.pixel(786, 1), qRgb(0, 120, 0));  // the red corner, smoothed but there
}

TEST_F(CapturaTest, NoCameraSaysSoAndLeavesThePicture) {
  UseSource("a", qRgb(0, 0, 200));
  ClickCaptura();
  setenv("IRISDET_SOURCE", (folder / "missing" / "%04d.png").c_str(), 1);
  QString title, text;
  test::CloseNextMessageBox(dialog, &title, &text);
  ClickCaptura();
  EXPECT_EQ(text, "No s'ha pogut obrir la càmera.");
  EXPECT_EQ(title, "glimmo2");
  EXPECT_EQ(Shown().pixel(400, 240), qRgb(0, 0, 200));
}

}  // namespace
