#include "job/terminal.hpp"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ostream>
#include <sstream>
#include <string_view>

#include "job/chart_job.hpp"
#include "platform/user_store.hpp"
#include "support/console_message_boxes.hpp"
#include "support/product.hpp"
#include "support/regional.hpp"

namespace kx::job {

void PrintMessage(std::ostream& err, bool error, const std::string& text) {
  std::istringstream lines(ConsoleLines(text));
  std::string line;
  bool first = true;
  while (std::getline(lines, line)) {
    // The boxes' texts carry trailing spaces for their layout; a terminal line does not.
    while (!line.empty() && line.back() == ' ') line.pop_back();
    if (first) {
      err << "korvalinx: " << (error ? "Fehler: " : "Warnung: ") << line << "\n";
      first = false;
    } else if (!line.empty()) {
      err << "  " << line << "\n";
    }
  }
  err.flush();
}

MsgAnswer CommandLineMessages::Show(const MessageRequest& request) {
  if (lineOpen_ != nullptr && *lineOpen_) {
    err_ << "\n";
    *lineOpen_ = false;
  }
  PrintMessage(err_, request.icon == MsgIcon::Critical, request.text);
  switch (request.buttons) {
    case MsgButtons::Ok:
      return MsgAnswer::Ok;
    case MsgButtons::OkCancel:
    case MsgButtons::YesNoCancel:
      return MsgAnswer::Cancel;
    case MsgButtons::YesNo:
      break;
  }
  return MsgAnswer::No;
}

void DrawProgress(std::ostream& out, double percent, const std::string& text) {
  constexpr int kWidth = 30;
  const int filled = static_cast<int>(std::clamp(percent, 0.0, 100.0) * kWidth / 100.0 + 0.5);
  char head[16];
  std::snprintf(head, sizeof head, "%3.0f%% ", percent);
  out << "\r[" << std::string(filled, '#') << std::string(kWidth - filled, '.') << "] " << head
      << text << "\x1b[K" << std::flush;
}

std::function<void(const char*)> StageClock::Recorder() {
  const char* timings = std::getenv("KORVALINX_ZEITEN");
  if (timings == nullptr || *timings == '\0' || std::string_view(timings) == "0") return {};
  return
      [this](const char* stage) { stages_.emplace_back(stage, std::chrono::steady_clock::now()); };
}

void StageClock::Print(std::ostream& err) const {
  if (stages_.size() < 2) return;
  err << "korvalinx: Zeiten";
  for (std::size_t i = 0; i + 1 < stages_.size(); ++i) {
    char seconds[32];
    std::snprintf(seconds, sizeof seconds, "%.3f",
                  std::chrono::duration<double>(stages_[i + 1].second - stages_[i].second).count());
    err << " " << stages_[i].first << "=" << seconds;
  }
  err << "\n" << std::flush;
}

RegistryStore* UserStore(const CommandEnvironment& env, MessageBoxes& boxes,
                         std::unique_ptr<RegistryStore>& owned) {
  if (env.registry != nullptr) return env.registry;
  const std::string path = platform::UserRegistryStore::DefaultPath();
  if (path.empty()) {
    owned = std::make_unique<MemoryRegistryStore>();
    return owned.get();
  }
  auto user = std::make_unique<platform::UserRegistryStore>(path);
  if (const std::string refusal = user->Refusal(); !refusal.empty()) {
    ShowMessage(boxes, "Die gespeicherten Einstellungen können nicht gelesen werden:\r\n" + refusal,
                kProductTitle, MsgIcon::Critical);
    return nullptr;
  }
  user->OnWarning([&boxes](const std::string& text) {
    ShowMessage(boxes, text, kProductTitle, MsgIcon::Exclamation);
  });
  owned = std::move(user);
  return owned.get();
}

std::optional<Date> ParseCommandLineDate(const std::string& text) {
  if (auto iso = ParseIsoDateTime(text)) return DateOnly(*iso);
  if (auto regional = ParseDate(text)) return DateOnly(*regional);
  if (auto german = ParseDate(text, RegionalSettings::German())) return DateOnly(*german);
  return std::nullopt;
}

std::string CommandLineDateExamples(int year, int month, int day) {
  const Date d = DateSerial(year, month, day);
  return FormatDate(d) + " oder " + FormatIsoDate(d);
}

std::optional<std::string> PeriodAndCalendarProblem(const ChartJobOptions& options) {
  if (options.calendar && options.holidays)
    return "--calendar und --holidays schließen einander aus (--holidays vergleicht mit dem "
           "Kalender \"Feiertage <Land>\")";
  if (options.from.has_value() != options.to.has_value())
    return std::string(options.from ? "zu --from fehlt --to" : "zu --to fehlt --from");
  std::vector<std::string> periods;
  if (options.wholeProject) periods.push_back("--period");
  if (options.year) periods.push_back("--year");
  if (options.from) periods.push_back("--from/--to");
  if (periods.size() < 2) return std::nullopt;
  std::string names = periods[0];
  for (std::size_t i = 1; i < periods.size(); ++i)
    names += (i + 1 == periods.size() ? " und " : ", ") + periods[i];
  return names + " schließen einander aus (nur ein Zeitraum)";
}

}  // namespace kx::job
