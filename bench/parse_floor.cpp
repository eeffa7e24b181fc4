// The floor of a chart run: pugixml alone reads a Project XML file and walks every calendar
// exception, resource and timephased record, reading the values a chart needs from them.
//   parse_floor FILE    prints the number of records walked

#include <cstdio>
#include <cstdlib>
#include <pugixml.hpp>

namespace {

// Adds up the lengths of the texts of `names` below `node`, so the walk cannot be left out.
template <std::size_t N>
std::size_t Touch(const pugi::xml_node& node, const char* const (&names)[N]) {
  std::size_t sum = 0;
  for (const char* name : names) {
    const char* text = node.child_value(name);
    while (*text) ++sum, ++text;
  }
  return sum;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "Aufruf: parse_floor DATEI\n");
    return 2;
  }
  pugi::xml_document doc;
  const pugi::xml_parse_result parsed = doc.load_file(argv[1]);
  if (!parsed) {
    std::fprintf(stderr, "parse_floor: %s: %s\n", argv[1], parsed.description());
    return 2;
  }
  const pugi::xml_node project = doc.child("Project");
  std::size_t exceptions = 0, resources = 0, timephased = 0, characters = 0;
  for (const pugi::xml_node calendar : project.child("Calendars").children("Calendar")) {
    for (const pugi::xml_node e : calendar.child("Exceptions").children("Exception")) {
      ++exceptions;
      characters += Touch(e.child("TimePeriod"), {"FromDate", "ToDate"});
      characters += Touch(e, {"Name", "DayWorking"});
    }
  }
  for (const pugi::xml_node r : project.child("Resources").children("Resource")) {
    ++resources;
    characters += Touch(r, {"UID", "Name", "Group", "Type", "CalendarUID"});
  }
  for (const pugi::xml_node a : project.child("Assignments").children("Assignment")) {
    characters += Touch(a, {"TaskUID", "ResourceUID", "Start", "Finish", "Work"});
    for (const pugi::xml_node t : a.children("TimephasedData")) {
      ++timephased;
      characters += Touch(t, {"Start", "Finish", "Value"});
    }
  }
  std::printf("%zu Ausnahmen, %zu Ressourcen, %zu Zeitphasen, %zu Zeichen\n", exceptions, resources,
              timephased, characters);
  return 0;
}
