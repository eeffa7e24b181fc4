#pragma once
// The korvalinx command line: the commands, their German help and messages. The program's main
// and the tests both go through RunCommandLine, so the tests see what a user sees.

#include <CLI/CLI.hpp>
#include <chrono>
#include <functional>
#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

#include "support/date.hpp"
#include "support/message_box.hpp"
#include "support/registry.hpp"

namespace kx::app {

// Where a run of the command line reads and writes.
struct CommandLineEnvironment {
  std::ostream& out;                  // results: the chart line, inspect's text, help
  std::ostream& err;                  // errors, warnings and the progress bar
  RegistryStore* registry = nullptr;  // null: the user's own store
  bool terminal = false;              // `err` is a terminal (the progress bar is drawn)
  bool processEnds = false;           // the program ends after this command line
};

// Runs the command line `args` (without the program's name); returns the exit code.
int RunCommandLine(const std::vector<std::string>& args, CommandLineEnvironment& env);

// Message boxes in the command line's style: "korvalinx: Fehler: ..." for errors (Critical),
// "korvalinx: Warnung: ..." for everything else; further lines indented. Questions are refused.
class CommandLineMessages final : public MessageBoxes {
 public:
  // `lineOpen`, when given, tells whether a progress line is open on `err`; a message then
  // starts on a line of its own.
  explicit CommandLineMessages(std::ostream& err, bool* lineOpen = nullptr)
      : err_(err), lineOpen_(lineOpen) {}
  MsgAnswer Show(const MessageRequest& request) override;

 private:
  std::ostream& err_;
  bool* lineOpen_;
};

// Writes one message in the command line's style.
void PrintMessage(std::ostream& err, bool error, const std::string& text);

// The commands. Each adds itself to `app` and, when it was called, leaves its exit code in
// `exitCode`.
void AddChartCommand(CLI::App& app, CommandLineEnvironment& env, int& exitCode);
void AddInspectCommand(CLI::App& app, CommandLineEnvironment& env, int& exitCode);
void AddHolidaysCommand(CLI::App& app, CommandLineEnvironment& env, int& exitCode);
// "--holidays LAND" of the commands that compare with a state's holidays: the value must name a
// state; the option excludes "--calendar" (checked by the caller).
CLI::Option* AddHolidaysOption(CLI::App* cmd, std::string& value, const std::string& help);
// The choices of a period and a comparison calendar that exclude each other, as the commands that
// take them (--calendar/--holidays, --from without --to, two periods) check them: the German
// refusal, or nullopt.
std::optional<std::string> PeriodAndCalendarProblem(const CLI::App& cmd);

// KORVALINX_ZEITEN=1: the moments at which a run's stages begin, written at its end as one line
// on standard error with the seconds of each stage.
class StageClock {
 public:
  // What the job calls at each stage; empty unless KORVALINX_ZEITEN asks for the times.
  std::function<void(const char*)> Recorder();
  // "korvalinx: Zeiten lesen=0.344 ..." when at least two stages were recorded.
  void Print(std::ostream& err) const;

 private:
  std::vector<std::pair<std::string, std::chrono::steady_clock::time_point>> stages_;
};
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

// Reads "2024-03-15", a date as the regional settings write it ("15.03.2024", in en-GB
// "15/03/2024") or, in any region, "15.03.2024"; nullopt for anything else.
std::optional<Date> ParseCommandLineDate(const std::string& text);
// The day written as ParseCommandLineDate reads it, twice: "15.03.2025 oder 2025-03-15".
std::string CommandLineDateExamples(int year, int month, int day);

}  // namespace kx::app
