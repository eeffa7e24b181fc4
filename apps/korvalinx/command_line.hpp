#pragma once
// The korvalinx command line: the commands, their German help and messages. The program's main
// and the tests both go through RunCommandLine, so the tests see what a user sees.

#include <CLI/CLI.hpp>
#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

#include "job/terminal.hpp"

namespace kx::app {

// Where a run reads and writes, its messages, and the values every command reads alike: the
// jobs' own (src/job).
using job::CommandEnvironment;
using CommandLineEnvironment = job::CommandEnvironment;
using job::CommandLineDateExamples;
using job::CommandLineMessages;
using job::ParseCommandLineDate;
using job::PrintMessage;
using job::StageClock;

// Runs the command line `args` (without the program's name); returns the exit code.
int RunCommandLine(const std::vector<std::string>& args, CommandLineEnvironment& env);

// The commands. Each adds itself to `app` and, when it was called, leaves its exit code in
// `exitCode`.
void AddChartCommand(CLI::App& app, CommandLineEnvironment& env, int& exitCode);
void AddInspectCommand(CLI::App& app, CommandLineEnvironment& env, int& exitCode);
void AddHolidaysCommand(CLI::App& app, CommandLineEnvironment& env, int& exitCode);
// "--holidays LAND" of the commands that compare with a state's holidays: the value must name a
// state; the option excludes "--calendar" (checked by the caller).
CLI::Option* AddHolidaysOption(CLI::App* cmd, std::string& value, const std::string& help);
void AddConflictsCommand(CLI::App& app, CommandLineEnvironment& env, int& exitCode);
void AddPresenceCommand(CLI::App& app, CommandLineEnvironment& env, int& exitCode);
#ifdef KX_WITH_PICTURE
void AddRenderCommand(CLI::App& app, CommandLineEnvironment& env, int& exitCode);
#endif

// The help of `app` in German, aligned by the characters shown (not bytes): usage, description,
// arguments, options, subcommands and the footer.
class GermanHelp final : public CLI::Formatter {
 public:
  std::string make_help(const CLI::App* app, std::string name,
                        CLI::AppFormatMode mode) const override;
};

}  // namespace kx::app
