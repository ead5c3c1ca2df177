#pragma once
#include <QPoint>
#include <QString>
#include <QWidget>
#include <functional>
#include <optional>

// Over the picture area during the gaze calibration: the dot to look at and the line
// "Mira el punt", above the square and the banner too (a sibling of the picture area, not
// its child). A click anywhere on it cancels the calibration.
class CalibrationOverlay final : public QWidget {
 public:
  CalibrationOverlay(QWidget* pictureArea, std::function<void()> cancel);
  // The dot at a point of the picture area; none hides the overlay and forgets the note.
  void ShowDot(std::optional<QPoint> at);
  std::optional<QPoint> Dot() const { return dot_; }
  // A line under "Mira el punt".
  void ShowNote(const QString& note);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;

 private:
  static constexpr int kDotRadius = 9;
  QWidget* area_;
  std::function<void()> cancel_;
  std::optional<QPoint> dot_;
  QString note_;
};
