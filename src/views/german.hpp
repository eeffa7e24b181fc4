#pragma once
// Qt's own texts (buttons of message boxes, the file dialogs, the calendar) in German, and the
// German locale for dates and numbers.

#include <QString>

class QCoreApplication;

namespace kx::views {

struct GermanTexts {
  bool translated = false;  // Qt's German catalogue was found and installed
  QString catalogue;        // the file it was read from, or the folder searched
};

// Installs Qt's German catalogue ("qtbase_de" from Qt's translations folder, as Debian's
// qt6-translations-l10n puts it there) on `app` and makes German (Germany) the default locale.
// Without the catalogue Qt's texts stay English; the locale is set in any case.
GermanTexts UseGerman(QCoreApplication& app);

// Before the application is made: Qt's dialogs take some texts (the dates and sizes of the file
// dialog's list) from the process's locale, so the process gets the German one, whatever its
// environment says.
void UseGermanProcessLocale();

// After the application is made, which sets the C library's locale from the environment: the C
// library's numbers stay those of the "C" locale, so that printf and strtod never meet a
// decimal comma in a file's numbers.
void KeepCNumbers();

}  // namespace kx::views
