// "korvalinx chart SOURCE -o CHART [options]"

#include <unistd.h>

#include <iostream>

#include "chart_job.hpp"
#include "commands.hpp"
#include "platform/user_store.hpp"
#include "support/console_message_boxes.hpp"

namespace kx::app {

void AddChartCommand(CLI::App& app, int& exitCode) {
  auto options = std::make_shared<ChartJobOptions>();
  CLI::App* cmd = app.add_subcommand(
      "chart", "Ressourcenzeitplan oder Urlaubsplan aus einer Projektdatei erstellen");
  cmd->add_option("SOURCE", options->source, "Quellprojekt (Project XML)")->required();
  cmd->add_option("-o,--output", options->output, "Diagrammdatei, die geschrieben wird")
      ->required();
  cmd->add_option("--plan", options->plan,
                  "schedule (Ressourcenzeitplan) oder vacation (Urlaubsplan)");
  cmd->add_option_function<std::string>(
         "--period", [options](const std::string&) { options->wholeProject = true; },
         "Zeitraum: gesamte Projektdauer (--period project)")
      ->check(CLI::IsMember({"project"}));
  cmd->add_option("--year", options->year, "Zeitraum: ein Kalenderjahr (1984 bis 2049)");
  cmd->add_option("--from", options->from, "Zeitraum ab (2024-03-15 oder 15.03.2024)");
  cmd->add_option("--to", options->to, "Zeitraum bis (2024-12-31 oder 31.12.2024)");
  cmd->add_option("--calendar", options->calendar,
                  "spezieller Vergleichskalender (sonst der Basiskalender jeder Ressource)");
  cmd->add_option("--filter", options->filter, "Ressourcenfilter des Projekts");
  cmd->add_flag("--group,!--no-group", options->group, "nach Ressourcengruppen zusammenfassen");
  cmd->add_flag("--keep-empty,!--drop-empty", options->keepEmpty,
                "Ressourcen ohne Werte im Diagramm behalten");
  cmd->add_option("--colour", options->colour, "eine Farbe für alle Balken (Position 1 bis 17)");
  cmd->add_flag("--colours", options->colours, "eine Farbe je Ressource");
  cmd->add_flag("--save-settings", options->saveSettings,
                "Einstellungen im Quellprojekt speichern (Begleitdatei)");
  cmd->add_flag("--yes", options->yes, "trotz doppelter Ressourcennamen fortfahren");
  cmd->add_flag("--quiet", options->quiet, "keinen Fortschritt zeigen");
  cmd->callback([options, &exitCode] {
    ConsoleMessageBoxes boxes(std::cerr, options->yes ? std::optional<bool>(true) : std::nullopt);
    const std::string storePath = platform::UserRegistryStore::DefaultPath();
    std::unique_ptr<RegistryStore> store;
    if (storePath.empty()) {
      store = std::make_unique<MemoryRegistryStore>();
    } else {
      store = std::make_unique<platform::UserRegistryStore>(storePath);
    }
    const bool terminal = !options->quiet && ::isatty(STDERR_FILENO);
    exitCode = RunChartJob(*options, boxes, *store, std::cout, terminal ? &std::cerr : nullptr);
  });
}

}  // namespace kx::app
