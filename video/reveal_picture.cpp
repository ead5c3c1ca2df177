#include "reveal_picture.h"

#include <QFile>
#include <QtEndian>

namespace video {
namespace {

// True when the BMP stores its rows top row first (a negative height).
bool StoredTopDown(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return false;
  const QByteArray header = file.read(26);
  if (header.size() < 26 || !header.startsWith("BM")) return false;
  return qFromLittleEndian<qint32>(header.constData() + 22) < 0;
}

}  // namespace

QImage LoadRevealPicture(const QString& path, QColor windowColour) {
  QImage image(path);
  if (image.isNull() || image.format() != QImage::Format_Indexed8 || image.colorCount() == 0) return image;
  const int firstRow = StoredTopDown(path) ? 0 : image.height() - 1;
  const int entry = image.pixelIndex(0, firstRow);
  if (entry < image.colorCount()) image.setColor(entry, windowColour.rgb());
  return image;
}

}  // namespace video
