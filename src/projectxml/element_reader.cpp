#include "projectxml/element_reader.hpp"

#include "projectxml/project_xml.hpp"

namespace kx::platform::xml_read {

ElementReader::ElementReader(const XmlSource& source, std::vector<std::string>& warnings)
    : source_(source), warnings_(warnings) {
  const xml_node root = source.Root();
  const std::string_view name = root.name();
  const auto colon = name.rfind(':');
  const std::string prefix =
      colon == std::string_view::npos ? "" : std::string(name.substr(0, colon));
  const std::string_view local = colon == std::string_view::npos ? name : name.substr(colon + 1);
  const pugi::xml_attribute ns =
      root.attribute(prefix.empty() ? "xmlns" : ("xmlns:" + prefix).c_str());
  if (local == "Project" && std::string_view(ns.value()) == kProjectXmlNamespace) {
    prefixedNames_ = !prefix.empty();
    return;
  }
  if (local == "Project")
    Fail(root, "keine Project-XML-Datei: das Wurzelelement <Project> gehört nicht zum Namensraum " +
                   std::string(kProjectXmlNamespace));
  Fail(root, "keine Project-XML-Datei: das Wurzelelement ist <" + std::string(name) +
                 ">, erwartet wird <Project> im Namensraum " + kProjectXmlNamespace);
}

}  // namespace kx::platform::xml_read
