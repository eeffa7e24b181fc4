// The companion file "<file>.korvalinx.json": what Project XML has no place for.

#include <nlohmann/json.hpp>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <stdexcept>
#include <vector>

#include "projectxml/project_xml_detail.hpp"

namespace kx::platform::pxml {
namespace {

using nlohmann::json;

constexpr const char* kFormat = "korvalinx-companion";
constexpr int kVersion = 1;

// The whole number that `j` holds. A number that T cannot hold is refused with a German text
// (a plain conversion would be undefined for it); anything else than a number throws as get<T>()
// does.
template <class T>
T Whole(const json& j) {
  if (j.is_number_unsigned()) {
    const auto v = j.get<std::uint64_t>();
    if (v <= static_cast<std::uint64_t>(std::numeric_limits<T>::max())) return static_cast<T>(v);
  } else if (j.is_number_integer()) {
    const auto v = j.get<std::int64_t>();
    if (v >= std::numeric_limits<T>::min() && v <= std::numeric_limits<T>::max())
      return static_cast<T>(v);
  } else if (j.is_number_float()) {
    const double v = j.get<double>();
    if (v != std::trunc(v)) throw std::runtime_error("die Zahl " + j.dump() + " ist nicht ganz");
    if (v >= static_cast<double>(std::numeric_limits<T>::min()) &&
        v <= static_cast<double>(std::numeric_limits<T>::max()))
      return static_cast<T>(v);
  } else {
    return j.get<T>();
  }
  throw std::runtime_error("die Zahl " + j.dump() + " liegt außerhalb ihres Bereichs");
}

template <class T>
std::vector<T> WholeList(const json& j) {
  if (!j.is_array()) return j.get<std::vector<T>>();  // throws
  std::vector<T> list;
  for (const auto& v : j) list.push_back(Whole<T>(v));
  return list;
}

json ValueJson(const Value& v) {
  return std::visit(
      [](const auto& x) -> json {
        using T = std::decay_t<decltype(x)>;
        if constexpr (std::is_same_v<T, std::monostate>) return nullptr;
        if constexpr (std::is_same_v<T, bool>) return {{"bool", x}};
        if constexpr (std::is_same_v<T, std::int16_t>) return {{"i16", x}};
        if constexpr (std::is_same_v<T, std::int32_t>) return {{"i32", x}};
        if constexpr (std::is_same_v<T, double>) return {{"f64", x}};
        if constexpr (std::is_same_v<T, std::string>) return {{"str", x}};
        if constexpr (std::is_same_v<T, Date>) return {{"date", x.serial}};
      },
      v);
}

Value JsonValue(const json& j) {
  if (j.is_null()) return Value{};
  if (!j.is_object() || j.size() != 1) throw std::runtime_error("Wert ohne Typ");
  const auto only = j.begin();
  const std::string& type = only.key();
  const json& v = only.value();
  if (type == "bool") return v.get<bool>();
  if (type == "i16") return Whole<std::int16_t>(v);
  if (type == "i32") return Whole<std::int32_t>(v);
  if (type == "f64") return v.get<double>();
  if (type == "str") return v.get<std::string>();
  if (type == "date") return Date(v.get<double>());
  throw std::runtime_error("unbekannter Werttyp \"" + type + "\"");
}

json ArgsJson(const NamedArgs& args) {
  json o = json::object();
  for (const auto& [pos, v] : args) o[std::to_string(pos)] = ValueJson(v);
  return o;
}

NamedArgs JsonArgs(const json& j) {
  NamedArgs args;
  for (const auto& [key, v] : j.items()) args[std::stoi(key)] = JsonValue(v);
  return args;
}

json DefinitionsJson(const Definitions& d, const CompanionExtras& extras) {
  json j;
  json tables = json::array();
  for (const auto& t : d.tables) {
    json cols = json::array();
    for (const auto& c : t.columns)
      cols.push_back(
          {{"field", c.field}, {"title", c.title}, {"width", c.width}, {"align", c.align}});
    tables.push_back({{"name", t.name}, {"taskTable", t.taskTable}, {"columns", cols}});
  }
  j["tables"] = tables;
  json views = json::array();
  for (const auto& v : d.views)
    views.push_back({{"name", v.name},
                     {"taskView", v.taskView},
                     {"table", v.table},
                     {"filter", v.filter},
                     {"group", v.group}});
  j["views"] = views;
  json filters = json::array();
  for (const auto& f : d.filters) {
    json criteria = json::array();
    for (const auto& c : f.criteria)
      criteria.push_back(
          {{"field", c.field}, {"test", c.test}, {"value", c.value}, {"join", c.join}});
    filters.push_back({{"name", f.name}, {"taskFilter", f.taskFilter}, {"criteria", criteria}});
  }
  j["filters"] = filters;
  json styles = json::array();
  for (const auto& b : d.barStyles)
    styles.push_back({{"name", b.name},
                      {"showFor", b.showFor},
                      {"from", b.from},
                      {"to", b.to},
                      {"codes", b.codes},
                      {"row", b.row},
                      {"barText", b.barText}});
  j["barStyles"] = styles;
  json titles = json::object();
  for (const auto& [id, title] : d.customFieldTitles)
    if (extras.allFieldTitles || !CustomFieldOf(id) || extras.longFieldTitles.count(id))
      titles[std::to_string(id)] = title;
  j["customFieldTitles"] = titles;
  json props = json::object();
  for (const auto& [id, args] : d.customFieldProperties) props[std::to_string(id)] = ArgsJson(args);
  j["customFieldProperties"] = props;
  json options = json::object();
  for (const auto& [name, args] : d.options) options[name] = ArgsJson(args);
  j["options"] = options;
  j["finalViewCommands"] = d.finalViewCommands;
  j["currentView"] = d.currentView;
  j["currentTable"] = d.currentTable;
  j["currentFilter"] = d.currentFilter;
  return j;
}

void ReadDefinitions(const json& j, Definitions& d) {
  for (const auto& t : j.at("tables")) {
    TableDefinition table{t.at("name").get<std::string>(), t.at("taskTable").get<bool>(), {}};
    for (const auto& c : t.at("columns"))
      table.columns.push_back({c.at("field").get<std::string>(), c.at("title").get<std::string>(),
                               Whole<int>(c.at("width")), Whole<int>(c.at("align"))});
    d.tables.push_back(std::move(table));
  }
  for (const auto& v : j.at("views"))
    d.views.push_back({v.at("name").get<std::string>(), v.at("taskView").get<bool>(),
                       v.at("table").get<std::string>(), v.at("filter").get<std::string>(),
                       v.at("group").get<std::string>()});
  for (const auto& f : j.at("filters")) {
    FilterDefinition filter{f.at("name").get<std::string>(), f.at("taskFilter").get<bool>(), {}};
    for (const auto& c : f.at("criteria"))
      filter.criteria.push_back({c.at("field").get<std::string>(), c.at("test").get<std::string>(),
                                 c.at("value").get<std::string>(),
                                 c.at("join").get<std::string>()});
    d.filters.push_back(std::move(filter));
  }
  for (const auto& b : j.at("barStyles")) {
    BarStyle style;
    style.name = b.at("name").get<std::string>();
    style.showFor = b.at("showFor").get<std::string>();
    style.from = b.at("from").get<std::string>();
    style.to = b.at("to").get<std::string>();
    const auto codes = WholeList<int>(b.at("codes"));
    if (codes.size() != style.codes.size())
      throw std::runtime_error("eine Balkenart hat nicht 9 Codes");
    std::copy(codes.begin(), codes.end(), style.codes.begin());
    style.row = Whole<int>(b.at("row"));
    style.barText = b.at("barText").get<std::string>();
    d.barStyles.push_back(std::move(style));
  }
  for (const auto& [id, title] : j.at("customFieldTitles").items())
    d.customFieldTitles[std::stoi(id)] = title.get<std::string>();
  for (const auto& [id, args] : j.at("customFieldProperties").items())
    d.customFieldProperties[std::stoi(id)] = JsonArgs(args);
  for (const auto& [name, args] : j.at("options").items()) d.options[name] = JsonArgs(args);
  d.finalViewCommands = WholeList<std::int32_t>(j.at("finalViewCommands"));
  d.currentView = j.at("currentView").get<std::string>();
  d.currentTable = j.at("currentTable").get<std::string>();
  d.currentFilter = j.at("currentFilter").get<std::string>();
}

}  // namespace

std::string CompanionText(const ProjectData& project, const CompanionExtras& extras) {
  json j;
  j["format"] = kFormat;
  j["version"] = kVersion;
  json props = json::array();
  for (const auto& p : project.properties)
    props.push_back({{"name", p.name},
                     {"value", p.value},
                     {"type", p.type},
                     {"linkToContent", p.linkToContent}});
  j["properties"] = props;
  j["definitions"] = DefinitionsJson(project.definitions, extras);
  json colours = json::array();
  for (std::size_t i = 0; i < project.tasks.size(); ++i) {
    const auto& t = project.tasks[i];
    if (t && t->barColour) colours.push_back({{"row", i + 1}, {"colour", *t->barColour}});
  }
  j["barColours"] = colours;
  json inherited = json::array();
  for (const auto& [uid, days] : extras.inheritedWeekdays)
    inherited.push_back({{"calendar", uid}, {"days", days}});
  j["inheritedWeekdays"] = inherited;
  if (extras.projectCalendar) j["projectCalendar"] = *extras.projectCalendar;
  return j.dump(2, ' ', false, json::error_handler_t::replace) + "\n";
}

bool ApplyCompanion(const std::string& text, ProjectData& project, std::string& problem) {
  // Everything is read into copies first, so that a broken file changes nothing.
  std::vector<PropertyData> properties;
  Definitions definitions = project.definitions;
  std::vector<std::pair<long, int>> colours;
  std::vector<std::pair<std::int32_t, std::vector<int>>> inherited;
  std::optional<std::string> projectCalendar;
  try {
    const json j = json::parse(text);
    if (!j.is_object() || j.value("format", std::string()) != kFormat) {
      problem = "keine Korvalinx-Begleitdatei";
      return false;
    }
    // Versions are whole numbers from 1; any other number is no version this program knows.
    const json& version = j.at("version");
    if (!version.is_number_integer() || version.get<std::int64_t>() < 1 ||
        version.get<std::int64_t>() > kVersion) {
      if (!version.is_number()) (void)version.get<int>();  // throws: a value of the wrong kind
      problem = "Version " + version.dump() + " ist unbekannt";
      return false;
    }
    for (const auto& p : j.at("properties"))
      properties.push_back({p.at("name").get<std::string>(), p.at("value").get<std::string>(),
                            Whole<int>(p.at("type")), p.at("linkToContent").get<bool>()});
    Definitions fromFile;
    ReadDefinitions(j.at("definitions"), fromFile);
    // Titles stored in the Project XML file stay unless the companion file names them too.
    for (const auto& [id, title] : definitions.customFieldTitles)
      fromFile.customFieldTitles.emplace(id, title);
    definitions = std::move(fromFile);
    for (const auto& c : j.at("barColours"))
      colours.emplace_back(Whole<long>(c.at("row")), Whole<int>(c.at("colour")));
    for (const auto& c : j.at("inheritedWeekdays"))
      inherited.emplace_back(Whole<std::int32_t>(c.at("calendar")), WholeList<int>(c.at("days")));
    if (j.contains("projectCalendar")) projectCalendar = j.at("projectCalendar").get<std::string>();
  } catch (const json::parse_error& e) {
    problem = "kein gültiges JSON, Fehler an Byte " + std::to_string(e.byte);
    return false;
  } catch (const json::out_of_range&) {
    problem = "ein Eintrag fehlt";
    return false;
  } catch (const json::exception&) {
    problem = "ein Eintrag hat einen Wert der falschen Art";
    return false;
  } catch (const std::invalid_argument&) {
    problem = "eine Nummer ist keine Zahl";
    return false;
  } catch (const std::out_of_range&) {
    problem = "eine Nummer ist zu groß";
    return false;
  } catch (const std::exception& e) {
    problem = e.what();  // our own, German
    return false;
  }
  project.properties = std::move(properties);
  project.definitions = std::move(definitions);
  for (const auto& [row, colour] : colours) {
    if (row >= 1 && row <= static_cast<long>(project.tasks.size()) && project.tasks[row - 1])
      project.tasks[row - 1]->barColour = colour;
  }
  for (const auto& [uid, days] : inherited) {
    for (const auto& cal : project.calendars) {
      if (!cal || cal->uid != uid || !cal->isBase) continue;
      // Only days that the file still spells as the host's default go back to the default.
      for (int day : days)
        if (day >= 0 && day < 7 && !cal->weekdays[day].inherited &&
            cal->weekdays[day].times == HostDefaultTimes(day))
          cal->weekdays[day] = WeekdayDefinition{};
    }
  }
  if (projectCalendar) project.calendarName = *projectCalendar;
  return true;
}

}  // namespace kx::platform::pxml
