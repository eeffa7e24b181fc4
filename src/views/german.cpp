#include "views/german.hpp"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>
#include <clocale>
#include <cstring>

#include <langinfo.h>

namespace kx::views {

GermanTexts UseGerman(QCoreApplication& app) {
  const QLocale german(QLocale::German, QLocale::Germany);
  QLocale::setDefault(german);

  GermanTexts result;
  const QString folder = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
  result.catalogue = folder;
  // The translator lives as long as the application that uses it.
  auto* translator = new QTranslator(&app);
  if (translator->load(german, QStringLiteral("qtbase"), QStringLiteral("_"), folder)) {
    result.translated = QCoreApplication::installTranslator(translator);
    result.catalogue = translator->filePath();
  } else {
    delete translator;
  }
  return result;
}

void UseGermanProcessLocale() {
  // The environment's own locale with UTF-8 characters, as Qt would choose it: where the German
  // one is not installed, the application's own setlocale fails and leaves this one (the
  // window system then still gets the titles' characters right).
  std::setlocale(LC_ALL, "");
  if (std::strcmp(nl_langinfo(CODESET), "UTF-8") != 0) std::setlocale(LC_CTYPE, "C.UTF-8");
  // Qt's system locale reads its categories from the environment.
  qputenv("LC_ALL", "de_DE.UTF-8");
}

void KeepCNumbers() {
  std::setlocale(LC_NUMERIC, "C");
}

}  // namespace kx::views
