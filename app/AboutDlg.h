#pragma once
#include <QDialog>

// "Acerca de glimmo2": the icon, the version line and "Aceptar".
class CAboutDlg : public QDialog {
  Q_OBJECT
 public:
  explicit CAboutDlg(QWidget* parent = nullptr);
};
