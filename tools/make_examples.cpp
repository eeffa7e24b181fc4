// Writes the sample projects of examples/ (and, on request, the large benchmark project).
//   make_examples [FOLDER]            the building project and its inserted project into FOLDER
//   make_examples --large FILE        the project of 2,000 resources that the benchmarks read

#include <cstring>
#include <iostream>

#include "addin/host/error.hpp"
#include "example_projects.hpp"
#include "platform/project_xml.hpp"

int main(int argc, char** argv) {
  using namespace kx;
  try {
    if (argc == 3 && std::strcmp(argv[1], "--large") == 0) {
      platform::WriteFileAtomically(argv[2], platform::ProjectXmlText(*tools::LargeProject()));
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
