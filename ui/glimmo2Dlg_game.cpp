// The main dialog's side of the game: its handlers, passed on to the game's
// controller, and the window as the game's view (always on the UI thread).
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

void CGlimmo2Dlg::RevealPicture() { RevealPicture(controller->DrawPicture()); }

void CGlimmo2Dlg::OnTimer(int /*id*/) { PlaySound("start1.wav"); }

void CGlimmo2Dlg::OnRecentre() { controller->Recentre(); }

void CGlimmo2Dlg::OnTrackingChosen(IrisdetTracking tracking) { controller->SetTracking(tracking); }

void CGlimmo2Dlg::ShowDot(std::optional<game::PicturePoint> at) {
  calibrationOverlay->ShowDot(at ? std::optional<QPoint>(QPoint(at->x, at->y)) : std::nullopt);
}

void CGlimmo2Dlg::ShowDotNote(const std::string& note) { calibrationOverlay->ShowNote(QString::fromStdString(note)); }

void CGlimmo2Dlg::OnCapturaClicked() {
  CCaptureGraph::Snapshot shot = CCaptureGraph::TakeSnapshot([this] { repaint(); });
  if (shot.why == CCaptureGraph::NoFrame::NotYetFromTheGame)
    return Tell(Notice::kInformation, "Encara no ha arribat cap imatge de la càmera.");
  if (!shot.frame) return Tell(Notice::kWarning, "No s'ha pogut obrir la càmera.");
  picture->SetFrame(std::move(shot.frame));
}

void CGlimmo2Dlg::EnableSolution(bool enabled) { solutionButton->setEnabled(enabled); }

void CGlimmo2Dlg::Tell(Notice kind, const std::string& text) {
  const QMessageBox::Icon icon = kind == Notice::kWarning       ? QMessageBox::Warning
                                 : kind == Notice::kInformation ? QMessageBox::Information
                                                                : QMessageBox::NoIcon;
  // No caption of its own: the application's name stands there.
  QMessageBox box(icon, QCoreApplication::applicationName(), QString::fromStdString(text), QMessageBox::Ok, this);
  box.exec();
}

void CGlimmo2Dlg::ShowIndicator() { indicator->show(); }

void CGlimmo2Dlg::HideIndicator() { indicator->hide(); }

void CGlimmo2Dlg::InvalidatePlayfield() { picture->ClearReveal(); }

void CGlimmo2Dlg::SetIndicatorBitmap(game::ProximityBand band) {
  indicator->setPixmap(indicatorBitmaps[kBandBitmap[static_cast<int>(band)]]);
}

void CGlimmo2Dlg::MoveIndicator(std::int32_t left, std::int32_t top) {
  indicator->setGeometry(left, top, game::kIndicatorSide, game::kIndicatorSide);
  indicator->raise();
}

void CGlimmo2Dlg::SetStatusText(const std::string& text) { statusStatic->setText(QString::fromStdString(text)); }

void CGlimmo2Dlg::SetCueTimer(int intervalMs) { cueTimer.start(intervalMs); }

// At a find, or "Solució": the picture centred on the target.
void CGlimmo2Dlg::RevealPicture(int pictureNumber) {
  const QString path = QString::fromStdString(platform::FindDataFile(game::PictureFileName(pictureNumber)));
  // The window's background colour of a dialog's picture is the base colour (white).
  QImage image = video::LoadRevealPicture(path, palette().color(QPalette::Base));
  if (image.isNull()) return;
  const game::TargetPoint& target = controller->Session().Target();
  const game::PicturePlacement at = game::PlacePicture(target.targetX, target.targetY, image.width(), image.height());
  picture->ShowReveal(std::move(image), QPoint(at.left, at.top));
  controller->PictureRevealed();
}

void CGlimmo2Dlg::ShowNoFaceHint(bool shown) { noFaceHint->setVisible(shown); }

game::PicturePoint CGlimmo2Dlg::PointerInPicture() const {
  const QPoint at = picture->mapFromGlobal(QCursor::pos()) - picture->contentsRect().topLeft();
  return {at.x(), at.y()};
}
