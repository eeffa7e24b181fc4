#pragma once
// The calendars of a Project XML file: each with its weekdays, its exceptions (repeating ones as
// their single days), the days its work weeks set apart, and the base calendar it builds on.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "model/model.hpp"
#include "projectxml/element_reader.hpp"
#include "projectxml/project_xml_detail.hpp"

namespace kx::platform::xml_read {

class CalendarReader : ElementReader {
 public:
  explicit CalendarReader(const ElementReader& elements) : ElementReader(elements) {}
  // Notes the elements of each calendar's exceptions in `index` (null: nowhere).
  void NoteIn(pxml::NodeIndex* index) { index_ = index; }

  // Reads the <Calendar> elements of `calendars` into `out`, in the file's order, and links each
  // to its base calendar. Fails on a calendar without a UID, a UID given twice, base calendars
  // that form a loop and values that do not parse.
  void Read(xml_node calendars, std::vector<std::shared_ptr<CalendarData>>& out);
  // The calendar that `uidNode` names by `uid` for `owner` ("das Projekt"); fails when the file
  // has none of that UID.
  std::shared_ptr<CalendarData> ByUid(xml_node uidNode, std::int32_t uid,
                                      const std::string& owner) const;

 private:
  struct CalendarEntry {
    std::shared_ptr<CalendarData> calendar;
    xml_node node;
    xml_node baseNode;  // the BaseCalendarUID element
    std::int32_t baseUid = -1;
  };

  void ReadCalendar(xml_node node, CalendarEntry& entry);
  WorkingTimes ReadWorkingTimes(xml_node workingTimes);
  WorkingTimes DayTimes(xml_node workingTimes, bool working);
  std::pair<Date, Date> ReadPeriod(xml_node timePeriod, xml_node owner);
  void ReadException(xml_node node, CalendarData& calendar);
  void ReadWorkWeeks(xml_node workWeeks, CalendarData& calendar);
  void TidyExceptions(CalendarData& calendar);
  void ResolveBaseCalendars(const std::vector<std::shared_ptr<CalendarData>>& list);

  std::unordered_map<std::int32_t, CalendarEntry> calendars_;
  std::size_t exceptionCount_ = 0;
  pxml::NodeIndex* index_ = nullptr;
};

}  // namespace kx::platform::xml_read
