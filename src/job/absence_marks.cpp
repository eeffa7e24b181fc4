#include "job/absence_marks.hpp"

#include <map>
#include <string>
#include <utility>

#include "support/text.hpp"

namespace kx::job {
namespace {

std::size_t NameColumn(const gantt::ChartModel& model) {
  for (std::size_t c = 0; c < model.columns.size(); ++c)
    if (model.columns[c].field == "Name") return c;
  return 1;
}

std::string NameOf(const gantt::Row& row, std::size_t column) {
  return column < row.cells.size() ? row.cells[column] : std::string();
}

}  // namespace

std::size_t MarkPresenceFromRows(gantt::ChartModel& model,
                                 const std::optional<chart::AbsenceLimit>& limit) {
  const gantt::DaySpan period = model.period;
  const std::size_t days = static_cast<std::size_t>(period.last - period.first + 1);
  std::size_t marked = 0;
  for (std::size_t g = 0; g < model.rows.size(); ++g) {
    gantt::Row& group = model.rows[g];
    if (!group.summary) continue;
    gantt::DayMarks marks;
    marks.first = period.first;
    marks.counts.assign(days, 0);
    int members = 0;
    for (std::size_t i = g + 1; i < model.rows.size() && model.rows[i].level > group.level; ++i) {
      const gantt::Row& row = model.rows[i];
      if (row.summary) continue;
      ++members;
      std::vector<char> seen(days, 0);  // a day counts once per row, whatever its bars
      for (const gantt::Bar& bar : row.bars) {
        if (bar.rolledUp) continue;
        for (const gantt::DaySpan& part : bar.parts) {
          for (gantt::Day d = std::max(part.first, period.first);
               d <= std::min(part.last, period.last); ++d) {
            const auto at = static_cast<std::size_t>(d - period.first);
            if (!seen[at]) ++marks.counts[at];
            seen[at] = 1;
          }
        }
      }
    }
    if (members == 0) continue;
    marks.most = members;
    marks.over.assign(days, 0);
    if (limit)
      for (std::size_t d = 0; d < days; ++d)
        marks.over[d] = chart::PassesLimit(*limit, marks.counts[d], members);
    group.marks = std::move(marks);
    ++marked;
  }
  return marked;
}

std::size_t MarkFromReport(gantt::ChartModel& model, const chart::AbsenceReport& report,
                           bool presence, bool conflicts) {
  const std::size_t name = NameColumn(model);
  const gantt::Day first = gantt::DayOf(report.first);
  // The chart keeps a group's name cut to kLongestName characters, as its rows show it.
  const auto shown = [](const std::string& text) {
    return std::string(CutToChars(text, kLongestName));
  };
  std::map<std::string, const chart::GroupPresence*> groups;
  for (const auto& group : report.groups) groups.emplace(shown(group.name), &group);
  // Resource rows by their group and name; in a chart without groups by name alone.
  std::map<std::pair<std::string, std::string>, std::vector<gantt::Day>> red;
  bool grouped = false;
  for (const auto& row : model.rows) grouped = grouped || row.summary;
  for (const auto& c : report.conflicts)
    red[{grouped ? shown(c.group) : std::string(), shown(c.resource)}].push_back(gantt::DayOf(c.day));

  std::size_t marked = 0;
  std::string group;
  for (gantt::Row& row : model.rows) {
    const std::string text = NameOf(row, name);
    if (row.summary) {
      group = text;
      const auto found = groups.find(text);
      if (!presence || found == groups.end()) continue;
      const chart::GroupPresence& g = *found->second;
      row.marks.first = first;
      row.marks.counts = g.absent;
      row.marks.most = g.resources;
      row.marks.over.assign(g.absent.size(), 0);
      for (std::size_t d = 0; d < g.absent.size(); ++d)
        row.marks.over[d] = report.Over(g, static_cast<long>(d));
      ++marked;
    } else if (conflicts) {
      const auto found = red.find({grouped ? group : std::string(), text});
      if (found == red.end()) continue;
      row.marks.red = found->second;
      ++marked;
    }
  }
  return marked;
}

}  // namespace kx::job
