#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>

#include "app/AboutDlg.h"
#include "res/resource_ids.h"
#include "tests/qt_wait.h"
#include "ui/glimmo2Dlg.h"
#include "ui/template_builder.h"

namespace {

struct Expected {
  int id;
  const char* text;
  QRect geometry;  // pixels
  bool visible;
  bool enabled;
};

// Hand-worked from the dialog units with base units 6 x 13 and half-away rounding.
const Expected kControls[] = {
    {res::kIdCancel, "Sortir", {698, 504, 75, 23}, true, true},
    {res::kPicture, "", {0, 0, 788, 488}, true, true},
    {res::kActiva, "Activa", {386, 504, 75, 23}, true, true},
    {res::kStatus, "", {0, 501, 12, 26}, false, true},
    {res::kSolucio, "Solució", {465, 504, 71, 23}, true, false},
    {res::kIndicator, "", {320, 240, 200, 30}, true, true},
    {res::kCaptura, "Captura", {566, 504, 72, 23}, true, true},
    {res::kBlankPicture, "", {0, 0, 788, 488}, true, true},
    {res::kDretaEsquerra, "Dreta-esquerra", {176, 494, 92, 16}, true, true},
    {res::kDetector, "Detector", {176, 512, 69, 13}, true, true},
    {res::kInvertirVertical, "Invertir Vertical", {273, 494, 93, 16}, true, true},
    {res::kInvertirHoritzontal, "Invertir Horitzontal", {273, 512, 107, 13}, true, true},
    {res::kMida, "20", {119, 505, 41, 21}, true, true},
};

QString TextOf(QWidget* w) {
  if (auto* b = qobject_cast<QAbstractButton*>(w)) return b->text();
  if (auto* l = qobject_cast<QLabel*>(w)) return l->text();
  if (auto* e = qobject_cast<QLineEdit*>(w)) return e->text();
  return {};
}

template <typename T = QWidget>
T* Control(const QWidget& dialog, int id) {
  return qobject_cast<T*>(ui::FindControl(dialog, id));
}

class DialogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dialog.show();
    QApplication::setActiveWindow(&dialog);
    ASSERT_TRUE(test::WaitUntil([&] { return dialog.isVisible() && QApplication::focusWidget(); }));
  }
  CGlimmo2Dlg dialog;
};

TEST_F(DialogTest, ControlsMatchTheTemplate) {
  EXPECT_EQ(dialog.windowTitle(), "Tebiol");
  EXPECT_EQ(dialog.size(), QSize(788, 535));
  EXPECT_EQ(dialog.minimumSize(), dialog.maximumSize());
  for (const Expected& e : kControls) {
    QWidget* w = Control(dialog, e.id);
    ASSERT_NE(w, nullptr) << e.id;
    EXPECT_EQ(TextOf(w), QString::fromUtf8(e.text)) << e.id;
    EXPECT_EQ(w->geometry(), e.geometry) << e.id;
    EXPECT_EQ(w->isVisible(), e.visible) << e.id;
    EXPECT_EQ(w->isEnabled(), e.enabled) << e.id;
  }
  auto* label = qobject_cast<QLabel*>(ui::FindControl(dialog, res::kNoId));
  ASSERT_NE(label, nullptr);
  EXPECT_EQ(label->text(), "Mida:");
  EXPECT_EQ(label->geometry(), QRect(86, 509, 32, 18));
}

TEST_F(DialogTest, InitialStateAndPlayfield) {
  EXPECT_EQ(dialog.Controller().Session().Tolerance(), 20);
  EXPECT_EQ(dialog.Controller().Session().Feedback(), game::FeedbackMode::kSpoken);
  EXPECT_TRUE(Control<QRadioButton>(dialog, res::kDretaEsquerra)->isChecked());
  EXPECT_FALSE(Control<QRadioButton>(dialog, res::kDetector)->isChecked());
  EXPECT_FALSE(Control<QCheckBox>(dialog, res::kInvertirVertical)->isChecked());
  auto* activa = Control<QPushButton>(dialog, res::kActiva);
  EXPECT_TRUE(activa->isCheckable());
  EXPECT_FALSE(activa->isChecked());
  // The playfield is the picture's client area, inside its one-pixel edge.
  const game::PlayfieldRect field = dialog.Controller().Playfield();
  EXPECT_EQ(field.left, 0);
  EXPECT_EQ(field.top, 0);
  EXPECT_EQ(field.W(), 786);
  EXPECT_EQ(field.H(), 486);
  // The banner sits centred in its 200 x 30 box.
  auto* indicator = Control<QLabel>(dialog, res::kIndicator);
  EXPECT_EQ(indicator->pixmap().size(), QSize(123, 16));
  EXPECT_EQ(QApplication::focusWidget(), Control(dialog, res::kIdCancel));
}

TEST_F(DialogTest, TabOrderFollowsTheTemplate) {
  QWidget* w = Control(dialog, res::kIdCancel);
  std::vector<int> order;
  for (int i = 0; i < 7; ++i) {
    order.push_back(ui::ControlId(*w));
    w = w->nextInFocusChain();
    while (!(w->focusPolicy() & Qt::TabFocus) || !w->isVisible() || !w->isEnabled()) w = w->nextInFocusChain();
  }
  // The radio group takes one tab stop, at its checked button, "Dreta-esquerra" at first.
  EXPECT_EQ(order, (std::vector<int>{res::kIdCancel, res::kActiva, res::kCaptura, res::kDretaEsquerra,
                                     res::kInvertirVertical, res::kInvertirHoritzontal, res::kMida}));
}

TEST_F(DialogTest, MidaFollowsEveryKeystroke) {
  auto* mida = Control<QLineEdit>(dialog, res::kMida);
  mida->setFocus();
  mida->selectAll();
  QTest::keyClick(mida, Qt::Key_Backspace);
  EXPECT_EQ(dialog.Controller().Session().Tolerance(), 0);
  QTest::keyClicks(mida, "-");
  EXPECT_EQ(dialog.Controller().Session().Tolerance(), 0);
  QTest::keyClicks(mida, "5");
  EXPECT_EQ(dialog.Controller().Session().Tolerance(), -5);
  mida->clear();
  QTest::keyClicks(mida, "12ab");
  EXPECT_EQ(dialog.Controller().Session().Tolerance(), 12);
  mida->setText("99999999999");
  EXPECT_EQ(dialog.Controller().Session().Tolerance(), 0);
  mida->setText("20");
  EXPECT_EQ(dialog.Controller().Session().Tolerance(), 20);
}

TEST_F(DialogTest, RadioClicksSetTheModeFlipBoxesDoNot) {
  QTest::mouseClick(Control(dialog, res::kDetector), Qt::LeftButton);
  EXPECT_EQ(dialog.Controller().Session().Feedback(), game::FeedbackMode::kBeep);
  QTest::mouseClick(Control(dialog, res::kInvertirVertical), Qt::LeftButton);
  QTest::mouseClick(Control(dialog, res::kInvertirHoritzontal), Qt::LeftButton);
  EXPECT_EQ(dialog.Controller().Session().Feedback(), game::FeedbackMode::kBeep);
  EXPECT_TRUE(dialog.Controller().Flips().FlipVertical());
  EXPECT_TRUE(dialog.Controller().Flips().FlipHorizontal());
  QTest::mouseClick(Control(dialog, res::kDretaEsquerra), Qt::LeftButton);
  EXPECT_EQ(dialog.Controller().Session().Feedback(), game::FeedbackMode::kSpoken);
  QTest::mouseClick(Control(dialog, res::kInvertirVertical), Qt::LeftButton);
  EXPECT_FALSE(dialog.Controller().Flips().FlipVertical());
  EXPECT_TRUE(dialog.Controller().Flips().FlipHorizontal());
}

TEST_F(DialogTest, EnterDoesNotCloseEscDoes) {
  auto* mida = Control<QLineEdit>(dialog, res::kMida);
  mida->setFocus();
  QTest::keyClick(mida, Qt::Key_Return);
  QTest::keyClick(Control(dialog, res::kActiva), Qt::Key_Enter);
  EXPECT_TRUE(dialog.isVisible());
  EXPECT_FALSE(Control<QPushButton>(dialog, res::kActiva)->isChecked());
  QTest::keyClick(&dialog, Qt::Key_Escape);
  EXPECT_FALSE(dialog.isVisible());
  EXPECT_EQ(dialog.result(), QDialog::Rejected);
}

TEST_F(DialogTest, EnterOnAFocusedPushButtonPressesIt) {
  QWidget* sortir = Control(dialog, res::kIdCancel);
  sortir->setFocus();
  QTest::keyClick(sortir, Qt::Key_Return);
  EXPECT_FALSE(dialog.isVisible());
}

TEST_F(DialogTest, SortirAndTheCloseCommandCancel) {
  QTest::mouseClick(Control(dialog, res::kIdCancel), Qt::LeftButton);
  EXPECT_FALSE(dialog.isVisible());
  dialog.show();
  dialog.OnSysCommand(CGlimmo2Dlg::kSysClose + 3, 0);  // low bits are the platform's
  EXPECT_FALSE(dialog.isVisible());
  dialog.show();
  dialog.close();
  EXPECT_FALSE(dialog.isVisible());
}

// Runs `check` on the About box once it is up, then closes it with `close`.
void WhenAboutOpens(const std::function<void(CAboutDlg&)>& check, const std::function<void(CAboutDlg&)>& close) {
  QTimer::singleShot(0, [=] {
    ASSERT_TRUE(test::WaitUntil([] { return qobject_cast<CAboutDlg*>(QApplication::activeModalWidget()); }));
    auto* about = qobject_cast<CAboutDlg*>(QApplication::activeModalWidget());
    check(*about);
    close(*about);
  });
}

TEST_F(DialogTest, AboutBoxFromTheContextMenu) {
  dialog.SetAboutBox([](QWidget* parent) {
    CAboutDlg about(parent);
    about.exec();
  });
  QAction* item = dialog.SystemMenu()->actions().last();
  EXPECT_EQ(item->text(), "&Acerca de glimmo2...");
  auto* mida = Control<QLineEdit>(dialog, res::kMida);
  mida->setText("33");
  const auto closers = std::vector<std::function<void(CAboutDlg&)>>{
      [](CAboutDlg& a) { QTest::mouseClick(ui::FindControl(a, res::kIdOk), Qt::LeftButton); },
      [](CAboutDlg& a) { QTest::keyClick(&a, Qt::Key_Escape); },
      [](CAboutDlg& a) { a.close(); },
  };
  bool checked = false;
  for (const auto& close : closers) {
    WhenAboutOpens(
        [&](CAboutDlg& about) {
          EXPECT_EQ(about.windowTitle(), "Acerca de glimmo2");
          EXPECT_EQ(qobject_cast<QLabel*>(about.findChildren<QLabel*>()[1])->text(), "glimmo2 Versión 1.0");
          auto* ok = qobject_cast<QPushButton*>(ui::FindControl(about, res::kIdOk));
          EXPECT_EQ(ok->text(), "Aceptar");
          EXPECT_TRUE(ok->isDefault());
          checked = true;
        },
        close);
    item->trigger();
    EXPECT_TRUE(checked);
    checked = false;
  }
  EXPECT_TRUE(dialog.isVisible());
  EXPECT_EQ(dialog.Controller().Session().Tolerance(), 33);
}

TEST(AboutBoxTest, TheIconIsShownWhole) {
  CAboutDlg about(nullptr);
  const QLabel* icon = about.findChildren<QLabel*>()[0];
  ASSERT_FALSE(icon->pixmap().isNull());
  const QSize shown = icon->contentsRect().size(), needed = icon->pixmap().deviceIndependentSize().toSize();
  EXPECT_GE(shown.width(), needed.width());
  EXPECT_GE(shown.height(), needed.height());
}

TEST_F(DialogTest, SystemCommandsMaskTheLowBits) {
  int opened = 0;
  dialog.SetAboutBox([&](QWidget*) { ++opened; });
  dialog.OnSysCommand(16, 0);
  dialog.OnSysCommand(16 | 0xF, 0);
  dialog.OnSysCommand(32, 0);
  dialog.OnSysCommand(0xF020, 0);  // minimise: default handling, no About
  EXPECT_EQ(opened, 2);
  EXPECT_TRUE(dialog.isVisible());
}

}  // namespace
