// glimmo2-probe hostile [--until-signal]
// glimmo2-probe hostile --quick stop|sortir|esc|close
// glimmo2-probe hostile --write-model PARTS PATH
// Plays one scripted session through the real game window, offscreen, with whatever
// the working directory, IRISDET_SOURCE and IRISDET_MODEL hold: a game, "Solució",
// "Captura", a stop and a second game, then "Sortir", the first click a second after
// the window shows. Message boxes are answered as
// they come. Prints what survived: the messages shown, the longest time the window
// did not answer, and the peak resident memory. With --until-signal it plays until
// Ctrl+C or kill closes it. With --quick, "Activa" comes as soon as the detector's inside
// is loaded, while the landmark model is still being read, and a stop click (then a
// start, a stop and "Sortir"), "Sortir", Esc or the close box 150 ms after it.
// --write-model writes a valid landmark model of PARTS points.
#include <sys/resource.h>

#include <dlib/image_processing.h>
#include <QApplication>
#include <QElapsedTimer>
#include <QMessageBox>
#include <QTest>
#include <QTimer>
#include <cstdio>
#include <cstring>
#include <functional>
#include <map>
#include <string>
#include <thread>

#include "app/glimmo2.h"
#include "app/termination.h"
#include "game/eye_source.h"
#include "irisdet.h"
#include "platform/termination_signals.h"
#include "res/resource_ids.h"
#include "tools/commands.h"
#include "ui/glimmo2Dlg.h"
#include "ui/template_builder.h"

namespace {

constexpr int kHeartbeatMs = 5;
constexpr qint64 kReportedStallMs = 50;
constexpr int kFirstClickMs = 1000;

int WriteModel(int parts, const char* path) {
  try {
    dlib::matrix<float, 0, 1> shape(static_cast<long>(parts) * 2);
    shape = 0.5f;
    dlib::serialize(path) << dlib::shape_predictor(shape, {}, {});
    return 0;
  } catch (const std::exception& e) {
    return std::fprintf(stderr, "cannot write %s: %s\n", path, e.what()), 1;
  }
}

// The longest gap between ticks of a timer that should tick every few milliseconds.
struct StallMeter {
  QElapsedTimer clock;
  qint64 last = 0, longest = 0;
  QTimer timer;
  StallMeter() {
    clock.start();
    QObject::connect(&timer, &QTimer::timeout, [this] {
      const qint64 now = clock.elapsed();
      if (now - last > kReportedStallMs) std::fprintf(stderr, "stall: %lld ms, ending at %lld ms\n", now - last, now);
      longest = std::max(longest, now - last);
      last = now;
    });
    timer.start(kHeartbeatMs);
  }
};

// Answers every message box, noting its text.
struct MessageAnswerer {
  QStringList seen;
  QTimer timer;
  MessageAnswerer() {
    QObject::connect(&timer, &QTimer::timeout, [this] {
      if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
        seen << box->text();
        box->accept();
      }
    });
    timer.start(20);
  }
};

void Click(CGlimmo2Dlg& dialog, int id) { QTest::mouseClick(ui::FindControl(dialog, id), Qt::LeftButton); }

void Script(CGlimmo2Dlg& dialog, bool untilSignal) {
  const std::pair<int, std::function<void()>> steps[] = {
      {100, [&] { Click(dialog, res::kActiva); }},
      {1600, [&] { Click(dialog, res::kSolucio); }},
      {2100, [&] { Click(dialog, res::kCaptura); }},
      {2600, [&] { Click(dialog, res::kActiva); }},
      {2700, [&] { Click(dialog, res::kActiva); }},
      {3700, [&] { Click(dialog, res::kActiva); }},
      {3800,
       [&] {
         if (!untilSignal)
           dialog.OnCancel();
         else
           Click(dialog, res::kActiva);  // and play on until a signal comes
       }},
  };
  // A player's first click comes a moment after the window shows, once the detector's
  // inside has loaded in the background.
  for (const auto& [at, step] : steps) QTimer::singleShot(kFirstClickMs + at, &dialog, step);
}

// Activa, then a way to stop, while the model is still being read.
void QuickScript(CGlimmo2Dlg& dialog, const std::string& way) {
  constexpr int kStep = 150;
  const std::map<std::string, std::function<void()>> ways = {
      {"stop", [&] { Click(dialog, res::kActiva); }},
      {"sortir", [&] { Click(dialog, res::kIdCancel); }},
      {"esc", [&] { QTest::keyClick(&dialog, Qt::Key_Escape); }},
      {"close", [&] { dialog.close(); }},
  };
  const auto stop = ways.at(way);
  QTimer::singleShot(kFirstClickMs, &dialog, [&] { Click(dialog, res::kActiva); });
  QTimer::singleShot(kFirstClickMs + kStep, &dialog, stop);
  if (way != "stop") return;
  QTimer::singleShot(kFirstClickMs + 2 * kStep, &dialog, [&] { Click(dialog, res::kActiva); });
  QTimer::singleShot(kFirstClickMs + 3 * kStep, &dialog, [&] { Click(dialog, res::kActiva); });
  QTimer::singleShot(kFirstClickMs + 4 * kStep, &dialog, [&] { Click(dialog, res::kIdCancel); });
}

// Loads the detector's inside, not the model: "Captura"'s own look at the source does.
void LoadTheInsideOnly() {
  if (void* capture = EyeDetectorCaptureOpen()) EyeDetectorCaptureClose(capture);
}

}  // namespace

int tools::HostileProbe(int argc, char** argv) {
  if (argc == 4 && std::strcmp(argv[1], "--write-model") == 0) return WriteModel(std::atoi(argv[2]), argv[3]);
  const bool untilSignal = argc == 2 && std::strcmp(argv[1], "--until-signal") == 0;
  const std::string quick = argc == 3 && std::strcmp(argv[1], "--quick") == 0 ? argv[2] : "";
  platform::CatchTerminationSignals();
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication application(argc, argv);
  ApplyApplicationIdentity(argv[0]);
  StallMeter stalls;
  MessageAnswerer answers;
  DialogServices services;
  services.pointerFromStart = qgetenv("GLIMMO2_POINTER") == "1";
  std::thread inside;  // quick: the inside loaded in the background, as the window does, but not the model
  if (!quick.empty())
    inside = std::thread(LoadTheInsideOnly);
  else if (!services.pointerFromStart)
    QTimer::singleShot(0, [] { game::DetectorEyeSource().Preload(); });
  {
    CGlimmo2Dlg dialog(nullptr, std::move(services));
    CloseOnTerminationSignals(dialog);
    if (quick.empty())
      Script(dialog, untilSignal);
    else
      QuickScript(dialog, quick);
    dialog.exec();
  }
  if (inside.joinable()) inside.join();
  struct rusage usage {};
  getrusage(RUSAGE_SELF, &usage);
  std::printf("survived: yes\nlongest stall: %lld ms\npeak resident: %ld MiB\n", static_cast<long long>(stalls.longest),
              usage.ru_maxrss / 1024);
  for (const QString& text : answers.seen) std::printf("message: %s\n", text.toUtf8().constData());
  return 0;
}
