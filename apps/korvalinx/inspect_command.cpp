#include <iostream>

#include "commands.hpp"
#include "platform/inspect.hpp"

namespace kx::app {

std::string UsageProblem(const CLI::ParseError& e) {
  const std::string what = e.what();
  if (dynamic_cast<const CLI::RequiredError*>(&e)) {
    if (what.find("subcommand") != std::string::npos) return "es fehlt ein Befehl";
    return "es fehlt die Angabe " + what.substr(0, what.find(' '));
  }
  if (dynamic_cast<const CLI::ExtrasError*>(&e)) return "unerwartete Angaben";
  return "die Angaben passen nicht";
}

void AddInspectCommand(CLI::App& app, int& exitCode) {
  auto* cmd = app.add_subcommand("inspect", "Zeigt, was Korvalinx aus einer Projektdatei liest");
  cmd->group("Befehle");
  cmd->set_help_flag("-h,--help", "Diese Hilfe zeigen");
  auto file = std::make_shared<std::string>();
  auto json = std::make_shared<bool>(false);
  cmd->add_option("DATEI", *file, "Projektdatei (Project XML)")->required()->type_name("");
  cmd->add_flag("--json", *json, "Ausgabe als ein JSON-Objekt");
  cmd->callback([&exitCode, file, json] {
    exitCode = platform::RunInspect(*file, *json, std::cout, std::cerr);
  });
}

}  // namespace kx::app
