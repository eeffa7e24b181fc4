// "korvalinx inspect FILE [--json]": what the planning host reads from a project file.

#include <memory>

#include "command_line.hpp"
#include "projectxml/inspect.hpp"

namespace kx::app {

void AddInspectCommand(CLI::App& app, CommandLineEnvironment& env, int& exitCode) {
  CLI::App* cmd =
      app.add_subcommand("inspect", "zeigen, was Korvalinx aus einer Projektdatei liest");
  cmd->formatter(app.get_formatter());
  cmd->set_help_flag("-h,--help", "diese Hilfe zeigen");
  auto file = std::make_shared<std::string>();
  auto json = std::make_shared<bool>(false);
  cmd->add_option("DATEI", *file, "die Projektdatei (Project XML)")->required();
  cmd->add_flag("--json", *json, "die Ausgabe als ein JSON-Objekt");
  cmd->footer(
      "Beispiele:\n"
      "  korvalinx inspect neubau.xml\n"
      "  korvalinx inspect --json neubau.xml\n"
      "\n"
      "Rückgabewerte:\n"
      "  0  gelesen\n"
      "  1  die Ausgabe kann nicht geschrieben werden\n"
      "  2  die Datei kann nicht gelesen werden");
  cmd->callback([&env, &exitCode, file, json] {
    exitCode = platform::RunInspect(*file, *json, env.out, env.err);
  });
}

}  // namespace kx::app
