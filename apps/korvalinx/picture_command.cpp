// "korvalinx picture CHART -o PICTURE [options]"

#include <iostream>

#include "commands.hpp"
#include "picture_job.hpp"

namespace kx::app {

void AddPictureCommand(CLI::App& app, int& exitCode) {
  auto options = std::make_shared<PictureJobOptions>();
  CLI::App* cmd =
      app.add_subcommand("picture", "Ein Diagramm als Bild zeichnen (PNG, SVG oder PDF)");
  cmd->add_option("CHART", options->chart, "Diagrammdatei (Project XML)")->required();
  cmd->add_option("-o,--output", options->output, "Bilddatei: .png, .svg oder .pdf")->required();
  cmd->add_option("--from", options->from, "erster gezeigter Tag (sonst der Bereich des Diagramms)");
  cmd->add_option("--to", options->to, "letzter gezeigter Tag");
  cmd->add_option("--day-width", options->dayWidth, "Pixel je Tag (0,5 bis 200)");
  cmd->add_option("--paper", options->paper, "PDF: Papierformat A4 oder A3");
  cmd->add_flag("--portrait", options->portrait, "PDF: Hochformat statt Querformat");
  cmd->add_flag("--no-table", options->noTable, "nur die Balken, ohne Tabelle");
  cmd->add_flag("--quiet", options->quiet, "keine Warnungen zur Datei zeigen");
  cmd->callback([options, &exitCode] { exitCode = RunPictureJob(*options, std::cout, std::cerr); });
}

}  // namespace kx::app
