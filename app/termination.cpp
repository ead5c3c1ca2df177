#include "app/termination.h"

#include <QApplication>
#include <QDialog>
#include <QSocketNotifier>

#include "platform/termination_signals.h"
#include "ui/glimmo2Dlg.h"

namespace {

constexpr int kMostWindowsOpenOverTheDialog = 16;

// Message boxes, the About box and menus are closed first, topmost first, so that
// their own modal runs return.
void CloseWhatIsOpenOver(const QWidget& dialog) {
  for (int i = 0; i < kMostWindowsOpenOverTheDialog; ++i) {
    if (QWidget* popup = QApplication::activePopupWidget()) {
      popup->close();
    } else if (QWidget* modal = QApplication::activeModalWidget(); modal && modal != &dialog) {
      if (auto* box = qobject_cast<QDialog*>(modal))
        box->reject();
      else
        modal->close();
    } else {
      return;
    }
  }
}

}  // namespace

void CloseOnTerminationSignals(CGlimmo2Dlg& dialog) {
  const int fd = platform::TerminationSignalsFd();
  if (fd < 0) return;
  auto* notifier = new QSocketNotifier(fd, QSocketNotifier::Read, &dialog);
  QObject::connect(notifier, &QSocketNotifier::activated, &dialog, [&dialog] {
    platform::DrainTerminationSignals();
    CloseWhatIsOpenOver(dialog);
    dialog.OnCancel();
  });
}
