#include "video/reveal_picture.h"

#include <QBuffer>
#include <QImageReader>
#include <QtEndian>
#include <cstdlib>

#include "platform/regular_file.h"

namespace video {
namespace {

constexpr std::int64_t kMaxPictureFileBytes = 16ll << 20;
constexpr int kMaxPictureSide = 4096;  // the picture area is under 800 px wide

// True when the BMP stores its rows top row first (a negative height).
bool StoredTopDown(const QByteArray& bytes) {
  if (bytes.size() < 26 || !bytes.startsWith("BM")) return false;
  return qFromLittleEndian<qint32>(bytes.constData() + 22) < 0;
}

// Decoded only when the size the file states is within bounds: a small file that
// claims 32000x32000 pixels is refused before it takes gigabytes.
QImage DecodeBounded(const QByteArray& bytes) {
  QBuffer buffer;
  buffer.setData(bytes);
  QImageReader reader(&buffer);
  const QSize size = reader.size();  // a top-down BMP states a negative height
  const int width = std::abs(size.width()), height = std::abs(size.height());
  if (width == 0 || height == 0 || width > kMaxPictureSide || height > kMaxPictureSide) return {};
  return reader.read();
}

}  // namespace

QImage LoadRevealPicture(const QString& path, QColor windowColour) {
  const std::optional<std::string> file = platform::ReadRegularFile(path.toStdString(), kMaxPictureFileBytes);
  if (!file) return {};
  const QByteArray bytes = QByteArray::fromStdString(*file);
  QImage image = DecodeBounded(bytes);
  const bool oneBit = image.format() == QImage::Format_Mono || image.format() == QImage::Format_MonoLSB;
  if (oneBit) image = image.convertToFormat(QImage::Format_Indexed8);  // same transparency as 4 and 8 bits
  if (image.isNull() || image.format() != QImage::Format_Indexed8 || image.colorCount() == 0) return image;
  const int firstRow = StoredTopDown(bytes) ? 0 : image.height() - 1;
  const int entry = image.pixelIndex(0, firstRow);
  if (entry < image.colorCount()) image.setColor(entry, windowColour.rgb());
  return image;
}

}  // namespace video
