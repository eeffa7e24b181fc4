// korvalinx: the command line program. Each subcommand is one call below.

#include <iostream>

#include "commands.hpp"

int main(int argc, char** argv) {
  CLI::App app{"Korvalinx: Ressourcenzeitplan und Urlaubsplan aus einem Projektplan", "korvalinx"};
  app.option_defaults()->group("Optionen");
  app.set_help_flag("-h,--help", "Diese Hilfe zeigen");
  app.get_formatter()->label("Usage", "Aufruf");
  app.get_formatter()->label("OPTIONS", "OPTIONEN");
  app.get_formatter()->label("SUBCOMMAND", "BEFEHL");
  app.get_formatter()->label("SUBCOMMANDS", "BEFEHLE");
  app.get_formatter()->label("REQUIRED", "nötig");
  app.get_formatter()->label("POSITIONALS", "ARGUMENTE");
  app.get_formatter()->label("Options", "Optionen");
  app.get_formatter()->label("Subcommands", "Befehle");
  app.get_formatter()->label("Positionals", "Argumente");
  app.require_subcommand(1);

  int exitCode = 0;
  kx::app::AddInspectCommand(app, exitCode);
  kx::app::AddChartCommand(app, exitCode);
#ifdef KX_WITH_PICTURE
  kx::app::AddPictureCommand(app, exitCode);
#endif

  try {
    app.parse(argc, argv);
  } catch (const CLI::CallForHelp&) {
    std::cout << app.help();
    return 0;
  } catch (const CLI::ParseError& e) {
    std::cerr << "korvalinx: ungültiger Aufruf: " << kx::app::UsageProblem(e)
              << "; Hilfe mit: korvalinx --help\n";
    return 2;
  }
  return exitCode;
}
