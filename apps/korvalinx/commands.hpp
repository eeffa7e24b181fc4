#pragma once
// The subcommands of the korvalinx program. Each registers itself on the program's command line;
// when it runs, it leaves the program's exit code in `exitCode`.

#include <CLI/CLI.hpp>
#include <string>

namespace kx::app {

// Returns a German description of a command line that could not be read.
std::string UsageProblem(const CLI::ParseError& e);

// "korvalinx inspect FILE [--json]": shows what the planning host reads from a project file.
void AddInspectCommand(CLI::App& app, int& exitCode);

// "korvalinx chart SOURCE -o CHART [options]": makes a resource schedule or a vacation plan.
void AddChartCommand(CLI::App& app, int& exitCode);

// "korvalinx picture CHART -o PICTURE [options]": draws a chart as PNG, SVG or PDF (only when
// the program is built with the renderer).
void AddPictureCommand(CLI::App& app, int& exitCode);

}  // namespace kx::app
