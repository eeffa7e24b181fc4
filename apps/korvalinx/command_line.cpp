#include "command_line.hpp"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ostream>
#include <sstream>
#include <string_view>

#include "job/chart_job.hpp"
#include "support/console_message_boxes.hpp"
#include "support/file_writer.hpp"
#include "support/product.hpp"

namespace kx::app {
namespace {

// The characters a text shows on a terminal: UTF-8 continuation bytes take no column.
std::size_t Columns(const std::string& text) {
  return static_cast<std::size_t>(std::count_if(text.begin(), text.end(), [](char c) {
    return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
  }));
}

std::string Padded(const std::string& text, std::size_t width) {
  const std::size_t shown = Columns(text);
  return text + std::string(shown < width ? width - shown : 1, ' ');
}

// "-o, --output DIAGRAMM" for an option, "QUELLE" for an argument.
std::string Signature(const CLI::Option* opt) {
  if (opt->get_positional() && opt->get_lnames().empty() && opt->get_snames().empty())
    return opt->get_name();
  std::string text;
  for (const auto& s : opt->get_snames()) text += (text.empty() ? "-" : ", -") + s;
  for (const auto& l : opt->get_lnames()) text += (text.empty() ? "--" : ", --") + l;
  if (opt->get_type_size() != 0 && !opt->get_type_name().empty())
    text += " " + opt->get_type_name();
  return text;
}

void Table(std::ostringstream& out, const std::vector<std::pair<std::string, std::string>>& rows) {
  std::size_t width = 0;
  for (const auto& [left, right] : rows) width = std::max(width, Columns(left));
  for (const auto& [left, right] : rows) {
    out << "  " << Padded(left, width + 2);
    // Descriptions that run over several lines keep their column.
    std::istringstream lines(right);
    std::string line;
    bool first = true;
    while (std::getline(lines, line)) {
      if (!first) out << "  " << std::string(width + 2, ' ');
      out << line << "\n";
      first = false;
    }
    if (first) out << "\n";
  }
}

// The edit distance of two option names, for "Meinten Sie ...?".
std::size_t Distance(const std::string& a, const std::string& b) {
  std::vector<std::size_t> row(b.size() + 1);
  for (std::size_t j = 0; j <= b.size(); ++j) row[j] = j;
  for (std::size_t i = 1; i <= a.size(); ++i) {
    std::size_t diagonal = row[0];
    row[0] = i;
    for (std::size_t j = 1; j <= b.size(); ++j) {
      const std::size_t above = row[j];
      row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (a[i - 1] == b[j - 1] ? 0 : 1)});
      diagonal = above;
    }
  }
  return row[b.size()];
}

// The command that was called (the program itself when none was).
const CLI::App* Called(const CLI::App& app) {
  for (const CLI::App* sub : app.get_subcommands()) return sub;
  return &app;
}

std::string HelpHint(const CLI::App& app) {
  const CLI::App* called = Called(app);
  return called == &app ? "Hilfe: korvalinx --help"
                        : "Hilfe: korvalinx " + called->get_name() + " --help";
}

// The closest option of the called command to `word`, if one is close.
std::string Suggestion(const CLI::App& app, const std::string& word) {
  if (word.rfind("--", 0) != 0) return {};
  std::string best;
  std::size_t bestDistance = 3;
  for (const CLI::Option* opt : Called(app)->get_options()) {
    for (const auto& l : opt->get_lnames()) {
      const std::size_t d = Distance(word.substr(2), l);
      if (d < bestDistance) {
        bestDistance = d;
        best = "--" + l;
      }
    }
  }
  return best;
}

// A German description of a command line that could not be read, naming the option and value.
std::string ParseProblem(const CLI::App& app, const CLI::ParseError& e,
                         const std::vector<std::string>& args) {
  const std::string what = e.what();
  if (dynamic_cast<const CLI::ExtrasError*>(&e)) {
    // The words CLI11 could not place, in the order given. "--" ends the options: it is no
    // word of its own, and every word after it is an argument, whatever its first character.
    std::vector<std::string> extras;
    const std::string list = what.substr(what.find(':') + 1);
    std::istringstream words(list);
    std::string word;
    while (words >> word)
      if (word != "--") extras.push_back(word);
    const auto mark = std::find(args.begin(), args.end(), "--");
    std::vector<std::string> ordered;
    bool afterMark = false;  // the first of `ordered` came after "--"
    for (auto a = args.begin(); a != args.end(); ++a) {
      if (a == mark || std::find(extras.begin(), extras.end(), *a) == extras.end()) continue;
      if (ordered.empty()) afterMark = mark < a;
      ordered.push_back(*a);
    }
    if (ordered.empty()) ordered = extras;
    if (ordered.empty()) return "der Aufruf kann nicht gelesen werden";
    std::string text;
    const std::string& first = ordered.front();
    if (first.rfind("-", 0) == 0 && !afterMark) {
      text = "unbekannte Option \"" + first + "\"";
      if (const std::string near = Suggestion(app, first); !near.empty())
        text += " (meinten Sie " + near + "?)";
    } else {
      text = "überzähliges Argument \"" + first + "\"";
      if (afterMark) text += " (nach \"--\" ist jedes Wort ein Argument)";
    }
    if (ordered.size() > 1) {
      text += "; außerdem nicht erwartet:";
      for (std::size_t i = 1; i < ordered.size(); ++i) text += " " + ordered[i];
    }
    return text;
  }
  if (dynamic_cast<const CLI::RequiredError*>(&e)) {
    if (what.find("ubcommand") != std::string::npos) {
      std::string names;
      for (const CLI::App* sub : app.get_subcommands({}))
        names += (names.empty() ? "" : ", ") + sub->get_name();
      for (const auto& a : args) {
        if (a.rfind("-", 0) == 0) continue;
        return "unbekannter Befehl \"" + a + "\" (Befehle: " + names + ")";
      }
      return "es fehlt ein Befehl (" + names + ")";
    }
    return "es fehlt die Angabe " + what.substr(0, what.find(' '));
  }
  if (dynamic_cast<const CLI::ArgumentMismatch*>(&e)) {
    const std::string name = what.substr(0, what.find(':'));
    return "bei " + name + " fehlt der Wert oder er ist zu oft angegeben";
  }
  if (dynamic_cast<const CLI::ValidationError*>(&e)) {
    // "--year: ..." with our own German text after the name.
    return what;
  }
  if (dynamic_cast<const CLI::ConversionError*>(&e)) return "ein Wert passt nicht: " + what;
  return "der Aufruf kann nicht gelesen werden";
}

}  // namespace

std::string GermanHelp::make_help(const CLI::App* app, std::string name,
                                  CLI::AppFormatMode /*mode*/) const {
  std::ostringstream out;
  const bool top = app->get_parent() == nullptr;
  if (name.empty()) name = top ? app->get_name() : "korvalinx " + app->get_name();
  if (top) out << kProductTitle << " " << kProductVersion << ": ";
  out << app->get_description() << "\n\n";

  std::vector<std::pair<std::string, std::string>> arguments, options, commands;
  std::string usage = "Aufruf: " + name;
  const auto subs = app->get_subcommands({});
  if (!subs.empty()) usage += " BEFEHL";
  for (const CLI::Option* opt : app->get_options()) {
    if (opt->get_positional() && opt->get_lnames().empty() && opt->get_snames().empty()) {
      usage += " " + opt->get_name();
      arguments.emplace_back(opt->get_name(), opt->get_description());
    } else {
      options.emplace_back(Signature(opt), opt->get_description());
    }
  }
  out << usage << " [Optionen]\n";
  if (!arguments.empty()) {
    out << "\nArgumente:\n";
    Table(out, arguments);
  }
  if (!options.empty()) {
    out << "\nOptionen:\n";
    Table(out, options);
  }
  for (const CLI::App* sub : subs) commands.emplace_back(sub->get_name(), sub->get_description());
  if (!commands.empty()) {
    out << "\nBefehle:\n";
    Table(out, commands);
    out << "\nHilfe zu einem Befehl: korvalinx BEFEHL --help\n";
  }
  if (!app->get_footer().empty()) out << "\n" << app->get_footer() << "\n";
  return out.str();
}

int RunCommandLine(const std::vector<std::string>& args, CommandLineEnvironment& env) {
  CLI::App app{"Ressourcenzeitplan und Urlaubsplan aus einem Projektplan", "korvalinx"};
  app.formatter(std::make_shared<GermanHelp>());
  app.set_help_flag("-h,--help", "diese Hilfe zeigen");
  app.set_version_flag("--version", std::string(kProductTitle) + " " + kProductVersion,
                       "die Version zeigen");
  app.require_subcommand(1);
  app.footer(
      "Rückgabewerte:\n"
      "  0  alles geschrieben\n"
      "  1  eine Datei oder die Ausgabe konnte nicht geschrieben werden (eine frühere Datei\n"
      "     bleibt erhalten)\n"
      "  2  ungültige Eingabe (nichts geschrieben)\n"
      "  3  Diagramm geschrieben, aber unvollständig\n"
      "  4  conflicts, presence: Konflikte gefunden, Tage über der Grenze");

  int exitCode = 0;
  AddChartCommand(app, env, exitCode);
  AddInspectCommand(app, env, exitCode);
  AddHolidaysCommand(app, env, exitCode);
  AddConflictsCommand(app, env, exitCode);
  AddPresenceCommand(app, env, exitCode);
#ifdef KX_WITH_PICTURE
  AddRenderCommand(app, env, exitCode);
#endif

  // "--csv=" gives an option an empty value; the parser would take the next word for it instead.
  for (const std::string& word : args) {
    if (word == "--") break;
    if (word.size() > 3 && word.rfind("--", 0) == 0 && word.back() == '=' &&
        word.find('=') == word.size() - 1) {
      const std::string command = args.empty() || args[0].rfind("-", 0) == 0 ? "" : args[0] + " ";
      PrintMessage(env.err, true,
                   word.substr(0, word.size() - 1) + ": nach \"=\" fehlt der Wert\r\nHilfe: korvalinx " +
                       command + "--help");
      return 2;
    }
  }

  // What the writer says while it works (a wait for another write's lock, a drive without
  // locks), as warnings; the chart's commands pass it through their progress bar.
  const ScopedWriterNotices notices(
      [&env](const std::string& text) { PrintMessage(env.err, false, text); });

  // CLI11 takes the words last to first.
  std::vector<std::string> reversed(args.rbegin(), args.rend());
  try {
    app.parse(reversed);
  } catch (const CLI::CallForHelp&) {
    env.out << app.help();
  } catch (const CLI::CallForAllHelp&) {
    env.out << app.help();
  } catch (const CLI::CallForVersion& e) {
    env.out << e.what() << "\n";
  } catch (const CLI::ParseError& e) {
    PrintMessage(env.err, true, ParseProblem(app, e, args) + "\r\n" + HelpHint(app));
    return 2;
  }
  // What went to standard output is part of the result: a full disk or a closed pipe there is a
  // failed write like any other.
  env.out.flush();
  if (!env.out) {
    PrintMessage(env.err, true,
                 "Die Ausgabe kann nicht geschrieben werden: die Standardausgabe nimmt nichts "
                 "mehr auf (Datenträger voll oder Empfänger beendet).");
    if (exitCode != job::kExitBadInput) exitCode = job::kExitWriteFailed;
  }
  return exitCode;
}

}  // namespace kx::app
