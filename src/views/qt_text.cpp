#include "views/qt_text.hpp"

namespace kx::views {

QString DisplayText(const std::string& text) {
  QString shown = ToQt(text);
  shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  shown.replace(QLatin1Char('\r'), QLatin1Char('\n'));
  return shown;
}

}  // namespace kx::views
