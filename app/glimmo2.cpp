#include "app/glimmo2.h"

#include <QApplication>
#include <QFileInfo>
#include <QTimer>
#include <utility>

#include "app/AboutDlg.h"
#include "app/termination.h"
#include "game/eye_source.h"
#include "res/resources.h"
#include "ui/glimmo2Dlg.h"

CGlimmo2App theApp;

bool CGlimmo2App::InitInstance() {
  DialogServices services;
  services.pointerFromStart = qgetenv("GLIMMO2_POINTER") == "1";  // play with the mouse, no camera
  // Once the window is up, the eye detector's inside loads in the background.
  if (!services.pointerFromStart) QTimer::singleShot(0, [] { game::DetectorEyeSource().Preload(); });
  CGlimmo2Dlg dialog(nullptr, std::move(services));
  CloseOnTerminationSignals(dialog);
  dialog.SetAboutBox([](QWidget* parent) {
    CAboutDlg about(parent);
    about.exec();
  });
  dialog.exec();
  return false;
}

void ApplyApplicationIdentity(const char* argv0) {
  QCoreApplication::setApplicationName(QFileInfo(QString::fromLocal8Bit(argv0)).completeBaseName());
  QCoreApplication::setApplicationVersion(QString::fromLatin1(res::Version().number));
  const res::VersionInfo& version = res::Version();
  for (const auto& [key, value] : {std::pair{"FileDescription", version.fileDescription},
                                   {"FileVersion", version.fileVersion},
                                   {"InternalName", version.internalName},
                                   {"OriginalFilename", version.originalFilename},
                                   {"ProductName", version.productName},
                                   {"ProductVersion", version.productVersion}})
    qApp->setProperty(key, QString::fromUtf8(value));
  QApplication::setWindowIcon(res::LoadAppIcon());
}
