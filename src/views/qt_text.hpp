#pragma once
// Texts between the model (UTF-8, lines joined by carriage return and line feed) and Qt.

#include <QString>
#include <string>

namespace kx::views {

inline QString ToQt(const std::string& text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

inline std::string FromQt(const QString& text) {
  return text.toUtf8().toStdString();
}

// Returns the text with every carriage return and line feed pair (and any lone carriage return)
// turned into one line break; blanks, trailing ones too, stay as they are.
QString DisplayText(const std::string& text);

}  // namespace kx::views
