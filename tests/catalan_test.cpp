#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>

#include "app/catalan.h"

namespace {

TEST(CatalanTest, QtsOwnButtonsAndMenusSpeakCatalan) {
  ASSERT_TRUE(SpeakCatalan());
  QMessageBox box(QMessageBox::Information, QStringLiteral("glimmo2"), QStringLiteral("Hola"), QMessageBox::Ok);
  EXPECT_EQ(box.button(QMessageBox::Ok)->text(), QStringLiteral("D'acord"));
  QLineEdit mida;
  std::unique_ptr<QMenu> menu(mida.createStandardContextMenu());
  QStringList items;
  for (const QAction* action : menu->actions()) items << action->text();
  EXPECT_FALSE(items.filter(QStringLiteral("&Enganxa\t")).isEmpty()) << items.join(", ").toStdString();  // Paste
}

}  // namespace
