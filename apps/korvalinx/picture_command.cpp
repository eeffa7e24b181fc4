// "korvalinx render CHART -o PICTURE [options]": draws a chart as PNG, SVG or PDF.

#include <memory>

#include "command_line.hpp"
#include "job/picture_job.hpp"

namespace kx::app {

void AddRenderCommand(CLI::App& app, CommandLineEnvironment& env, int& exitCode) {
  auto options = std::make_shared<job::PictureJobOptions>();
  CLI::App* cmd =
      app.add_subcommand("render", "ein Diagramm als Bild zeichnen (PNG, SVG oder PDF)");
  cmd->formatter(app.get_formatter());
  cmd->set_help_flag("-h,--help", "diese Hilfe zeigen");
  cmd->add_option("DIAGRAMM", options->chart, "die Diagrammdatei (Project XML)")->required();
  cmd->add_option("-o,--output", options->output, "die Bilddatei: .png, .svg oder .pdf")
      ->required()
      ->type_name("BILD");
  cmd->add_option("--from", options->from,
                  "der erste gezeigte Tag (Vorgabe: der Zeitraum des Diagramms)")
      ->type_name("DATUM");
  cmd->add_option("--to", options->to, "der letzte gezeigte Tag")->type_name("DATUM");
  cmd->add_option("--day-width", options->dayWidth,
                  "Pixel je Tag, 0,5 bis 200 (Vorgabe: passend zum Zeitraum)")
      ->type_name("PIXEL");
  cmd->add_option("--paper", options->paper, "PDF: das Papierformat A4 oder A3 (Vorgabe: A4)")
      ->type_name("FORMAT");
  cmd->add_flag("--portrait", options->portrait, "PDF: Hochformat statt Querformat");
  cmd->add_flag("--no-table", options->noTable, "nur die Balken, ohne die Tabelle");
  cmd->add_option("--holidays", options->holidays,
                  "die Feiertage eines Landes (BY, Bayern, ...) wie Wochenenden schattieren")
      ->type_name("LAND");
  cmd->add_flag("--quiet", options->quiet, "keine Warnungen zur Datei zeigen");
  cmd->add_flag("--presence", options->presence,
                "Urlaubsplan mit Gruppen: je Gruppenzeile und Tag die Zahl der Abwesenden");
  cmd->add_option("--max-absent", options->maxAbsent,
                  "mit --presence: Tage mit mehr Abwesenden rot (3 oder 50%)")
      ->type_name("N|N%");
  cmd->footer(
      "Beispiele:\n"
      "  korvalinx render urlaub.xml -o urlaub.pdf\n"
      "  korvalinx render urlaub.xml -o sommer.png --from 01.06.2025 --to 31.08.2025\n"
      "\n"
      "Rückgabewerte:\n"
      "  0  Bild geschrieben\n"
      "  1  das Bild konnte nicht geschrieben werden (eine frühere Datei bleibt erhalten)\n"
      "  2  ungültige Eingabe (nichts geschrieben)\n"
      "  3  Bild geschrieben, aber beim Lesen der Diagrammdatei wurde etwas übergangen");
  cmd->callback([options, &env, &exitCode] {
    exitCode = job::RunPictureJob(*options, env.out, env.err);
  });
}

}  // namespace kx::app
