#pragma once
#include <QApplication>
#include <QElapsedTimer>
#include <QThread>
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
}  // namespace test
