#pragma once
// Readers of what the exports write, independent of the writers: a CSV parser, and a reader of
// workbook cells, fills, panes and columns (the file is unpacked with unzip).

#include <map>
#include <optional>
#include <string>
#include <vector>

namespace kx::exports::testing {

struct CsvFile {
  bool byteOrderMark = false;
  bool crlf = true;  // every line ended by CR LF
  std::vector<std::vector<std::string>> lines;
};

// Reads RFC 4180 text with ";" between fields. Throws std::runtime_error on a broken quote.
CsvFile ParseCsv(const std::string& text);

struct XlsxCell {
  char type = 'n';    // 'n' number, 's' text
  std::string text;   // the text, or the number as the file writes it
  std::string fill;   // "RRGGBB" of a solid fill, empty without one
  std::string font;   // "RRGGBB" of the font colour, empty for the default
  std::string numberFormat;
};

struct XlsxSheet {
  std::string name;
  std::map<std::string, XlsxCell> cells;  // by reference ("C2")
  int frozenRows = 0;
  int frozenColumns = 0;
  std::map<int, double> widths;  // by 1-based column

  const XlsxCell* At(const std::string& ref) const {
    const auto found = cells.find(ref);
    return found == cells.end() ? nullptr : &found->second;
  }
  double Number(const std::string& ref) const;
};

// True when the unzip program is there.
bool CanUnzip();
// Reads sheet `index` (1-based) of the workbook at `path`. Throws std::runtime_error.
XlsxSheet ReadXlsxSheet(const std::string& path, int index);
// "A" for 1, "AB" for 28.
std::string ColumnName(int column);

// Returns the whole file.
std::string ReadText(const std::string& path);

}  // namespace kx::exports::testing
