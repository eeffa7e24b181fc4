#pragma once
// "Extras > Feiertage einfügen...": the public holidays of a German state as the base calendar
// "Feiertage <Land>" of the active project, for the years the project spans. The wizard then
// lists it among the special calendars; the user saves the project as usual.

#include <QDialog>
#include <cstdint>

#include "holidays/holidays.hpp"
#include "platform/command_bar_service.hpp"
#include "platform/planning_host.hpp"

class QComboBox;

namespace kx::desktop {

// The host's own command, with an identifier of its own.
inline constexpr std::int32_t kIdInsertHolidays = 40310;
inline constexpr const char* kInsertHolidaysCaption = "&Feiertage einfügen...";

// Puts the command into "Tools" ("Extras") when the bars lack it (bars kept in the store from
// before it existed).
void AddHolidaysCommand(platform::CommandBarService& bars);

// Picks the state; says which years the calendar gets and which holidays it leaves out.
class HolidaysDialog final : public QDialog {
 public:
  HolidaysDialog(int firstYear, int lastYear, std::optional<holidays::State> preset,
                 QWidget* parent = nullptr);
  holidays::State State() const;
  QComboBox* StateBox() const { return states_; }

 private:
  QComboBox* states_ = nullptr;
};

// Asks for the state and adds or updates the calendar in the active project; says what it did
// in a message. Returns true when the project got the calendar.
bool InsertHolidays(platform::PlanningHost& host, QWidget* parent);

}  // namespace kx::desktop
