#include "template_builder.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

#include "resource_ids.h"
#include "resources.h"

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

void ApplyStyle(QWidget& control, const res::ControlTemplate& t) {
  control.setProperty(kIdProperty, t.id);
  control.setGeometry(res::DialogUnitsToPixelsX(t.x), res::DialogUnitsToPixelsY(t.y),
                      res::DialogUnitsToPixelsX(t.w), res::DialogUnitsToPixelsY(t.h));
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

}  // namespace

void BuildFromTemplate(QDialog& dialog, const res::DialogTemplate& dialogTemplate, const ControlFactory& custom) {
  dialog.setWindowTitle(QString::fromUtf8(dialogTemplate.caption));
  // 8 pt sans-serif: the condensed face keeps the labels within the template's widths.
  dialog.setFont(QFont(QStringLiteral("DejaVu Sans Condensed"), 8));
  dialog.setStyleSheet(QStringLiteral("QCheckBox, QRadioButton { spacing: 2px; } QCheckBox::indicator, QRadioButton::indicator { width: 12px; height: 12px; }"));
  dialog.setFixedSize(res::DialogUnitsToPixelsX(dialogTemplate.w), res::DialogUnitsToPixelsY(dialogTemplate.h));
  for (const res::ControlTemplate& t : dialogTemplate.controls) {
    QWidget* control = custom ? custom(t, &dialog) : nullptr;
    if (!control) control = MakeStandard(t, &dialog);
    ApplyStyle(*control, t);
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
