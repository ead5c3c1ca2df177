#include <gtest/gtest.h>

#include <QMessageBox>
#include <QRadioButton>
#include <QTest>
#include <QTimer>
#include <cstdlib>

#include "app/AboutDlg.h"
#include "res/resource_ids.h"
#include "tests/qt_wait.h"
#include "ui/glimmo2Dlg.h"
#include "ui/template_builder.h"

namespace {

// What a dialog asks of the window manager: a title, a close box, nothing to
// minimise, maximise or resize.
void ExpectDialogRules(QWidget& window) {
  SCOPED_TRACE(window.metaObject()->className());
  const Qt::WindowFlags flags = window.windowFlags();
  EXPECT_EQ(flags & Qt::WindowType_Mask, Qt::Dialog);
  EXPECT_FALSE(flags & Qt::WindowMinimizeButtonHint);
  EXPECT_FALSE(flags & Qt::WindowMaximizeButtonHint);
  EXPECT_TRUE(flags & Qt::WindowCloseButtonHint || !(flags & Qt::CustomizeWindowHint));
  window.adjustSize();
  EXPECT_EQ(window.minimumSize(), window.maximumSize());  // not resizable
}

TEST(WindowRulesTest, MainWindowAboutBoxAndMessageBoxesAreFixedDialogs) {
  CGlimmo2Dlg dialog;
  dialog.show();
  ExpectDialogRules(dialog);
  CAboutDlg about(&dialog);
  about.show();
  ExpectDialogRules(about);
  about.hide();
  bool checked = false;
  QTimer::singleShot(0, [&] {
    test::WaitUntil([] { return qobject_cast<QMessageBox*>(QApplication::activeModalWidget()); });
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    ExpectDialogRules(*box);
    checked = true;
    box->accept();
  });
  // The game's own message box: "Captura" with no camera to open.
  setenv("IRISDET_SOURCE", "/nonexistent/camera.avi", 1);
  QTest::mouseClick(ui::FindControl(dialog, res::kCaptura), Qt::LeftButton);
  unsetenv("IRISDET_SOURCE");
  EXPECT_TRUE(checked);
}

TEST(WindowRulesTest, TheFeedbackGroupIsOneTabStopSwitchedWithArrowsAndShowsItsFocus) {
  CGlimmo2Dlg dialog;
  dialog.show();
  QApplication::setActiveWindow(&dialog);
  auto* spoken = qobject_cast<QRadioButton*>(ui::FindControl(dialog, res::kDretaEsquerra));
  auto* beep = qobject_cast<QRadioButton*>(ui::FindControl(dialog, res::kDetector));
  // Tab reaches the group once, at its checked button.
  const auto tabStops = [&] {
    QList<QWidget*> stops;
    ui::FindControl(dialog, res::kActiva)->setFocus();
    for (int i = 0; i < 10; ++i) {
      QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
      stops << QApplication::focusWidget();
    }
    return stops;
  };
  QList<QWidget*> stops = tabStops();
  EXPECT_TRUE(stops.contains(spoken));
  EXPECT_FALSE(stops.contains(beep));
  // The arrow keys move within the group and choose the mode.
  spoken->setFocus();
  const QImage unfocused = beep->grab().toImage();
  QTest::keyClick(spoken, Qt::Key_Down);
  EXPECT_TRUE(beep->hasFocus());
  EXPECT_TRUE(beep->isChecked());
  EXPECT_EQ(dialog.Controller().Session().Feedback(), game::FeedbackMode::kBeep);
  EXPECT_NE(beep->grab().toImage(), unfocused);  // a visible focus mark
  stops = tabStops();
  EXPECT_TRUE(stops.contains(beep));
  EXPECT_FALSE(stops.contains(spoken));
  beep->setFocus();
  QTest::keyClick(beep, Qt::Key_Up);
  EXPECT_TRUE(spoken->isChecked());
  EXPECT_EQ(dialog.Controller().Session().Feedback(), game::FeedbackMode::kSpoken);
}

}  // namespace
