#include "chart/chart_view.hpp"

#include <string>
#include <vector>

namespace kx::chart {
namespace {

using I16 = std::int16_t;

struct Column {
  const char* field;
  I16 width;
  I16 align;  // 0 left, 1 centred, 2 right
};

struct BarStyleDesign {
  const char* name;
  const char* showFor;
  const char* from;
  const char* to;
  I16 codes[9];
  const char* barText;  // nullptr: none
};

constexpr BarStyleDesign kBarStyles[] = {
    {"Vorgang", "Normal", "Anfang", "Ende", {0, 0, 5, 1, 15, 3, 0, 0, 5}, "Ressourcennamen"},
    {"In Arbeit",
     "Normal",
     "Aktueller Anfang",
     "Fortgeschritten bis",
     {0, 0, 0, 3, 0, 1, 0, 0, 0},
     nullptr},
    {"Rollup: Vorgang",
     "Normal;Rolled up;Nicht Sammelvorgang",
     "Anfang",
     "Ende",
     {0, 0, 5, 1, 0, 4, 0, 0, 5},
     nullptr},
    {"Projektsammelvorgang",
     "Projektsammelvorgang",
     "Anfang",
     "Ende",
     {2, 0, 14, 2, 14, 1, 2, 0, 14},
     nullptr},
    {"Gruppenkopf", "Gruppenkopf", "Anfang", "Ende", {2, 0, 0, 2, 0, 1, 2, 0, 0}, nullptr},
};

void Title(host::Resume& r, host::Application& app, std::int32_t field, const char* title) {
  r([&] { app.GetDefinitions().RenameCustomField({{0, field}, {1, std::string(title)}}); });
}

void CountFieldProperties(host::Resume& r, host::Application& app, std::int32_t field) {
  r([&] {
    app.GetDefinitions().SetCustomFieldProperties(
        {{0, field}, {1, I16{0}}, {2, I16{3}}, {3, false}});
  });
}

void BuildTable(host::Resume& r, host::Application& app, const std::string& table,
                const std::vector<Column>& columns) {
  bool first = true;
  for (const Column& c : columns) {
    if (first) {
      r([&] {
        app.GetDefinitions().EditTable({{0, table},
                                        {1, true},
                                        {2, true},
                                        {3, true},
                                        {5, std::string(c.field)},
                                        {7, std::string()},
                                        {8, c.width},
                                        {9, c.align},
                                        {10, true},
                                        {11, true},
                                        {12, I16{255}},
                                        {13, I16{1}},
                                        {15, I16{1}}});
      });
      first = false;
    } else {
      r([&] {
        app.GetDefinitions().EditTable({{0, table},
                                        {1, true},
                                        {6, std::string(c.field)},
                                        {7, std::string()},
                                        {8, c.width},
                                        {9, c.align},
                                        {11, true},
                                        {12, I16{255}},
                                        {13, I16{1}},
                                        {15, I16{1}}});
      });
    }
  }
}

// One option call per argument, in the order given.
void Options(host::Resume& r, host::Application& app,
             void (host::Definitions::*call)(const NamedArgs&),
             std::initializer_list<std::pair<const int, Value>> args) {
  for (const auto& arg : args) {
    r([&] { (app.GetDefinitions().*call)(NamedArgs{arg}); });
  }
}

}  // namespace

std::int32_t ConfigureChartView(host::Application& app, bool blnHoliday, bool blnWorkday) {
  host::Resume r;
  std::string view, table;
  std::vector<Column> columns = {
      {"Nr.", 6, 1}, {"Indikatoren", 6, 0}, {"Name", 24, 0}, {"Datum7", 12, 2}, {"Datum8", 12, 2}};
  if (blnHoliday) {
    view = "Balkendiagramm: Urlaub";
    table = "Urlaub";
    Title(r, app, kFieldNumber14, "Anzahl Urlaubstage");
    CountFieldProperties(r, app, kFieldNumber14);
    Title(r, app, kFieldDate7, "Bereich von");
    Title(r, app, kFieldDate8, "Bereich bis");
    columns.push_back({"Zahl14", 18, 2});
    BuildTable(r, app, table, columns);
  }
  if (blnWorkday) {
    view = "Balkendiagramm: Ressourcen";
    table = "Ressourcendiagramm";
    Title(r, app, kFieldNumber15, "Anzahl Arbeitstage");
    CountFieldProperties(r, app, kFieldNumber15);
    Title(r, app, kFieldNumber16, "Anzahl Projektstunden");
    CountFieldProperties(r, app, kFieldNumber16);
    Title(r, app, kFieldDate7, "Bereich von");
    Title(r, app, kFieldDate8, "Bereich bis");
    columns.push_back({"Zahl15", 18, 2});
    columns.push_back({"Zahl16", 24, 2});
    BuildTable(r, app, table, columns);
  }
  r([&] {
    app.GetDefinitions().EditView({{0, view},
                                   {1, true},
                                   {3, I16{1}},
                                   {4, true},
                                   {5, false},
                                   {6, table},
                                   {7, std::string("Alle Vorgänge")},
                                   {8, std::string("Ohne Gruppe")}});
  });
  r([&] { app.GetActiveView().ApplyView(view); });
  r([&] { app.GetDefinitions().DeleteBarStyles({{0, std::string("*")}}); });
  for (const BarStyleDesign& s : kBarStyles) {
    r([&] {
      NamedArgs args{{0, std::string("-1")}, {1, true}, {2, std::string(s.name)}};
      for (int i = 0; i < 9; ++i) args[3 + i] = s.codes[i];
      args[12] = std::string(s.showFor);
      args[13] = I16{1};
      args[14] = std::string(s.from);
      args[15] = std::string(s.to);
      if (s.barText) args[19] = std::string(s.barText);
      app.GetDefinitions().EditBarStyle(args);
    });
  }
  r([&] { app.GetDefinitions().FinalViewCommand(2); });
  return 0;
}

std::int32_t CreateNeutralCalendar(host::Application& app) {
  host::Resume r;
  r([&] { app.GetDefinitions().CreateBaseCalendar({{0, std::string(kNeutralCalendar)}}); });
  for (I16 weekday : {I16{7}, I16{1}}) {
    r([&] {
      app.GetDefinitions().SetCalendarWeekday(
          {{0, std::string(kNeutralCalendar)}, {3, weekday}, {4, true}, {11, false}});
    });
  }
  return 0;
}

std::int32_t ApplyChartProjectOptions(host::Application& app) {
  host::Resume r;
  using D = host::Definitions;
  r([&] {
    app.GetDefinitions().SetProjectInformation({{10, I16{1}}, {12, std::string(kNeutralCalendar)}});
  });
  Options(r, app, &D::SetViewOptions,
          {{0, std::string("Balkendiagramm (Gantt)")},
           {1, I16{9}},
           {6, std::string("€")},
           {8, I16{0}},
           {9, false},
           {10, true},
           {11, true},
           {12, true}});
  Options(r, app, &D::SetOptionGroupA, {{0, false}, {9, false}, {12, false}, {13, false}});
  Options(r, app, &D::SetOptionGroupB,
          {{6, I16{1}},
           {7, I16{1}},
           {8, I16{1}},
           {9, I16{1}},
           {10, I16{1}},
           {11, true},
           {13, I16{1}},
           {15, I16{5}},
           {16, I16{12}},
           {17, true}});
  Options(r, app, &D::SetCalendarOptions,
          {{1, I16{1}},
           {2, std::string("08:00")},
           {3, std::string("17:00")},
           {4, 8.0},
           {5, 40.0},
           {7, I16{2}},
           {9, I16{20}}});
  Options(r, app, &D::SetOptionGroupC,
          {{1, false},
           {2, false},
           {3, true},
           {5, I16{0}},
           {6, I16{7}},
           {7, I16{5}},
           {11, false},
           {12, true},
           {13, false},
           {14, false}});
  Options(r, app, &D::SetOptionGroupD, {{0, true}, {1, true}, {2, false}, {6, false}, {7, I16{0}}});
  return 0;
}

}  // namespace kx::chart
