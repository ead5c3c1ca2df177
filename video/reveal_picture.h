#pragma once
#include <QColor>
#include <QImage>
#include <QString>

namespace video {

// Loads a reveal picture at its own size. In an indexed picture, the colour-table
// entry of the first pixel of the file's pixel data (bottom-left in an ordinary
// bottom-up BMP) becomes the window's background colour. A null image when the file
// is missing, is not a regular file, is not a picture or states a size over 4096
// pixels a side.
QImage LoadRevealPicture(const QString& path, QColor windowColour);

}  // namespace video
