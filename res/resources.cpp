#include "res/resources.h"

#include "res/resource_ids.h"

namespace res {

QPixmap LoadBitmap(int id) { return QPixmap(QStringLiteral(":/res/bitmap%1.bmp").arg(id)); }

QIcon LoadAppIcon() {
  QIcon icon;
  icon.addFile(QStringLiteral(":/res/icon%1_32.bmp").arg(kAppIcon), QSize(32, 32));
  icon.addFile(QStringLiteral(":/res/icon%1_16.bmp").arg(kAppIcon), QSize(16, 16));
  return icon;
}

QString LoadString(int id) {
  if (id == kAboutMenuString) return QStringLiteral("&Acerca de glimmo2...");
  return {};
}

const VersionInfo& Version() {
  static const VersionInfo info{
      "1.0.0.1", "1, 0, 0, 1", "Aplicación MFC glimmo2", "glimmo2", "glimmo2.EXE", "Aplicación glimmo2", "1, 0, 0, 1"};
  return info;
}

}  // namespace res
