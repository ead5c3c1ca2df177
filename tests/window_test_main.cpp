#include <gtest/gtest.h>

#include <QApplication>

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  if (qEnvironmentVariableIsEmpty("SDL_AUDIODRIVER")) qputenv("SDL_AUDIODRIVER", "dummy");  // never a real device
  QApplication application(argc, argv);
  QCoreApplication::setApplicationName(QStringLiteral("glimmo2"));
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
