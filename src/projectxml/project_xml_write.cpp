// Writing the planning host's model as Project XML, with its companion file.

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <bit>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <condition_variable>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <deque>
#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <set>
#include <system_error>
#include <thread>
#include <unordered_map>
#include <unordered_set>
#include <variant>

#include <nlohmann/json.hpp>

#include "host/error.hpp"
#include "model/project_ops.hpp"
#include "projectxml/project_xml.hpp"
#include "projectxml/project_xml_detail.hpp"
#include "projectxml/xml_values.hpp"
#include "support/file_writer.hpp"
#include "support/paths.hpp"

namespace kx::platform {
namespace {

namespace fs = std::filesystem;

constexpr std::int32_t kNoResource = -65535;

// Streams indented XML text: into a string, or in pieces to a sink as it grows.
class XmlOut {
 public:
  // Without a sink the whole text stays in the string that Take() returns.
  explicit XmlOut(std::function<void(std::string_view)> sink = nullptr) : sink_(std::move(sink)) {
    Reserve(sink_ ? kPiece + (1 << 12) : 1 << 16);
  }
  void Open(std::string_view name) {
    char* p = Grow(static_cast<std::size_t>(depth_) + name.size() + 3);
    p = Tabs(p);
    *p++ = '<';
    p = Put(p, name);
    *p++ = '>';
    *p = '\n';
    ++depth_;
  }
  void Close(std::string_view name) {
    --depth_;
    char* p = Grow(static_cast<std::size_t>(depth_) + name.size() + 4);
    p = Tabs(p);
    *p++ = '<';
    *p++ = '/';
    p = Put(p, name);
    *p++ = '>';
    *p = '\n';
    if (sink_ && size_ >= kPiece) Flush();
  }
  void Leaf(std::string_view name, std::string_view text) {
    char* p = Grow(static_cast<std::size_t>(depth_) + name.size() + 2);
    p = Tabs(p);
    *p++ = '<';
    p = Put(p, name);
    *p = '>';
    Escape(text);
    p = Grow(name.size() + 4);
    *p++ = '<';
    *p++ = '/';
    p = Put(p, name);
    *p++ = '>';
    *p = '\n';
  }
  void Leaf(std::string_view name, long long v) {
    char buf[24];
    Plain(name, std::string_view(buf, static_cast<std::size_t>(
                                          std::to_chars(buf, buf + sizeof buf, v).ptr - buf)));
  }
  void Leaf(std::string_view name, int v) { Leaf(name, static_cast<long long>(v)); }
  void Flag(std::string_view name, bool v) { Plain(name, v ? "1" : "0"); }
  // FormatXmlDateTime(d) and FormatXmlDuration(minutes), written in place.
  void DateTime(std::string_view name, Date d) {
    char buf[kIsoDateTimeMax + 1];
    Plain(name, std::string_view(buf, WriteXmlDateTime(d, buf)));
  }
  void Duration(std::string_view name, double minutes) {
    char buf[kXmlDurationMax];
    Plain(name, std::string_view(buf, WriteXmlDuration(minutes, buf)));
  }
  // A stretch of timephased work: Type 1, the UID, start and finish, its unit and the minutes as
  // its Value (none without them), each element on its line as Leaf writes it.
  void Stretch(std::int32_t uid, Date start, Date finish, TimeUnit unit, const double* minutes) {
    if (stretchDepth_ != depth_) MakeStretchParts();
    char number[24];
    char startBuf[kIsoDateTimeMax + 1], finishBuf[kIsoDateTimeMax + 1];
    const std::string_view uidText(
        number, static_cast<std::size_t>(std::to_chars(number, number + sizeof number,
                                                       static_cast<long long>(uid)).ptr - number));
    // Stretches follow each other: a start is mostly the finish before it, and the minutes of
    // one stretch mostly those of the one before. Those texts are taken from the last stretch.
    const std::uint64_t startBits = std::bit_cast<std::uint64_t>(start.serial);
    const std::uint64_t finishBits = std::bit_cast<std::uint64_t>(finish.serial);
    std::string_view startText;
    if (lastFinish_.size > 0 && startBits == lastFinish_.bits) {
      startText = std::string_view(lastFinish_.text, lastFinish_.size);
    } else {
      startText = std::string_view(startBuf, WriteXmlDateTime(start, startBuf));
    }
    const std::string_view finishText(finishBuf, WriteXmlDateTime(finish, finishBuf));
    std::string_view valueText;
    if (minutes) {
      const std::uint64_t minuteBits = std::bit_cast<std::uint64_t>(*minutes);
      if (lastValue_.size == 0 || minuteBits != lastValue_.bits) {
        lastValue_.size = WriteXmlDuration(*minutes, lastValue_.text);
        lastValue_.bits = minuteBits;
      }
      valueText = std::string_view(lastValue_.text, lastValue_.size);
    }
    const auto& k = stretchParts_;
    char* p =
        Grow(k[0].size() + uidText.size() + k[1].size() + startText.size() + k[2].size() +
             finishText.size() + k[3].size() + 1 +
             (minutes ? k[4].size() + valueText.size() + k[5].size() : stretchPartsEmpty_.size()));
    p = Put(p, k[0]);
    p = Put(p, uidText);
    p = Put(p, k[1]);
    p = Put(p, startText);
    p = Put(p, k[2]);
    p = Put(p, finishText);
    p = Put(p, k[3]);
    *p++ = static_cast<char>('0' + static_cast<int>(unit));  // each unit is one digit
    if (minutes) {
      p = Put(p, k[4]);
      p = Put(p, valueText);
      Put(p, k[5]);
    } else {
      Put(p, stretchPartsEmpty_);
    }
    // Kept once written: the start may be the kept text itself.
    std::memcpy(lastFinish_.text, finishText.data(), finishText.size());
    lastFinish_.size = finishText.size();
    lastFinish_.bits = finishBits;
    if (sink_ && size_ >= kPiece) Flush();
  }
  void Empty(std::string_view name) {
    char* p = Grow(static_cast<std::size_t>(depth_) + name.size() + 4);
    p = Tabs(p);
    *p++ = '<';
    p = Put(p, name);
    *p++ = '/';
    *p++ = '>';
    *p = '\n';
  }
  void Raw(std::string_view text) { Append(text); }
  void Enter() { ++depth_; }
  void Leave() { --depth_; }
  // Hands what is left to the sink; without one returns the whole text.
  std::string Take() {
    if (sink_) Flush();
    std::string text(buf_.get(), size_);
    size_ = 0;
    return text;
  }

 private:
  static constexpr std::size_t kPiece = 1 << 20;

  // A leaf whose text needs no escaping: digits, dates and durations that we write ourselves.
  void Plain(std::string_view name, std::string_view text) {
    char* p = Grow(static_cast<std::size_t>(depth_) + 2 * name.size() + text.size() + 6);
    p = Tabs(p);
    *p++ = '<';
    p = Put(p, name);
    *p++ = '>';
    p = Put(p, text);
    *p++ = '<';
    *p++ = '/';
    p = Put(p, name);
    *p++ = '>';
    *p = '\n';
  }
  void Reserve(std::size_t capacity) {
    auto bigger = std::make_unique_for_overwrite<char[]>(capacity);
    if (size_ > 0) std::memcpy(bigger.get(), buf_.get(), size_);
    buf_ = std::move(bigger);
    capacity_ = capacity;
  }
  // Makes room for `n` more characters at the end and returns where they go.
  char* Grow(std::size_t n) {
    if (size_ + n > capacity_) Reserve(std::max(capacity_ * 2, size_ + n));
    char* at = buf_.get() + size_;
    size_ += n;
    return at;
  }
  void Append(std::string_view text) { Put(Grow(text.size()), text); }
  void Push(char ch) { *Grow(1) = ch; }
  char* Tabs(char* p) const {
    std::memset(p, '\t', static_cast<std::size_t>(depth_));
    return p + depth_;
  }
  static char* Put(char* p, std::string_view text) {
    if (!text.empty()) std::memcpy(p, text.data(), text.size());
    return p + text.size();
  }
  // The fixed text between the values of a stretch at the current depth.
  void MakeStretchParts() {
    const std::string outer(static_cast<std::size_t>(depth_), '\t');
    const std::string inner = outer + '\t';
    stretchParts_[0] = outer + "<TimephasedData>\n" + inner + "<Type>1</Type>\n" + inner + "<UID>";
    stretchParts_[1] = "</UID>\n" + inner + "<Start>";
    stretchParts_[2] = "</Start>\n" + inner + "<Finish>";
    stretchParts_[3] = "</Finish>\n" + inner + "<Unit>";
    stretchParts_[4] = "</Unit>\n" + inner + "<Value>";
    stretchParts_[5] = "</Value>\n" + outer + "</TimephasedData>\n";
    // Without a value the stretch ends after its unit.
    stretchPartsEmpty_ = "</Unit>\n" + outer + "</TimephasedData>\n";
    stretchDepth_ = depth_;
  }
  void Flush() {
    if (size_ == 0) return;
    sink_(std::string_view(buf_.get(), size_));
    size_ = 0;
  }
  void Escape(std::string_view text) {
    // Whatever the model holds, the file stays well-formed: bytes that are no UTF-8 and
    // characters that XML does not allow become U+FFFD.
    std::string safe;
    if (FindBadXmlText(text)) {
      safe = XmlSafeText(text);
      text = safe;
    }
    for (const char ch : text) {
      switch (ch) {
        case '&':
          Append("&amp;");
          break;
        case '<':
          Append("&lt;");
          break;
        case '>':
          Append("&gt;");
          break;
        case '\r':
          Append("&#13;");  // a reference, so that reading gives it back unchanged
          break;
        default:
          Push(ch);
      }
    }
  }
  std::function<void(std::string_view)> sink_;
  int stretchDepth_ = -1;
  // A value's bits and its text as the last stretch wrote it; size 0: none yet.
  struct KeptText {
    std::uint64_t bits = 0;
    std::size_t size = 0;
    char text[static_cast<std::size_t>(kIsoDateTimeMax) + kXmlDurationMax];
  };
  KeptText lastFinish_, lastValue_;
  std::string stretchParts_[6];
  std::string stretchPartsEmpty_;
  std::unique_ptr<char[]> buf_;
  std::size_t size_ = 0;
  std::size_t capacity_ = 0;
  int depth_ = 0;
};

// Hands out unique positive UIDs: the model's own where it is positive and free.
class UidPool {
 public:
  // UIDs below `lowest` are never kept: 0 is the project's own task and resource.
  explicit UidPool(std::int32_t lowest) : lowest_(lowest), next_(lowest - 1) {}
  template <class Items, class Get>
  void Reserve(const Items& items, Get uidOf) {
    for (const auto& item : items) {
      if (!item) continue;
      const std::int32_t uid = uidOf(*item);
      if (uid >= lowest_ && used_.insert(uid).second) own_.insert(item.get());
      next_ = std::max(next_, uid);
    }
  }
  // The UID to write for `item`: its own when reserved for it, else a new one.
  std::int32_t For(const void* item, std::int32_t own) {
    if (own_.count(item)) return own;
    return Fresh();
  }
  std::int32_t Fresh() {
    while (used_.count(++next_)) {
    }
    used_.insert(next_);
    return next_;
  }

 private:
  std::unordered_set<std::int32_t> used_;
  std::unordered_set<const void*> own_;
  std::int32_t lowest_;
  std::int32_t next_;
};

struct Written {
  std::string xml;
  pxml::CompanionExtras extras;
};

class Writer {
 public:
  // `name`: the file's name as the file states it. With a sink the text goes there in pieces as
  // it is written, else into the result.
  Writer(const ProjectData& p, std::string name,
         std::function<void(std::string_view)> sink = nullptr)
      : p_(p), name_(std::move(name)), out_(std::move(sink)) {}
  Written Run();

 private:
  void CollectCalendars();
  void WriteHeader();
  void WriteCalendars();
  void WriteTimes(const WorkingTimes& times);
  void WriteTasks();
  void WriteResources();
  void WriteAssignments();
  void WriteStretch(std::int32_t uid, Date start, Date finish, double minutes,
                    TimeUnit unit = TimeUnit::kDay);
  void WriteEmptyStretch(std::int32_t uid, Date start, Date finish);
  void WriteStretches(std::int32_t uid, Date from, Date to, const CalendarData* calendar,
                      bool hasCalendar = false);
  void WritePart(std::int32_t uid, const TaskData& t, Date from, Date to,
                 const CalendarData* calendar);

  const ProjectData& p_;
  std::string name_;
  XmlOut out_;
  Written written_;
  std::vector<std::shared_ptr<CalendarData>> calendars_;
  std::unordered_map<const CalendarData*, std::int32_t> calendarUid_;
  std::vector<std::int32_t> taskUids_;                        // by row
  std::unordered_map<std::int32_t, std::int32_t> taskUidOf_;  // the model's uid -> written uid
  std::vector<std::int32_t> resourceUids_;                    // by row
};

void Writer::CollectCalendars() {
  // The project's calendars in their order, then any that only a resource or a base link knows.
  std::unordered_set<const CalendarData*> seen;
  auto add = [&](const std::shared_ptr<CalendarData>& c) {
    if (c && seen.insert(c.get()).second) calendars_.push_back(c);
  };
  for (const auto& c : p_.calendars) add(c);
  for (const auto& r : p_.resources)
    if (r) add(r->calendar);
  for (std::size_t i = 0; i < calendars_.size(); ++i) add(calendars_[i]->base);
  UidPool pool(1);
  pool.Reserve(calendars_, [](const CalendarData& c) { return c.uid; });
  for (const auto& c : calendars_) calendarUid_[c.get()] = pool.For(c.get(), c->uid);
}

// The currency symbol that the project's view options set, "€" where they set none.
std::string CurrencySymbol(const ProjectData& p) {
  const auto options = p.definitions.options.find("SetViewOptions");
  if (options != p.definitions.options.end()) {
    const auto symbol = options->second.find(6);
    if (symbol != options->second.end()) {
      if (const auto* text = std::get_if<std::string>(&symbol->second); text && !text->empty())
        return std::string(CutToChars(*text, 20));
    }
  }
  return "€";
}

// ISO 4217 code of a currency symbol; the planning host works in euros.
const char* CurrencyCode(const std::string& symbol) {
  if (symbol == "$") return "USD";
  if (symbol == "£") return "GBP";
  if (symbol == "CHF" || symbol == "Fr.") return "CHF";
  return "EUR";
}

void Writer::WriteHeader() {
  out_.Leaf("SaveVersion", 12);
  out_.Leaf("Name", CutToChars(name_, 255));
  if (!p_.title.empty()) out_.Leaf("Title", CutToChars(p_.title, 512));
  out_.Leaf("ScheduleFromStart", 1);
  out_.DateTime("StartDate", p_.start);
  if (p_.finish) out_.DateTime("FinishDate", *p_.finish);
  out_.Leaf("FYStartDate", 1);
  out_.Leaf("CriticalSlackLimit", 0);
  out_.Leaf("CurrencyDigits", 2);
  const std::string symbol = CurrencySymbol(p_);
  out_.Leaf("CurrencySymbol", symbol);
  out_.Leaf("CurrencyCode", CurrencyCode(symbol));
  out_.Leaf("CurrencySymbolPosition", symbol == "$" || symbol == "£" ? 0 : 3);
  // The project calendar: a base calendar of that name, else any calendar of that name.
  std::optional<std::int32_t> projectCalendar;
  for (const auto& c : calendars_) {
    if (c->name != p_.calendarName) continue;
    if (c->isBase) {
      projectCalendar = calendarUid_[c.get()];
      break;
    }
    if (!projectCalendar) projectCalendar = calendarUid_[c.get()];
  }
  if (projectCalendar) {
    out_.Leaf("CalendarUID", *projectCalendar);
  } else {
    written_.extras.projectCalendar = p_.calendarName;
  }
  out_.Leaf("DefaultStartTime", FormatXmlTime(p_.dayStartTime));
  out_.Leaf("DefaultFinishTime", FormatXmlTime(p_.dayFinishTime));
  out_.Leaf("MinutesPerDay", std::llround(p_.minutesPerDay));
  out_.Leaf("MinutesPerWeek", std::llround(p_.minutesPerWeek));
  out_.Leaf("DaysPerMonth", p_.daysPerMonth);
  out_.Leaf("DefaultTaskType", 1);  // fixed duration: bars keep their length
  out_.Leaf("DefaultFixedCostAccrual", 3);
  out_.Leaf("DefaultStandardRate", 0);
  out_.Leaf("DefaultOvertimeRate", 0);
  out_.Leaf("DurationFormat", 7);
  out_.Leaf("WorkFormat", 2);
  out_.Flag("EditableActualCosts", false);
  out_.Flag("HonorConstraints", true);
  out_.Flag("InsertedProjectsLikeSummary", true);
  out_.Flag("MultipleCriticalPaths", false);
  out_.Flag("NewTasksEffortDriven", false);
  out_.Flag("NewTasksEstimated", false);
  out_.Flag("SplitsInProgressTasks", true);
  out_.Flag("SpreadActualCost", false);
  out_.Flag("SpreadPercentComplete", false);
  out_.Flag("TaskUpdatesResource", true);
  out_.Flag("FiscalYearStart", false);
  out_.Leaf("WeekStartDay", 1);  // Monday
  out_.Flag("MoveCompletedEndsBack", false);
  out_.Flag("MoveRemainingStartsBack", false);
  out_.Flag("MoveRemainingStartsForward", false);
  out_.Flag("MoveCompletedEndsForward", false);
  out_.Leaf("BaselineForEarnedValue", 0);
  out_.Flag("AutoAddNewResourcesAndTasks", true);
  out_.Flag("MicrosoftProjectServerURL", true);
  out_.Flag("Autolink", false);
  out_.Leaf("NewTaskStartDate", 0);
  out_.Leaf("DefaultTaskEVMethod", 0);
  out_.Flag("ProjectExternallyEdited", false);
  out_.Flag("ActualsInSync", false);
  out_.Flag("RemoveFileProperties", false);
  out_.Flag("AdminProject", false);
  out_.Empty("OutlineCodes");
  out_.Empty("WBSMasks");

  // Field definitions: every custom field that has a title or a value.
  std::set<std::int32_t> fields;
  for (const auto& [id, title] : p_.definitions.customFieldTitles)
    if (pxml::CustomFieldOf(id)) fields.insert(id);
  for (const auto& t : p_.tasks) {
    if (!t) continue;
    for (const auto& [name, v] : t->numbers)
      if (const auto id = pxml::FieldIdOf(name)) fields.insert(*id);
    for (const auto& [name, v] : t->dates)
      if (const auto id = pxml::FieldIdOf(name)) fields.insert(*id);
  }
  if (fields.empty()) {
    out_.Empty("ExtendedAttributes");
    return;
  }
  out_.Open("ExtendedAttributes");
  for (const std::int32_t id : fields) {
    out_.Open("ExtendedAttribute");
    out_.Leaf("FieldID", id);
    out_.Leaf("FieldName", pxml::XmlFieldName(*pxml::CustomFieldOf(id)));
    const auto title = p_.definitions.customFieldTitles.find(id);
    if (title != p_.definitions.customFieldTitles.end() && !title->second.empty()) {
      // The format keeps 50 characters of a title; a longer one lives in the companion file.
      const std::string_view alias = CutToChars(title->second, 50);
      out_.Leaf("Alias", alias);
      if (alias.size() != title->second.size()) written_.extras.longFieldTitles.insert(id);
    }
    out_.Close("ExtendedAttribute");
  }
  out_.Close("ExtendedAttributes");
}

void Writer::WriteTimes(const WorkingTimes& times) {
  if (times.empty()) {
    out_.Empty("WorkingTimes");
    return;
  }
  out_.Open("WorkingTimes");
  for (const WorkingTime& t : times) {
    out_.Open("WorkingTime");
    out_.Leaf("FromTime", FormatXmlTime(t.from));
    out_.Leaf("ToTime", FormatXmlTime(t.to));
    out_.Close("WorkingTime");
  }
  out_.Close("WorkingTimes");
}

void Writer::WriteCalendars() {
  out_.Open("Calendars");
  for (const auto& c : calendars_) {
    const std::int32_t uid = calendarUid_[c.get()];
    out_.Open("Calendar");
    out_.Leaf("UID", uid);
    out_.Leaf("Name", CutToChars(c->name, 512));
    out_.Flag("IsBaseCalendar", c->isBase);
    out_.Leaf("BaseCalendarUID", !c->isBase && c->base ? calendarUid_[c->base.get()] : -1);
    out_.Open("WeekDays");
    std::vector<int> inherited;
    for (int d = 0; d < 7; ++d) {
      const WeekdayDefinition& w = c->weekdays[static_cast<std::size_t>(d)];
      // A derived calendar leaves a day to its base by not naming it; a base calendar names
      // every day, spelling out the host's default where the model leaves the day to the host.
      if (w.inherited && !c->isBase) continue;
      const WorkingTimes times = w.inherited ? pxml::HostDefaultTimes(d) : w.times;
      if (w.inherited) inherited.push_back(d);
      out_.Open("WeekDay");
      out_.Leaf("DayType", d + 1);
      out_.Flag("DayWorking", !times.empty());
      if (!times.empty()) WriteTimes(times);
      out_.Close("WeekDay");
    }
    // The exceptions once more in the older form, for readers that know no other.
    for (const CalendarException& e : c->exceptions) {
      out_.Open("WeekDay");
      out_.Leaf("DayType", 0);
      out_.Flag("DayWorking", e.working);
      out_.Open("TimePeriod");
      out_.DateTime("FromDate", DateOnly(e.from));
      out_.DateTime("ToDate", Date(DateOnly(e.to).serial + 1439.0 / 1440));
      out_.Close("TimePeriod");
      if (e.working) WriteTimes(e.times);
      out_.Close("WeekDay");
    }
    out_.Close("WeekDays");
    if (!inherited.empty()) written_.extras.inheritedWeekdays.emplace_back(uid, inherited);
    if (!c->exceptions.empty()) {
      out_.Open("Exceptions");
      for (const CalendarException& e : c->exceptions) {
        out_.Open("Exception");
        out_.Flag("EnteredByOccurrences", false);
        out_.Open("TimePeriod");
        out_.DateTime("FromDate", DateOnly(e.from));
        out_.DateTime("ToDate", Date(DateOnly(e.to).serial + 1439.0 / 1440));
        out_.Close("TimePeriod");
        const long long days =
            static_cast<long long>(DateOnly(e.to).serial - DateOnly(e.from).serial) + 1;
        out_.Leaf("Occurrences", std::max(days, 1LL));
        if (!e.name.empty()) out_.Leaf("Name", CutToChars(e.name, 512));
        out_.Leaf("Type", 1);
        out_.Leaf("Period", 1);
        out_.Flag("DayWorking", e.working);
        if (e.working) WriteTimes(e.times);
        out_.Close("Exception");
      }
      out_.Close("Exceptions");
    }
    out_.Close("Calendar");
  }
  out_.Close("Calendars");
}

// Outline numbers ("2.3") of the rows, from their outline levels.
class OutlineCounter {
 public:
  std::string Next(int level) {
    const std::size_t depth = static_cast<std::size_t>(std::clamp(level, 1, 100));
    if (counts_.size() < depth) counts_.resize(depth - 1, 1), counts_.push_back(0);
    counts_.resize(depth);
    ++counts_.back();
    std::string number;
    for (std::size_t i = 0; i < counts_.size(); ++i) {
      if (i > 0) number += '.';
      number += std::to_string(counts_[i]);
    }
    return number;
  }

 private:
  std::vector<int> counts_;
};

void Writer::WriteTasks() {
  UidPool pool(1);
  pool.Reserve(p_.tasks, [](const TaskData& t) { return t.uid; });
  std::unordered_map<std::int32_t, double> workOfTask;  // the model's task uid -> minutes
  for (const auto& r : p_.resources)
    if (r)
      for (const auto& a : r->assignments)
        if (a) workOfTask[a->taskUid] += a->workMinutes;
  const std::string zero = FormatXmlDuration(0);
  out_.Open("Tasks");
  // The project summary task, which no row shows.
  out_.Open("Task");
  out_.Leaf("UID", 0);
  out_.Leaf("ID", 0);
  out_.Leaf("Name", CutToChars(p_.title.empty() ? name_ : p_.title, 512));
  out_.Leaf("Type", 1);
  out_.Flag("IsNull", false);
  out_.Leaf("WBS", 0);
  out_.Leaf("OutlineNumber", 0);
  out_.Leaf("OutlineLevel", 0);
  out_.DateTime("Start", p_.start);
  if (p_.finish) out_.DateTime("Finish", *p_.finish);
  out_.Flag("Milestone", false);
  out_.Flag("Summary", true);
  out_.Close("Task");
  OutlineCounter outline;
  for (std::size_t i = 0; i < p_.tasks.size(); ++i) {
    const auto& t = p_.tasks[i];
    const std::int32_t uid = t ? pool.For(t.get(), t->uid) : pool.Fresh();
    taskUids_.push_back(uid);
    out_.Open("Task");
    out_.Leaf("UID", uid);
    out_.Leaf("ID", static_cast<long long>(i + 1));
    if (!t) {
      out_.Flag("IsNull", true);
      out_.Close("Task");
      continue;
    }
    taskUidOf_.emplace(t->uid, uid);
    const std::string number = outline.Next(t->outlineLevel);
    const auto work = workOfTask.find(t->uid);
    const std::string workText =
        work == workOfTask.end() ? zero : FormatXmlDuration(work->second);
    const std::string duration = FormatXmlDuration(t->durationMinutes);
    const bool milestone = !t->summary && t->durationMinutes <= 0;
    out_.Leaf("Name", CutToChars(t->name, 512));
    out_.Leaf("Type", 1);  // fixed duration: the bar keeps the days the chart gave it
    out_.Flag("IsNull", false);
    out_.Leaf("WBS", number);
    out_.Leaf("OutlineNumber", number);
    out_.Leaf("OutlineLevel", t->outlineLevel);
    out_.Leaf("Priority", 500);
    out_.DateTime("Start", t->start);
    out_.DateTime("Finish", t->finish);
    out_.Leaf("Duration", duration);
    out_.Leaf("DurationFormat", 7);
    out_.Leaf("Work", workText);
    out_.Flag("ResumeValid", false);
    out_.Flag("EffortDriven", false);
    out_.Flag("Recurring", false);
    out_.Flag("OverAllocated", false);
    out_.Flag("Estimated", false);
    out_.Flag("Milestone", milestone);
    out_.Flag("Summary", t->summary);
    out_.Flag("Critical", false);
    if (!t->subprojectFile.empty()) {
      out_.Flag("IsSubproject", true);
      out_.Flag("IsSubprojectReadOnly", false);
      out_.Leaf("SubprojectName", CutToChars(t->subprojectFile, 512));
    } else {
      out_.Flag("IsSubproject", false);
      out_.Flag("IsSubprojectReadOnly", false);
    }
    out_.Flag("ExternalTask", false);
    out_.Leaf("FixedCostAccrual", 3);
    out_.Leaf("PercentComplete", 0);
    out_.Leaf("PercentWorkComplete", 0);
    out_.Leaf("ActualDuration", zero);
    out_.Leaf("ActualWork", zero);
    out_.Leaf("RemainingDuration", duration);
    out_.Leaf("RemainingWork", workText);
    // Rows are pinned where they stand ("must start on"): without links between them, a tool
    // that schedules again would otherwise move every bar to the project's start.
    const bool pinned = !t->summary && t->subprojectFile.empty();
    out_.Leaf("ConstraintType", pinned ? 2 : 0);
    out_.Leaf("CalendarUID", -1);
    if (pinned) out_.DateTime("ConstraintDate", t->start);
    out_.Flag("LevelAssignments", false);
    out_.Flag("LevelingCanSplit", true);
    out_.Flag("IgnoreResourceCalendar", false);
    out_.Flag("HideBar", t->hiddenBar);
    out_.Flag("Rollup", t->rollup);
    for (const auto& [name, value] : t->numbers) {
      if (const auto id = pxml::FieldIdOf(name)) {
        out_.Open("ExtendedAttribute");
        out_.Leaf("FieldID", *id);
        out_.Leaf("Value", FormatXmlNumber(value));
        out_.Close("ExtendedAttribute");
      }
    }
    for (const auto& [name, value] : t->dates) {
      if (const auto id = pxml::FieldIdOf(name)) {
        out_.Open("ExtendedAttribute");
        out_.Leaf("FieldID", *id);
        out_.DateTime("Value", value);
        out_.Close("ExtendedAttribute");
      }
    }
    out_.Close("Task");
  }
  out_.Close("Tasks");
}

void Writer::WriteResources() {
  UidPool pool(1);
  pool.Reserve(p_.resources, [](const ResourceData& r) { return r.uid; });
  out_.Open("Resources");
  // The project's own entry, which every file holds and no row shows.
  out_.Open("Resource");
  out_.Leaf("UID", 0);
  out_.Leaf("ID", 0);
  out_.Leaf("Type", 1);
  out_.Flag("IsNull", false);
  out_.Leaf("MaxUnits", 1);
  out_.Close("Resource");
  for (std::size_t i = 0; i < p_.resources.size(); ++i) {
    const auto& r = p_.resources[i];
    const std::int32_t uid = r ? pool.For(r.get(), r->uid) : pool.Fresh();
    resourceUids_.push_back(uid);
    out_.Open("Resource");
    out_.Leaf("UID", uid);
    out_.Leaf("ID", static_cast<long long>(i + 1));
    if (!r) {
      out_.Flag("IsNull", true);
      out_.Close("Resource");
      continue;
    }
    out_.Leaf("Name", CutToChars(r->name, 512));
    // The format counts 0 material, 1 work; cost resources are material ones marked as cost.
    out_.Leaf("Type", r->kind == 0 ? 1 : 0);
    out_.Flag("IsNull", false);
    if (!r->initials.empty()) out_.Leaf("Initials", CutToChars(r->initials, 512));
    if (!r->group.empty()) out_.Leaf("Group", CutToChars(r->group, 512));
    if (r->kind == 0) out_.Leaf("MaxUnits", 1);
    out_.Leaf("CalendarUID", r->calendar ? calendarUid_[r->calendar.get()] : -1);
    out_.Flag("IsCostResource", r->kind == 2);
    out_.Close("Resource");
  }
  out_.Close("Resources");
}

void Writer::WriteStretch(std::int32_t uid, Date start, Date finish, double minutes,
                          TimeUnit unit) {
  out_.Stretch(uid, start, finish, unit, &minutes);
}

// Splits [from, to) into stretches of a day each, starting at `from`, as planning tools write
// timephased work: each with the working minutes of `calendar` in it (none without a calendar:
// the time of a gap), a stretch without working time without a value.
void Writer::WriteStretches(std::int32_t uid, Date from, Date to, const CalendarData* calendar,
                            bool hasCalendar) {
  const bool gap = !hasCalendar;
  // A stretch ends on the day the next one starts: each day is looked up once.
  detail::CalendarDays days(calendar);
  for (Date a = from; a < to;) {
    const Date b = Date(std::min(a.serial + 1.0, to.serial));
    const double minutes = gap ? 0.0 : detail::WorkBetween(days, a, b);
    if (gap || minutes > 0)
      WriteStretch(uid, a, b, minutes);
    else
      WriteEmptyStretch(uid, a, b);
    a = b;
  }
}

void Writer::WritePart(std::int32_t uid, const TaskData& t, Date from, Date to,
                       const CalendarData* calendar) {
  if (!(from < to)) return;
  // A part without working time in the calendar (or a bar that the calendar does not explain)
  // keeps its share of the duration in one stretch, so that it stays a part of the bar.
  detail::CalendarDays days(calendar);
  if (!detail::HasWorkBetween(days, from, to)) {
    double partsLength = 0;
    Date f = t.start;
    for (const auto& g : pxml::NormalisedGaps(t.gaps)) {
      partsLength += std::max(0.0, g.first.serial - f.serial);
      f = g.second;
    }
    partsLength += std::max(0.0, t.finish.serial - f.serial);
    const double length = to.serial - from.serial;
    WriteStretch(uid, from, to,
                 t.durationMinutes > 0 && partsLength > 0
                     ? t.durationMinutes * length / partsLength
                     : DaysToMinutes(length));
    return;
  }
  WriteStretches(uid, from, to, calendar, true);
}

void Writer::WriteEmptyStretch(std::int32_t uid, Date start, Date finish) {
  out_.Stretch(uid, start, finish, TimeUnit::kDay, nullptr);
}

void Writer::WriteAssignments() {
  UidPool pool(0);
  for (const auto& r : p_.resources)
    if (r) pool.Reserve(r->assignments, [](const AssignmentData& a) { return a.uid; });
  std::unordered_map<std::int32_t, std::vector<pxml::WorkStretch>> workOfTask;
  out_.Open("Assignments");
  for (std::size_t i = 0; i < p_.resources.size(); ++i) {
    const auto& r = p_.resources[i];
    if (!r) continue;
    for (const auto& a : r->assignments) {
      if (!a) continue;
      const std::int32_t uid = pool.For(a.get(), a->uid);
      const auto task = taskUidOf_.find(a->taskUid);
      const std::int32_t taskUid = task == taskUidOf_.end() ? 0 : task->second;
      out_.Open("Assignment");
      out_.Leaf("UID", uid);
      out_.Leaf("TaskUID", taskUid);
      out_.Leaf("ResourceUID", resourceUids_[i]);
      out_.DateTime("Finish", a->finish);
      out_.DateTime("Start", a->start);
      out_.Duration("Work", a->workMinutes);
      auto& work = workOfTask[taskUid];
      for (const TimephasedWork& w : a->timephased) {
        WriteStretch(uid, w.start, w.finish, w.minutes, w.unit);
        work.push_back({w.start, w.finish, w.minutes});
      }
      out_.Close("Assignment");
    }
  }
  // Gaps that the work of a task's assignments does not give are stored in an unassigned
  // assignment: work over the parts of the bar, none over its gaps.
  const auto calendar = p_.ProjectCalendar();
  for (std::size_t i = 0; i < p_.tasks.size(); ++i) {
    const auto& t = p_.tasks[i];
    if (!t || t->gaps.empty()) continue;
    const auto gaps = pxml::NormalisedGaps(t->gaps);
    const auto it = workOfTask.find(taskUids_[i]);
    if (it != workOfTask.end() && pxml::GapsFromWork(it->second) == gaps) continue;
    std::vector<std::pair<Date, Date>> parts;
    Date from = t->start;
    for (const auto& g : gaps) {
      parts.emplace_back(from, g.first);
      from = g.second;
    }
    parts.emplace_back(from, t->finish);
    const std::int32_t uid = pool.Fresh();
    out_.Open("Assignment");
    out_.Leaf("UID", uid);
    out_.Leaf("TaskUID", taskUids_[i]);
    out_.Leaf("ResourceUID", kNoResource);
    out_.DateTime("Finish", t->finish);
    out_.DateTime("Start", t->start);
    out_.Leaf("Units", 1);
    out_.Duration("Work", 0);
    for (std::size_t k = 0; k < parts.size(); ++k) {
      WritePart(uid, *t, parts[k].first, parts[k].second, calendar.get());
      if (k < gaps.size()) WriteStretches(uid, gaps[k].first, gaps[k].second, nullptr, false);
    }
    out_.Close("Assignment");
  }
  out_.Close("Assignments");
}

Written Writer::Run() {
  CollectCalendars();
  out_.Raw("<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n<Project xmlns=\"");
  out_.Raw(kProjectXmlNamespace);
  out_.Raw("\">\n");
  out_.Enter();
  WriteHeader();
  WriteCalendars();
  WriteTasks();
  WriteResources();
  WriteAssignments();
  out_.Leave();
  out_.Raw("</Project>\n");
  written_.xml = out_.Take();
  return std::move(written_);
}

// ---------------------------------------------------------------------------------------------
// Saving
//
// A project file and its companion are saved as one, under the project file's write lock: both
// go to temporary files beside their targets; once both are complete, a journal
// ".<name>.kxjournal" records the renames still to make; then both are renamed and the journal
// is removed. After a crash before the journal exists the old pair is still in place and the
// temporary files are stale; after it, the next save to the same file finishes the recorded
// renames first. The journal is a record, not a command: it is carried out only when it names
// nothing but this file's own temporary files and targets, in the folder it was written in, and
// belongs to this user; anything else is refused and left as it is.

constexpr std::string_view kJournalSuffix = ".kxjournal";
constexpr const char* kJournalFormat = "korvalinx-save";
constexpr off_t kLongestJournal = 1 << 16;

std::function<void(pxml::SaveStep)>& SaveHook() {
  static std::function<void(pxml::SaveStep)> hook;
  return hook;
}

void Step(pxml::SaveStep step) {
  if (SaveHook()) SaveHook()(step);
}

std::string JournalPath(const std::string& projectPath) {
  return HiddenNameBeside(projectPath, kJournalSuffix);
}

std::string FileNameOf(const std::string& path) { return fs::path(path).filename().string(); }

// An open folder, closed with the object.
class FolderHandle {
 public:
  explicit FolderHandle(const std::string& folder)
      : fd_(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC)) {}
  ~FolderHandle() {
    if (fd_ >= 0) ::close(fd_);
  }
  FolderHandle(const FolderHandle&) = delete;
  FolderHandle& operator=(const FolderHandle&) = delete;
  int fd() const { return fd_; }

 private:
  int fd_;
};

// Finishes the save of `path` that its journal records, if one was interrupted. Call it with the
// file's write lock held. Throws host::HostError, leaving the journal as it is, when the journal
// is not one that a save of this file wrote in this folder.
void FinishInterruptedSave(const std::string& path) {
  const std::string journal = JournalPath(path);
  const std::string journalName = FileNameOf(journal);
  const FolderHandle folder(FolderOfPath(path));
  struct stat st {};
  if (folder.fd() < 0 ||
      ::fstatat(folder.fd(), journalName.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0)
    return;  // no journal; or no folder, which the save itself reports
  const auto refuse = [&](const std::string& why) {
    throw host::HostError(host::kErrFile,
                          journal + ": das Speicherprotokoll wird nicht ausgeführt (" + why +
                              "); es bleibt unverändert, und \"" + path +
                              "\" wird nicht gespeichert, solange es dort liegt");
  };
  if (!S_ISREG(st.st_mode)) refuse("es ist keine gewöhnliche Datei");
  if (st.st_uid != ::geteuid()) refuse("es gehört einem anderen Benutzer");
  if (st.st_size > kLongestJournal) refuse("es ist zu groß");
  std::string text;
  {
    const int fd = ::openat(folder.fd(), journalName.c_str(),
                            O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) refuse(SystemErrorText(errno));
    char buf[4096];
    for (ssize_t n; (n = ::read(fd, buf, sizeof buf)) > 0 &&
                    text.size() <= static_cast<std::size_t>(kLongestJournal);)
      text.append(buf, static_cast<std::size_t>(n));
    ::close(fd);
  }
  struct stat here {};
  if (::fstat(folder.fd(), &here) != 0) refuse(SystemErrorText(errno));

  // Every rename is checked before the first is made.
  const std::string targets[] = {FileNameOf(path), FileNameOf(CompanionPath(path))};
  std::vector<std::pair<std::string, std::string>> renames;
  const auto j = nlohmann::json::parse(text, nullptr, false);
  const auto number = [&j](const char* key) -> std::optional<std::uint64_t> {
    const auto id = j.find("folder");
    if (id == j.end() || !id->is_object()) return std::nullopt;
    const auto n = id->find(key);
    if (n == id->end() || !n->is_number_unsigned()) return std::nullopt;
    return n->get<std::uint64_t>();
  };
  const auto format = j.is_object() ? j.find("format") : j.end();
  if (format == j.end() || !format->is_string() || format->get<std::string>() != kJournalFormat)
    refuse("es ist kein Speicherprotokoll dieses Programms");
  const auto list = j.find("renames");
  if (list == j.end() || !list->is_array() || list->empty() || list->size() > 2)
    refuse("es nennt keine Umbenennungen dieser Speicherung");
  for (const auto& step : *list) {
    const auto from = step.is_object() ? step.find("from") : step.end();
    const auto to = step.is_object() ? step.find("to") : step.end();
    if (from == step.end() || to == step.end() || !from->is_string() || !to->is_string())
      refuse("es nennt keine Umbenennungen dieser Speicherung");
    const std::string source = from->get<std::string>(), target = to->get<std::string>();
    if (std::find(std::begin(targets), std::end(targets), target) == std::end(targets) ||
        !IsTempNameOf(source, target) || source.find('/') != std::string::npos)
      refuse("es nennt Dateien, die nicht zu dieser Speicherung gehören: \"" + source +
             "\" nach \"" + target + "\"");
    renames.emplace_back(source, target);
  }
  if (number("device") != static_cast<std::uint64_t>(here.st_dev) ||
      number("inode") != static_cast<std::uint64_t>(here.st_ino))
    refuse("es wurde in einem anderen Ordner geschrieben");
  for (auto it = renames.begin(); it != renames.end();) {
    const std::string& source = it->first;
    struct stat temp {};
    if (::fstatat(folder.fd(), source.c_str(), &temp, AT_SYMLINK_NOFOLLOW) != 0) {
      it = renames.erase(it);  // renamed already
      continue;
    }
    if (!S_ISREG(temp.st_mode) || temp.st_uid != ::geteuid())
      refuse("\"" + source + "\" ist keine Datei dieses Benutzers");
    ++it;
  }
  for (const auto& [from, to] : renames) {
    if (::renameat(folder.fd(), from.c_str(), folder.fd(), to.c_str()) != 0)
      throw host::HostError(host::kErrFile,
                            path + ": das unterbrochene Speichern kann nicht abgeschlossen werden (" +
                                SystemErrorText(errno) + ")");
  }
  ::fsync(folder.fd());
  ::unlinkat(folder.fd(), journalName.c_str(), 0);
  ::fsync(folder.fd());
}

// The journal of a save whose temporary files are complete.
std::string JournalText(const std::string& folder, const TempFile& xml, const TempFile& side) {
  struct stat here {};
  if (::stat(folder.c_str(), &here) != 0) throw FileWriteError(xml.Target(), errno);
  nlohmann::json journal;
  journal["format"] = kJournalFormat;
  journal["folder"] = {{"device", static_cast<std::uint64_t>(here.st_dev)},
                       {"inode", static_cast<std::uint64_t>(here.st_ino)}};
  journal["renames"] = nlohmann::json::array(
      {{{"from", FileNameOf(side.Path())}, {"to", FileNameOf(side.Target())}},
       {{"from", FileNameOf(xml.Path())}, {"to", FileNameOf(xml.Target())}}});
  return journal.dump() + "\n";
}

// Keeps a companion file that is not one (damaged, or another program's) as
// "<file>.corrupt-<time>" before a save replaces it.
void KeepDamagedCompanion(const std::string& companion) {
  struct stat st {};
  if (::lstat(companion.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return;
  std::string text;
  {
    const int fd = ::open(companion.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return;
    char buf[1 << 16];
    for (ssize_t n; (n = ::read(fd, buf, sizeof buf)) > 0;)
      text.append(buf, static_cast<std::size_t>(n));
    ::close(fd);
  }
  ProjectData scratch;
  std::string problem;
  if (pxml::ApplyCompanion(text, scratch, problem)) return;
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  char stamp[32];
  std::strftime(stamp, sizeof stamp, "%Y%m%d-%H%M%S", &local);
  const std::string base = companion + ".corrupt-" + stamp;
  for (int n = 1; n < 1000; ++n) {
    const std::string copy = n == 1 ? base : base + "-" + std::to_string(n);
    if (::link(companion.c_str(), copy.c_str()) == 0) return;
    if (errno == EEXIST) continue;
    std::error_code ec;  // a file system without hard links: a copy
    if (fs::copy_file(companion, copy, ec)) return;
    if (ec == std::errc::file_exists) continue;
    throw FileWriteError(companion, ec.value());
  }
}

// Where a companion that is a symbolic link of this user's leads, so that writing it keeps the
// link; the path itself otherwise.
std::string WhereLinkLeads(const std::string& path) {
  struct stat st {};
  if (::lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode) || st.st_uid != ::geteuid())
    return path;
  std::error_code ec;
  const fs::path resolved = fs::weakly_canonical(fs::absolute(path, ec), ec);
  return ec ? path : resolved.string();
}

void SavePair(const ProjectData& project, const std::string& path) {
  const std::string folder = FolderOfPath(path);
  const std::string companion = CompanionPath(path);
  const std::string journalPath = JournalPath(path);
  const TargetLock lock(path);
  FinishInterruptedSave(path);
  for (const std::string& file : {path, companion, journalPath}) RemoveAbandonedTemps(file);
  // The project file streams into its temporary file as it is written.
  TempFile xml(TempFile::Streamed{true}, path, path);
  const Written w = Writer(project, FileNameOf(path),
                           [&xml](std::string_view piece) { xml.Append(piece); })
                        .Run();
  xml.Finish();
  const std::string companionText = pxml::CompanionText(project, w.extras);
  KeepDamagedCompanion(companion);
  Step(pxml::SaveStep::ProjectWritten);
  TempFile side(companion, companionText, ::access(companion.c_str(), F_OK) == 0 ? companion : path);
  Step(pxml::SaveStep::CompanionWritten);
  TempFile record(journalPath, JournalText(folder, xml, side), path);
  record.Commit();
  SyncFolder(folder);
  Step(pxml::SaveStep::JournalWritten);
  // The earlier companion stays reachable until the project file is in place, so that a rename
  // that fails leaves the earlier pair.
  std::string backup;
  struct stat st {};
  if (::lstat(companion.c_str(), &st) == 0 && S_ISREG(st.st_mode)) {
    backup = HiddenNameBeside(companion, ".kxtmp-alt" + std::to_string(::getpid()));
    ::unlink(backup.c_str());
    if (::link(companion.c_str(), backup.c_str()) != 0) backup.clear();
  }
  bool companionPlaced = false;
  try {
    side.Commit();
    companionPlaced = true;
    Step(pxml::SaveStep::CompanionRenamed);
    xml.Commit();
    Step(pxml::SaveStep::ProjectRenamed);
  } catch (...) {
    ::unlink(journalPath.c_str());  // nothing of it is to be carried out any more
    if (companionPlaced) {
      if (!backup.empty())
        ::rename(backup.c_str(), companion.c_str());
      else
        ::unlink(companion.c_str());
    } else if (!backup.empty()) {
      ::unlink(backup.c_str());
    }
    throw;
  }
  if (!backup.empty()) ::unlink(backup.c_str());
  SyncFolder(folder);
  ::unlink(journalPath.c_str());
  SyncFolder(folder);
  Step(pxml::SaveStep::JournalRemoved);
}

// Runs a write; a failure reaches the host as its file error.
template <typename Write>
void AsHostError(Write&& write) {
  try {
    write();
  } catch (const FileWriteError& e) {
    throw host::HostError(host::kErrFile, e.what());
  }
}

}  // namespace

void pxml::SetSaveHook(std::function<void(SaveStep)> hook) {
  SaveHook() = std::move(hook);
}

void pxml::NoteInterruptedSave(const std::string& projectPath,
                               std::vector<std::string>& warnings) {
  const std::string journal = JournalPath(projectPath);
  struct stat st {};
  if (::lstat(journal.c_str(), &st) != 0) return;
  warnings.push_back(projectPath + ": das Speichern dieser Datei wurde unterbrochen (\"" +
                     journal +
                     "\"); Projektdatei und Begleitdatei passen womöglich nicht zueinander, bis "
                     "sie an derselben Stelle wieder gespeichert wird");
}

std::string ProjectXmlText(const ProjectData& project) {
  return Writer(project, project.name).Run().xml;
}

void SaveProjectXml(const ProjectData& project, const std::string& path) {
  AsHostError([&] { SavePair(project, path); });
}

void SaveCompanionOnly(const ProjectData& project, const std::string& path) {
  pxml::CompanionExtras extras;
  extras.allFieldTitles = true;
  const std::string text = pxml::CompanionText(project, extras);
  AsHostError([&] {
    const TargetLock lock(path);
    FinishInterruptedSave(path);
    const std::string companion = WhereLinkLeads(CompanionPath(path));
    if (SamePath(companion, path))
      throw FileWriteError(companion, CompanionPath(path) +
                                          ": die Begleitdatei ist ein Verweis auf die "
                                          "Projektdatei und wird nicht geschrieben");
    RemoveAbandonedTemps(companion);
    KeepDamagedCompanion(companion);
    TempFile file(companion, text, ::access(companion.c_str(), F_OK) == 0 ? companion : path);
    file.Commit();
    SyncFolder(FolderOfPath(companion));
  });
}

void WriteFileAtomically(const std::string& path, std::string_view content) {
  AsHostError([&] { WriteFileWhole(path, content); });
}

void ProjectXmlFormat::Save(const ProjectData& project, const std::string& path) {
  SaveProjectXml(project, path);
}

std::optional<KeptFile> KeptFileOf(const std::string& path) {
  const fs::path p(path);
  const std::string name = p.filename().string();
  const auto endsWith = [&name](std::string_view end) {
    return name.size() > end.size() && name.compare(name.size() - end.size(), end.size(), end) == 0;
  };
  const auto beside = [&p](std::string project) {
    return (p.has_parent_path() ? (p.parent_path() / project) : fs::path(project)).string();
  };
  constexpr std::string_view kCompanion = ".korvalinx.json";
  if (endsWith(kCompanion))
    return KeptFile{"die Begleitdatei", beside(name.substr(0, name.size() - kCompanion.size()))};
  if (name.size() < 2 || name[0] != '.') return std::nullopt;
  for (const auto& [end, what] : {std::pair{kJournalSuffix, "das Speicherprotokoll"},
                                  std::pair{std::string_view(".kxlock"), "die Sperrdatei"}})
    if (endsWith(end)) return KeptFile{what, beside(name.substr(1, name.size() - 1 - end.size()))};
  if (const auto at = name.rfind(".kxtmp-"); at != std::string::npos && at > 1 &&
                                             IsTempNameOf(name, name.substr(1, at - 1)))
    return KeptFile{"eine temporäre Datei", beside(name.substr(1, at - 1))};
  return std::nullopt;
}

std::vector<std::string> ProjectXmlFormat::FilesBeside(const std::string& path) {
  return {CompanionPath(path), JournalPath(path)};
}

}  // namespace kx::platform
