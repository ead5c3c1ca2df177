#include <gtest/gtest.h>

#include <QMessageBox>
#include <QTimer>

#include "AboutDlg.h"
#include "glimmo2Dlg.h"
#include "qt_wait.h"

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
  QMessageBox box(QMessageBox::Information, QStringLiteral("glimmo2"), QStringLiteral("Hola"), QMessageBox::Ok, &dialog);
  box.exec();
  EXPECT_TRUE(checked);
}

}  // namespace
