// The main dialog's side of the game: its handlers, passed on to the game's
// controller, and the widgets as the controller reaches them (always on the UI thread).
#include <QCoreApplication>
#include <QCursor>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>

#include "game/reveal.h"
#include "platform/data_files.h"
#include "ui/calibration_overlay.h"
#include "ui/glimmo2Dlg.h"
#include "video/CaptureGraph.h"
#include "video/Showpic.h"
#include "video/reveal_picture.h"

namespace {
// The square's picture for each band, by the band's place in the enum: Green, Red,
// Orange, LightBlue, Blue; the pictures are loaded from Blue to Green.
constexpr int kBandBitmap[] = {4, 3, 2, 1, 0};
static_assert(std::size(kBandBitmap) == game::kProximityBands, "one picture for each band");
static_assert(static_cast<int>(game::ProximityBand::Blue) == game::kProximityBands - 1, "Blue is the last band");
}  // namespace

void CGlimmo2Dlg::OnActivaClicked() { controller->SetActive(activateButton->isChecked()); }

void CGlimmo2Dlg::RevealPicture() { controller->RevealNow(); }

void CGlimmo2Dlg::OnTimer(int /*id*/) { controller->PlayCue(); }

void CGlimmo2Dlg::OnRecentre() { controller->Recentre(); }

void CGlimmo2Dlg::OnTrackingChosen(game::Tracking tracking) { controller->SetTracking(tracking); }

bool CGlimmo2Dlg::NoFaceHintShown() const { return noFaceHint->isVisible(); }

void CGlimmo2Dlg::ShowCalibrationDot(std::optional<QPoint> at) { calibrationOverlay->ShowDot(at); }

void CGlimmo2Dlg::OnCapturaClicked() {
  CCaptureGraph::Snapshot shot = CCaptureGraph::TakeSnapshot([this] { repaint(); });
  if (shot.why == CCaptureGraph::NoFrame::NotYetFromTheGame)
    return Tell(Notice::Information, QStringLiteral("Encara no ha arribat cap imatge de la càmera."));
  if (!shot.frame) return Tell(Notice::Warning, QStringLiteral("No s'ha pogut obrir la càmera."));
  picture->SetFrame(std::move(shot.frame));
}

void CGlimmo2Dlg::EnableSolution(bool enabled) { solutionButton->setEnabled(enabled); }

void CGlimmo2Dlg::Tell(Notice kind, const QString& text) {
  const QMessageBox::Icon icon = kind == Notice::Warning       ? QMessageBox::Warning
                                 : kind == Notice::Information ? QMessageBox::Information
                                                               : QMessageBox::NoIcon;
  // No caption of its own: the application's name stands there.
  QMessageBox box(icon, QCoreApplication::applicationName(), text, QMessageBox::Ok, this);
  box.exec();
}

void CGlimmo2Dlg::ShowIndicator() { indicator->show(); }

void CGlimmo2Dlg::ClearReveal() { picture->ClearReveal(); }

void CGlimmo2Dlg::SetIndicatorBitmap(game::ProximityBand band) {
  indicator->setPixmap(indicatorBitmaps[kBandBitmap[static_cast<int>(band)]]);
}

void CGlimmo2Dlg::MoveIndicator(std::int32_t left, std::int32_t top) {
  indicator->setGeometry(left, top, game::kIndicatorSide, game::kIndicatorSide);
  indicator->raise();
}

void CGlimmo2Dlg::SetStatusText(const QString& text) { statusStatic->setText(text); }

void CGlimmo2Dlg::ShowReveal(int pictureNumber, const game::TargetPoint& target) {
  const QString path = QString::fromStdString(platform::FindDataFile(game::PictureFileName(pictureNumber)));
  // The window's background colour of a dialog's picture is the base colour (white).
  QImage image = video::LoadRevealPicture(path, palette().color(QPalette::Base));
  if (image.isNull()) return;
  const game::PicturePlacement at = game::PlacePicture(target.targetX, target.targetY, image.width(), image.height());
  picture->ShowReveal(std::move(image), QPoint(at.left, at.top));
}

void CGlimmo2Dlg::ShowNoFaceHint(bool shown) { noFaceHint->setVisible(shown); }

QPoint CGlimmo2Dlg::PointerInPicture() const {
  return picture->mapFromGlobal(QCursor::pos()) - picture->contentsRect().topLeft();
}
