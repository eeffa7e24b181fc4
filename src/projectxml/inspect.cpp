#include "projectxml/inspect.hpp"

#include <nlohmann/json.hpp>
#include <cstdio>
#include <ostream>
#include <sstream>
#include <string_view>

#include "host/error.hpp"
#include "projectxml/project_xml.hpp"
#include "projectxml/xml_values.hpp"
#include "support/regional.hpp"

namespace kx::platform {
namespace {

using json = nlohmann::ordered_json;

const char* KindName(int kind) {
  switch (kind) {
    case 0:
      return "Arbeit";
    case 1:
      return "Material";
    case 2:
      return "Kosten";
    default:
      return "unbekannt";
  }
}

// Text of the project as a terminal may show it: control characters (C0 and C1, also line
// breaks inside a value) as escapes ("\x1b", "\u0085"), bytes that are no UTF-8 as "\xff".
std::string Shown(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  char buf[16];
  for (std::size_t i = 0; i < text.size(); ++i) {
    const auto c = static_cast<unsigned char>(text[i]);
    if (c == '\\') {
      out += "\\\\";
    } else if (c < 0x20 || c == 0x7F) {
      switch (c) {
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        case '\t': out += "\\t"; break;
        default:
          std::snprintf(buf, sizeof buf, "\\x%02x", c);
          out += buf;
      }
    } else if (c < 0x80) {
      out += static_cast<char>(c);
    } else {
      // A UTF-8 sequence is kept when it is one and no C1 control (U+0080 to U+009F).
      const std::size_t length = (c & 0xE0) == 0xC0   ? 2
                                 : (c & 0xF0) == 0xE0 ? 3
                                 : (c & 0xF8) == 0xF0 ? 4
                                                      : 0;
      bool ok = length > 0 && i + length <= text.size();
      for (std::size_t k = 1; ok && k < length; ++k)
        ok = (static_cast<unsigned char>(text[i + k]) & 0xC0) == 0x80;
      if (ok && length == 2 && c == 0xC2 && static_cast<unsigned char>(text[i + 1]) < 0xA0) {
        std::snprintf(buf, sizeof buf, "\\u%04x", static_cast<unsigned char>(text[i + 1]));
        out += buf;
        i += 1;
      } else if (ok && !FindBadXmlText(text.substr(i, length))) {
        out.append(text.substr(i, length));
        i += length - 1;
      } else {
        std::snprintf(buf, sizeof buf, "\\x%02x", c);
        out += buf;
      }
    }
  }
  return out;
}

// The base calendar at the root of a calendar's chain; the project calendar without one.
std::string RootName(const std::shared_ptr<CalendarData>& calendar, const ProjectData& p) {
  if (!calendar) return p.calendarName;
  const CalendarData* c = calendar.get();
  for (std::size_t steps = 0; c->base && steps < p.calendars.size() + 1; ++steps) c = c->base.get();
  return c->name;
}

std::string Times(const WorkingTimes& times) {
  if (times.empty()) return "frei";
  std::string s;
  for (const WorkingTime& t : times) {
    if (!s.empty()) s += ", ";
    s += FormatTime(Date(t.from)) + "-" +
         (t.to >= 1.0 ? std::string("24:00") : FormatTime(Date(t.to)));
  }
  return s;
}

std::string Hours(double minutes) {
  return FormatGeneralNumber(minutes / 60.0) + " h";
}

}  // namespace

std::string InspectText(const ProjectData& p, const std::vector<std::string>& warnings) {
  std::ostringstream o;
  o << "Projekt \"" << Shown(p.name) << "\"\n";
  if (!p.title.empty()) o << "  Titel: " << Shown(p.title) << "\n";
  o << "  Anfang: " << FormatDateTime(p.start) << "\n";
  if (p.finish) o << "  Ende: " << FormatDateTime(*p.finish) << "\n";
  o << "  Projektkalender: " << Shown(p.calendarName) << "\n";
  o << "  Minuten je Tag: " << FormatGeneralNumber(p.minutesPerDay)
    << ", je Woche: " << FormatGeneralNumber(p.minutesPerWeek)
    << ", Tage je Monat: " << p.daysPerMonth << "\n";

  static const char* kDays[] = {"So", "Mo", "Di", "Mi", "Do", "Fr", "Sa"};
  o << "\nKalender (" << p.calendars.size() << ")\n";
  for (const auto& c : p.calendars) {
    o << "  " << Shown(c->name);
    if (c->isBase)
      o << " (Basiskalender)";
    else
      o << " (Ressourcenkalender, Basis: " << Shown(c->base ? c->base->name : std::string("keine"))
        << ")";
    o << "\n    Woche:";
    for (int d = 0; d < 7; ++d) {
      const WeekdayDefinition& w = c->weekdays[static_cast<std::size_t>(d)];
      o << " " << kDays[d] << " " << (w.inherited ? std::string("geerbt") : Times(w.times)) << ";";
    }
    o << "\n";
    for (const CalendarException& e : c->exceptions) {
      o << "    Ausnahme " << FormatDate(e.from);
      if (e.to != e.from) o << " bis " << FormatDate(e.to);
      o << ": " << (e.working ? "Arbeitszeit " + Times(e.times) : std::string("arbeitsfrei"));
      if (!e.name.empty()) o << " \"" << Shown(e.name) << "\"";
      o << "\n";
    }
  }

  std::size_t resources = 0;
  for (const auto& r : p.resources) resources += r ? 1 : 0;
  o << "\nRessourcen (" << resources << ")\n";
  for (std::size_t i = 0; i < p.resources.size(); ++i) {
    const auto& r = p.resources[i];
    o << "  " << i + 1 << ". ";
    if (!r) {
      o << "(leere Zeile)\n";
      continue;
    }
    o << Shown(r->name) << " | UID " << r->uid
      << " | Gruppe: " << (r->group.empty() ? std::string("-") : Shown(r->group))
      << " | " << KindName(r->kind)
      << " | Kalender: " << Shown(r->calendar ? r->calendar->name : std::string("Projektkalender"))
      << " | Basiskalender: " << Shown(RootName(r->calendar, p))
      << " | Zuordnungen: " << r->assignments.size() << "\n";
  }

  std::size_t tasks = 0;
  for (const auto& t : p.tasks) tasks += t ? 1 : 0;
  o << "\nVorgänge (" << tasks << ")\n";
  for (std::size_t i = 0; i < p.tasks.size(); ++i) {
    const auto& t = p.tasks[i];
    o << "  " << i + 1 << ". ";
    if (!t) {
      o << "(leere Zeile)\n";
      continue;
    }
    o << std::string(static_cast<std::size_t>(std::clamp(t->outlineLevel - 1, 0, 10)) * 2, ' ')
      << Shown(t->name) << " | Ebene " << t->outlineLevel << " | " << FormatDateTime(t->start) << " bis "
      << FormatDateTime(t->finish) << " | Dauer " << Hours(t->durationMinutes);
    if (t->summary) o << " | Sammelvorgang";
    if (t->hiddenBar) o << " | Balken ausgeblendet";
    if (t->rollup) o << " | Rollup";
    if (t->barColour) o << " | Farbe " << *t->barColour;
    for (const auto& [name, v] : t->numbers) o << " | " << name << " " << FormatGeneralNumber(v);
    for (const auto& [name, v] : t->dates) o << " | " << name << " " << FormatDateTime(v);
    if (!t->subprojectFile.empty()) o << " | eingefügt: " << Shown(t->subprojectFile);
    o << "\n";
    for (const auto& [from, to] : t->gaps)
      o << "       Lücke " << FormatDateTime(from) << " bis " << FormatDateTime(to) << "\n";
  }

  o << "\nEigenschaften (" << p.properties.size() << ")\n";
  for (const PropertyData& prop : p.properties)
    o << "  " << Shown(prop.name) << " = " << Shown(prop.value) << "\n";

  o << "\nEingefügte Projekte (" << p.subprojects.size() << ")\n";
  for (const SubprojectData& s : p.subprojects) {
    o << "  " << Shown(s.sourceFile) << " (Vorgang " << s.taskRow << ")";
    if (s.project) {
      std::size_t n = 0;
      for (const auto& r : s.project->resources) n += r ? 1 : 0;
      o << ": " << n << " Ressourcen";
    }
    o << "\n";
  }
  if (!warnings.empty()) {
    o << "\nWarnungen (" << warnings.size() << ")\n";
    for (const auto& w : warnings) o << "  " << Shown(w) << "\n";
  }
  return o.str();
}

std::string InspectJson(const ProjectData& p, const std::vector<std::string>& warnings) {
  json j;
  j["name"] = p.name;
  j["title"] = p.title;
  j["start"] = FormatIsoDateTime(p.start);
  j["finish"] = p.finish ? json(FormatIsoDateTime(*p.finish)) : json(nullptr);
  j["calendar"] = p.calendarName;

  json resources = json::array();
  for (const auto& r : p.resources) {
    if (!r) {
      resources.push_back(nullptr);
      continue;
    }
    resources.push_back({{"uid", r->uid},
                         {"name", r->name},
                         {"group", r->group},
                         {"kind", r->kind},
                         {"calendar", r->calendar ? json(r->calendar->name) : json(nullptr)},
                         {"base_calendar", RootName(r->calendar, p)},
                         {"assignments", r->assignments.size()}});
  }
  j["resources"] = resources;

  json calendars = json::array();
  for (const auto& c : p.calendars) {
    json exceptions = json::array();
    for (const CalendarException& e : c->exceptions)
      exceptions.push_back(
          {{"from", FormatIsoDate(e.from)}, {"to", FormatIsoDate(e.to)}, {"working", e.working}});
    calendars.push_back({{"name", c->name},
                         {"base", c->base ? json(c->base->name) : json(nullptr)},
                         {"exceptions", exceptions}});
  }
  j["calendars"] = calendars;

  json tasks = json::array();
  for (std::size_t i = 0; i < p.tasks.size(); ++i) {
    const auto& t = p.tasks[i];
    if (!t) {
      tasks.push_back(nullptr);
      continue;
    }
    json gaps = json::array();
    for (const auto& [from, to] : t->gaps)
      gaps.push_back({FormatIsoDateTime(from), FormatIsoDateTime(to)});
    json fields = json::object();
    for (const auto& [name, v] : t->numbers) fields[name] = v;
    for (const auto& [name, v] : t->dates) fields[name] = FormatIsoDateTime(v);
    tasks.push_back({{"row", i + 1},
                     {"name", t->name},
                     {"outline_level", t->outlineLevel},
                     {"start", FormatIsoDateTime(t->start)},
                     {"finish", FormatIsoDateTime(t->finish)},
                     {"duration_minutes", t->durationMinutes},
                     {"gaps", gaps},
                     {"hidden_bar", t->hiddenBar},
                     {"colour", t->barColour ? json(*t->barColour) : json(nullptr)},
                     {"fields", fields}});
  }
  j["tasks"] = tasks;

  json properties = json::array();
  for (const PropertyData& prop : p.properties)
    properties.push_back({{"name", prop.name}, {"value", prop.value}});
  j["properties"] = properties;
  json subprojects = json::array();
  for (const SubprojectData& s : p.subprojects) subprojects.push_back(s.sourceFile);
  j["subprojects"] = subprojects;
  j["warnings"] = warnings;
  return j.dump(2, ' ', false, json::error_handler_t::replace) + "\n";
}

int RunInspect(const std::string& path, bool json, std::ostream& out, std::ostream& err) {
  try {
    const LoadResult r = ReadProjectXml(path);
    out << (json ? InspectJson(*r.project, r.warnings) : InspectText(*r.project, r.warnings));
    return 0;
  } catch (const host::HostError& e) {
    err << "korvalinx: Fehler: " << Shown(e.description()) << "\n";
  } catch (const std::bad_alloc&) {
    err << "korvalinx: Fehler: " << Shown(path) << ": zu wenig Arbeitsspeicher zum Lesen\n";
  }
  return 2;
}

}  // namespace kx::platform
