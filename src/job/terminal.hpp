#pragma once
// What the jobs of the command line report to: the terminal's two streams and the user's store,
// messages in the command line's style ("korvalinx: Fehler: ..."), the progress bar, the times of
// a run's stages, and the values every job reads alike (dates, the period and the comparison
// calendar a run is given).

#include <chrono>
#include <functional>
#include <iosfwd>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "support/date.hpp"
#include "support/message_box.hpp"
#include "support/registry.hpp"

namespace kx::job {

struct ChartJobOptions;

// Where a run of the command line reads and writes.
struct CommandEnvironment {
  std::ostream& out;                  // results: the chart line, inspect's text, help
  std::ostream& err;                  // errors, warnings and the progress bar
  RegistryStore* registry = nullptr;  // null: the user's own store
  bool terminal = false;              // `err` is a terminal (the progress bar is drawn)
  bool processEnds = false;           // the program ends after this command line
};

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

// Draws a run's status text and percentage as a bar on the terminal's line.
void DrawProgress(std::ostream& out, double percent, const std::string& text);

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

// The store a run takes the user's defaults from: the environment's, else the user's own
// (`owned` keeps it), whose warnings go to `boxes`. Null after a German message on `boxes` when
// the user's store cannot be read.
RegistryStore* UserStore(const CommandEnvironment& env, MessageBoxes& boxes,
                         std::unique_ptr<RegistryStore>& owned);

// Reads "2024-03-15", a date as the regional settings write it ("15.03.2024", in en-GB
// "15/03/2024") or, in any region, "15.03.2024"; nullopt for anything else.
std::optional<Date> ParseCommandLineDate(const std::string& text);
// The day written as ParseCommandLineDate reads it, twice: "15.03.2025 oder 2025-03-15".
std::string CommandLineDateExamples(int year, int month, int day);

// The choices of a period and a comparison calendar that exclude each other (a calendar and a
// state's holidays, a start without an end, two periods): the German refusal, or nullopt.
std::optional<std::string> PeriodAndCalendarProblem(const ChartJobOptions& options);

}  // namespace kx::job
