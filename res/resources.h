#pragma once
#include <QIcon>
#include <QPixmap>
#include <QString>

// The program's own resources, addressed by numeric id.
namespace res {

QPixmap LoadBitmap(int id);  // null pixmap for an unknown id
QIcon LoadAppIcon();
QString LoadString(int id);  // empty for an unknown id

// The version block, published as application metadata.
struct VersionInfo {
  const char* number;  // file and product version
  const char* fileVersion;
  const char* fileDescription;
  const char* internalName;
  const char* originalFilename;
  const char* productName;
  const char* productVersion;
};
const VersionInfo& Version();

}  // namespace res
