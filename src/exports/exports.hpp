#pragma once
// The exports of one chart run: CSV, iCalendar and workbook files made from one table, each
// written whole or not at all, failures reported as German messages.

#include <optional>
#include <string>
#include <vector>

#include "chart/absence.hpp"
#include "chart/korvalinx.hpp"
#include "holidays/holidays.hpp"
#include "support/message_box.hpp"

namespace kx::exports {

// The files asked for; an empty path is not written.
struct ExportTargets {
  std::string csv;
  std::string ics;
  std::string xlsx;
  // The state whose holidays the CSV and the workbook mark (the run compared with them).
  std::optional<holidays::State> holidays = std::nullopt;
  bool Any() const { return !csv.empty() || !ics.empty() || !xlsx.empty(); }
};

// Returns a German sentence naming the first target that cannot be written (a folder, a
// missing or read-only folder, a special or write-protected file) or that names the same file
// as another target or as `chartPath` (may be empty); nothing when all can be written.
// `cannotWrite`, when given, tells whether the sentence says that this user may not write there
// (a read-only folder or file: a failed write rather than a wrong entry).
std::optional<std::string> CheckExportTargets(const ExportTargets& targets,
                                              const std::string& chartPath,
                                              bool* cannotWrite = nullptr);

// Reads the table from the engine after its run (saved at `chartPath`, empty when no chart file
// was asked for) and writes every target. A file that cannot
// be written gets a message through `boxes` ("Die CSV-Datei ... konnte nicht geschrieben
// werden: ..."); the others are still written. Appends a line per written file to `written`
// when it is not null. Returns false when any target failed.
// With `presence` the workbook gets the sheet "Anwesenheit" too.
bool WriteExports(const chart::clsKorvalinx& engine, const std::string& sourceName,
                  const std::string& chartPath, const ExportTargets& targets, MessageBoxes& boxes,
                  std::vector<std::string>* written = nullptr,
                  const chart::AbsenceReport* presence = nullptr);

}  // namespace kx::exports
