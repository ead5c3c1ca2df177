#include "app/AboutDlg.h"

#include "res/resources.h"
#include "ui/template_builder.h"

CAboutDlg::CAboutDlg(QWidget* parent) : QDialog(parent) {
  ui::BuildFromTemplate(*this, res::AboutDialogTemplate());
  setWindowIcon(res::LoadAppIcon());
}
