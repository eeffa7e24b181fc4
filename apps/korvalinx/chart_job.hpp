#pragma once
// "korvalinx chart": the wizard's work without windows. Opens the source project, takes its
// stored chart settings (else the user's defaults), lets the options override them, checks
// what the wizard checks, runs the chart and saves it as Project XML.

#include <iosfwd>
#include <optional>
#include <string>

#include "support/date.hpp"
#include "support/message_box.hpp"
#include "support/registry.hpp"

namespace kx::app {

struct ChartJobOptions {
  std::string source;
  std::string output;
  std::optional<std::string> plan;  // "schedule" or "vacation"
  bool wholeProject = false;        // --period project
  std::optional<int> year;
  std::optional<std::string> from;  // ISO or German date text
  std::optional<std::string> to;
  std::optional<std::string> calendar;
  std::optional<std::string> filter;
  std::optional<bool> group;
  std::optional<bool> keepEmpty;
  std::optional<int> colour;  // position 1 to 17
  bool colours = false;       // a colour per resource
  bool saveSettings = false;
  bool yes = false;
  bool quiet = false;
};

// Exit codes: 0 chart written, 1 the chart could not be saved, 2 bad input (nothing written).
inline constexpr int kExitOk = 0;
inline constexpr int kExitSaveFailed = 1;
inline constexpr int kExitBadInput = 2;

// Runs the job. Messages go through `boxes`; the progress goes to `progress` when it is not
// null; the result line ("Urlaubsplan gespeichert: ...") to `out`.
int RunChartJob(const ChartJobOptions& options, MessageBoxes& boxes, RegistryStore& registry,
                std::ostream& out, std::ostream* progress);

// Reads "2024-03-15" or "15.03.2024"; nullopt for anything else.
std::optional<Date> ParseCommandLineDate(const std::string& text);

}  // namespace kx::app
