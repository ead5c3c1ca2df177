#include "ui/glimmo2Dlg.h"

#include <QActionGroup>
#include <QCheckBox>
#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>

#include "platform/dialog_int.h"
#include "res/resource_ids.h"
#include "res/resources.h"
#include "ui/calibration_overlay.h"
#include "ui/camera_menu.h"
#include "ui/message_map.h"
#include "ui/template_builder.h"
#include "video/Showpic.h"

namespace {

template <typename T>
T* Bind(const QWidget& dialog, int id) {
  return qobject_cast<T*>(ui::FindControl(dialog, id));
}

}  // namespace

CGlimmo2Dlg::CGlimmo2Dlg(QWidget* parent, DialogServices dialogServices)
    : QDialog(parent),
      icon(res::LoadAppIcon()),
      services(ui::WithDefaults(std::move(dialogServices))),
      controller(std::make_unique<ui::GameController>(*this, services)) {
  // Qt's default coarse timer may fire 5 % off its interval: 2 ms of a red-band beep's 40.
  cueTimer.setTimerType(Qt::PreciseTimer);
  cueTimer.setObjectName(QStringLiteral("cueTimer"));
  connect(&cueTimer, &QTimer::timeout, this, [this] { ui::Dispatch(*this, ui::Message::Timer, {kCueTimerId, 0}); });
  ui::BuildFromTemplate(*this, res::MainDialogTemplate(), [](const res::ControlTemplate& t, QWidget* p) {
    return t.id == res::kPicture ? new CShowpic(p) : nullptr;
  });
  ui::ConnectControlRoutes(*this);
  OnInitDialog();
}

// The game stops, and its worker is joined, before any widget it reaches goes.
CGlimmo2Dlg::~CGlimmo2Dlg() { controller->StopForClose(); }

void CGlimmo2Dlg::DoDataExchange(bool saving) {
  if (!controlsBound) {
    flipHorizontalCheck = Bind<QCheckBox>(*this, res::kInvertirHoritzontal);
    flipVerticalCheck = Bind<QCheckBox>(*this, res::kInvertirVertical);
    solutionButton = Bind<QPushButton>(*this, res::kSolucio);
    blankPicture = Bind<QLabel>(*this, res::kBlankPicture);
    indicator = Bind<QLabel>(*this, res::kIndicator);
    statusStatic = Bind<QLabel>(*this, res::kStatus);
    activateButton = Bind<QPushButton>(*this, res::kActiva);
    picture = Bind<CShowpic>(*this, res::kPicture);
    controlsBound = true;
  }
  // The flip boxes hold no value of their own: the game reads them, off the UI thread,
  // as they were at the last exchange (every click on them makes one).
  controller->Flips().Set(flipVerticalCheck->isChecked(), flipHorizontalCheck->isChecked());
  // The radio group 1009/1010: index 0 "Dreta-esquerra", 1 "Detector".
  auto* first = Bind<QRadioButton>(*this, res::kDretaEsquerra);
  auto* second = Bind<QRadioButton>(*this, res::kDetector);
  if (saving) {
    controller->Session().SetFeedback(second->isChecked() ? game::FeedbackMode::kBeep : game::FeedbackMode::kSpoken);
  } else {
    first->setChecked(controller->Session().Feedback() == game::FeedbackMode::kSpoken);
    second->setChecked(controller->Session().Feedback() == game::FeedbackMode::kBeep);
  }
  // As a dialog's radio group: one tab stop, at the checked button; the arrow keys
  // move within the group.
  for (QRadioButton* button : {first, second})
    button->setFocusPolicy(button->isChecked() ? Qt::StrongFocus : Qt::ClickFocus);
}

bool CGlimmo2Dlg::OnInitDialog() {
  DoDataExchange(false);
  AddAboutItem();
  setWindowIcon(icon);
  const QRect client = picture->contentsRect();
  controller->SetPlayfield({0, 0, client.width(), client.height()});
  for (std::size_t i = 0; const int id : {res::kBitmapBlue, res::kBitmapLightBlue, res::kBitmapOrange, res::kBitmapRed,
                                          res::kBitmapGreen, res::kBitmapBanner})
    indicatorBitmaps[i++] = res::LoadBitmap(id);
  solutionButton->setEnabled(false);
  Bind<QLineEdit>(*this, res::kMida)->setText(QString::number(game::kDefaultTolerance));
  ShowBanner();
  noFaceHint = new QLabel(QStringLiteral("No et veig: posa't davant de la càmera"), picture);
  noFaceHint->setObjectName(QStringLiteral("noFaceHint"));
  noFaceHint->setStyleSheet(QStringLiteral("background: rgba(0, 0, 0, 160); color: white; padding: 8px;"));
  noFaceHint->setAttribute(Qt::WA_TransparentForMouseEvents);
  noFaceHint->adjustSize();
  // Centred across, a quarter down: clear of the square, which waits in the middle.
  const QRect area = picture->contentsRect();
  noFaceHint->move(area.center().x() - noFaceHint->width() / 2, area.top() + area.height() / 4);
  noFaceHint->hide();
  calibrationOverlay = new CalibrationOverlay(picture, [this] { controller->CancelCalibration(); });
  return true;
}

void CGlimmo2Dlg::AddAboutItem() {
  systemMenu = new QMenu(this);
  systemMenu->addAction(QStringLiteral("&Tanca"), this, [this] {
    ui::Dispatch(*this, ui::Message::SysCommand, {kSysClose, 0});
  });
  AddTrackingItems();
  const QString text = res::LoadString(res::kAboutMenuString);
  if (text.isEmpty()) return;
  systemMenu->addSeparator();
  systemMenu->addAction(text, this, [this] { ui::Dispatch(*this, ui::Message::SysCommand, {res::kAboutCommand, 0}); });
}

void CGlimmo2Dlg::AddTrackingItems() {
  systemMenu->addSeparator();
  QMenu* tracking = systemMenu->addMenu(QStringLiteral("&Seguiment"));
  auto* choices = new QActionGroup(tracking);
  for (const auto& [text, itemTracking] : {std::pair{"Còmode (moviment del cap)", IRISDET_TRACKING_COMFORT},
                                           {"Posició dels ulls", IRISDET_TRACKING_EYES},
                                           {"Mirada (moviment dels ulls)", IRISDET_TRACKING_GAZE}}) {
    const IrisdetTracking chosen = itemTracking;  // a lambda cannot capture a structured binding before C++20's clang
    QAction* choice = tracking->addAction(QString::fromUtf8(text), this, [this, chosen] { OnTrackingChosen(chosen); });
    choice->setCheckable(true);
    choice->setData(static_cast<int>(chosen));
    choices->addAction(choice);
  }
  // Ticked as the detector tracks, each time the menu opens: a cancelled calibration
  // keeps the tracking before it.
  const auto tick = [this, choices] {
    const int inUse = static_cast<int>(controller->Session().TrackingInUse());
    for (QAction* choice : choices->actions()) choice->setChecked(choice->data().toInt() == inUse);
  };
  tick();
  connect(tracking, &QMenu::aboutToShow, this, tick);
  systemMenu->addAction(QStringLiteral("&Centra la posició\tC"), this, &CGlimmo2Dlg::OnRecentre);
  cameraMenu = std::make_unique<CameraMenu>(systemMenu->addMenu(QStringLiteral("C&àmera")), *services.detector,
                                            [this](const std::string& device) { controller->ChooseCamera(device); });
}

void CGlimmo2Dlg::ShowBanner() {
  indicator->setGeometry(320, 240, 200, 30);
  indicator->show();
  indicator->setPixmap(indicatorBitmaps[5]);
}

void CGlimmo2Dlg::OnSysCommand(int id, int /*param*/) {
  if ((id & 0xFFF0) == res::kAboutCommand) {
    if (runAboutBox) runAboutBox(this);
  } else if ((id & 0xFFF0) == kSysClose) {
    reject();  // the platform turns close into the cancel command
  }
}

void CGlimmo2Dlg::OnOptionClicked() { DoDataExchange(true); }

void CGlimmo2Dlg::OnMidaChanged() {
  controller->Session().SetTolerance(platform::ReadDialogInt(Bind<QLineEdit>(*this, res::kMida)->text().toStdString()));
}

void CGlimmo2Dlg::OnCancel() {
  controller->StopForClose();
  QDialog::reject();
}

void CGlimmo2Dlg::reject() { OnCancel(); }

void CGlimmo2Dlg::accept() {
  // Enter outside a push button: ignored, the game may be running.
}

void CGlimmo2Dlg::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_C && !(event->modifiers() & ~Qt::KeypadModifier)) return OnRecentre();
  // Esc during the calibration ends the calibration only; "Sortir" and the close box still close.
  if (event->key() == Qt::Key_Escape && controller->Calibrating()) return controller->CancelCalibration();
  const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
  if (!enter || event->modifiers() & ~Qt::KeypadModifier) return QDialog::keyPressEvent(event);
  // Enter presses the focused push button; anywhere else it is the OK command.
  auto* button = qobject_cast<QPushButton*>(focusWidget());
  if (button && !button->isCheckable() && button->isEnabled())
    button->click();
  else
    accept();
}

void CGlimmo2Dlg::contextMenuEvent(QContextMenuEvent* event) { systemMenu->popup(event->globalPos()); }
