#pragma once
#include <QFrame>
#include <QImage>
#include <QPoint>

#include "video/frame.h"

// The picture area: shows the last camera frame stretched over the client area and
// mirrored left to right, like a mirror. Empty until it gets its first frame.
class CShowpic : public QFrame {
  Q_OBJECT
 public:
  explicit CShowpic(QWidget* parent = nullptr);

  // Null is ignored; a frame of the wrong size too. The frame is shared, not copied.
  void SetFrame(video::FramePtr frame);

  // A revealed picture drawn over whatever the view shows, its top-left corner in
  // the control's window coordinates (edge included), until cleared or a frame comes.
  void ShowReveal(QImage picture, QPoint topLeft);
  void ClearReveal();

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  video::FramePtr frame_;
  QImage reveal_;
  QPoint revealAt_;
};
