#include "AboutDlg.h"

#include "resources.h"
#include "template_builder.h"

CAboutDlg::CAboutDlg(QWidget* parent) : QDialog(parent) {
  ui::BuildFromTemplate(*this, res::AboutDialogTemplate());
  setWindowIcon(res::LoadAppIcon());
}
