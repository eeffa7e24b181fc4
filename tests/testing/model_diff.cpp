#include "testing/model_diff.hpp"

#include <cmath>
#include <sstream>

#include "projectxml/project_xml_detail.hpp"

namespace kx::platform {
namespace {

constexpr double kHalfSecond = 0.5 / 86400.0;
constexpr double kMicroMinute = 1e-6;

std::string Show(const std::string& s) {
  return "\"" + s + "\"";
}
std::string Show(double v) {
  std::ostringstream o;
  o.precision(17);
  o << v;
  return o.str();
}
std::string Show(Date d) {
  return FormatIsoDateTime(d) + " (" + Show(d.serial) + ")";
}
std::string Show(bool b) {
  return b ? "true" : "false";
}
std::string Show(int v) {
  return std::to_string(v);
}
std::string Show(long v) {
  return std::to_string(v);
}

class Diff {
 public:
  std::string result;

  bool Same(const std::string& where, const std::string& a, const std::string& b) {
    return Check(a == b, where, Show(a), Show(b));
  }
  bool Same(const std::string& where, bool a, bool b) {
    return Check(a == b, where, Show(a), Show(b));
  }
  bool Same(const std::string& where, int a, int b) {
    return Check(a == b, where, Show(a), Show(b));
  }
  bool Same(const std::string& where, long a, long b) {
    return Check(a == b, where, Show(a), Show(b));
  }
  bool SameDate(const std::string& where, Date a, Date b) {
    return Check(std::fabs(a.serial - b.serial) <= kHalfSecond, where, Show(a), Show(b));
  }
  bool SameMinutes(const std::string& where, double a, double b) {
    return Check(std::fabs(a - b) <= kMicroMinute + 1e-12 * std::fabs(a), where, Show(a), Show(b));
  }
  bool SameFraction(const std::string& where, double a, double b) {
    return Check(std::fabs(a - b) <= kHalfSecond, where, Show(a), Show(b));
  }
  bool SameSize(const std::string& where, std::size_t a, std::size_t b) {
    return Check(a == b, where + ".size()", std::to_string(a), std::to_string(b));
  }
  bool Check(bool ok, const std::string& where, const std::string& a, const std::string& b) {
    if (!ok && result.empty()) result = where + ": " + a + " / " + b;
    return ok && result.empty();
  }
  bool Done() const { return !result.empty(); }
};

void CompareTimes(Diff& d, const std::string& where, const WorkingTimes& a, const WorkingTimes& b) {
  if (!d.SameSize(where, a.size(), b.size())) return;
  for (std::size_t i = 0; i < a.size() && !d.Done(); ++i) {
    d.SameFraction(where + "[" + std::to_string(i) + "].from", a[i].from, b[i].from);
    d.SameFraction(where + "[" + std::to_string(i) + "].to", a[i].to, b[i].to);
  }
}

std::string CalendarKey(const std::shared_ptr<CalendarData>& c) {
  return c ? std::to_string(c->uid) + ":" + c->name : "(keiner)";
}

void CompareCalendar(Diff& d, const std::string& w, const CalendarData& a, const CalendarData& b) {
  d.Same(w + ".uid", static_cast<long>(a.uid), static_cast<long>(b.uid));
  d.Same(w + ".name", a.name, b.name);
  d.Same(w + ".isBase", a.isBase, b.isBase);
  d.Same(w + ".base", CalendarKey(a.base), CalendarKey(b.base));
  for (std::size_t i = 0; i < 7 && !d.Done(); ++i) {
    const std::string wd = w + ".weekdays[" + std::to_string(i) + "]";
    d.Same(wd + ".inherited", a.weekdays[i].inherited, b.weekdays[i].inherited);
    CompareTimes(d, wd + ".times", a.weekdays[i].times, b.weekdays[i].times);
  }
  if (!d.SameSize(w + ".exceptions", a.exceptions.size(), b.exceptions.size())) return;
  for (std::size_t i = 0; i < a.exceptions.size() && !d.Done(); ++i) {
    const std::string we = w + ".exceptions[" + std::to_string(i) + "]";
    const CalendarException& x = a.exceptions[i];
    const CalendarException& y = b.exceptions[i];
    d.Same(we + ".name", x.name, y.name);
    d.SameDate(we + ".from", x.from, y.from);
    d.SameDate(we + ".to", x.to, y.to);
    d.Same(we + ".working", x.working, y.working);
    CompareTimes(d, we + ".times", x.times, y.times);
  }
}

void CompareAssignment(Diff& d, const std::string& w, const AssignmentData& a,
                       const AssignmentData& b) {
  d.Same(w + ".uid", static_cast<long>(a.uid), static_cast<long>(b.uid));
  d.Same(w + ".taskUid", static_cast<long>(a.taskUid), static_cast<long>(b.taskUid));
  d.Same(w + ".resourceUid", static_cast<long>(a.resourceUid), static_cast<long>(b.resourceUid));
  d.SameDate(w + ".start", a.start, b.start);
  d.SameDate(w + ".finish", a.finish, b.finish);
  d.SameMinutes(w + ".workMinutes", a.workMinutes, b.workMinutes);
  if (!d.SameSize(w + ".timephased", a.timephased.size(), b.timephased.size())) return;
  for (std::size_t i = 0; i < a.timephased.size() && !d.Done(); ++i) {
    const std::string wt = w + ".timephased[" + std::to_string(i) + "]";
    d.SameDate(wt + ".start", a.timephased[i].start, b.timephased[i].start);
    d.SameDate(wt + ".finish", a.timephased[i].finish, b.timephased[i].finish);
    d.SameMinutes(wt + ".minutes", a.timephased[i].minutes, b.timephased[i].minutes);
    d.Same(wt + ".unit", static_cast<int>(a.timephased[i].unit),
           static_cast<int>(b.timephased[i].unit));
  }
}

void CompareResource(Diff& d, const std::string& w, const ResourceData& a, const ResourceData& b) {
  d.Same(w + ".uid", static_cast<long>(a.uid), static_cast<long>(b.uid));
  d.Same(w + ".id", static_cast<long>(a.id), static_cast<long>(b.id));
  d.Same(w + ".name", a.name, b.name);
  d.Same(w + ".group", a.group, b.group);
  d.Same(w + ".kind", a.kind, b.kind);
  d.Same(w + ".initials", a.initials, b.initials);
  d.Same(w + ".calendar", CalendarKey(a.calendar), CalendarKey(b.calendar));
  if (!d.SameSize(w + ".assignments", a.assignments.size(), b.assignments.size())) return;
  for (std::size_t i = 0; i < a.assignments.size() && !d.Done(); ++i) {
    const std::string wa = w + ".assignments[" + std::to_string(i) + "]";
    if (!d.Check(!a.assignments[i] == !b.assignments[i], wa, "", "")) return;
    if (a.assignments[i]) CompareAssignment(d, wa, *a.assignments[i], *b.assignments[i]);
  }
}

void CompareTask(Diff& d, const std::string& w, const TaskData& a, const TaskData& b) {
  d.Same(w + ".uid", static_cast<long>(a.uid), static_cast<long>(b.uid));
  d.Same(w + ".id", static_cast<long>(a.id), static_cast<long>(b.id));
  d.Same(w + ".name", a.name, b.name);
  d.Same(w + ".outlineLevel", a.outlineLevel, b.outlineLevel);
  d.Same(w + ".summary", a.summary, b.summary);
  d.SameDate(w + ".start", a.start, b.start);
  d.SameDate(w + ".finish", a.finish, b.finish);
  d.SameMinutes(w + ".durationMinutes", a.durationMinutes, b.durationMinutes);
  const auto ga = pxml::NormalisedGaps(a.gaps);
  const auto gb = pxml::NormalisedGaps(b.gaps);
  if (d.SameSize(w + ".gaps", ga.size(), gb.size())) {
    for (std::size_t i = 0; i < ga.size() && !d.Done(); ++i) {
      d.SameDate(w + ".gaps[" + std::to_string(i) + "].from", ga[i].first, gb[i].first);
      d.SameDate(w + ".gaps[" + std::to_string(i) + "].to", ga[i].second, gb[i].second);
    }
  }
  d.Same(w + ".hiddenBar", a.hiddenBar, b.hiddenBar);
  d.Same(w + ".rollup", a.rollup, b.rollup);
  d.Same(w + ".barColour", a.barColour ? std::to_string(*a.barColour) : "(keine)",
         b.barColour ? std::to_string(*b.barColour) : "(keine)");
  if (d.SameSize(w + ".numbers", a.numbers.size(), b.numbers.size())) {
    for (const auto& [k, v] : a.numbers) {
      const auto it = b.numbers.find(k);
      if (!d.Check(it != b.numbers.end(), w + ".numbers[" + k + "]", Show(v), "(fehlt)")) return;
      d.SameMinutes(w + ".numbers[" + k + "]", v, it->second);
    }
  }
  if (d.SameSize(w + ".dates", a.dates.size(), b.dates.size())) {
    for (const auto& [k, v] : a.dates) {
      const auto it = b.dates.find(k);
      if (!d.Check(it != b.dates.end(), w + ".dates[" + k + "]", Show(v), "(fehlt)")) return;
      d.SameDate(w + ".dates[" + k + "]", v, it->second);
    }
  }
  d.Same(w + ".subprojectFile", a.subprojectFile, b.subprojectFile);
}

std::string ShowArgs(const NamedArgs& args) {
  std::string s;
  for (const auto& [pos, v] : args)
    s += std::to_string(pos) + "=" + std::to_string(v.index()) + ":" + ToText(v) + " ";
  return s;
}

void CompareDefinitions(Diff& d, const Definitions& a, const Definitions& b) {
  const std::string w = "definitions";
  if (d.SameSize(w + ".tables", a.tables.size(), b.tables.size())) {
    for (std::size_t i = 0; i < a.tables.size() && !d.Done(); ++i) {
      const auto& x = a.tables[i];
      const auto& y = b.tables[i];
      const std::string wt = w + ".tables[" + std::to_string(i) + "]";
      d.Same(wt + ".name", x.name, y.name);
      d.Same(wt + ".taskTable", x.taskTable, y.taskTable);
      if (!d.SameSize(wt + ".columns", x.columns.size(), y.columns.size())) break;
      for (std::size_t k = 0; k < x.columns.size(); ++k) {
        const std::string wc = wt + ".columns[" + std::to_string(k) + "]";
        d.Same(wc + ".field", x.columns[k].field, y.columns[k].field);
        d.Same(wc + ".title", x.columns[k].title, y.columns[k].title);
        d.Same(wc + ".width", x.columns[k].width, y.columns[k].width);
        d.Same(wc + ".align", x.columns[k].align, y.columns[k].align);
      }
    }
  }
  if (d.SameSize(w + ".views", a.views.size(), b.views.size())) {
    for (std::size_t i = 0; i < a.views.size() && !d.Done(); ++i) {
      const std::string wv = w + ".views[" + std::to_string(i) + "]";
      d.Same(wv + ".name", a.views[i].name, b.views[i].name);
      d.Same(wv + ".taskView", a.views[i].taskView, b.views[i].taskView);
      d.Same(wv + ".table", a.views[i].table, b.views[i].table);
      d.Same(wv + ".filter", a.views[i].filter, b.views[i].filter);
      d.Same(wv + ".group", a.views[i].group, b.views[i].group);
    }
  }
  if (d.SameSize(w + ".filters", a.filters.size(), b.filters.size())) {
    for (std::size_t i = 0; i < a.filters.size() && !d.Done(); ++i) {
      const auto& x = a.filters[i];
      const auto& y = b.filters[i];
      const std::string wf = w + ".filters[" + std::to_string(i) + "]";
      d.Same(wf + ".name", x.name, y.name);
      d.Same(wf + ".taskFilter", x.taskFilter, y.taskFilter);
      if (!d.SameSize(wf + ".criteria", x.criteria.size(), y.criteria.size())) break;
      for (std::size_t k = 0; k < x.criteria.size(); ++k) {
        const std::string wc = wf + ".criteria[" + std::to_string(k) + "]";
        d.Same(wc + ".field", x.criteria[k].field, y.criteria[k].field);
        d.Same(wc + ".test", x.criteria[k].test, y.criteria[k].test);
        d.Same(wc + ".value", x.criteria[k].value, y.criteria[k].value);
        d.Same(wc + ".join", x.criteria[k].join, y.criteria[k].join);
      }
    }
  }
  if (d.SameSize(w + ".barStyles", a.barStyles.size(), b.barStyles.size())) {
    for (std::size_t i = 0; i < a.barStyles.size() && !d.Done(); ++i) {
      const auto& x = a.barStyles[i];
      const auto& y = b.barStyles[i];
      const std::string wb = w + ".barStyles[" + std::to_string(i) + "]";
      d.Same(wb + ".name", x.name, y.name);
      d.Same(wb + ".showFor", x.showFor, y.showFor);
      d.Same(wb + ".from", x.from, y.from);
      d.Same(wb + ".to", x.to, y.to);
      d.Check(x.codes == y.codes, wb + ".codes", "", "");
      d.Same(wb + ".row", x.row, y.row);
      d.Same(wb + ".barText", x.barText, y.barText);
    }
  }
  d.Check(a.customFieldTitles == b.customFieldTitles, w + ".customFieldTitles", "", "");
  if (d.SameSize(w + ".customFieldProperties", a.customFieldProperties.size(),
                 b.customFieldProperties.size())) {
    for (const auto& [id, args] : a.customFieldProperties) {
      const auto it = b.customFieldProperties.find(id);
      const std::string wp = w + ".customFieldProperties[" + std::to_string(id) + "]";
      d.Check(it != b.customFieldProperties.end() && it->second == args, wp, ShowArgs(args),
              it == b.customFieldProperties.end() ? "(fehlt)" : ShowArgs(it->second));
    }
  }
  if (d.SameSize(w + ".options", a.options.size(), b.options.size())) {
    for (const auto& [name, args] : a.options) {
      const auto it = b.options.find(name);
      d.Check(it != b.options.end() && it->second == args, w + ".options[" + name + "]",
              ShowArgs(args), it == b.options.end() ? "(fehlt)" : ShowArgs(it->second));
    }
  }
  d.Check(a.finalViewCommands == b.finalViewCommands, w + ".finalViewCommands", "", "");
  d.Same(w + ".currentView", a.currentView, b.currentView);
  d.Same(w + ".currentTable", a.currentTable, b.currentTable);
  d.Same(w + ".currentFilter", a.currentFilter, b.currentFilter);
}

void CompareProject(Diff& d, const std::string& p, const ProjectData& a, const ProjectData& b) {
  d.Same(p + "name", a.name, b.name);
  d.Same(p + "title", a.title, b.title);
  d.SameDate(p + "start", a.start, b.start);
  d.Check(a.finish.has_value() == b.finish.has_value() &&
              (!a.finish || std::fabs(a.finish->serial - b.finish->serial) <= kHalfSecond),
          p + "finish", a.finish ? Show(*a.finish) : "(keins)",
          b.finish ? Show(*b.finish) : "(keins)");
  d.Same(p + "calendarName", a.calendarName, b.calendarName);
  d.SameMinutes(p + "minutesPerDay", a.minutesPerDay, b.minutesPerDay);
  d.SameMinutes(p + "minutesPerWeek", a.minutesPerWeek, b.minutesPerWeek);
  d.Same(p + "daysPerMonth", a.daysPerMonth, b.daysPerMonth);
  if (d.SameSize(p + "calendars", a.calendars.size(), b.calendars.size())) {
    for (std::size_t i = 0; i < a.calendars.size() && !d.Done(); ++i) {
      const std::string w = p + "calendars[" + std::to_string(i) + "]";
      if (!d.Check(!a.calendars[i] == !b.calendars[i], w, "", "")) break;
      if (a.calendars[i]) CompareCalendar(d, w, *a.calendars[i], *b.calendars[i]);
    }
  }
  if (d.SameSize(p + "resources", a.resources.size(), b.resources.size())) {
    for (std::size_t i = 0; i < a.resources.size() && !d.Done(); ++i) {
      const std::string w = p + "resources[" + std::to_string(i) + "]";
      if (!d.Check(!a.resources[i] == !b.resources[i], w, a.resources[i] ? "Ressource" : "leer",
                   b.resources[i] ? "Ressource" : "leer"))
        break;
      if (a.resources[i]) CompareResource(d, w, *a.resources[i], *b.resources[i]);
    }
  }
  if (d.SameSize(p + "tasks", a.tasks.size(), b.tasks.size())) {
    for (std::size_t i = 0; i < a.tasks.size() && !d.Done(); ++i) {
      const std::string w = p + "tasks[" + std::to_string(i) + "]";
      if (!d.Check(!a.tasks[i] == !b.tasks[i], w, a.tasks[i] ? "Vorgang" : "leer",
                   b.tasks[i] ? "Vorgang" : "leer"))
        break;
      if (a.tasks[i]) CompareTask(d, w, *a.tasks[i], *b.tasks[i]);
    }
  }
  if (d.SameSize(p + "properties", a.properties.size(), b.properties.size())) {
    for (std::size_t i = 0; i < a.properties.size() && !d.Done(); ++i) {
      const std::string w = p + "properties[" + std::to_string(i) + "]";
      d.Same(w + ".name", a.properties[i].name, b.properties[i].name);
      d.Same(w + ".value", a.properties[i].value, b.properties[i].value);
      d.Same(w + ".type", a.properties[i].type, b.properties[i].type);
      d.Same(w + ".linkToContent", a.properties[i].linkToContent, b.properties[i].linkToContent);
    }
  }
  if (!d.Done()) CompareDefinitions(d, a.definitions, b.definitions);
  if (d.SameSize(p + "subprojects", a.subprojects.size(), b.subprojects.size())) {
    for (std::size_t i = 0; i < a.subprojects.size() && !d.Done(); ++i) {
      const std::string w = p + "subprojects[" + std::to_string(i) + "]";
      const auto& x = a.subprojects[i];
      const auto& y = b.subprojects[i];
      d.Same(w + ".sourceFile", x.sourceFile, y.sourceFile);
      d.Same(w + ".taskRow", x.taskRow, y.taskRow);
      if (!d.Check(!x.project == !y.project, w + ".project", "", "")) break;
      if (x.project) CompareProject(d, w + ".project.", *x.project, *y.project);
    }
  }
}

}  // namespace

std::string ModelDifference(const ProjectData& a, const ProjectData& b) {
  Diff d;
  CompareProject(d, "", a, b);
  return d.result;
}

}  // namespace kx::platform
