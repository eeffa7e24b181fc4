#pragma once
// The elements of a Project XML file as the reader sees them: names without the prefix of the
// file's namespace, and typed values of their text, each failing with the element's line.

#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include <pugixml.hpp>

#include "host/error.hpp"
#include "model/model.hpp"
#include "projectxml/xml_source.hpp"
#include "projectxml/xml_values.hpp"

namespace kx::platform::xml_read {

using pugi::xml_node;

// An element's name without its prefix, compared with names of the format.
struct Tag {
  const char* name;
  bool operator==(const char* other) const {
    const char* a = name;
    while (*a != '\0' && *a == *other) {
      ++a;
      ++other;
    }
    return *a == *other;
  }
  operator std::string() const { return name; }
};

inline std::string_view Text(xml_node n) {
  return n.child_value();
}

// A value in quotes for a message, cut after 60 characters.
inline std::string Quoted(std::string_view s) {
  constexpr std::size_t kMax = 60;
  std::string q = "\"";
  q.append(s.substr(0, kMax));
  if (s.size() > kMax) q += "...";
  return q + "\"";
}

// The day of the date read last ("yyyy-mm-dd") and its day number.
struct DayCache {
  char day[10] = {};
  double serial = 0.0;
};

// Reads the elements of one file's parse. Its const members change nothing, so that several
// threads may call them at once.
class ElementReader {
 public:
  // Fails unless the root is <Project> in the format's namespace, its names with or without a
  // prefix. Warnings go to `warnings`.
  ElementReader(const XmlSource& source, std::vector<std::string>& warnings);

  [[noreturn]] void Fail(xml_node at, const std::string& what) const {
    throw host::HostError(host::kErrFile, source_.Where(at) + what);
  }
  void Warn(xml_node at, const std::string& what) { warnings_.push_back(source_.Where(at) + what); }
  // A warning that names its file itself.
  void AddWarning(std::string warning) { warnings_.push_back(std::move(warning)); }

  // An element's name without the prefix of the file's namespace.
  Tag LocalName(const char* name) const {
    if (prefixedNames_) {
      const char* colon = std::strrchr(name, ':');
      if (colon) return {colon + 1};
    }
    return {name};
  }

  // Typed values of an element's text; each fails with the element's line. Dates are read
  // faster when `cache` holds the day of the date read before; DateOf(n) keeps its own.
  Date DateOf(xml_node n) { return DateOf(n, cache_); }
  Date DateOf(xml_node n, DayCache& cache) const {
    const char* t = n.child_value();
    // Dates are mostly spelled "yyyy-mm-ddThh:mm:ss", and many share their day with the date
    // read before. Each character is looked at only once those before it are known not to end
    // the text.
    int century = 0, year = 0, mo = 0, d = 0, hh = 0, mm = 0, ss = 0;
    if (TwoDigits(t, century) && TwoDigits(t + 2, year) && t[4] == '-' && TwoDigits(t + 5, mo) &&
        t[7] == '-' && TwoDigits(t + 8, d) && t[10] == 'T' && TwoDigits(t + 11, hh) &&
        t[13] == ':' && TwoDigits(t + 14, mm) && t[16] == ':' && TwoDigits(t + 17, ss) &&
        t[19] == '\0' && hh < 24 && mm < 60 && ss < 60) {
      if (std::memcmp(t, cache.day, 10) != 0) {
        year += century * 100;
        if (!IsValidCivil(year, mo, d)) Fail(n, "Datum " + Quoted(t) + " ist ungültig");
        std::memcpy(cache.day, t, 10);
        cache.serial = DateSerial(year, mo, d).serial;
      }
      return Date(cache.serial + (hh * 3600 + mm * 60 + ss) / 86400.0);
    }
    const auto date = ParseXmlDateTime(t);
    if (!date) Fail(n, "Datum " + Quoted(t) + " ist ungültig");
    return *date;
  }
  double DurationOf(xml_node n) const {
    // Durations are mostly spelled "PT#H#M#S" with whole numbers.
    const char* t = n.child_value();
    if (t[0] == 'P' && t[1] == 'T') {
      std::uint64_t part[3] = {0, 0, 0};
      static constexpr char kUnits[] = {'H', 'M', 'S'};
      const char* p = t + 2;
      bool ok = true;
      for (int k = 0; k < 3 && ok; ++k) {
        const char* first = p;
        while (*p >= '0' && *p <= '9' && p - first < 9)
          part[k] = part[k] * 10 + static_cast<unsigned>(*p++ - '0');
        ok = p != first && *p == kUnits[k];
        ++p;
      }
      // The same sum, in the same order, as ParseXmlDuration makes it.
      if (ok && *p == '\0')
        return static_cast<double>(part[0]) * 60.0 + static_cast<double>(part[1]) * 1.0 +
               static_cast<double>(part[2]) * (1.0 / 60.0);
    }
    const auto d = ParseXmlDuration(Text(n));
    if (!d) Fail(n, "Dauer " + Quoted(Text(n)) + " ist ungültig");
    return *d;
  }
  std::int32_t IntOf(xml_node n) const {
    const auto v = ParseXmlInteger(Text(n));
    if (!v || *v < INT32_MIN || *v > INT32_MAX)
      Fail(n, "Zahl " + Quoted(Text(n)) + " in <" + std::string(LocalName(n.name())) +
                  "> ist ungültig");
    return static_cast<std::int32_t>(*v);
  }
  double NumberOf(xml_node n) const {
    const auto v = ParseXmlNumber(Text(n));
    if (!v)
      Fail(n, "Zahl " + Quoted(Text(n)) + " in <" + std::string(LocalName(n.name())) +
                  "> ist ungültig");
    return *v;
  }
  bool BoolOf(xml_node n) const {
    const auto v = ParseXmlBool(Text(n));
    if (!v)
      Fail(n, "Wahrheitswert " + Quoted(Text(n)) + " in <" + std::string(LocalName(n.name())) +
                  "> ist ungültig");
    return *v;
  }
  double TimeOf(xml_node n) const {
    const auto v = ParseXmlTime(Text(n));
    if (!v) Fail(n, "Uhrzeit " + Quoted(Text(n)) + " ist ungültig");
    return *v;
  }

 private:
  static bool TwoDigits(const char* p, int& out) {
    if (p[0] < '0' || p[0] > '9') return false;
    if (p[1] < '0' || p[1] > '9') return false;
    out = (p[0] - '0') * 10 + (p[1] - '0');
    return true;
  }

  const XmlSource& source_;
  std::vector<std::string>& warnings_;
  bool prefixedNames_ = false;  // the file writes its element names with a prefix ("p:Task")
  DayCache cache_;
};

}  // namespace kx::platform::xml_read
