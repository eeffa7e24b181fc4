#include "exports/absence_export.hpp"

#include <xlsxwriter.h>

#include <algorithm>
#include <functional>

#include "exports/chart_table.hpp"
#include "exports/csv_export.hpp"
#include "exports/export_file.hpp"
#include "support/file_writer.hpp"

namespace kx::exports {
namespace {

constexpr const char* kEnd = "\r\n";
constexpr const char* kBom = "\xEF\xBB\xBF";
constexpr lxw_color_t kHeaderShade = 0xF2F2F2;
constexpr lxw_color_t kOverShade = 0xF4CCCC;
constexpr lxw_color_t kOverText = 0x9C0006;

std::string Joined(const std::vector<std::string>& names) {
  std::string text;
  for (const std::string& name : names) text += (text.empty() ? "" : ", ") + name;
  return text;
}

// A cell holds at most 32,767 characters; a longer text is cut at a character's start.
std::string CellText(std::string text) {
  constexpr std::size_t kMost = 32767;
  if (text.size() <= kMost) return text;
  std::size_t cut = kMost;
  while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80) --cut;
  text.resize(cut);
  return text;
}

// A workbook of one sheet, made in a private folder (the library writes by name) and brought to
// its target through the file writer.
class Sheet {
 public:
  Sheet(const std::string& path, const std::string& title, const char* name) {
    book_ = workbook_new(path.c_str());
    if (!book_) throw ExportError("Die Arbeitsmappe kann nicht angelegt werden.");
    lxw_doc_properties properties{};
    properties.title = const_cast<char*>(title.c_str());
    properties.author = const_cast<char*>("Korvalinx");
    workbook_set_properties(book_, &properties);
    sheet = workbook_add_worksheet(book_, name);
    header = workbook_add_format(book_);
    format_set_bold(header);
    format_set_bg_color(header, kHeaderShade);
    format_set_bottom(header, LXW_BORDER_THIN);
    date = workbook_add_format(book_);
    format_set_num_format(date, "dd.mm.yyyy");
    hours = workbook_add_format(book_);
    format_set_num_format(hours, "0.0#");
    over = workbook_add_format(book_);
    format_set_bg_color(over, kOverShade);
    format_set_font_color(over, kOverText);
    overDate = workbook_add_format(book_);
    format_set_num_format(overDate, "dd.mm.yyyy");
    format_set_bg_color(overDate, kOverShade);
    format_set_font_color(overDate, kOverText);
  }
  Sheet(const Sheet&) = delete;
  Sheet& operator=(const Sheet&) = delete;
  ~Sheet() {
    if (book_) workbook_close(book_);
  }

  void Header(const std::vector<const char*>& titles, const std::vector<double>& widths) {
    for (std::size_t c = 0; c < titles.size(); ++c) {
      Check(worksheet_write_string(sheet, 0, static_cast<lxw_col_t>(c), titles[c], header));
      worksheet_set_column(sheet, static_cast<lxw_col_t>(c), static_cast<lxw_col_t>(c), widths[c],
                           nullptr);
    }
    worksheet_freeze_panes(sheet, 1, 0);
  }

  void Check(lxw_error error) {
    if (error != LXW_NO_ERROR)
      throw ExportError(std::string("Die Arbeitsmappe kann nicht gefüllt werden (") +
                        lxw_strerror(error) + ").");
  }

  void Close() {
    const lxw_error error = workbook_close(book_);
    book_ = nullptr;
    if (error != LXW_NO_ERROR)
      throw ExportError(std::string("Die Arbeitsmappe kann nicht geschrieben werden (") +
                        lxw_strerror(error) + ").");
  }

  lxw_worksheet* sheet = nullptr;
  lxw_format* header = nullptr;
  lxw_format* date = nullptr;
  lxw_format* hours = nullptr;
  lxw_format* over = nullptr;
  lxw_format* overDate = nullptr;

 private:
  lxw_workbook* book_ = nullptr;
};

void WriteBook(const std::string& path, const std::string& title, const char* name,
               std::size_t rows, const std::function<void(Sheet&)>& fill) {
  if (rows + 1 > LXW_ROW_MAX)
    throw ExportError("Die Tabelle hat mehr Zeilen, als ein Tabellenblatt fasst.");
  const ScratchFolder scratch;
  if (scratch.Path().empty()) throw ExportError("Es kann kein temporärer Ordner angelegt werden.");
  const std::string made = scratch.Path() + "/mappe.xlsx";
  {
    Sheet sheet(made, title, name);
    fill(sheet);
    sheet.Close();
  }
  WriteFileWhole(path, ReadWrittenFile(made));
}

std::size_t PresenceLines(const chart::AbsenceReport& report) {
  return report.groups.size() * static_cast<std::size_t>(report.DayCount());
}

}  // namespace

std::string ConflictsCsvText(const chart::AbsenceReport& report) {
  std::string text = kBom;
  text += "Gruppe;Ressource;Datum;Stunden;Vorgänge";
  text += kEnd;
  for (const chart::WorkConflict& c : report.conflicts) {
    text += CsvField(c.group) + ';' + CsvField(c.resource) + ';' + DayText(c.day) + ';' +
            HoursText(c.hours) + ';' + CsvField(Joined(c.tasks)) + kEnd;
  }
  return text;
}

std::string PresenceCsvText(const chart::AbsenceReport& report) {
  std::string text = kBom;
  text += "Gruppe;Datum;Ressourcen;abwesend;anwesend;über Grenze";
  text += kEnd;
  const long days = report.DayCount();
  for (const chart::GroupPresence& group : report.groups) {
    const std::string name = CsvField(group.name);
    const std::string resources = std::to_string(group.resources);
    for (long d = 0; d < days; ++d) {
      const auto i = static_cast<std::size_t>(d);
      text += name + ';' + DayText(report.Day(d)) + ';' + resources + ';' +
              std::to_string(group.absent[i]) + ';' + std::to_string(group.present[i]) + ';';
      if (report.limit) text += report.Over(group, d) ? "ja" : "nein";
      text += kEnd;
    }
  }
  return text;
}

void WriteConflictsCsv(const chart::AbsenceReport& report, const std::string& path) {
  WriteFileWhole(path, ConflictsCsvText(report));
}

void WritePresenceCsv(const chart::AbsenceReport& report, const std::string& path) {
  WriteFileWhole(path, PresenceCsvText(report));
}

void WriteConflictsXlsx(const chart::AbsenceReport& report, const std::string& title,
                        const std::string& path) {
  WriteBook(path, title, "Konflikte", report.conflicts.size(), [&](Sheet& s) {
    s.Header({"Gruppe", "Ressource", "Datum", "Stunden", "Vorgänge"}, {18, 24, 12, 10, 50});
    lxw_row_t r = 0;
    for (const chart::WorkConflict& c : report.conflicts) {
      ++r;
      s.Check(worksheet_write_string(s.sheet, r, 0, CellText(c.group).c_str(), nullptr));
      s.Check(worksheet_write_string(s.sheet, r, 1, CellText(c.resource).c_str(), nullptr));
      s.Check(worksheet_write_number(s.sheet, r, 2, c.day.serial, s.date));
      s.Check(worksheet_write_number(s.sheet, r, 3, c.hours, s.hours));
      s.Check(worksheet_write_string(s.sheet, r, 4, CellText(Joined(c.tasks)).c_str(), nullptr));
    }
    worksheet_autofilter(s.sheet, 0, 0, r, 4);
  });
}

void WritePresenceXlsx(const chart::AbsenceReport& report, const std::string& title,
                       const std::string& path) {
  WriteBook(path, title, "Anwesenheit", PresenceLines(report), [&](Sheet& s) {
    s.Header({"Gruppe", "Datum", "Ressourcen", "abwesend", "anwesend", "über Grenze"},
             {18, 12, 11, 10, 10, 12});
    lxw_row_t r = 0;
    const long days = report.DayCount();
    for (const chart::GroupPresence& group : report.groups) {
      for (long d = 0; d < days; ++d) {
        ++r;
        const auto i = static_cast<std::size_t>(d);
        const bool over = report.Over(group, d);
        lxw_format* f = over ? s.over : nullptr;
        s.Check(worksheet_write_string(s.sheet, r, 0, CellText(group.name).c_str(), f));
        s.Check(worksheet_write_number(s.sheet, r, 1, report.Day(d).serial, over ? s.overDate : s.date));
        s.Check(worksheet_write_number(s.sheet, r, 2, group.resources, f));
        s.Check(worksheet_write_number(s.sheet, r, 3, group.absent[i], f));
        s.Check(worksheet_write_number(s.sheet, r, 4, group.present[i], f));
        if (report.limit) s.Check(worksheet_write_string(s.sheet, r, 5, over ? "ja" : "nein", f));
      }
    }
    worksheet_autofilter(s.sheet, 0, 0, r, 5);
  });
}

}  // namespace kx::exports
