#include "chart/checks.hpp"

#include <unistd.h>

#include <filesystem>
#include <system_error>

#include "host/guarded_files.hpp"
#include "chart/korvalinx.hpp"
#include "forms/frm_korvalinx.hpp"
#include "settings/chart_settings.hpp"
#include "support/paths.hpp"
#include "support/product.hpp"
#include "support/regional.hpp"
#include "support/text.hpp"

namespace kx::chart {
namespace {

namespace fs = std::filesystem;

std::string Quoted(const std::string& text) {
  return "\"" + text + "\"";
}

CheckProblem Refusal(PathProblem problem, bool atFinish, std::string detail) {
  CheckProblem p;
  p.check = CheckKind::Path;
  p.path = problem;
  p.text = atFinish ? kTextPathRefusedAtFinish : kTextPathRefused;
  p.title = kWizardCaption;
  p.detail = std::move(detail);
  return p;
}

// True when a project open in the host has the file at `path`.
bool OpenInHost(host::Application& application, const std::string& path) {
  host::Resume r;
  std::vector<host::ProjectPtr> projects;
  r([&] { projects = application.GetOpenProjects(); });
  for (const auto& project : projects) {
    bool same = false;
    r([&] { same = project && SameFile(project->GetProjectFullName(), path); });
    if (same) return true;
  }
  return false;
}

bool HasWriteBits(fs::perms perms) {
  constexpr fs::perms kWrite =
      fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write;
  return (perms & kWrite) != fs::perms::none;
}

}  // namespace

std::optional<CheckProblem> CheckChartPath(host::Application* application, const std::string& path,
                                           bool atFinish) {
  if (Trim(path).empty()) {
    CheckProblem p;
    p.check = CheckKind::Path;
    p.path = PathProblem::Missing;
    p.text = kTextPathMissing;
    p.title = kWizardCaption;
    p.detail = "Legen Sie den Speicherort des Diagramms fest.";
    return p;
  }
  if (application != nullptr && OpenInHost(*application, path)) {
    return Refusal(PathProblem::OpenInHost, atFinish,
                   "Die Datei " + Quoted(path) + " ist als Projekt geöffnet.");
  }
  // Nor may the chart or a file saved beside it replace a file of the open projects: an
  // inserted project, or a companion file with its stored settings.
  if (application != nullptr) {
    if (const auto hit = host::FindGuardedFile(*application, path)) {
      return Refusal(PathProblem::OpenInHost, atFinish,
                     hit->written == path
                         ? "Die Datei " + Quoted(path) +
                               " gehört zu einem geöffneten Projekt und darf nicht überschrieben "
                               "werden."
                         : "Beim Speichern des Diagramms würde die Datei " + Quoted(hit->written) +
                               " überschrieben, die zu einem geöffneten Projekt gehört.");
    }
  }

  std::error_code ec;
  const fs::path target(path);
  if (!target.has_filename() || fs::is_directory(target, ec)) {
    return Refusal(PathProblem::Folder, atFinish,
                   "Der Speicherort " + Quoted(path) + " ist ein Ordner, keine Datei.");
  }
  fs::path folder = fs::absolute(target, ec).parent_path();
  if (ec || folder.empty()) folder = target.has_parent_path() ? target.parent_path() : ".";
  if (!fs::is_directory(folder, ec)) {
    return Refusal(
        PathProblem::NoFolder, atFinish,
        "Der Ordner " + Quoted(folder.string()) + " " + NotFoundText(folder.string()) + ".");
  }
  // The chart is written to a temporary file beside the target and renamed over it.
  if (::access(folder.c_str(), W_OK | X_OK) != 0) {
    return Refusal(PathProblem::FolderReadOnly, atFinish,
                   "In den Ordner " + Quoted(folder.string()) + " kann nicht geschrieben werden.");
  }

  const fs::file_status link = fs::symlink_status(target, ec);
  if (fs::exists(link)) {
    const fs::file_status status = fs::status(target, ec);
    if (!fs::is_regular_file(status)) {
      return Refusal(PathProblem::NotAFile, atFinish,
                     Quoted(path) + " ist keine gewöhnliche Datei.");
    }
    if (!HasWriteBits(status.permissions()) || ::access(target.c_str(), W_OK) != 0) {
      return Refusal(PathProblem::WriteProtected, atFinish,
                     "Die Datei " + Quoted(path) + " ist schreibgeschützt.");
    }
  }
  return std::nullopt;
}

std::optional<CheckProblem> CheckDateRange(Date from, Date to) {
  if (!(DateOnly(to) < DateOnly(from))) return std::nullopt;
  CheckProblem p;
  p.check = CheckKind::Date;
  p.text = kTextDateOrder;
  p.title = kProductTitle;
  p.detail = "Das Enddatum liegt vor dem Anfangsdatum.";
  return p;
}

std::optional<CheckProblem> CheckCalendarYears(Date from, Date to) {
  const Date first = DateSerial(settings::kFirstYear, 1, 1);
  const Date last = DateSerial(settings::kLastYear, 12, 31);
  if (!(DateOnly(from) < first) && !(last < DateOnly(to))) return std::nullopt;
  CheckProblem p;
  p.check = CheckKind::Date;
  p.title = kProductTitle;
  p.detail = "Der Zeitraum " + FormatDate(DateOnly(from)) + " bis " + FormatDate(DateOnly(to)) +
             " reicht über die Kalenderjahre " + std::to_string(settings::kFirstYear) + " bis " +
             std::to_string(settings::kLastYear) +
             " hinaus; ein Diagramm kann nur Tage dieser Jahre zeigen.";
  p.text = p.detail;
  return p;
}

std::optional<CheckProblem> CheckResourceCount(std::int32_t count) {
  if (count > 0) return std::nullopt;
  CheckProblem p;
  p.check = CheckKind::Resources;
  p.text = kTextNoChartResources;
  p.title = kWizardCaption;
  p.detail = "Für das Diagramm sind keine Ressourcen vorhanden.";
  return p;
}

}  // namespace kx::chart
