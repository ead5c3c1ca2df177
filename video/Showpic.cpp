#include "video/Showpic.h"

#include <QPainter>

CShowpic::CShowpic(QWidget* parent) : QFrame(parent) {
  setFrameStyle(QFrame::Panel | QFrame::Sunken);
  setLineWidth(1);
}

void CShowpic::SetFrame(video::FramePtr frame) {
  if (!frame || frame->size() != video::kFrameBytes) return;
  frame_ = std::move(frame);
  reveal_ = QImage();
  // The frame covers the whole client area: no background erase, no flash.
  setAttribute(Qt::WA_OpaquePaintEvent);
  update();
}

void CShowpic::paintEvent(QPaintEvent* event) {
  if (frame_) {
    const QImage image(frame_->data(), IRISDET_FRAME_WIDTH, IRISDET_FRAME_HEIGHT, video::kFrameBytesPerLine,
                       QImage::Format_BGR888);
    const QRect client = contentsRect();
    QPainter painter(this);
    painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
    painter.setClipRect(client);
    // Mirror: the frame's first column lands on the right edge.
    painter.translate(client.left() + client.width(), client.top());
    painter.scale(-1.0, 1.0);
    painter.drawImage(QRect(0, 0, client.width(), client.height()), image);
  }
  QFrame::paintEvent(event);  // the sunken edge
  if (!reveal_.isNull()) QPainter(this).drawImage(revealAt_, reveal_);
}

void CShowpic::ShowReveal(QImage picture, QPoint topLeft) {
  reveal_ = std::move(picture);
  revealAt_ = topLeft;
  update();
}

void CShowpic::ClearReveal() {
  reveal_ = QImage();
  update();
}
