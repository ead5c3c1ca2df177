#include "app/catalan.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>

bool SpeakCatalan() {
  auto* translator = new QTranslator(QCoreApplication::instance());  // lives with the application
  if (!translator->load(QStringLiteral("qtbase_ca"), QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
    delete translator;
    return false;
  }
  return QCoreApplication::installTranslator(translator);
}
