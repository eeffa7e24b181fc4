#include "holidays/holidays.hpp"

#include <algorithm>
#include <array>
#include <cstdint>

#include "support/text.hpp"

namespace kx::holidays {
namespace {

struct StateInfo {
  const char* code;
  const char* name;
  int firstYear;
};

constexpr std::array<StateInfo, kStateCount> kStates{{
    {"BW", "Baden-Württemberg", 1984},
    {"BY", "Bayern", 1984},
    {"BE", "Berlin", 1984},
    {"BB", "Brandenburg", 1991},
    {"HB", "Bremen", 1984},
    {"HH", "Hamburg", 1984},
    {"HE", "Hessen", 1984},
    {"MV", "Mecklenburg-Vorpommern", 1991},
    {"NI", "Niedersachsen", 1984},
    {"NW", "Nordrhein-Westfalen", 1984},
    {"RP", "Rheinland-Pfalz", 1984},
    {"SL", "Saarland", 1984},
    {"SN", "Sachsen", 1991},
    {"ST", "Sachsen-Anhalt", 1991},
    {"SH", "Schleswig-Holstein", 1984},
    {"TH", "Thüringen", 1991},
}};

using States = std::uint32_t;  // one bit per state

constexpr States Bit(State s) { return States{1} << static_cast<int>(s); }
template <class... S>
constexpr States Of(S... s) {
  return (Bit(s) | ...);
}
constexpr States kAll = (States{1} << kStateCount) - 1;
constexpr States kEast = Of(State::BB, State::MV, State::SN, State::ST, State::TH);
constexpr States kWest = kAll & ~kEast;  // with Berlin, a state of the Federal Republic before 1990

enum class Kind { kFixed, kEaster, kBussUndBettag };

struct Rule {
  const char* name;
  Kind kind;
  int month;   // kFixed
  int day;     // kFixed; kEaster: days after Easter Sunday
  States states;
  int from = kFirstYear;
  int to = kLastYear;
};

using enum State;

// The state-wide holidays. A state's table starts with its FirstYear, whatever a rule says.
constexpr Rule kRules[] = {
    {"Neujahr", Kind::kFixed, 1, 1, kAll},
    {"Heilige Drei Könige", Kind::kFixed, 1, 6, Of(BW, BY, ST)},
    {"Internationaler Frauentag", Kind::kFixed, 3, 8, Of(BE), 2019},
    {"Internationaler Frauentag", Kind::kFixed, 3, 8, Of(MV), 2023},
    {"Karfreitag", Kind::kEaster, 0, -2, kAll},
    {"Ostersonntag", Kind::kEaster, 0, 0, Of(BB)},
    {"Ostermontag", Kind::kEaster, 0, 1, kAll},
    {"Tag der Arbeit", Kind::kFixed, 5, 1, kAll},
    // The 75th and the 80th anniversary of the end of the war, once each.
    {"Tag der Befreiung", Kind::kFixed, 5, 8, Of(BE), 2020, 2020},
    {"Tag der Befreiung", Kind::kFixed, 5, 8, Of(BE), 2025, 2025},
    {"Christi Himmelfahrt", Kind::kEaster, 0, 39, kAll},
    {"Pfingstsonntag", Kind::kEaster, 0, 49, Of(BB)},
    {"Pfingstmontag", Kind::kEaster, 0, 50, kAll},
    {"Fronleichnam", Kind::kEaster, 0, 60, Of(BW, BY, HE, NW, RP, SL)},
    // Until the unification the holiday of the 17th of June; in 1990 both days were holidays.
    {"Tag der deutschen Einheit", Kind::kFixed, 6, 17, kWest, kFirstYear, 1990},
    {"Mariä Himmelfahrt", Kind::kFixed, 8, 15, Of(SL)},
    {"Weltkindertag", Kind::kFixed, 9, 20, Of(TH), 2019},
    {"Tag der Deutschen Einheit", Kind::kFixed, 10, 3, kAll, 1990},
    {"Reformationstag", Kind::kFixed, 10, 31, kEast},
    {"Reformationstag", Kind::kFixed, 10, 31, kWest, 2017, 2017},  // 500 years of the Reformation
    {"Reformationstag", Kind::kFixed, 10, 31, Of(HB, HH, NI, SH), 2018},
    {"Allerheiligen", Kind::kFixed, 11, 1, Of(BW, BY, NW, RP, SL)},
    // A holiday everywhere until it was given up for the long-term care insurance in 1995;
    // Saxony kept it.
    {"Buß- und Bettag", Kind::kBussUndBettag, 0, 0, kAll, kFirstYear, 1994},
    {"Buß- und Bettag", Kind::kBussUndBettag, 0, 0, Of(SN), 1995},
    {"1. Weihnachtstag", Kind::kFixed, 12, 25, kAll},
    {"2. Weihnachtstag", Kind::kFixed, 12, 26, kAll},
};

const StateInfo& Info(State state) { return kStates[static_cast<std::size_t>(state)]; }

// Lower case, with ä, ö, ü and ß written out, so that "Thüringen", "THÜRINGEN" and "thueringen"
// compare equal.
std::string Folded(std::string_view text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const auto c = static_cast<unsigned char>(text[i]);
    if (c == 0xC3 && i + 1 < text.size()) {
      const auto next = static_cast<unsigned char>(text[i + 1]);
      const char* spelled = nullptr;
      switch (next) {
        case 0xA4: case 0x84: spelled = "ae"; break;  // ä Ä
        case 0xB6: case 0x96: spelled = "oe"; break;  // ö Ö
        case 0xBC: case 0x9C: spelled = "ue"; break;  // ü Ü
        case 0x9F: spelled = "ss"; break;              // ß
        default: break;
      }
      if (spelled != nullptr) {
        out += spelled;
        ++i;
        continue;
      }
    }
    out += (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : static_cast<char>(c);
  }
  return out;
}

// The Wednesday before 23 November.
Date BussUndBettag(int year) {
  const Date the22nd = DateSerial(year, 11, 22);
  const int weekday = Weekday(the22nd);  // 1 Sunday ... 7 Saturday; Wednesday is 4
  return Date(the22nd.serial - ((weekday - 4 + 7) % 7));
}

}  // namespace

const char* Code(State state) { return Info(state).code; }
const char* Name(State state) { return Info(state).name; }
int FirstYear(State state) { return Info(state).firstYear; }

std::vector<State> AllStates() {
  std::vector<State> all;
  for (int i = 0; i < kStateCount; ++i) all.push_back(static_cast<State>(i));
  return all;
}

std::optional<State> FindState(std::string_view text) {
  const std::string wanted = Folded(ComposedLatin(text));
  if (wanted.empty()) return std::nullopt;
  for (const State s : AllStates())
    if (wanted == Folded(Code(s)) || wanted == Folded(Name(s))) return s;
  return std::nullopt;
}

std::string StateCodes() {
  std::string codes;
  for (const State s : AllStates()) codes += (codes.empty() ? "" : ", ") + std::string(Code(s));
  return codes;
}

Date EasterSunday(int year) {
  // The anonymous Gregorian computus.
  const int a = year % 19, b = year / 100, c = year % 100, d = b / 4, e = b % 4;
  const int f = (b + 8) / 25, g = (b - f + 1) / 3, h = (19 * a + b - d - g + 15) % 30;
  const int i = c / 4, k = c % 4, l = (32 + 2 * e + 2 * i - h - k) % 7;
  const int m = (a + 11 * h + 22 * l) / 451;
  const int month = (h + l - 7 * m + 114) / 31, day = (h + l - 7 * m + 114) % 31 + 1;
  return DateSerial(year, month, day);
}

std::vector<Holiday> HolidaysOf(State state, int year) {
  std::vector<Holiday> days;
  if (year < FirstYear(state) || year > kLastYear) return days;
  const double easter = EasterSunday(year).serial;
  for (const Rule& rule : kRules) {
    if ((rule.states & Bit(state)) == 0 || year < rule.from || year > rule.to) continue;
    Date day;
    switch (rule.kind) {
      case Kind::kFixed:
        day = DateSerial(year, rule.month, rule.day);
        break;
      case Kind::kEaster:
        day = Date(easter + rule.day);
        break;
      case Kind::kBussUndBettag:
        day = BussUndBettag(year);
        break;
    }
    days.push_back({day, rule.name});
  }
  std::stable_sort(days.begin(), days.end(),
                   [](const Holiday& a, const Holiday& b) { return a.day < b.day; });
  return days;
}

std::vector<Holiday> HolidaysOf(State state, int from, int to) {
  std::vector<Holiday> days;
  for (int year = std::max(from, kFirstYear); year <= std::min(to, kLastYear); ++year) {
    auto more = HolidaysOf(state, year);
    days.insert(days.end(), more.begin(), more.end());
  }
  return days;
}

const char* NotIncludedNote() {
  return "Nur landesweite Feiertage: Feiertage einzelner Gemeinden fehlen (Mariä Himmelfahrt in "
         "Bayern, Fronleichnam in Teilen Sachsens und Thüringens, das Augsburger Friedensfest). "
         "Brandenburg, Mecklenburg-Vorpommern, Sachsen, Sachsen-Anhalt und Thüringen sind ab 1991 "
         "enthalten, ihrem ersten ganzen Jahr als Länder der Bundesrepublik.";
}

}  // namespace kx::holidays
