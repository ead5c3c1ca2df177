#include <QApplication>

#include "catalan.h"
#include "glimmo2.h"
#include "termination_signals.h"

int main(int argc, char* argv[]) {
  platform::CatchTerminationSignals();  // before any thread starts: they all inherit it
  QApplication application(argc, argv);
  SpeakCatalan();
  ApplyApplicationIdentity(argv[0]);
  theApp.InitInstance();
  return 0;
}
