#pragma once
// The three checks of a chart's entries (where it is saved, its period, its resources), shared by
// the wizard and the command line. Each returns nothing when the entry passes, else the problem
// with the message the wizard shows.

#include <cstdint>
#include <optional>
#include <string>

#include "host/host.hpp"
#include "support/date.hpp"
#include "support/product.hpp"

namespace kx::chart {

inline constexpr const char* kTextPathMissing =
    "Legen Sie den Speicherort des Diagramms fest.      ";
inline constexpr const char* kTextPathRefused =
    "Die Diagrammdatei kann an der ausgewählten Stelle      \r\n"
    "nicht gespeichert werden. Bitte wählen Sie einen      \r\n"
    "anderen Speicherort aus.";
// The same refusal when "Ende" raises it (the second line ends in four blanks).
inline constexpr const char* kTextPathRefusedAtFinish =
    "Die Diagrammdatei kann an der ausgewählten Stelle      \r\n"
    "nicht gespeichert werden. Bitte wählen Sie einen    \r\n"
    "anderen Speicherort aus.";
inline constexpr const char* kTextDateOrder =
    "Das Enddatum liegt vor dem Anfangsdatum.      \r\n"
    "Bitte wählen Sie ein späteres Enddatum.";
inline constexpr const char* kTextNoChartResources =
    "Es sind keine Ressourcen für das      \r\n"
    "Ressourcendiagramm vorhanden. Bitte       \r\n"
    "wählen Sie einen anderen Filter aus.";

// What is wrong with a chart path.
enum class PathProblem {
  Missing,         // empty, or blanks only
  Folder,          // names a folder (or ends with "/")
  NoFolder,        // its folder does not exist
  FolderReadOnly,  // its folder cannot be written
  NotAFile,        // something other than an ordinary file is there
  WriteProtected,  // an existing file that is write-protected
  OpenInHost,      // a file of the open projects (a project, an inserted project, a file kept
                   // beside one) would be replaced by the chart or a file saved with it
};

enum class CheckKind { Path, Date, Resources };

struct CheckProblem {
  CheckKind check = CheckKind::Path;
  PathProblem path = PathProblem::Missing;  // for CheckKind::Path
  std::string text;                         // the wizard's message, lines joined by "\r\n"
  std::string title;   // its title: the wizard's caption, or "Korvalinx" for the date check
  std::string detail;  // one German sentence naming exactly what is wrong (for the command line)
};

// Checks that a chart can be saved at `path`: not empty, not a folder, in a folder that exists
// and can be written, not a write-protected or special file, and neither it nor a file saved
// beside it one of the files of the projects open in `application`: their own files, those of
// the projects inserted into them and the files kept beside them (compared as resolved paths;
// null: no project is compared). An ordinary
// writable file passes: the chart replaces it only once the chart has been saved. `atFinish`
// picks the message variant of "Ende". Never throws.
std::optional<CheckProblem> CheckChartPath(host::Application* application, const std::string& path,
                                           bool atFinish = false);

// Returns the problem when the day of `to` lies before the day of `from` (times of day do not
// count; equal days pass).
std::optional<CheckProblem> CheckDateRange(Date from, Date to);

// Returns the problem when the period from `from` to `to` reaches outside the host's calendar
// years (1984 to 2049), whose days alone a chart can show; the message names both dates.
std::optional<CheckProblem> CheckCalendarYears(Date from, Date to);

// Returns the problem when no resource is left for the chart (`count` is 0 or less).
std::optional<CheckProblem> CheckResourceCount(std::int32_t count);

}  // namespace kx::chart
