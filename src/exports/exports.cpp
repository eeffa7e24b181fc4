#include "exports/exports.hpp"

#include <unistd.h>

#include <filesystem>
#include <functional>

#include "exports/chart_table.hpp"
#include "exports/csv_export.hpp"
#include "exports/ics_export.hpp"
#include "exports/xlsx_export.hpp"
#include "support/paths.hpp"
#include "support/product.hpp"

namespace kx::exports {
namespace {

namespace fs = std::filesystem;

struct Target {
  const char* kind;  // "CSV-Datei", ...: all three take "die"
  const std::string* path;
  void (*write)(const ChartTable&, const std::string&);  // null: the workbook
};

std::vector<Target> TargetsOf(const ExportTargets& targets) {
  std::vector<Target> list;
  if (!targets.csv.empty()) list.push_back({"CSV-Datei", &targets.csv, WriteCsv});
  if (!targets.ics.empty()) list.push_back({"Kalenderdatei", &targets.ics, WriteIcs});
  if (!targets.xlsx.empty()) list.push_back({"Arbeitsmappe", &targets.xlsx, nullptr});
  return list;
}

std::string Quoted(const std::string& path) { return "\"" + path + "\""; }

fs::path Resolved(const std::string& path) {
  std::error_code ec;
  fs::path p = fs::weakly_canonical(fs::absolute(path, ec), ec);
  return ec ? fs::path(path).lexically_normal() : p;
}

std::optional<std::string> CheckPath(const Target& target, bool& cannotWrite) {
  const std::string& path = *target.path;
  const std::string what = "Die " + std::string(target.kind) + " " + Quoted(path);
  std::error_code ec;
  const fs::path p(path);
  if (!p.has_filename() || fs::is_directory(p, ec))
    return what + " ist ein Ordner, keine Datei.";
  fs::path folder = fs::absolute(p, ec).parent_path();
  if (ec || folder.empty()) folder = p.has_parent_path() ? p.parent_path() : fs::path(".");
  if (!fs::is_directory(folder, ec))
    return "Der Ordner " + Quoted(folder.string()) + " für die " + target.kind + " " +
           Quoted(path) + " " + NotFoundText(folder.string()) + ".";
  cannotWrite = true;
  if (::access(folder.c_str(), W_OK | X_OK) != 0)
    return "In den Ordner " + Quoted(folder.string()) + " kann nicht geschrieben werden.";
  cannotWrite = false;
  if (fs::exists(fs::symlink_status(p, ec))) {
    if (!fs::is_regular_file(fs::status(p, ec))) return what + " ist keine gewöhnliche Datei.";
    cannotWrite = true;
    if (::access(path.c_str(), W_OK) != 0) return what + " ist schreibgeschützt.";
    cannotWrite = false;
  }
  return std::nullopt;
}

}  // namespace

std::optional<std::string> CheckExportTargets(const ExportTargets& targets,
                                              const std::string& chartPath, bool* cannotWrite) {
  const std::vector<Target> list = TargetsOf(targets);
  for (std::size_t i = 0; i < list.size(); ++i) {
    bool denied = false;
    if (auto problem = CheckPath(list[i], denied)) {
      if (cannotWrite != nullptr) *cannotWrite = denied;
      return problem;
    }
    const fs::path self = Resolved(*list[i].path);
    if (!chartPath.empty() && self == Resolved(chartPath))
      return "Die " + std::string(list[i].kind) + " " + Quoted(*list[i].path) +
             " ist zugleich die Diagrammdatei.";
    for (std::size_t j = 0; j < i; ++j) {
      if (self == Resolved(*list[j].path))
        return "Die " + std::string(list[i].kind) + " " + Quoted(*list[i].path) +
               " ist zugleich die " + list[j].kind + ".";
    }
  }
  return std::nullopt;
}

bool WriteExports(const chart::clsKorvalinx& engine, const std::string& sourceName,
                  const std::string& chartPath, const ExportTargets& targets, MessageBoxes& boxes,
                  std::vector<std::string>* written, const chart::AbsenceReport* presence) {
  const std::vector<Target> list = TargetsOf(targets);
  if (list.empty()) return true;
  std::optional<ChartTable> table;
  try {
    table = ReadChartTable(engine, sourceName, chartPath);
    if (targets.holidays) MarkHolidays(*table, *targets.holidays);
  } catch (const ExportError& e) {
    ShowMessage(boxes, e.what(), kProductTitle, MsgIcon::Critical);
    return false;
  }
  bool ok = true;
  for (const Target& target : list) {
    try {
      if (!target.write)
        WriteXlsx(*table, *target.path, presence);
      else
        target.write(*table, *target.path);
      if (written) written->push_back(std::string(target.kind) + " gespeichert: " + *target.path);
    } catch (const std::exception& e) {
      ok = false;
      ShowMessage(boxes,
                  "Die " + std::string(target.kind) + " " + Quoted(*target.path) +
                      " konnte nicht geschrieben werden:\r\n" + e.what(),
                  kProductTitle, MsgIcon::Critical);
    }
  }
  return ok;
}

}  // namespace kx::exports
