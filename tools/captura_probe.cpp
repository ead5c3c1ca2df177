// glimmo2-probe captura SOURCE [CLICKS]
// Clicks "Captura" CLICKS times (300 by default) on an offscreen window with
// IRISDET_SOURCE=SOURCE, and prints the resident memory after a warm-up and at the end.
#include <QApplication>
#include <cstdio>
#include <cstdlib>

#include "tests/support/measures.h"
#include "tools/commands.h"
#include "ui/glimmo2Dlg.h"

int tools::CapturaProbe(int argc, char** argv) {
  if (argc < 2) return std::fprintf(stderr, "usage: glimmo2-probe captura SOURCE [CLICKS]\n"), 2;
  measures::SetBeforeAnyThread("IRISDET_SOURCE", argv[1]);
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication application(argc, argv);
  const int clicks = argc > 2 ? std::atoi(argv[2]) : 300;
  CGlimmo2Dlg dialog;
  dialog.show();
  for (int i = 0; i < 20; ++i) dialog.OnCapturaClicked(), QApplication::processEvents();
  const double warm = measures::ResidentMiB();
  for (int i = 0; i < clicks; ++i) dialog.OnCapturaClicked(), QApplication::processEvents();
  const double end = measures::ResidentMiB();
  std::printf("captura: %d clicks, resident %.1f MiB after warm-up, %.1f MiB at the end, growth %.2f MiB\n", clicks,
              warm, end, end - warm);
  return 0;
}
