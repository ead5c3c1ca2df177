#pragma once
#include <QDialog>
#include <functional>
#include <map>

#include "res/templates.h"

// Builds a dialog's children from its template table, in template order (which is
// also the tab order), sized from dialog units. Each child keeps its numeric id.
namespace ui {

using ControlFactory = std::function<QWidget*(const res::ControlTemplate&, QWidget* parent)>;

// Creates the children and fixes the dialog's size and caption. `custom` may make a
// control itself (return null to get the standard one).
void BuildFromTemplate(QDialog& dialog, const res::DialogTemplate& dialogTemplate, const ControlFactory& custom = {});

// The child with the given template id, or null.
QWidget* FindControl(const QWidget& dialog, int id);

int ControlId(const QWidget& control);  // res::kNoId when it has none

}  // namespace ui
