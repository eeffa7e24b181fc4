#include "example_projects.hpp"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <set>

namespace kx::tools {
namespace {

using namespace kx::platform;

// A small random number generator whose sequence is the same everywhere.
class Rng {
 public:
  explicit Rng(std::uint64_t seed) : s_(seed ? seed : 1) {}
  std::uint32_t Next() {
    s_ ^= s_ << 13;
    s_ ^= s_ >> 7;
    s_ ^= s_ << 17;
    return static_cast<std::uint32_t>(s_ >> 11);
  }
  int Below(int n) { return static_cast<int>(Next() % static_cast<std::uint32_t>(n)); }

 private:
  std::uint64_t s_;
};

constexpr int kYear = 2025;
const WorkingTimes kOfficeDay = {{8.0 / 24, 12.0 / 24}, {13.0 / 24, 17.0 / 24}};

Date Day(int month, int day) { return DateSerial(kYear, month, day); }
Date Next(Date d, int days = 1) { return Date(d.serial + days); }
bool Weekend(Date d) { return Weekday(d) == 1 || Weekday(d) == 7; }

// Days off from `from` to `to`.
CalendarException Off(const std::string& name, Date from, Date to) {
  return {name, from, to, false, {}};
}

double Minutes(const WorkingTimes& times) {
  double m = 0;
  for (const auto& t : times) m += DaysToMinutes(t.to - t.from);
  return m;
}

// The working times of a day as the model's rule gives them: own exception, the base chain's
// exceptions, own weekday, the base chain's weekday, the host's default week.
WorkingTimes TimesOn(const CalendarData& c, Date day) {
  for (const CalendarData* k = &c; k; k = k->base.get())
    for (const auto& e : k->exceptions)
      if (!(day < e.from) && !(e.to < day)) return e.working ? e.times : WorkingTimes{};
  const auto w = static_cast<std::size_t>(Weekday(day) - 1);
  for (const CalendarData* k = &c; k; k = k->base.get())
    if (!k->weekdays[w].inherited) return k->weekdays[w].times;
  return w >= 1 && w <= 5 ? kOfficeDay : WorkingTimes{};
}

// German public holidays of 2025 that hold everywhere.
const std::vector<std::pair<Date, const char*>>& Holidays() {
  static const std::vector<std::pair<Date, const char*>> list = {
      {Day(1, 1), "Neujahr"},           {Day(4, 18), "Karfreitag"},
      {Day(4, 21), "Ostermontag"},      {Day(5, 1), "Tag der Arbeit"},
      {Day(5, 29), "Christi Himmelfahrt"}, {Day(6, 9), "Pfingstmontag"},
      {Day(10, 3), "Tag der Deutschen Einheit"}, {Day(12, 25), "1. Weihnachtstag"},
      {Day(12, 26), "2. Weihnachtstag"}};
  return list;
}

class Builder {
 public:
  Builder(const std::string& name, const std::string& title, std::uint64_t seed) : rng_(seed) {
    p_ = std::make_shared<ProjectData>();
    p_->name = name;
    p_->title = title;
    p_->start = DateTimeSerial(kYear, 1, 2, 8, 0);
    p_->finish = DateTimeSerial(kYear, 12, 31, 17, 0);
    p_->calendarName = "Standard";
    standard_ = BaseCalendar("Standard", false);
    for (const auto& [day, holiday] : Holidays()) standard_->exceptions.push_back(Off(holiday, day, day));
  }

  std::shared_ptr<ProjectData> Take() {
    FinishSummaries();
    for (auto& c : p_->calendars)
      std::sort(c->exceptions.begin(), c->exceptions.end(),
                [](const CalendarException& a, const CalendarException& b) { return a.from < b.from; });
    return p_;
  }

  std::shared_ptr<CalendarData> BaseCalendar(const std::string& name, bool sevenDays) {
    auto c = std::make_shared<CalendarData>();
    c->uid = nextCalendar_++;
    c->name = name;
    for (int d = 0; d < 7; ++d)
      c->weekdays[d] = {false, sevenDays || (d >= 1 && d <= 5) ? kOfficeDay : WorkingTimes{}};
    p_->calendars.push_back(c);
    return c;
  }
  const std::shared_ptr<CalendarData>& Standard() const { return standard_; }

  std::shared_ptr<ResourceData> AddResource(const std::string& name, const std::string& group,
                                            const std::shared_ptr<CalendarData>& base) {
    auto r = std::make_shared<ResourceData>();
    r->uid = static_cast<std::int32_t>(p_->resources.size() + 1);
    r->id = r->uid;
    r->name = name;
    r->group = group;
    for (std::size_t i = 0; i < name.size(); ++i)
      if ((i == 0 || name[i - 1] == ' ') && name[i] >= 'A' && name[i] <= 'Z') r->initials += name[i];
    if (base) {
      auto c = std::make_shared<CalendarData>();
      c->uid = nextCalendar_++;
      c->name = name;
      c->isBase = false;
      c->base = base;
      p_->calendars.push_back(c);
      r->calendar = c;
    }
    p_->resources.push_back(r);
    return r;
  }

  std::shared_ptr<TaskData> AddTask(const std::string& name, int level, Date from, Date to,
                                    bool summary = false) {
    auto t = std::make_shared<TaskData>();
    t->uid = static_cast<std::int32_t>(p_->tasks.size() + 1);
    t->id = t->uid;
    t->name = name;
    t->outlineLevel = level;
    t->summary = summary;
    t->start = Date(from.serial + 8.0 / 24);
    t->finish = Date(to.serial + 17.0 / 24);
    t->durationMinutes = 480.0 * WorkingDays(from, to);
    p_->tasks.push_back(t);
    return t;
  }

  // Assigns `r` to `t` with up to `minutesPerDay` on each day its calendar works.
  void Assign(const std::shared_ptr<ResourceData>& r, const std::shared_ptr<TaskData>& t,
              double minutesPerDay) {
    auto a = std::make_shared<AssignmentData>();
    a->uid = nextAssignment_++;
    a->taskUid = t->uid;
    a->resourceUid = r->uid;
    for (Date d = DateOnly(t->start); !(DateOnly(t->finish) < d); d = Next(d)) {
      const WorkingTimes times = r->calendar ? TimesOn(*r->calendar, d) : TimesOn(*standard_, d);
      if (times.empty()) continue;
      const double minutes = std::min(minutesPerDay, Minutes(times));
      a->timephased.push_back(
          {Date(d.serial + times.front().from), Date(d.serial + times.back().to), minutes});
      a->workMinutes += minutes;
    }
    if (a->timephased.empty()) return;
    a->start = a->timephased.front().start;
    a->finish = a->timephased.back().finish;
    r->assignments.push_back(a);
  }

  // Gives the resource's calendar vacations of 15 to 30 working days: two weeks in summer, one
  // week in spring or autumn, the rest as single days or short stretches.
  void Vacations(const std::shared_ptr<ResourceData>& r) {
    CalendarData& c = *r->calendar;
    const int target = 15 + rng_.Below(16);
    int taken = 0;
    auto tryBlock = [&](Date from, int workingDays, const char* name) {
      std::vector<Date> days;
      Date d = from;
      for (int n = 0; n < workingDays && d < Day(12, 31); d = Next(d)) {
        if (used_[&c].count(d.serial)) return false;
        days.push_back(d);
        if (!TimesOn(*c.base, d).empty()) ++n;
      }
      while (!days.empty() && Weekend(days.front())) days.erase(days.begin());
      while (!days.empty() && Weekend(days.back())) days.pop_back();
      if (days.empty()) return false;
      int working = 0;
      for (Date x : days) working += TimesOn(*c.base, x).empty() ? 0 : 1;
      if (working == 0 || taken + working > target) return false;
      for (Date x : days) used_[&c].insert(x.serial);
      c.exceptions.push_back(Off(name, days.front(), days.back()));
      taken += working;
      return true;
    };
    auto monday = [&](int firstWeek, int weeks) {
      const Date jan6 = Day(1, 6);  // the first Monday of the year
      return Next(jan6, 7 * (firstWeek + rng_.Below(weeks)));
    };
    for (int attempt = 0; attempt < 20 && !tryBlock(monday(21, 12), 10, "Urlaub"); ++attempt) {
    }
    for (int attempt = 0; attempt < 20; ++attempt) {
      const bool spring = rng_.Below(2) == 0;
      if (tryBlock(spring ? monday(6, 10) : monday(39, 7), 5, "Urlaub")) break;
    }
    if (rng_.Below(5) == 0) {
      for (int attempt = 0; attempt < 20; ++attempt)
        if (tryBlock(Next(Day(1, 6), rng_.Below(340)), 2, "Fortbildung")) break;
    }
    for (int attempt = 0; attempt < 400 && taken < target; ++attempt) {
      const Date d = Next(Day(1, 2), rng_.Below(360));
      if (Weekend(d)) continue;
      tryBlock(d, 1 + rng_.Below(std::min(3, target - taken)), "Urlaub");
    }
  }

  // Working exceptions: Saturdays with work from 07:00 to 12:00.
  void SaturdayWork(const std::shared_ptr<ResourceData>& r, std::vector<Date> saturdays) {
    for (Date d : saturdays) {
      if (used_[r->calendar.get()].count(d.serial)) continue;
      used_[r->calendar.get()].insert(d.serial);
      r->calendar->exceptions.push_back({"Samstagsarbeit", d, d, true, {{7.0 / 24, 12.0 / 24}}});
    }
  }

  // Working days of the standard calendar from `from` to `to`.
  int WorkingDays(Date from, Date to) const {
    int n = 0;
    for (Date d = from; !(to < d); d = Next(d)) n += TimesOn(*standard_, d).empty() ? 0 : 1;
    return n;
  }

  Rng& rng() { return rng_; }
  ProjectData& project() { return *p_; }

 private:
  // A summary task spans the tasks below it.
  void FinishSummaries() {
    auto& tasks = p_->tasks;
    for (std::size_t i = 0; i < tasks.size(); ++i) {
      if (!tasks[i]->summary) continue;
      Date from = tasks[i]->start, to = tasks[i]->finish;
      bool any = false;
      for (std::size_t k = i + 1; k < tasks.size() && tasks[k]->outlineLevel > tasks[i]->outlineLevel; ++k) {
        from = any ? std::min(from, tasks[k]->start) : tasks[k]->start;
        to = any ? std::max(to, tasks[k]->finish) : tasks[k]->finish;
        any = true;
      }
      tasks[i]->start = from;
      tasks[i]->finish = to;
      tasks[i]->durationMinutes = 480.0 * WorkingDays(DateOnly(from), DateOnly(to));
    }
  }

  Rng rng_;
  std::shared_ptr<ProjectData> p_;
  std::shared_ptr<CalendarData> standard_;
  std::map<const CalendarData*, std::set<double>> used_;
  std::int32_t nextCalendar_ = 1;
  std::int32_t nextAssignment_ = 1;
};

std::vector<std::shared_ptr<ResourceData>> Pick(const std::vector<std::shared_ptr<ResourceData>>& all,
                                                std::size_t from, std::size_t count) {
  return {all.begin() + static_cast<long>(from), all.begin() + static_cast<long>(from + count)};
}

}  // namespace

std::shared_ptr<ProjectData> BuildingProject() {
  Builder b(kBuildingFile, "Neubau Bürogebäude", 2025);
  const auto standard = b.Standard();
  auto company = b.BaseCalendar("Betriebsferien", false);
  company->exceptions.push_back(Off("Betriebsferien", Day(8, 11), Day(8, 22)));
  company->exceptions.push_back(Off("Betriebsferien", Day(12, 22), Day(12, 31)));
  for (const auto& [day, name] : Holidays())
    if (day < Day(12, 22)) company->exceptions.push_back(Off(name, day, day));
  b.BaseCalendar("7-Tage-Woche", true);

  struct Group {
    const char* name;
    std::vector<const char*> people;
  };
  const std::vector<Group> groups = {
      {"Planung", {"Katrin Vogel", "Stefan Brandt", "Julia Hartmann", "Markus Lorenz", "Sabine Krüger"}},
      {"Rohbau", {"Andreas Becker", "Thomas Wagner", "Michael Schulz", "Jürgen Hoffmann", "Peter Schäfer",
                  "Uwe Koch", "Dirk Richter", "Sven Klein", "Marco Wolf", "Oliver Schröder"}},
      {"Elektro", {"Frank Zimmermann", "Tobias Braun", "Daniel Hofmann", "Matthias Hartwig",
                   "Christian Lange", "Björn Schmitt"}},
      {"Sanitär", {"Ralf Werner", "Jan Krause", "Heiko Meier", "Dennis Lehmann", "Kai Schmid",
                   "Patrick Schulze"}},
      {"Ausbau", {"Nicole Maier", "Sandra Köhler", "Martin Herrmann", "Lars König", "Torsten Walter",
                  "Anja Mayer", "Ömer Yılmaz"}},
  };
  std::map<std::string, std::vector<std::shared_ptr<ResourceData>>> people;
  for (const Group& g : groups) {
    for (const char* name : g.people) {
      auto r = b.AddResource(name, g.name, std::string(g.name) == "Elektro" ? company : standard);
      b.Vacations(r);
      people[g.name].push_back(r);
    }
  }
  auto lead = b.AddResource("Frank Neumann", "", standard);  // site manager, in no group
  b.Vacations(lead);
  auto concrete = b.AddResource("Beton C25/30", "Rohbau", nullptr);
  concrete->kind = 1;
  concrete->initials = "B";
  for (const auto& r : people["Rohbau"]) b.SaturdayWork(r, {Day(6, 14), Day(6, 28)});

  auto site = b.AddTask("Bauleitung", 1, Day(1, 2), Day(12, 19));
  b.Assign(lead, site, 240);
  b.AddTask("Planung", 1, Day(1, 6), Day(6, 27), true);
  auto draft = b.AddTask("Entwurfsplanung", 2, Day(1, 6), Day(2, 28));
  auto permit = b.AddTask("Genehmigungsplanung", 2, Day(2, 17), Day(4, 11));
  auto detail = b.AddTask("Ausführungsplanung", 2, Day(4, 14), Day(6, 27));
  b.AddTask("Rohbau", 1, Day(3, 3), Day(9, 26), true);
  auto setup = b.AddTask("Baustelleneinrichtung", 2, Day(3, 3), Day(3, 14));
  auto ground = b.AddTask("Erdarbeiten und Fundamente", 2, Day(3, 17), Day(4, 30));
  auto shell = b.AddTask("Rohbau Erdgeschoss bis 2. Obergeschoss", 2, Day(5, 5), Day(8, 29));
  auto roof = b.AddTask("Dach und Abdichtung", 2, Day(9, 1), Day(9, 26));
  b.AddTask("Technische Gebäudeausrüstung", 1, Day(9, 1), Day(12, 12), true);
  auto electric = b.AddTask("Elektroinstallation", 2, Day(9, 1), Day(11, 28));
  auto plumbing = b.AddTask("Sanitärinstallation", 2, Day(9, 1), Day(11, 21));
  auto commissioning = b.AddTask("Inbetriebnahme Haustechnik", 2, Day(12, 1), Day(12, 12));
  b.AddTask("Ausbau", 1, Day(9, 15), Day(12, 19), true);
  auto drywall = b.AddTask("Trockenbau", 2, Day(9, 15), Day(10, 31));
  auto screed = b.AddTask("Estrich und Fliesen", 2, Day(10, 13), Day(11, 14));
  auto paint = b.AddTask("Maler- und Bodenarbeiten", 2, Day(11, 17), Day(12, 19));
  auto outdoor = b.AddTask("Außenanlagen", 1, Day(9, 1), Day(11, 28));
  outdoor->subprojectFile = kOutdoorFile;
  auto handover = b.AddTask("Übergabe an den Bauherrn", 1, Day(12, 22), Day(12, 22));
  handover->durationMinutes = 0;
  handover->finish = handover->start;

  const auto& plan = people["Planung"];
  for (const auto& r : Pick(plan, 0, 3)) b.Assign(r, draft, 480);
  for (const auto& r : Pick(plan, 3, 2)) b.Assign(r, permit, 480);
  for (const auto& r : plan) b.Assign(r, detail, 480);
  const auto& shellCrew = people["Rohbau"];
  for (const auto& r : Pick(shellCrew, 0, 4)) b.Assign(r, setup, 480);
  for (const auto& r : Pick(shellCrew, 2, 6)) b.Assign(r, ground, 480);
  for (const auto& r : shellCrew) b.Assign(r, shell, 480);
  for (const auto& r : Pick(shellCrew, 0, 5)) b.Assign(r, roof, 480);
  for (const auto& r : people["Elektro"]) b.Assign(r, electric, 480);
  for (const auto& r : people["Sanitär"]) b.Assign(r, plumbing, r->name == "Kai Schmid" ? 360 : 480);
  for (const auto& r : Pick(people["Elektro"], 0, 2)) b.Assign(r, commissioning, 480);
  for (const auto& r : Pick(people["Sanitär"], 0, 2)) b.Assign(r, commissioning, 480);
  const auto& finish = people["Ausbau"];
  for (const auto& r : Pick(finish, 0, 4)) b.Assign(r, drywall, 480);
  for (const auto& r : Pick(finish, 4, 3)) b.Assign(r, screed, 480);
  for (const auto& r : finish) b.Assign(r, paint, 480);
  return b.Take();
}

std::shared_ptr<ProjectData> OutdoorProject() {
  Builder b(kOutdoorFile, "Außenanlagen Bürogebäude", 2026);
  const auto standard = b.Standard();
  std::vector<std::shared_ptr<ResourceData>> crew;
  for (const char* name : {"Gerd Fischer", "Monika Weber", "Lukas Neumann", "Emre Demir"}) {
    crew.push_back(b.AddResource(name, "Garten- und Landschaftsbau", standard));
    b.Vacations(crew.back());
  }
  auto lead = b.AddResource("Frank Neumann", "", standard);  // the site manager of the master
  b.AddTask("Außenanlagen", 1, Day(9, 1), Day(11, 28), true);
  auto paving = b.AddTask("Pflaster- und Wegebau", 2, Day(9, 1), Day(10, 10));
  auto planting = b.AddTask("Bepflanzung", 2, Day(10, 13), Day(11, 14));
  auto fence = b.AddTask("Zaun und Tor", 2, Day(11, 17), Day(11, 27));
  auto acceptance = b.AddTask("Abnahme Außenanlagen", 2, Day(11, 28), Day(11, 28));
  for (const auto& r : Pick(crew, 0, 3)) b.Assign(r, paving, 480);
  for (const auto& r : Pick(crew, 2, 2)) b.Assign(r, planting, 480);
  for (const auto& r : Pick(crew, 0, 2)) b.Assign(r, fence, 480);
  b.Assign(lead, acceptance, 240);
  return b.Take();
}

std::shared_ptr<ProjectData> LargeProject(int resources, int groups) {
  Builder b("gross.xml", "Großprojekt 2025", 4711);
  const auto standard = b.Standard();
  groups = std::max(groups, 1);
  const int perGroup = (resources + groups - 1) / groups;
  int made = 0;
  for (int g = 0; g < groups && made < resources; ++g) {
    char group[32];
    std::snprintf(group, sizeof group, "Abteilung %02d", g + 1);
    std::vector<std::shared_ptr<ResourceData>> members;
    for (int k = 0; k < perGroup && made < resources; ++k) {
      char name[32];
      std::snprintf(name, sizeof name, "Mitarbeiter %04d", ++made);
      members.push_back(b.AddResource(name, group, standard));
      b.Vacations(members.back());
    }
    b.AddTask(group, 1, Day(1, 2), Day(12, 19), true);
    const Date quarters[] = {Day(1, 2), Day(4, 1), Day(7, 1), Day(10, 1), Day(12, 20)};
    for (int q = 0; q < 4; ++q) {
      auto t = b.AddTask(std::string(group) + " Quartal " + std::to_string(q + 1), 2, quarters[q],
                         Next(quarters[q + 1], -1));
      for (const auto& r : members) b.Assign(r, t, b.rng().Below(4) == 0 ? 360 : 480);
    }
  }
  return b.Take();
}

}  // namespace kx::tools
