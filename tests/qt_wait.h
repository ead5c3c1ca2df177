#pragma once
#include <QApplication>
#include <QElapsedTimer>
#include <QMessageBox>
#include <QThread>
#include <QTimer>
#include <QWidget>
#include <functional>

// QTRY_* does not fail a GoogleTest test: a plain loop that keeps the UI running.
namespace test {
inline bool WaitUntil(const std::function<bool()>& done, int timeoutMs = 5000) {
  QElapsedTimer timer;
  timer.start();
  while (!done()) {
    if (timer.elapsed() > timeoutMs) return false;
    QApplication::processEvents(QEventLoop::AllEvents, 10);
    QThread::msleep(1);
  }
  return true;
}
// Answers the next message box once it is up, noting its caption and text. Dropped with
// `window`, the window under test: a box that never came does not outlive its test.
inline void CloseNextMessageBox(const QObject& window, QString* title, QString* text) {
  QTimer::singleShot(0, &window, [=] {
    if (!WaitUntil([] { return qobject_cast<QMessageBox*>(QApplication::activeModalWidget()); })) return;
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    *title = box->windowTitle();
    *text = box->text();
    box->accept();
  });
}

// What the window shows, as a player sees it: the beeps' timer running, and at what
// interval (0 when not); the hint that the camera sees no face.
inline int CueTimerInterval(const QObject& window) {
  const auto* timer = window.findChild<QTimer*>(QStringLiteral("cueTimer"));
  return timer && timer->isActive() ? timer->interval() : 0;
}
inline bool NoFaceHintShown(const QObject& window) {
  const auto* hint = window.findChild<QWidget*>(QStringLiteral("noFaceHint"));
  return hint && hint->isVisible();
}

}  // namespace test
