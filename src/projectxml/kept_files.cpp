// The files of projects that other outputs must not replace, judged where links lead.

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>
#include <string_view>

#include "projectxml/project_xml.hpp"
#include "support/file_writer.hpp"

namespace kx::platform {
namespace {

std::string Quoted(const std::string& text) { return "\"" + text + "\""; }

// Whether the plain file at `path` starts as a Project XML file: declarations, comments and
// blanks, then the root element "Project" in the format's namespace.
bool StartsAsProjectXml(const std::string& path) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return false;
  struct stat st {};
  std::string head(4096, '\0');
  ssize_t n = -1;
  if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode)) n = ::read(fd, head.data(), head.size());
  ::close(fd);
  if (n <= 0) return false;
  head.resize(static_cast<std::size_t>(n));
  std::string_view text(head);
  if (text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);
  for (;;) {
    const std::size_t at = text.find_first_not_of(" \t\r\n");
    if (at == std::string_view::npos) return false;
    text.remove_prefix(at);
    std::string_view end;
    if (text.substr(0, 2) == "<?")
      end = "?>";
    else if (text.substr(0, 4) == "<!--")
      end = "-->";
    else if (text.substr(0, 2) == "<!")
      end = ">";
    else
      break;
    const std::size_t close = text.find(end);
    if (close == std::string_view::npos) return false;
    text.remove_prefix(close + end.size());
  }
  constexpr std::string_view kRoot = "<Project";
  if (text.substr(0, kRoot.size()) != kRoot || text.size() == kRoot.size() ||
      std::string_view(" \t\r\n>").find(text[kRoot.size()]) == std::string_view::npos)
    return false;
  const std::string_view tag = text.substr(0, text.find('>'));
  return tag.find(kProjectXmlNamespace) != std::string_view::npos;
}

}  // namespace

std::optional<KeptFile> KeptFileAt(const std::string& path) {
  if (auto kept = KeptFileOf(path)) return kept;
  return KeptFileOf(LinksLeadTo(path));
}

std::optional<std::string> ProjectFileAt(const std::string& path) {
  if (const auto kept = KeptFileAt(path)) return kept->what + " des Projekts " + Quoted(kept->project);
  const std::string resolved = LinksLeadTo(path);
  if (StartsAsProjectXml(resolved)) return "die Projektdatei " + Quoted(resolved);
  return std::nullopt;
}

}  // namespace kx::platform
