#include "ui/calibration_overlay.h"

#include <QPainter>

CalibrationOverlay::CalibrationOverlay(QWidget* pictureArea, std::function<void()> cancel)
    : QWidget(pictureArea->parentWidget()), area_(pictureArea), cancel_(std::move(cancel)) {
  setObjectName(QStringLiteral("calibrationOverlay"));
  hide();
}

void CalibrationOverlay::ShowDot(std::optional<QPoint> at) {
  dot_ = at;
  if (!at) {
    note_.clear();
    return hide();
  }
  const QRect inside = area_->contentsRect();  // the dot's coordinates are the picture area's
  setGeometry(QRect(area_->mapTo(parentWidget(), inside.topLeft()), inside.size()));
  show();
  raise();
  update();
}

void CalibrationOverlay::ShowNote(const QString& note) {
  note_ = note;
  update();
}

void CalibrationOverlay::paintEvent(QPaintEvent* /*event*/) {
  if (!dot_) return;
  QPainter painter(this);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.fillRect(rect(), QColor(40, 40, 40));  // nothing else to look at
  painter.setPen(QPen(Qt::white, 3));
  painter.setBrush(QColor(230, 30, 30));
  painter.drawEllipse(*dot_, kDotRadius, kDotRadius);
  painter.setPen(Qt::white);
  QFont font = painter.font();
  font.setPointSizeF(font.pointSizeF() * 1.5);
  painter.setFont(font);
  // Above the middle, clear of the dots on the top edge and in the centre.
  const QRect line(0, height() / 4 - 20, width(), 40);
  painter.drawText(line, Qt::AlignCenter, QStringLiteral("Mira el punt"));
  if (note_.isEmpty()) return;
  font.setPointSizeF(font.pointSizeF() / 1.5);
  painter.setFont(font);
  painter.drawText(line.translated(0, 36), Qt::AlignCenter, note_);
}

void CalibrationOverlay::mousePressEvent(QMouseEvent* /*event*/) { cancel_(); }
