#include <QApplication>

#include "glimmo2.h"

int main(int argc, char* argv[]) {
  QApplication application(argc, argv);
  ApplyApplicationIdentity(argv[0]);
  theApp.InitInstance();
  return 0;
}
