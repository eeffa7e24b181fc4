// Writes the sample projects of examples/ (and, on request, the large benchmark project).
//   make_examples [FOLDER]                the building project and its inserted project into FOLDER
//   make_examples --large FILE [COUNT]    the large project of COUNT work resources (2,000) in 80
//                                         groups that the benchmarks read

#include <cstdlib>
#include <cstring>
#include <iostream>

#include "host/error.hpp"
#include "example_projects.hpp"
#include "projectxml/project_xml.hpp"

int main(int argc, char** argv) {
  using namespace kx;
  try {
    if ((argc == 3 || argc == 4) && std::strcmp(argv[1], "--large") == 0) {
      int count = 2000;
      if (argc == 4) {
        char* end = nullptr;
        const long n = std::strtol(argv[3], &end, 10);
        if (end == argv[3] || *end != '\0' || n < 1 || n > 1000000) {
          std::cerr << "make_examples: \"" << argv[3]
                    << "\" ist keine Zahl von Ressourcen (1 bis 1000000)\n";
          return 2;
        }
        count = static_cast<int>(n);
      }
      platform::WriteFileAtomically(argv[2],
                                    platform::ProjectXmlText(*tools::LargeProject(count, 80)));
      return 0;
    }
    const std::string folder = argc > 1 ? argv[1] : "examples";
    // Source projects as a planning tool exports them: Project XML without companion files.
    platform::WriteFileAtomically(folder + "/" + tools::kBuildingFile,
                                  platform::ProjectXmlText(*tools::BuildingProject()));
    platform::WriteFileAtomically(folder + "/" + tools::kOutdoorFile,
                                  platform::ProjectXmlText(*tools::OutdoorProject()));
  } catch (const host::HostError& e) {
    std::cerr << "make_examples: " << e.description() << "\n";
    return 2;
  }
  return 0;
}
