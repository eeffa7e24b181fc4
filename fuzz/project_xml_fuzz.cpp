// libFuzzer target for the Project XML reader: any input is read or refused with a HostError,
// and what the writer makes of a project it read, it reads back to the same text.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "host/error.hpp"
#include "projectxml/project_xml.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace kx::platform;
  const ReadOptions noFiles{false, false};
  std::string first;
  try {
    const LoadResult r =
        ReadProjectXmlText({reinterpret_cast<const char*>(data), size}, "eingabe.xml", noFiles);
    // Small inputs can spell out hundreds of thousands of exception days; writing those twice
    // over only slows the search down.
    std::size_t days = 0;
    for (const auto& c : r.project->calendars) days += c->exceptions.size();
    if (days > 20000) return 0;
    first = ProjectXmlText(*r.project);
  } catch (const kx::host::HostError&) {
    return 0;  // refused with a message: fine
  }
  // Writing is stable: the written file reads back and writes to the same text.
  const LoadResult again = ReadProjectXmlText(first, "eingabe.xml", noFiles);
  if (ProjectXmlText(*again.project) != first) std::abort();
  return 0;
}
