#include <QApplication>

#include "app/catalan.h"
#include "app/glimmo2.h"
#include "platform/termination_signals.h"

int main(int argc, char* argv[]) {
  platform::CatchTerminationSignals();  // before any thread starts: they all inherit it
  QApplication application(argc, argv);
  SpeakCatalan();
  ApplyApplicationIdentity(argv[0]);
  theApp.InitInstance();
  return 0;
}
