#pragma once
// The elements of a Project XML file as the writer writes them from the model: a calendar with
// its week and exceptions, a resource, a task and an assignment. The writer of a whole file and
// the save that writes a project back into the file it came from both write them so.

#include <cstdint>
#include <memory>
#include <optional>
#include <unordered_map>
#include <string>
#include <vector>

#include "model/model.hpp"
#include "projectxml/xml_out.hpp"

namespace kx::platform::pxml {

// Outline numbers ("2.3") of the rows, from their outline levels.
class OutlineCounter {
 public:
  std::string Next(int level);

 private:
  std::vector<int> counts_;
};

// The project's calendars in their order, then any that only a resource or a base link knows.
std::vector<std::shared_ptr<CalendarData>> CalendarsOf(const ProjectData& p);

// The UID (as `uids` gives it) of the project calendar: a base calendar of its name, else any
// calendar of its name; nothing where none has it.
std::optional<std::int32_t> ProjectCalendarUid(
    const ProjectData& p, const std::vector<std::shared_ptr<CalendarData>>& calendars,
    const std::unordered_map<const CalendarData*, std::int32_t>& uids);

void WriteWorkingTimes(XmlOut& out, const WorkingTimes& times);
// The <WeekDay> elements of a calendar's own week: a derived calendar names the days it does not
// leave to its base; a base calendar names every day, spelling out the host's default where the
// model leaves the day to the host (those days are added to `inherited`).
void WriteWeekdays(XmlOut& out, const CalendarData& c, std::vector<int>& inherited);
// The exceptions once more in the older form (<WeekDay> with day type 0), for readers that know
// no other.
void WriteOldFormExceptions(XmlOut& out, const std::vector<CalendarException>& exceptions);
// One exception over its days as an <Exception> element.
void WriteException(XmlOut& out, const CalendarException& e);
void WriteCalendar(XmlOut& out, const CalendarData& c, std::int32_t uid, std::int32_t baseUid,
                   std::vector<int>& inherited);
// `calendarUid` -1: the project calendar.
void WriteResource(XmlOut& out, const ResourceData& r, std::int32_t uid, long long id,
                   std::int32_t calendarUid);
// `outlineNumber` as "2.3"; `workText` the task's work as a duration.
void WriteTask(XmlOut& out, const TaskData& t, std::int32_t uid, long long id,
               const std::string& outlineNumber, const std::string& workText);
void WriteAssignment(XmlOut& out, const AssignmentData& a, std::int32_t uid, std::int32_t taskUid,
                     std::int32_t resourceUid);

}  // namespace kx::platform::pxml
