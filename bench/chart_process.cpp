// The whole chart command as a process, against the parse floor measured in the same run.
//   chart_process [--resources 2000,10000] [--runs 5] [--folder DIR]
// Generates each plan once (make_examples --large), then runs, round by round and side by side,
// the floor (parse_floor: pugixml parsing the plan and walking its exceptions, resources and
// timephased records), the vacation plan and the resource schedule of 2025, and the two looks
// at the same plan and year that extract both: "conflicts" and "presence --max-absent 50%"
// (their exit code 4, something found, counts as a run like 0). Prints per plan size
// the median wall time with its spread, the ratio to the floor, the peak memory (max RSS) and
// the median seconds of each stage the chart command reports (KORVALINX_ZEITEN).

#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

extern char** environ;

namespace {

namespace fs = std::filesystem;

struct Measure {
  double seconds = 0;
  long maxRssKb = 0;
  std::map<std::string, double> stages;
};

// Runs `args` with standard output thrown away and standard error into `errFile`.
// Exit codes other than 0 that a run may end with (4: a look found something).
Measure Run(const std::vector<std::string>& args, const std::vector<std::string>& extraEnv,
            const std::string& errFile, int alsoOk = 0) {
  std::vector<char*> argv;
  for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  std::vector<std::string> envStore;
  for (char** e = environ; *e; ++e) envStore.emplace_back(*e);
  for (const auto& e : extraEnv) envStore.push_back(e);
  std::vector<char*> envp;
  for (auto& e : envStore) envp.push_back(e.data());
  envp.push_back(nullptr);

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 2, errFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                   0644);
  const auto start = std::chrono::steady_clock::now();
  pid_t pid = 0;
  if (posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), envp.data()) != 0) {
    std::fprintf(stderr, "chart_process: %s kann nicht gestartet werden\n", argv[0]);
    std::exit(2);
  }
  int status = 0;
  rusage usage{};
  wait4(pid, &status, 0, &usage);
  const auto end = std::chrono::steady_clock::now();
  posix_spawn_file_actions_destroy(&actions);
  if (!WIFEXITED(status) || (WEXITSTATUS(status) != 0 && WEXITSTATUS(status) != alsoOk)) {
    std::fprintf(stderr, "chart_process: %s endete mit %d (siehe %s)\n", argv[0],
                 WIFEXITED(status) ? WEXITSTATUS(status) : -1, errFile.c_str());
    std::exit(2);
  }
  Measure m;
  m.seconds = std::chrono::duration<double>(end - start).count();
  m.maxRssKb = usage.ru_maxrss;
  // "korvalinx: Zeiten lesen=0.201 tage=0.050 ..."
  std::ifstream err(errFile);
  for (std::string line; std::getline(err, line);) {
    if (line.rfind("korvalinx: Zeiten", 0) != 0) continue;
    std::istringstream words(line.substr(17));
    for (std::string w; words >> w;)
      if (const auto eq = w.find('='); eq != std::string::npos)
        m.stages[w.substr(0, eq)] = std::atof(w.c_str() + eq + 1);
  }
  return m;
}

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  const std::size_t n = v.size();
  return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

struct Series {
  std::vector<Measure> runs;
  double MedianSeconds() const {
    std::vector<double> s;
    for (const auto& m : runs) s.push_back(m.seconds);
    return Median(s);
  }
  double Min() const {
    double x = 1e300;
    for (const auto& m : runs) x = std::min(x, m.seconds);
    return x;
  }
  double Max() const {
    double x = 0;
    for (const auto& m : runs) x = std::max(x, m.seconds);
    return x;
  }
  long PeakKb() const {
    long x = 0;
    for (const auto& m : runs) x = std::max(x, m.maxRssKb);
    return x;
  }
  double Stage(const std::string& name) const {
    std::vector<double> s;
    for (const auto& m : runs)
      if (auto it = m.stages.find(name); it != m.stages.end()) s.push_back(it->second);
    return s.empty() ? 0.0 : Median(s);
  }
};

std::vector<int> Counts(const std::string& list) {
  std::vector<int> counts;
  std::istringstream in(list);
  for (std::string part; std::getline(in, part, ',');) counts.push_back(std::atoi(part.c_str()));
  return counts;
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<int> counts = {2000, 10000};
  int runs = 5;
  fs::path folder = fs::temp_directory_path() / "kx-chart-process";
  for (int i = 1; i < argc; i += 2) {
    const std::string key = argv[i];
    const bool valued = i + 1 < argc;  // "--help", or an option without its value, is not
    if (valued && key == "--resources") {
      counts = Counts(argv[i + 1]);
    } else if (valued && key == "--runs") {
      runs = std::max(1, std::atoi(argv[i + 1]));
    } else if (valued && key == "--folder") {
      folder = argv[i + 1];
    } else {
      std::fprintf(stderr, "Aufruf: chart_process [--resources 2000,10000] [--runs 5] "
                           "[--folder ORDNER]\n");
      return 2;
    }
  }
  fs::create_directories(folder / "cfg");
  const std::string err = (folder / "stderr.txt").string();
  // The user's defaults must not change the charts: an empty per-user store of its own.
  const std::vector<std::string> env = {"XDG_CONFIG_HOME=" + (folder / "cfg").string(),
                                        "KORVALINX_ZEITEN=1"};
  const char* kinds[] = {"vacation", "schedule"};
  const char* titles[] = {"Boden", "Urlaubsplan", "Ressourcenzeitplan", "conflicts",
                          "presence"};
  constexpr int kSeries = 5;

  std::map<int, std::vector<Series>> results;
  for (const int count : counts) {
    const std::string plan = (folder / ("plan-" + std::to_string(count) + ".xml")).string();
    if (!fs::exists(plan)) Run({KX_MAKE_EXAMPLES, "--large", plan, std::to_string(count)}, {}, err);
    std::vector<Series> series(kSeries);
    for (int round = 0; round < runs; ++round) {
      series[0].runs.push_back(Run({KX_PARSE_FLOOR, plan}, env, err));
      for (int k = 0; k < 2; ++k) {
        const std::string out = (folder / (std::string(kinds[k]) + ".xml")).string();
        series[1 + k].runs.push_back(Run({KX_KORVALINX, "chart", plan, "-o", out, "--plan",
                                          kinds[k], "--year", "2025", "--group", "--colours",
                                          "--quiet"},
                                         env, err));
      }
      series[3].runs.push_back(
          Run({KX_KORVALINX, "conflicts", plan, "--year", "2025", "--quiet"}, env, err, 4));
      series[4].runs.push_back(Run({KX_KORVALINX, "presence", plan, "--year", "2025",
                                    "--max-absent", "50%", "--quiet"},
                                   env, err, 4));
    }
    results[count] = series;
    std::printf("\n%d Ressourcen (%s, %.0f MB), %d Runden\n", count, plan.c_str(),
                static_cast<double>(fs::file_size(plan)) / 1e6, runs);
    std::printf("  %-20s %9s %17s %9s %12s\n", "Lauf", "Median s", "min - max s", "x Boden",
                "max. RSS MB");
    const double floor = series[0].MedianSeconds();
    for (int k = 0; k < kSeries; ++k) {
      const Series& s = series[static_cast<std::size_t>(k)];
      std::printf("  %-20s %9.3f %8.3f - %6.3f %9.2f %12.1f\n", titles[k], s.MedianSeconds(),
                  s.Min(), s.Max(), s.MedianSeconds() / floor,
                  static_cast<double>(s.PeakKb()) / 1024.0);
    }
    std::printf("  Stufen (Median s):   %8s %8s %8s %8s %8s %8s\n", "lesen", "vorber.", "tage",
                "zeilen", "speichern", "ende");
    for (int k = 1; k < kSeries; ++k) {
      const Series& s = series[static_cast<std::size_t>(k)];
      std::printf("  %-20s %8.3f %8.3f %8.3f %8.3f %8.3f %8.3f\n", titles[k], s.Stage("lesen"),
                  s.Stage("vorbereiten"), s.Stage("tage"), s.Stage("zeilen"),
                  s.Stage("speichern"), s.Stage("ausgaben"));
    }
  }
  if (counts.size() >= 2) {
    const int small = counts.front(), large = counts.back();
    std::printf("\n%d gegen %d Ressourcen:", large, small);
    for (int k = 0; k < kSeries; ++k)
      std::printf("  %s %.2fx", titles[k],
                  results[large][static_cast<std::size_t>(k)].MedianSeconds() /
                      results[small][static_cast<std::size_t>(k)].MedianSeconds());
    std::printf("\n");
  }
  return 0;
}
