// The main dialog's side of the game: start and stop, the effects of the tracking
// loop (always applied here, on the UI thread), the beep timer and the reveal.
#include <QCoreApplication>
#include <QCursor>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>

#include "game/queued_view.h"
#include "game/reveal.h"
#include "platform/data_files.h"
#include "platform/sound_player.h"
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

void CGlimmo2Dlg::OnActivaClicked() {
  session->OnActivaClicked();
  // The pointer is followed only while a game plays with it: an idle window does nothing.
  if (session->UsingPointer() && ActivaPressed())
    pointerTimer.start(kPointerPeriodMs);
  else
    pointerTimer.stop();
  if (!session->UsingPointer() && ActivaPressed()) {
    cameraWatch.start(kCameraWatchMs);
  } else {
    cameraWatch.stop();
    noFaceHint->hide();
  }
  if (ActivaPressed()) TellIfSilent();
}

void CGlimmo2Dlg::WatchCamera() {
  session->CheckCamera();
  noFaceHint->setVisible(session->FaceMissing());
}

bool CGlimmo2Dlg::NoFaceHintShown() const { return noFaceHint->isVisible(); }

void CGlimmo2Dlg::TellIfSilent() {
  // Spoken mode would otherwise be silent and colourless, with nothing said.
  if (toldSilent || services.soundAvailable()) return;
  toldSilent = true;
  Tell(QMessageBox::Information, QStringLiteral("No s'ha pogut obrir la sortida de so: el joc no sonarà. "
                                                "Tria «Detector» per veure la distància amb colors."));
}

void CGlimmo2Dlg::OnRecentre() { session->Recentre(); }

void CGlimmo2Dlg::OnTrackingChosen(bool comfortable) { session->SetTracking(comfortable); }

bool CGlimmo2Dlg::ActivaPressed() const { return activateButton->isChecked(); }

void CGlimmo2Dlg::EnableSolution(bool enabled) { solutionButton->setEnabled(enabled); }

void CGlimmo2Dlg::SetCueTimer(int intervalMs) { cueTimer.start(intervalMs); }

void CGlimmo2Dlg::KillCueTimer() { cueTimer.stop(); }

void CGlimmo2Dlg::OnTimer(int /*id*/) { PlaySound("start1.wav"); }

void CGlimmo2Dlg::Tell(int icon, const QString& text) {
  // No caption of its own: the application's name stands there.
  QMessageBox box(static_cast<QMessageBox::Icon>(icon), QCoreApplication::applicationName(), text, QMessageBox::Ok,
                  this);
  box.exec();
}

void CGlimmo2Dlg::ShowThreadError() { Tell(QMessageBox::NoIcon, QStringLiteral("Error creant thread")); }

void CGlimmo2Dlg::TellNoCamera(const std::string& why) {
  const QString reason = why.empty() ? QStringLiteral("No s'ha pogut obrir la càmera.") : QString::fromStdString(why);
  Tell(QMessageBox::Information, reason + QStringLiteral(" El quadrat seguirà el ratolí."));
}

void CGlimmo2Dlg::TellDetectorTrouble(const std::string& why) {
  Tell(QMessageBox::Warning, QString::fromStdString(why));
}

void CGlimmo2Dlg::TellCameraLost() {
  Tell(QMessageBox::Warning, QStringLiteral("S'ha perdut la càmera: ja no arriben imatges."));
}

std::unique_ptr<game::TrackingView> CGlimmo2Dlg::OpenGameChannel() { return gameChannel.Open(); }

void CGlimmo2Dlg::CloseGameChannel() { gameChannel.Close(); }

void CGlimmo2Dlg::ShowIndicator() { indicator->show(); }

void CGlimmo2Dlg::InvalidatePlayfield() { picture->ClearReveal(); }

void CGlimmo2Dlg::SetIndicatorBitmap(game::ProximityBand band) {
  indicator->setPixmap(indicatorBitmaps[kBandBitmap[static_cast<int>(band)]]);
}

void CGlimmo2Dlg::MoveIndicator(std::int32_t left, std::int32_t top) {
  indicator->setGeometry(left, top, game::kIndicatorSide, game::kIndicatorSide);
  indicator->raise();
}

void CGlimmo2Dlg::SetStatusText(const std::string& text) { statusStatic->setText(QString::fromStdString(text)); }

void CGlimmo2Dlg::PlaySound(const std::string& name) {
  if (services.playSound)
    services.playSound(name);
  else
    platform::SoundPlayer::Instance().Play(name);
}

void CGlimmo2Dlg::RevealPicture() { RevealPicture(game::DrawRevealNumber(*services.clock, *services.chance)); }

void CGlimmo2Dlg::RevealPicture(int pictureNumber) { DrawReveal(pictureNumber); }

void CGlimmo2Dlg::DrawReveal(std::optional<int> pictureNumber) {
  if (!pictureNumber) return;  // a paint never reveals by itself
  const QString path = QString::fromStdString(platform::FindDataFile(game::PictureFileName(*pictureNumber)));
  // The window's background colour of a dialog's picture is the base colour (white).
  QImage image = video::LoadRevealPicture(path, palette().color(QPalette::Base));
  if (image.isNull()) return;
  const game::TargetPoint& target = session->Target();
  const game::PicturePlacement at = game::PlacePicture(target.targetX, target.targetY, image.width(), image.height());
  picture->ShowReveal(std::move(image), QPoint(at.left, at.top));
}

void CGlimmo2Dlg::FollowPointer() {
  const QPoint p = picture->mapFromGlobal(QCursor::pos()) - picture->contentsRect().topLeft();
  pointer.SetPointer(p.x(), p.y(), QRect(0, 0, playfield.W(), playfield.H()).contains(p));
}

void CGlimmo2Dlg::OnCapturaClicked() {
  CCaptureGraph::Snapshot shot = CCaptureGraph::TakeSnapshot([this] { repaint(); });
  if (shot.why == CCaptureGraph::NoFrame::NotYetFromTheGame)
    return Tell(QMessageBox::Information, QStringLiteral("Encara no ha arribat cap imatge de la càmera."));
  if (!shot.frame) return Tell(QMessageBox::Warning, QStringLiteral("No s'ha pogut obrir la càmera."));
  picture->SetFrame(std::move(shot.frame));
}
