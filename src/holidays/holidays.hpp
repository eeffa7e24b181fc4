#pragma once
// The public holidays of the sixteen German states, 1984 to 2049, from a rule table of our own:
// fixed days and days counted from Easter Sunday, each with the years it applies in. Only
// holidays that hold in the whole state are listed: those of some communities only (Mariä
// Himmelfahrt in Bavaria, Fronleichnam in parts of Saxony and Thuringia, the Augsburger
// Friedensfest) are not.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "support/date.hpp"

namespace kx::holidays {

// The states in the order of their codes' list.
enum class State { BW, BY, BE, BB, HB, HH, HE, MV, NI, NW, RP, SL, SN, ST, SH, TH };
inline constexpr int kStateCount = 16;

// The years the table covers (the host's calendar years).
inline constexpr int kFirstYear = 1984;
inline constexpr int kLastYear = 2049;

// "BY"
const char* Code(State state);
// "Bayern"
const char* Name(State state);
// The first year the table covers for the state: 1984, and 1991 for the states that joined the
// Federal Republic on 3 October 1990 (their first whole year as its states).
int FirstYear(State state);
// All sixteen, in the order of the codes' list (BW, BY, BE, ...).
std::vector<State> AllStates();

// The state of a two-letter code or a German name, in any case ("by", "Bayern", "BADEN-
// WÜRTTEMBERG"; "ue" may stand for "ü"); nullopt for anything else.
std::optional<State> FindState(std::string_view text);
// "BW, BY, BE, ..." for messages and the help.
std::string StateCodes();

struct Holiday {
  Date day;
  std::string name;  // "Pfingstmontag"
};

// Easter Sunday of a year of the Gregorian calendar.
Date EasterSunday(int year);

// The holidays of `state` in `year`, in date order; empty for a year the table does not cover.
std::vector<Holiday> HolidaysOf(State state, int year);
// The same over the years `from` to `to` (both included).
std::vector<Holiday> HolidaysOf(State state, int from, int to);

// The German text saying which holidays are not included (for help texts and dialogs).
const char* NotIncludedNote();

}  // namespace kx::holidays
