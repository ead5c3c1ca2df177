#pragma once
#include <QFrame>
#include <QImage>
#include <QPoint>

#include "frame.h"

// The picture area: shows the last camera frame stretched over the client area and
// mirrored left to right, like a mirror. Empty until it gets its first frame.
class CShowpic : public QFrame {
  Q_OBJECT
 public:
  explicit CShowpic(QWidget* parent = nullptr);

  // Null is ignored; a frame of the wrong size too. The frame is shared, not copied.
  void SetFrame(video::FramePtr frame);
  bool HasFrame() const { return static_cast<bool>(frame_); }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  video::FramePtr frame_;
};
