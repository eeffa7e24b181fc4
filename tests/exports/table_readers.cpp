#include "exports/table_readers.hpp"

#include <cstdio>
#include <fstream>
#include <memory>
#include <pugixml.hpp>
#include <stdexcept>

namespace kx::exports::testing {
namespace {

std::string Quote(const std::string& s) {
  std::string q = "'";
  for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return q + "'";
}

std::string Unzip(const std::string& path, const std::string& member) {
  const std::string command = "unzip -p " + Quote(path) + " " + Quote(member) + " 2>/dev/null";
  std::unique_ptr<FILE, int (*)(FILE*)> pipe(::popen(command.c_str(), "r"), ::pclose);
  if (!pipe) throw std::runtime_error("unzip kann nicht gestartet werden");
  std::string out;
  char buf[65536];
  for (std::size_t n; (n = std::fread(buf, 1, sizeof buf, pipe.get())) > 0;) out.append(buf, n);
  return out;
}

pugi::xml_document Parse(const std::string& text, const std::string& what) {
  pugi::xml_document doc;
  if (!doc.load_string(text.c_str())) throw std::runtime_error(what + ": kein XML");
  return doc;
}

std::string Rgb(const pugi::xml_node& colour) {
  const std::string argb = colour.attribute("rgb").value();
  return argb.size() == 8 ? argb.substr(2) : argb;
}

}  // namespace

CsvFile ParseCsv(const std::string& input) {
  CsvFile file;
  std::string text = input;
  if (text.rfind("\xEF\xBB\xBF", 0) == 0) {
    file.byteOrderMark = true;
    text.erase(0, 3);
  }
  std::vector<std::string> line;
  std::string field;
  bool quoted = false, wasQuoted = false;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (quoted) {
      if (c == '"' && i + 1 < text.size() && text[i + 1] == '"') {
        field += '"';
        ++i;
      } else if (c == '"') {
        quoted = false;
      } else {
        field += c;
      }
      continue;
    }
    if (c == '"') {
      if (!field.empty()) throw std::runtime_error("Anführungszeichen mitten im Feld");
      quoted = wasQuoted = true;
    } else if (c == ';') {
      line.push_back(field);
      field.clear();
      wasQuoted = false;
    } else if (c == '\r' || c == '\n') {
      if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
        ++i;
      } else {
        file.crlf = false;
      }
      line.push_back(field);
      file.lines.push_back(line);
      line.clear();
      field.clear();
      wasQuoted = false;
    } else {
      if (wasQuoted) throw std::runtime_error("Text nach dem schließenden Anführungszeichen");
      field += c;
    }
  }
  if (quoted) throw std::runtime_error("Anführungszeichen nicht geschlossen");
  if (!field.empty() || !line.empty()) {
    line.push_back(field);
    file.lines.push_back(line);
    file.crlf = false;
  }
  return file;
}

double XlsxSheet::Number(const std::string& ref) const {
  const XlsxCell* cell = At(ref);
  if (!cell || cell->type != 'n') throw std::runtime_error(ref + " ist keine Zahl");
  return std::stod(cell->text);
}

bool CanUnzip() { return std::system("unzip -v >/dev/null 2>&1") == 0; }

std::string ColumnName(int column) {
  std::string name;
  while (column > 0) {
    const int rest = (column - 1) % 26;
    name.insert(name.begin(), static_cast<char>('A' + rest));
    column = (column - 1) / 26;
  }
  return name;
}

XlsxSheet ReadXlsxSheet(const std::string& path, int index) {
  XlsxSheet sheet;
  const auto book = Parse(Unzip(path, "xl/workbook.xml"), "workbook.xml");
  int n = 0;
  for (auto s : book.child("workbook").child("sheets").children("sheet"))
    if (++n == index) sheet.name = s.attribute("name").value();

  std::vector<std::string> strings;
  const std::string shared = Unzip(path, "xl/sharedStrings.xml");
  if (!shared.empty()) {
    const auto doc = Parse(shared, "sharedStrings.xml");
    for (auto si : doc.child("sst").children("si")) {
      std::string s;
      for (auto t : si.select_nodes(".//t")) s += t.node().text().get();
      strings.push_back(s);
    }
  }

  const auto styles = Parse(Unzip(path, "xl/styles.xml"), "styles.xml");
  const auto ss = styles.child("styleSheet");
  std::map<int, std::string> formats;
  for (auto f : ss.child("numFmts").children("numFmt"))
    formats[f.attribute("numFmtId").as_int()] = f.attribute("formatCode").value();
  std::vector<std::string> fills, fonts;
  for (auto f : ss.child("fills").children("fill")) {
    const auto pattern = f.child("patternFill");
    fills.push_back(std::string(pattern.attribute("patternType").value()) == "solid"
                        ? Rgb(pattern.child("fgColor"))
                        : "");
  }
  for (auto f : ss.child("fonts").children("font")) fonts.push_back(Rgb(f.child("color")));
  struct Xf {
    std::string fill, font, format;
  };
  std::vector<Xf> xfs;
  for (auto xf : ss.child("cellXfs").children("xf")) {
    Xf x;
    const auto fill = xf.attribute("fillId").as_uint();
    const auto font = xf.attribute("fontId").as_uint();
    if (fill < fills.size()) x.fill = fills[fill];
    if (font < fonts.size()) x.font = fonts[font];
    const int id = xf.attribute("numFmtId").as_int();
    x.format = formats.count(id) ? formats[id] : std::to_string(id);
    xfs.push_back(x);
  }

  const auto doc = Parse(Unzip(path, "xl/worksheets/sheet" + std::to_string(index) + ".xml"),
                         "sheet" + std::to_string(index));
  const auto ws = doc.child("worksheet");
  const auto pane = ws.child("sheetViews").child("sheetView").child("pane");
  if (std::string(pane.attribute("state").value()) == "frozen") {
    sheet.frozenRows = pane.attribute("ySplit").as_int();
    sheet.frozenColumns = pane.attribute("xSplit").as_int();
  }
  for (auto col : ws.child("cols").children("col"))
    for (int c = col.attribute("min").as_int(); c <= col.attribute("max").as_int(); ++c)
      sheet.widths[c] = col.attribute("width").as_double();
  for (auto row : ws.child("sheetData").children("row")) {
    for (auto c : row.children("c")) {
      XlsxCell cell;
      const std::string type = c.attribute("t").value();
      const std::string value = c.child("v").text().get();
      if (type == "s") {
        cell.type = 's';
        const auto i = static_cast<std::size_t>(std::stoul(value));
        cell.text = i < strings.size() ? strings[i] : "";
      } else if (type == "inlineStr" || type == "str") {
        cell.type = 's';
        cell.text = type == "str" ? value : c.child("is").child("t").text().get();
      } else {
        cell.type = 'n';
        cell.text = value;
      }
      const auto style = c.attribute("s").as_uint();
      if (style < xfs.size()) {
        cell.fill = xfs[style].fill;
        cell.font = xfs[style].font;
        cell.numberFormat = xfs[style].format;
      }
      sheet.cells[c.attribute("r").value()] = cell;
    }
  }
  return sheet;
}

std::string ReadText(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

}  // namespace kx::exports::testing
