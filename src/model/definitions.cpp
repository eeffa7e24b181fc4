// Tables, views, filters, bar styles, field titles, calendars and options of a project, changed
// through the host's definition calls (positional arguments), and the tests filters make.

#include <algorithm>
#include <cmath>
#include <ctime>

#include "model/project_ops.hpp"
#include "support/product.hpp"
#include "support/regional.hpp"
#include "support/text.hpp"

namespace kx::platform::detail {
namespace {

const char* const kTaskEntryColumns[] = {"Nr.",    "Indikatoren", "Name",      "Dauer",
                                         "Anfang", "Ende",        "Vorgänger", "Ressourcennamen"};
const char* const kResourceEntryColumns[] = {"Nr.",
                                             "Indikatoren",
                                             "Name",
                                             "Art",
                                             "Materialbeschriftung",
                                             "Kürzel",
                                             "Gruppe",
                                             "Max. Einh.",
                                             "Standardsatz",
                                             "Überstundensatz",
                                             "Kosten/Einsatz",
                                             "Fällig am",
                                             "Basiskalender",
                                             "Code"};

constexpr const char* kEntryTable = "&Eingabe";
constexpr const char* kGanttView = "Balkendiagramm (Gantt)";
constexpr const char* kResourceView = "Ressource: Tabelle";
constexpr const char* kAllTasks = "Alle Vorgänge";
constexpr const char* kNoGroup = "Ohne Gruppe";

TableDefinition MakeTable(bool task, const char* const* first, const char* const* last) {
  TableDefinition t{kEntryTable, task, {}};
  for (auto it = first; it != last; ++it) {
    const std::string field = *it;
    t.columns.push_back({field, "", field == "Name" ? 24 : 10, 0});
  }
  return t;
}

std::vector<FilterDefinition> BuiltInFilters() {
  return {{kAllTasks, true, {}},
          {kAllResourcesFilter, false, {}},
          {"Arbeitsressourcen", false, {{"Art", "gleich", "Arbeit", "Und"}}},
          {"Materialressourcen", false, {{"Art", "gleich", "Material", "Und"}}},
          {"Kostenressourcen", false, {{"Art", "gleich", "Kosten", "Und"}}}};
}

std::string Text(const NamedArgs& args, int position) {
  return ToText(Arg(args, position));
}

std::string RequireName(const NamedArgs& args, int position, const std::string& what) {
  std::string name = Text(args, position);
  if (Trim(name).empty()) Fail(host::kErrInvalidArgument, "Es fehlt der Name " + what + ".");
  return name;
}

std::optional<bool> Flag(const NamedArgs& args, int position) {
  if (IsEmpty(Arg(args, position))) return std::nullopt;
  auto b = ToBool(Arg(args, position));
  if (!b) {
    Fail(host::kErrTypeMismatch, "Das Argument " + std::to_string(position) + " (" +
                                     Quoted(ToText(Arg(args, position))) +
                                     ") ist kein Wahrheitswert.");
  }
  return b;
}

std::optional<int> Int(const NamedArgs& args, int position) {
  if (IsEmpty(Arg(args, position))) return std::nullopt;
  auto n = ToNumber(Arg(args, position));
  if (!n || !std::isfinite(*n) || std::abs(*n) > 2147483647.0) {
    Fail(host::kErrTypeMismatch, "Das Argument " + std::to_string(position) + " (" +
                                     Quoted(ToText(Arg(args, position))) + ") ist keine Zahl.");
  }
  return static_cast<int>(std::lround(*n));
}

[[noreturn]] void NoCalendar(const std::string& name) {
  Fail(host::kErrNotFound, "Der Kalender " + Quoted(name) + " ist nicht vorhanden.");
}

// Reads "hh:mm" as a fraction of a day.
std::optional<double> TimeText(const Value& v) {
  if (const auto* d = std::get_if<Date>(&v)) return TimeOfDay(*d);
  const std::string t = Trim(ToText(v));
  const auto colon = t.find(':');
  if (colon == std::string::npos) return std::nullopt;
  const auto h = ParseNumber(t.substr(0, colon));
  const auto m = ParseNumber(t.substr(colon + 1));
  if (!h || !m || *h < 0 || *h > 24 || *m < 0 || *m >= 60) return std::nullopt;
  const double f = (*h * 60 + *m) / kMinutesPerDay;
  return f <= 1.0 ? std::optional<double>(f) : std::nullopt;
}

bool IsNumber(const std::string& text, double& out) {
  const RegionalSettings& r = RegionalSettings::Current();
  if (auto n = ParseNumber(text, r)) {
    out = *n;
    return true;
  }
  // Numbers that reach the host with a point (identifiers written by scripts).
  RegionalSettings point = r;
  point.decimalMark = ".";
  if (auto n = ParseNumber(text, point)) {
    out = *n;
    return true;
  }
  return false;
}

}  // namespace

const std::vector<std::string>& BuiltInResourceFilters() {
  static const std::vector<std::string> kNames = {kAllResourcesFilter, "Arbeitsressourcen",
                                                  "Materialressourcen", "Kostenressourcen"};
  return kNames;
}

void EnsureBuiltIns(Definitions& d) {
  const TableDefinition tables[] = {
      MakeTable(true, std::begin(kTaskEntryColumns), std::end(kTaskEntryColumns)),
      MakeTable(false, std::begin(kResourceEntryColumns), std::end(kResourceEntryColumns))};
  std::vector<TableDefinition> newTables;
  for (const auto& t : tables) {
    if (FindTable(d, t.name, t.taskTable) == nullptr) newTables.push_back(t);
  }
  d.tables.insert(d.tables.begin(), newTables.begin(), newTables.end());

  const ViewDefinition views[] = {{kGanttView, true, kEntryTable, kAllTasks, kNoGroup},
                                  {kResourceView, false, kEntryTable, kAllResourcesFilter, ""}};
  std::vector<ViewDefinition> newViews;
  for (const auto& v : views) {
    if (FindView(d, v.name) == nullptr) newViews.push_back(v);
  }
  d.views.insert(d.views.begin(), newViews.begin(), newViews.end());

  std::vector<FilterDefinition> newFilters;
  for (const auto& f : BuiltInFilters()) {
    if (FindFilter(d, f.name, f.taskFilter) == nullptr) newFilters.push_back(f);
  }
  d.filters.insert(d.filters.begin(), newFilters.begin(), newFilters.end());

  if (d.currentView.empty() || FindView(d, d.currentView) == nullptr) {
    d.currentView = kGanttView;
    d.currentTable = kEntryTable;
    d.currentFilter = kAllTasks;
  }
  const ViewDefinition* current = FindView(d, d.currentView);
  if (d.currentTable.empty()) d.currentTable = current->table;
  if (d.currentFilter.empty())
    d.currentFilter = current->taskView ? kAllTasks : kAllResourcesFilter;
}

const ViewDefinition* FindView(const Definitions& d, const std::string& name) {
  for (const auto& v : d.views) {
    if (v.name == name) return &v;
  }
  return nullptr;
}

const TableDefinition* FindTable(const Definitions& d, const std::string& name, bool taskTable) {
  for (const auto& t : d.tables) {
    if (t.taskTable == taskTable && t.name == name) return &t;
  }
  return nullptr;
}

const FilterDefinition* FindFilter(const Definitions& d, const std::string& name, bool taskFilter) {
  for (const auto& f : d.filters) {
    if (f.taskFilter == taskFilter && f.name == name) return &f;
  }
  return nullptr;
}

// ---- fields and tests ----

std::string ResourceFieldText(const ProjectData& p, const ResourceData& r,
                              const std::string& field) {
  const std::string key = AsciiLower(Trim(field));
  if (key == "name") return r.name;
  if (key == "gruppe") return r.group;
  if (key == "kürzel") return r.initials;
  if (key == "art") return r.kind == 1 ? "Material" : r.kind == 2 ? "Kosten" : "Arbeit";
  if (key == "einmalige nr.") return std::to_string(r.uid);
  if (key == "nr.") return std::to_string(r.id);
  if (key == "basiskalender") {
    if (r.calendar == nullptr) return p.calendarName;
    const CalendarData* c = r.calendar.get();
    return c->base == nullptr && !c->isBase ? p.calendarName : c->BaseCalendarName();
  }
  Fail(host::kErrInvalidArgument,
       "Das Ressourcenfeld " + Quoted(field) + " kann nicht verglichen werden.");
}

std::string TaskFieldText(const TaskData& t, const std::string& field) {
  const std::string key = AsciiLower(Trim(field));
  if (key == "name") return t.name;
  if (key == "nr.") return std::to_string(t.id);
  if (key == "einmalige nr.") return std::to_string(t.uid);
  if (key == "gliederungsebene") return std::to_string(t.outlineLevel);
  if (key == "sammelvorgang") {
    return t.summary ? RegionalSettings::Current().yes : RegionalSettings::Current().no;
  }
  Fail(host::kErrInvalidArgument,
       "Das Vorgangsfeld " + Quoted(field) + " kann nicht verglichen werden.");
}

bool CompareField(const std::string& fieldText, const std::string& test, const std::string& value) {
  const std::string op = AsciiLower(Trim(test));
  double a = 0.0, b = 0.0;
  const bool numeric = IsNumber(fieldText, a) && IsNumber(value, b);
  const std::string x = AsciiLower(fieldText);
  const std::string y = AsciiLower(value);
  int order = 0;  // <0, 0, >0
  if (numeric) {
    order = a < b ? -1 : (a > b ? 1 : 0);
  } else {
    order = x.compare(y) < 0 ? -1 : (x.compare(y) > 0 ? 1 : 0);
  }
  if (op == "gleich" || op == "=" || op == "equals") return order == 0;
  if (op == "ungleich" || op == "<>" || op == "does not equal") return order != 0;
  if (op == "größer als" || op == ">" || op == "is greater than") return order > 0;
  if (op == "kleiner als" || op == "<" || op == "is less than") return order < 0;
  if (op == "größer oder gleich" || op == ">=") return order >= 0;
  if (op == "kleiner oder gleich" || op == "<=") return order <= 0;
  if (op == "enthält" || op == "contains") return x.find(y) != std::string::npos;
  if (op == "enthält nicht" || op == "does not contain") return x.find(y) == std::string::npos;
  Fail(host::kErrInvalidArgument, "Den Vergleich " + Quoted(test) + " gibt es nicht.");
}

namespace {

template <class FieldOf>
bool Evaluate(const FilterDefinition& f, FieldOf fieldOf) {
  bool result = true;
  bool first = true;
  for (const auto& c : f.criteria) {
    const bool match = CompareField(fieldOf(c.field), c.test, c.value);
    if (first) {
      result = match;
      first = false;
    } else if (AsciiLower(Trim(c.join)) == "oder" || AsciiLower(Trim(c.join)) == "or") {
      result = result || match;
    } else {
      result = result && match;
    }
  }
  return result;
}

}  // namespace

bool PassesFilter(const ProjectData& p, const ResourceData& r, const FilterDefinition& f) {
  return Evaluate(f, [&](const std::string& field) { return ResourceFieldText(p, r, field); });
}

bool PassesFilter(const TaskData& t, const FilterDefinition& f) {
  return Evaluate(f, [&](const std::string& field) { return TaskFieldText(t, field); });
}

// ---- definition calls ----

void EditTable(ProjectData& p, const NamedArgs& args) {
  Definitions& d = p.definitions;
  const std::string name = RequireName(args, 0, "der Tabelle");
  const bool task = Flag(args, 1).value_or(true);
  const bool create = Flag(args, 2).value_or(false);
  const bool overwrite = Flag(args, 3).value_or(false);
  const std::string field = Trim(Text(args, 5));
  const std::string added = Trim(Text(args, 6));
  TableColumn column;
  column.title = Text(args, 7);
  column.width = Int(args, 8).value_or(10);
  column.align = Int(args, 9).value_or(0);
  if (column.width < 0 || column.width > 255 || column.align < 0 || column.align > 2) {
    Fail(host::kErrInvalidArgument,
         "Breite oder Ausrichtung der Spalte in der Tabelle " + Quoted(name) + " ist ungültig.");
  }

  auto* table = const_cast<TableDefinition*>(FindTable(d, name, task));
  if (create) {
    if (table != nullptr && !overwrite) {
      Fail(host::kErrInvalidArgument, "Die Tabelle " + Quoted(name) + " ist bereits vorhanden.");
    }
    TableDefinition fresh{name, task, {}};
    if (!field.empty()) {
      column.field = field;
      fresh.columns.push_back(column);
    }
    if (table != nullptr) {
      *table = std::move(fresh);
    } else {
      d.tables.push_back(std::move(fresh));
    }
    return;
  }
  if (table == nullptr) {
    Fail(host::kErrNotFound, "Die Tabelle " + Quoted(name) + " ist nicht vorhanden.");
  }
  if (!added.empty()) {
    column.field = added;
    table->columns.push_back(column);
    return;
  }
  if (!field.empty()) {
    for (auto& c : table->columns) {
      if (c.field == field) {
        c.title = column.title;
        if (Int(args, 8)) c.width = column.width;
        if (Int(args, 9)) c.align = column.align;
        return;
      }
    }
    Fail(host::kErrNotFound,
         "Die Tabelle " + Quoted(name) + " hat keine Spalte " + Quoted(field) + ".");
  }
}

void EditView(ProjectData& p, const NamedArgs& args) {
  Definitions& d = p.definitions;
  const std::string name = RequireName(args, 0, "der Ansicht");
  const std::string table = Text(args, 6);
  const std::string filter = Text(args, 7);
  const std::string group = Text(args, 8);
  auto* view = const_cast<ViewDefinition*>(FindView(d, name));
  const bool task = view == nullptr || view->taskView;
  if (!table.empty() && FindTable(d, table, task) == nullptr) {
    Fail(host::kErrNotFound, "Die Tabelle " + Quoted(table) + " ist nicht vorhanden.");
  }
  if (!filter.empty() && FindFilter(d, filter, task) == nullptr) {
    Fail(host::kErrNotFound, "Der Filter " + Quoted(filter) + " ist nicht vorhanden.");
  }
  if (view == nullptr) {
    d.views.push_back({name, true, table.empty() ? kEntryTable : table,
                       filter.empty() ? kAllTasks : filter, group.empty() ? kNoGroup : group});
    return;
  }
  if (!table.empty()) view->table = table;
  if (!filter.empty()) view->filter = filter;
  if (!group.empty()) view->group = group;
  if (d.currentView == name && !table.empty()) d.currentTable = table;
}

void DeleteBarStyles(ProjectData& p, const NamedArgs& args) {
  auto& styles = p.definitions.barStyles;
  const std::string which = Text(args, 0);
  if (which == "*") {
    styles.clear();
    return;
  }
  const auto it = std::find_if(styles.begin(), styles.end(),
                               [&](const BarStyle& s) { return s.name == which; });
  if (it == styles.end()) {
    Fail(host::kErrNotFound, "Die Balkenart " + Quoted(which) + " ist nicht vorhanden.");
  }
  styles.erase(it);
}

void EditBarStyle(ProjectData& p, const NamedArgs& args) {
  auto& styles = p.definitions.barStyles;
  const std::string name = RequireName(args, 2, "der Balkenart");
  const bool create = Flag(args, 1).value_or(false) || Text(args, 0) == "-1";
  BarStyle* style = nullptr;
  if (create) {
    styles.push_back({});
    style = &styles.back();
    style->name = name;
  } else {
    for (auto& s : styles) {
      if (s.name == name) style = &s;
    }
    if (style == nullptr) {
      Fail(host::kErrNotFound, "Die Balkenart " + Quoted(name) + " ist nicht vorhanden.");
    }
  }
  try {
    for (int i = 0; i < 9; ++i) {
      if (auto code = Int(args, 3 + i)) style->codes[static_cast<std::size_t>(i)] = *code;
    }
    if (!IsEmpty(Arg(args, 12))) style->showFor = Text(args, 12);
    if (auto row = Int(args, 13)) style->row = *row;
    if (!IsEmpty(Arg(args, 14))) style->from = Text(args, 14);
    if (!IsEmpty(Arg(args, 15))) style->to = Text(args, 15);
    if (!IsEmpty(Arg(args, 19))) style->barText = Text(args, 19);
  } catch (...) {
    if (create) styles.pop_back();  // no half-made style stays behind
    throw;
  }
}

void RenameCustomField(ProjectData& p, const NamedArgs& args) {
  const int id = Int(args, 0).value_or(0);
  if (id == 0) Fail(host::kErrInvalidArgument, "Es fehlt die Nummer des Feldes.");
  p.definitions.customFieldTitles[id] = Text(args, 1);
}

void SetCustomFieldProperties(ProjectData& p, const NamedArgs& args) {
  const int id = Int(args, 0).value_or(0);
  if (id == 0) Fail(host::kErrInvalidArgument, "Es fehlt die Nummer des Feldes.");
  p.definitions.customFieldProperties[id] = args;
}

void CreateBaseCalendar(ProjectData& p, const NamedArgs& args) {
  const std::string name = RequireName(args, 0, "des Kalenders");
  if (p.FindCalendar(name) != nullptr) {
    Fail(host::kErrInvalidArgument, "Der Kalender " + Quoted(name) + " ist bereits vorhanden.");
  }
  auto cal = std::make_shared<CalendarData>();
  std::int32_t uid = 0;
  for (const auto& c : p.calendars) {
    if (c != nullptr) uid = std::max(uid, c->uid);
  }
  cal->uid = uid + 1;
  cal->name = name;
  cal->isBase = true;
  p.calendars.push_back(std::move(cal));
}

void SetCalendarWeekday(ProjectData& p, const NamedArgs& args) {
  const std::string name = Text(args, 0);
  const auto cal = p.FindCalendar(name);
  if (cal == nullptr) NoCalendar(name);
  const int weekday = Int(args, 3).value_or(0);
  if (weekday < 1 || weekday > 7) {
    Fail(host::kErrInvalidArgument,
         "Den Wochentag " + ToText(Arg(args, 3)) + " gibt es nicht (1 = Sonntag bis 7 = Samstag).");
  }
  const auto working = Flag(args, 4);
  if (!working) return;
  const WeekdayDefinition changed{false, *working ? DefaultWorkingTimes() : WorkingTimes{}};
  // A calendar keeps at least one working weekday.
  bool anyWorking = false;
  for (std::size_t wd = 0; wd < 7 && !anyWorking; ++wd) {
    const WeekdayDefinition* decided = nullptr;
    for (const CalendarData* c = cal.get(); c != nullptr && decided == nullptr; c = c->base.get()) {
      const WeekdayDefinition& w =
          c == cal.get() && wd == static_cast<std::size_t>(weekday - 1) ? changed : c->weekdays[wd];
      if (!w.inherited) decided = &w;
    }
    anyWorking = decided != nullptr ? !decided->times.empty() : (wd != 0 && wd != 6);
  }
  if (!anyWorking) {
    Fail(host::kErrInvalidArgument,
         "Der Kalender " + Quoted(name) + " hätte keinen Arbeitstag mehr.");
  }
  cal->weekdays[static_cast<std::size_t>(weekday - 1)] = changed;
  RescheduleAll(p);
}

void SetProjectInformation(ProjectData& p, const NamedArgs& args) {
  const std::string calendar = Text(args, 12);
  if (!calendar.empty() && p.FindCalendar(calendar) == nullptr) NoCalendar(calendar);
  MergeOptions(p, "SetProjectInformation", args);
  if (!calendar.empty() && calendar != p.calendarName) {
    p.calendarName = calendar;
    RescheduleAll(p);
  }
}

void SetCalendarOptions(ProjectData& p, const NamedArgs& args) {
  std::optional<double> start, finish, hoursDay, hoursWeek, daysMonth;
  if (!IsEmpty(Arg(args, 2)) && !(start = TimeText(Arg(args, 2)))) {
    Fail(host::kErrInvalidArgument, Quoted(ToText(Arg(args, 2))) + " ist keine Uhrzeit.");
  }
  if (!IsEmpty(Arg(args, 3)) && !(finish = TimeText(Arg(args, 3)))) {
    Fail(host::kErrInvalidArgument, Quoted(ToText(Arg(args, 3))) + " ist keine Uhrzeit.");
  }
  auto positive = [&](int position, double max) {
    if (IsEmpty(Arg(args, position))) return std::optional<double>();
    const auto n = ToNumber(Arg(args, position));
    if (!n || !(*n > 0) || *n > max) {
      Fail(host::kErrInvalidArgument,
           "Der Wert " + Quoted(ToText(Arg(args, position))) + " ist ungültig.");
    }
    return n;
  };
  hoursDay = positive(4, 24);
  hoursWeek = positive(5, 168);
  daysMonth = positive(9, 31);
  MergeOptions(p, "SetCalendarOptions", args);
  if (start) p.dayStartTime = *start;
  if (finish) p.dayFinishTime = *finish;
  if (hoursDay) p.minutesPerDay = *hoursDay * 60.0;
  if (hoursWeek) p.minutesPerWeek = *hoursWeek * 60.0;
  if (daysMonth) p.daysPerMonth = static_cast<int>(std::lround(*daysMonth));
}

void MergeOptions(ProjectData& p, const std::string& call, const NamedArgs& args) {
  NamedArgs& merged = p.definitions.options[call];
  for (const auto& [position, value] : args) merged[position] = value;
}

}  // namespace kx::platform::detail

namespace kx::platform {
namespace {

Date Today() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  return DateSerial(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday);
}

}  // namespace

std::shared_ptr<ProjectData> NewProjectData(const std::string& name) {
  auto p = std::make_shared<ProjectData>();
  p->name = name;
  p->start = Date(Today().serial + p->dayStartTime);
  auto cal = std::make_shared<CalendarData>();
  cal->uid = 1;
  cal->name = "Standard";
  cal->isBase = true;
  for (std::size_t d = 0; d < 7; ++d) {
    cal->weekdays[d].inherited = false;
    cal->weekdays[d].times = d == 0 || d == 6 ? WorkingTimes{} : DefaultWorkingTimes();
  }
  p->calendars.push_back(std::move(cal));
  p->calendarName = "Standard";
  detail::EnsureBuiltIns(p->definitions);
  return p;
}

}  // namespace kx::platform
