#include "ui/template_builder.h"

#include <QCheckBox>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <algorithm>

#include "res/resource_ids.h"
#include "res/resources.h"
#include "ui/layout_scale.h"

namespace ui {
namespace {

using namespace res::style;
constexpr const char* kIdProperty = "dialogId";

QWidget* MakeButton(const res::ControlTemplate& t, QWidget* parent) {
  const QString text = QString::fromUtf8(t.text);
  switch (t.kind) {
    case res::ControlKind::CheckBox:
      if (t.style & kPushLike) {
        auto* button = new QPushButton(text, parent);
        button->setCheckable(true);
        button->setAutoDefault(false);  // Enter on it is the dialog's OK, not a click
        return button;
      }
      return new QCheckBox(text, parent);
    case res::ControlKind::RadioButton:
      return new QRadioButton(text, parent);
    default: {
      auto* button = new QPushButton(text, parent);
      button->setAutoDefault(false);  // only a default push button answers Enter from elsewhere
      button->setDefault((t.style & kButtonTypeMask) == kDefPushButton);
      return button;
    }
  }
}

QWidget* MakeStatic(const res::ControlTemplate& t, QWidget* parent) {
  auto* label = new QLabel(parent);
  const auto type = t.style & kStaticTypeMask;
  if (type == kStaticIcon) {
    label->setPixmap(res::LoadAppIcon().pixmap(32, 32));
  } else if (type == kStaticBitmap) {
    if (t.image) label->setPixmap(res::LoadBitmap(t.image));
    label->setAlignment(Qt::AlignCenter);
  } else {
    label->setText(QString::fromUtf8(t.text));
    label->setTextFormat(Qt::PlainText);
    const Qt::Alignment vertical = (t.style & kStaticCenterImage) ? Qt::AlignVCenter : Qt::AlignTop;
    label->setAlignment(((type == kStaticCenter) ? Qt::AlignHCenter : Qt::AlignLeft) | vertical);
  }
  if (t.exStyle & kExStaticEdge) label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  return label;
}

QWidget* MakeStandard(const res::ControlTemplate& t, QWidget* parent) {
  switch (t.kind) {
    case res::ControlKind::Static:
      return MakeStatic(t, parent);
    case res::ControlKind::Edit: {
      auto* edit = new QLineEdit(QString::fromUtf8(t.text), parent);
      if (!(t.style & kBorder)) edit->setFrame(false);
      return edit;
    }
    default:
      return MakeButton(t, parent);
  }
}

// Dialog units to the pixels of a layout drawn `scale` times its standard size.
struct Units {
  double scale = 1.0;
  double fontScale = 1.0;  // the desktop's font dpi over 96
  int X(int units) const { return res::DialogUnitsToPixelsX(units, scale); }
  int Y(int units) const { return res::DialogUnitsToPixelsY(units, scale); }
};

void ApplyStyle(QWidget& control, const res::ControlTemplate& t, const Units& units) {
  control.setProperty(kIdProperty, t.id);
  control.setGeometry(units.X(t.x), units.Y(t.y), units.X(t.w), units.Y(t.h));
  // An icon control takes its icon's size, whatever the template says: a 32 px icon in
  // a 20-unit box (30 px) would lose its right edge.
  if (t.kind == res::ControlKind::Static && (t.style & kStaticTypeMask) == kStaticIcon)
    control.resize(control.size().expandedTo(control.sizeHint()));
  control.setEnabled(!(t.style & kDisabled));
  const bool focusable = t.kind != res::ControlKind::Static;
  control.setFocusPolicy(!focusable ? Qt::NoFocus : (t.style & kTabStop) ? Qt::StrongFocus : Qt::ClickFocus);
  control.setVisible(t.style & kVisible);
}

// Buttons 1 and 2 are the dialog's OK and cancel commands.
void ConnectStandardCommand(QDialog& dialog, QWidget& control, int id) {
  auto* button = qobject_cast<QPushButton*>(&control);
  if (!button) return;
  if (id == res::kIdOk) QObject::connect(button, &QPushButton::clicked, &dialog, &QDialog::accept);
  if (id == res::kIdCancel) QObject::connect(button, &QPushButton::clicked, &dialog, &QDialog::reject);
}

// Larger desktop fonts enlarge the layout with them; a screen too small for it (a
// laptop at 150 or 200 %) shrinks it, fonts included, so the whole window fits.
Units UnitsOn(const QDialog& dialog, const res::DialogTemplate& dialogTemplate) {
  const QScreen* screen = dialog.screen() ? dialog.screen() : QGuiApplication::primaryScreen();
  if (!screen) return {};
  const QSize layout(res::DialogUnitsToPixelsX(dialogTemplate.w), res::DialogUnitsToPixelsY(dialogTemplate.h));
  const double fontScale = screen->logicalDotsPerInchY() / 96.0;
  return {LayoutScale(layout, screen->availableGeometry().size(), fontScale), fontScale};
}

}  // namespace

void BuildFromTemplate(QDialog& dialog, const res::DialogTemplate& dialogTemplate, const ControlFactory& custom) {
  dialog.setWindowTitle(QString::fromUtf8(dialogTemplate.caption));
  const Units units = UnitsOn(dialog, dialogTemplate);
  // 8 pt sans-serif: the condensed face keeps the labels within the template's widths.
  // The font grows with the desktop's own; only a shrunk layout shrinks it.
  QFont font(QStringLiteral("DejaVu Sans Condensed"));
  font.setPointSizeF(8.0 * std::min(1.0, units.scale / units.fontScale));
  dialog.setFont(font);
  const int box = units.X(8);  // 12 px at the standard size
  dialog.setStyleSheet(QStringLiteral("QCheckBox, QRadioButton { spacing: 2px; } QCheckBox::indicator, "
                                      "QRadioButton::indicator { width: %1px; height: %1px; }")
                           .arg(box));
  dialog.setFixedSize(units.X(dialogTemplate.w), units.Y(dialogTemplate.h));
  for (const res::ControlTemplate& t : dialogTemplate.controls) {
    QWidget* control = custom ? custom(t, &dialog) : nullptr;
    if (!control) control = MakeStandard(t, &dialog);
    ApplyStyle(*control, t, units);
    ConnectStandardCommand(dialog, *control, t.id);
  }
}

QWidget* FindControl(const QWidget& dialog, int id) {
  for (QWidget* child : dialog.findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
    if (ControlId(*child) == id) return child;
  return nullptr;
}

int ControlId(const QWidget& control) {
  const QVariant id = control.property(kIdProperty);
  return id.isValid() ? id.toInt() : res::kNoId;
}

}  // namespace ui
