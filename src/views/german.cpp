#include "views/german.hpp"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>
#include <clocale>

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
  qputenv("LC_ALL", "de_DE.UTF-8");
}

void KeepCNumbers() {
  std::setlocale(LC_NUMERIC, "C");
}

}  // namespace kx::views
