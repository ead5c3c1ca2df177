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
#include "platform/sound_player.h"
#include "res/resource_ids.h"
#include "res/resources.h"
#include "ui/message_map.h"
#include "ui/template_builder.h"
#include "video/Showpic.h"

namespace {

template <typename T>
T* Bind(const QWidget& dialog, int id) {
  return qobject_cast<T*>(ui::FindControl(dialog, id));
}

// The services with the real ones wherever none was given.
DialogServices WithDefaults(DialogServices s) {
  if (!s.detector) s.detector = &game::DetectorEyeSource();
  if (!s.clock) s.clock = &game::SystemClock();
  if (!s.chance) s.chance = &game::CLibraryChance();
  if (!s.launch) s.launch = game::StdThreadLauncher();
  if (!s.soundAvailable && s.playSound) s.soundAvailable = [] { return true; };  // sounds of its own
  if (!s.soundAvailable) s.soundAvailable = [] { return platform::SoundPlayer::Instance().Available(); };
  return s;
}

}  // namespace

CGlimmo2Dlg::CGlimmo2Dlg(QWidget* parent, DialogServices dialogServices)
    : QDialog(parent), icon(res::LoadAppIcon()), services(WithDefaults(std::move(dialogServices))) {
  session =
      std::make_unique<game::GameSession>(*this, playfield, *this,
                                          game::GameServices{*services.detector, pointer, services.pointerFromStart,
                                                             *services.clock, *services.chance, services.launch});
  ui::BuildFromTemplate(*this, res::MainDialogTemplate(), [](const res::ControlTemplate& t, QWidget* p) {
    return t.id == res::kPicture ? new CShowpic(p) : nullptr;
  });
  ui::ConnectControlRoutes(*this);
  // Qt's default coarse timer may fire 5 % off its interval: 2 ms of a red-band beep's 40.
  cueTimer.setTimerType(Qt::PreciseTimer);
  connect(&cueTimer, &QTimer::timeout, this, [this] { ui::Dispatch(*this, ui::Message::Timer, {kCueTimerId, 0}); });
  connect(&pointerTimer, &QTimer::timeout, this, &CGlimmo2Dlg::FollowPointer);
  connect(&cameraWatch, &QTimer::timeout, this, &CGlimmo2Dlg::WatchCamera);
  OnInitDialog();
}

CGlimmo2Dlg::~CGlimmo2Dlg() { session->StopForClose(); }

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
    connect(flipVerticalCheck, &QCheckBox::toggled, this, [this](bool on) { flipVerticalOn = on; });
    connect(flipHorizontalCheck, &QCheckBox::toggled, this, [this](bool on) { flipHorizontalOn = on; });
  }
  // The radio group 1009/1010: index 0 "Dreta-esquerra", 1 "Detector".
  auto* first = Bind<QRadioButton>(*this, res::kDretaEsquerra);
  auto* second = Bind<QRadioButton>(*this, res::kDetector);
  if (saving) {
    session->feedbackMode = first->isChecked() ? 0 : second->isChecked() ? 1 : -1;
  } else {
    first->setChecked(session->feedbackMode == 0);
    second->setChecked(session->feedbackMode == 1);
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
  playfield = {0, 0, client.width(), client.height()};
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
  const bool eyesChosen = qgetenv("IRISDET_TRACKING") == "eyes";  // as the detector reads it
  for (const auto& [text, comfortableItem] :
       {std::pair{"Còmode (moviment del cap)", true}, {"Posició dels ulls", false}}) {
    const bool comfortable = comfortableItem;  // a lambda cannot capture a structured binding before C++20's clang
    QAction* choice =
        tracking->addAction(QString::fromUtf8(text), this, [this, comfortable] { OnTrackingChosen(comfortable); });
    choice->setCheckable(true);
    choice->setChecked(comfortable != eyesChosen);
    choices->addAction(choice);
  }
  systemMenu->addAction(QStringLiteral("&Centra la posició\tC"), this, &CGlimmo2Dlg::OnRecentre);
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

void CGlimmo2Dlg::OnPaint() { DrawReveal(std::nullopt); }

void CGlimmo2Dlg::OnOptionClicked() { DoDataExchange(true); }

void CGlimmo2Dlg::OnMidaChanged() {
  session->tolerance = platform::ReadDialogInt(Bind<QLineEdit>(*this, res::kMida)->text().toStdString());
}

void CGlimmo2Dlg::OnCancel() {
  session->StopForClose();
  QDialog::reject();
}

bool CGlimmo2Dlg::FlipVertical() const { return flipVerticalOn; }
bool CGlimmo2Dlg::FlipHorizontal() const { return flipHorizontalOn; }

void CGlimmo2Dlg::reject() { OnCancel(); }

void CGlimmo2Dlg::accept() {
  // Enter outside a push button: ignored, the game may be running.
}

void CGlimmo2Dlg::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_C && !(event->modifiers() & ~Qt::KeypadModifier)) return OnRecentre();
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

void CGlimmo2Dlg::paintEvent(QPaintEvent* event) {
  ui::Dispatch(*this, ui::Message::Paint);
  QDialog::paintEvent(event);
}
