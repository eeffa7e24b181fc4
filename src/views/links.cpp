#include "views/links.hpp"

#include <QDesktopServices>
#include <QUrl>

#include "views/qt_text.hpp"

namespace kx::views {

void DesktopLinks::Open(const std::string& address) {
  // The desktop's own answer is not inspected: a browser that does not start leaves the dialog
  // as it is.
  QDesktopServices::openUrl(QUrl(ToQt(address), QUrl::TolerantMode));
}

}  // namespace kx::views
