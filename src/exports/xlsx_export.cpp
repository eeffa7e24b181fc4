#include "exports/xlsx_export.hpp"

#include <xlsxwriter.h>

#include <algorithm>
#include <map>

#include "exports/export_file.hpp"
#include "forms/bar_colors.hpp"
#include "support/file_writer.hpp"

namespace kx::exports {
namespace {

constexpr lxw_color_t kWeekendShade = 0xE4E4E4;
constexpr lxw_color_t kHeaderShade = 0xF2F2F2;
constexpr lxw_color_t kGridGrey = 0xBFBFBF;
constexpr std::size_t kMaxCellText = 32767;

lxw_color_t BarRgb(int code) {
  for (const auto& c : forms::BarColors()) {
    if (c.hostColor == code) {
      return (static_cast<lxw_color_t>(c.fill.red) << 16) |
             (static_cast<lxw_color_t>(c.fill.green) << 8) | static_cast<lxw_color_t>(c.fill.blue);
    }
  }
  return 0x000000;
}

// The library takes 0 for "no colour"; black has a value of its own.
lxw_color_t Colour(lxw_color_t rgb) { return rgb == 0 ? static_cast<lxw_color_t>(LXW_COLOR_BLACK) : rgb; }

bool Dark(lxw_color_t rgb) {
  const double r = (rgb >> 16) & 0xFF, g = (rgb >> 8) & 0xFF, b = rgb & 0xFF;
  return 0.299 * r + 0.587 * g + 0.114 * b < 140.0;
}

// Characters of a UTF-8 text.
std::size_t Characters(const std::string& text) {
  std::size_t n = 0;
  for (const unsigned char c : text) n += (c & 0xC0) != 0x80;
  return n;
}

std::string CellText(const std::string& text) {
  if (text.size() <= kMaxCellText) return text;
  std::size_t cut = kMaxCellText;
  while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80) --cut;
  return text.substr(0, cut);
}

class Workbook {
 public:
  Workbook(const ChartTable& table, const std::string& path, const chart::AbsenceReport* presence)
      : table_(table), presence_(presence) {
    lxw_workbook_options options{};
    options.constant_memory = 0;
    book_ = workbook_new_opt(path.c_str(), &options);
    if (!book_) throw ExportError("Die Arbeitsmappe kann nicht angelegt werden.");
  }
  Workbook(const Workbook&) = delete;
  Workbook& operator=(const Workbook&) = delete;
  ~Workbook() {
    if (book_) {
      // Closing is the only way to release the workbook; the unfinished file is removed with
      // its temporary name.
      workbook_close(book_);
    }
  }

  void Build() {
    title_ = std::string(PlanName(table_.kind)) +
             (table_.sourceName.empty() ? "" : " " + table_.sourceName);
    lxw_doc_properties properties{};
    properties.title = title_.data();
    properties.author = const_cast<char*>("Korvalinx");
    workbook_set_properties(book_, &properties);
    MakeFormats();
    DaySheet();
    CountSheet();
    if (presence_) PresenceSheet(*presence_);
  }

  // Writes the file; throws ExportError when it could not.
  void Close() {
    const lxw_error error = workbook_close(book_);
    book_ = nullptr;
    if (error != LXW_NO_ERROR)
      throw ExportError(std::string("Die Arbeitsmappe kann nicht geschrieben werden (") +
                        lxw_strerror(error) + ").");
  }

 private:
  lxw_format* Format() { return workbook_add_format(book_); }

  void MakeFormats() {
    header_ = Format();
    format_set_bold(header_);
    format_set_bg_color(header_, kHeaderShade);
    format_set_bottom(header_, LXW_BORDER_THIN);
    format_set_align(header_, LXW_ALIGN_VERTICAL_BOTTOM);
    format_set_text_wrap(header_);
    for (const bool weekend : {false, true}) {
      lxw_format* f = Format();
      format_set_num_format(f, "dd.mm.yyyy");
      format_set_rotation(f, 90);
      format_set_align(f, LXW_ALIGN_CENTER);
      format_set_bottom(f, LXW_BORDER_THIN);
      format_set_bg_color(f, weekend ? kWeekendShade : kHeaderShade);
      dayHeader_[weekend] = f;
    }
    weekend_ = Format();
    format_set_bg_color(weekend_, kWeekendShade);
    date_ = Format();
    format_set_num_format(date_, "dd.mm.yyyy");
    hours_ = Format();
    format_set_num_format(hours_, "0.0#");
  }

  lxw_format* MarkedFormat(int colour) {
    auto& f = marked_[colour];
    if (!f) {
      const lxw_color_t rgb = BarRgb(colour);
      f = Format();
      format_set_bg_color(f, Colour(rgb));
      format_set_font_color(f, Dark(rgb) ? 0xFFFFFF : static_cast<lxw_color_t>(LXW_COLOR_BLACK));
      format_set_align(f, LXW_ALIGN_CENTER);
      format_set_border(f, LXW_BORDER_HAIR);
      format_set_border_color(f, kGridGrey);
      if (!table_.Vacation()) format_set_num_format(f, "0.##");
    }
    return f;
  }

  void Check(lxw_error error) {
    if (error != LXW_NO_ERROR)
      throw ExportError(std::string("Die Arbeitsmappe kann nicht gefüllt werden (") +
                        lxw_strerror(error) + ").");
  }

  // Group and resource columns as wide as their longest text, within limits.
  void NameColumns(lxw_worksheet* sheet) {
    std::size_t group = 8, name = 10;
    for (const TableRow& row : table_.rows) {
      group = std::max(group, Characters(row.group));
      name = std::max(name, Characters(row.name));
    }
    worksheet_set_column(sheet, 0, 0, static_cast<double>(std::min<std::size_t>(group, 40) + 2),
                         nullptr);
    worksheet_set_column(sheet, 1, 1, static_cast<double>(std::min<std::size_t>(name, 40) + 2),
                         nullptr);
  }

  void DaySheet() {
    lxw_worksheet* sheet = workbook_add_worksheet(book_, PlanName(table_.kind));
    const long days = table_.DayCount();
    const lxw_col_t firstDay = 2;
    const lxw_col_t counts = static_cast<lxw_col_t>(firstDay + days);
    Check(worksheet_write_string(sheet, 0, 0, "Gruppe", header_));
    Check(worksheet_write_string(sheet, 0, 1, "Ressource", header_));
    for (long i = 0; i < days; ++i) {
      const Date day = table_.Day(i);
      const auto holiday = table_.holidays.find(i);
      const bool free = IsWeekend(day) || holiday != table_.holidays.end();
      Check(worksheet_write_number(sheet, 0, static_cast<lxw_col_t>(firstDay + i), day.serial,
                                   dayHeader_[free]));
      // The holiday's name shows when the pointer rests on its day.
      if (holiday != table_.holidays.end())
        Check(worksheet_write_comment(sheet, 0, static_cast<lxw_col_t>(firstDay + i),
                                      holiday->second.c_str()));
    }
    if (table_.Vacation()) {
      Check(worksheet_write_string(sheet, 0, counts, "Anzahl Urlaubstage", header_));
    } else {
      Check(worksheet_write_string(sheet, 0, counts, "Anzahl Arbeitstage", header_));
      Check(worksheet_write_string(sheet, 0, counts + 1, "Anzahl Projektstunden", header_));
    }
    worksheet_set_row(sheet, 0, 74, nullptr);
    NameColumns(sheet);
    worksheet_set_column(sheet, firstDay, static_cast<lxw_col_t>(counts - 1),
                         table_.Vacation() ? 2.6 : 3.6, nullptr);
    worksheet_set_column(sheet, counts, static_cast<lxw_col_t>(counts + 1), 12, nullptr);
    worksheet_freeze_panes(sheet, 1, 2);

    lxw_row_t r = 0;
    for (const TableRow& row : table_.rows) {
      ++r;
      Check(worksheet_write_string(sheet, r, 0, CellText(row.group).c_str(), nullptr));
      Check(worksheet_write_string(sheet, r, 1, CellText(row.name).c_str(), nullptr));
      for (long i = 0; i < days; ++i) {
        const DayCell& cell = row.days[static_cast<std::size_t>(i)];
        const lxw_col_t c = static_cast<lxw_col_t>(firstDay + i);
        if (cell.marked) {
          lxw_format* f = MarkedFormat(row.colour.value_or(16));
          if (table_.Vacation()) {
            Check(worksheet_write_string(sheet, r, c, "U", f));
          } else {
            Check(worksheet_write_number(sheet, r, c, cell.hours, f));
          }
        } else if (IsWeekend(table_.Day(i)) || table_.holidays.count(i) > 0) {
          Check(worksheet_write_blank(sheet, r, c, weekend_));
        }
      }
      Check(worksheet_write_number(sheet, r, counts, row.markedDays, nullptr));
      if (!table_.Vacation()) Check(worksheet_write_number(sheet, r, counts + 1, row.hours, hours_));
    }
    worksheet_set_landscape(sheet);
    worksheet_set_paper(sheet, 9);  // A4
    worksheet_repeat_rows(sheet, 0, 0);
    worksheet_repeat_columns(sheet, 0, 1);
    worksheet_fit_to_pages(sheet, 0, 1);  // all rows on a page, as many pages wide as needed
  }

  void CountSheet() {
    lxw_worksheet* sheet = workbook_add_worksheet(book_, "Summen");
    lxw_col_t c = 0;
    const std::vector<const char*> titles =
        table_.Vacation() ? std::vector<const char*>{"Gruppe", "Ressource", "Anzahl Urlaubstage",
                                                     "Erster Tag", "Letzter Tag"}
                          : std::vector<const char*>{"Gruppe", "Ressource", "Anzahl Arbeitstage",
                                                     "Anzahl Projektstunden", "Erster Tag",
                                                     "Letzter Tag"};
    for (const char* title : titles) Check(worksheet_write_string(sheet, 0, c++, title, header_));
    NameColumns(sheet);
    worksheet_set_column(sheet, 2, static_cast<lxw_col_t>(titles.size() - 1), 14, nullptr);
    worksheet_freeze_panes(sheet, 1, 0);
    lxw_row_t r = 0;
    for (const TableRow& row : table_.rows) {
      ++r;
      c = 0;
      Check(worksheet_write_string(sheet, r, c++, CellText(row.group).c_str(), nullptr));
      Check(worksheet_write_string(sheet, r, c++, CellText(row.name).c_str(), nullptr));
      Check(worksheet_write_number(sheet, r, c++, row.markedDays, nullptr));
      if (!table_.Vacation()) Check(worksheet_write_number(sheet, r, c++, row.hours, hours_));
      if (row.firstMarked) Check(worksheet_write_number(sheet, r, c, row.firstMarked->serial, date_));
      ++c;
      if (row.lastMarked) Check(worksheet_write_number(sheet, r, c, row.lastMarked->serial, date_));
    }
    worksheet_autofilter(sheet, 0, 0, r, static_cast<lxw_col_t>(titles.size() - 1));
  }

  // Per group a row, per day a column with the people away; a day over the limit in red.
  void PresenceSheet(const chart::AbsenceReport& report) {
    lxw_worksheet* sheet = workbook_add_worksheet(book_, "Anwesenheit");
    const long days = report.DayCount();
    const lxw_col_t firstDay = 2;
    Check(worksheet_write_string(sheet, 0, 0, "Gruppe", header_));
    Check(worksheet_write_string(sheet, 0, 1, "Ressourcen", header_));
    for (long i = 0; i < days; ++i) {
      const Date day = report.Day(i);
      Check(worksheet_write_number(sheet, 0, static_cast<lxw_col_t>(firstDay + i), day.serial,
                                   dayHeader_[IsWeekend(day)]));
    }
    worksheet_set_row(sheet, 0, 74, nullptr);
    std::size_t width = 8;
    for (const auto& group : report.groups) width = std::max(width, Characters(group.name));
    worksheet_set_column(sheet, 0, 0, static_cast<double>(std::min<std::size_t>(width, 40) + 2),
                         nullptr);
    worksheet_set_column(sheet, 1, 1, 11, nullptr);
    worksheet_set_column(sheet, firstDay, static_cast<lxw_col_t>(firstDay + days - 1), 3.2, nullptr);
    worksheet_freeze_panes(sheet, 1, 2);
    lxw_format* over = Format();
    format_set_bg_color(over, 0xCC0000);
    format_set_font_color(over, 0xFFFFFF);
    format_set_bold(over);
    format_set_align(over, LXW_ALIGN_CENTER);
    lxw_format* count = Format();
    format_set_align(count, LXW_ALIGN_CENTER);
    lxw_row_t r = 0;
    for (const auto& group : report.groups) {
      ++r;
      Check(worksheet_write_string(sheet, r, 0, CellText(group.name).c_str(), nullptr));
      Check(worksheet_write_number(sheet, r, 1, group.resources, nullptr));
      for (long i = 0; i < days; ++i) {
        const int absent = group.absent[static_cast<std::size_t>(i)];
        const lxw_col_t c = static_cast<lxw_col_t>(firstDay + i);
        if (report.Over(group, i)) {
          Check(worksheet_write_number(sheet, r, c, absent, over));
        } else if (absent > 0) {
          Check(worksheet_write_number(sheet, r, c, absent, count));
        } else if (IsWeekend(report.Day(i))) {
          Check(worksheet_write_blank(sheet, r, c, weekend_));
        }
      }
    }
    if (report.limit) {
      const std::string note = "Rot: mehr als " + chart::AbsenceLimitText(*report.limit) +
                               " der Gruppe abwesend";
      Check(worksheet_write_string(sheet, r + 2, 0, note.c_str(), nullptr));
    }
  }

  const ChartTable& table_;
  const chart::AbsenceReport* presence_ = nullptr;
  lxw_workbook* book_ = nullptr;
  std::string title_;
  lxw_format* header_ = nullptr;
  lxw_format* dayHeader_[2] = {nullptr, nullptr};
  lxw_format* weekend_ = nullptr;
  lxw_format* date_ = nullptr;
  lxw_format* hours_ = nullptr;
  std::map<int, lxw_format*> marked_;
};

}  // namespace

void WriteXlsx(const ChartTable& table, const std::string& path,
               const chart::AbsenceReport* presence) {
  if (table.DayCount() > kMaxSheetDays)
    throw ExportError("Der Zeitraum hat " + std::to_string(table.DayCount()) +
                      " Tage; ein Tabellenblatt fasst höchstens " + std::to_string(kMaxSheetDays) +
                      " Tagesspalten.");
  if (table.rows.size() + 1 > LXW_ROW_MAX)
    throw ExportError("Das Diagramm hat mehr Zeilen, als ein Tabellenblatt fasst.");
  // The library writes the workbook by its name: into a folder of this user's own, from where
  // it goes to its target through the file writer like every other file.
  const ScratchFolder scratch;
  if (scratch.Path().empty()) throw ExportError("Es kann kein temporärer Ordner angelegt werden.");
  const std::string made = scratch.Path() + "/mappe.xlsx";
  {
    if (presence && presence->DayCount() > kMaxSheetDays)
      throw ExportError("Der Zeitraum ist für das Blatt \"Anwesenheit\" zu lang.");
    Workbook book(table, made, presence);
    book.Build();
    book.Close();
  }
  WriteFileWhole(path, ReadWrittenFile(made));
}

}  // namespace kx::exports
