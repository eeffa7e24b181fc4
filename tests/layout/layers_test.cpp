// The folders of src/ are layers, one folder a layer: every include goes down the order below,
// so the include graph has no cycle; only the renderer, the views and the desktop see Qt. apps/
// holds the programs only.

#include <gtest/gtest.h>

#include <filesystem>
#include <algorithm>
#include <fstream>
#include <iostream>
#include <map>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

// The folder a file of src/ belongs to: its first folder.
std::string FolderOf(const std::string& relative) { return relative.substr(0, relative.find('/')); }

// The layers from the bottom up.
const std::vector<std::string> kLayers = {
    "support",                                // dates, texts, paths, the file writer, services
    "host",                                   // the host interface
    "model",                                  // the project model
    "holidays",                               // the states' public holidays, as calendars
    "projectxml", "platform",                 // the model's file format, the host
    "settings", "resources", "forms",         // the chart's settings, resources and form model
    "chart",                                  // the chart engine
    "exports", "gantt",                       // exports and the renderer
    "wizard",                                 // the wizard's logic
    "addin", "connect",                       // the launch checks, the connection
    "job",                                    // the jobs: a chart, the command line's runs
    "views",                                  // the Qt windows of the wizard, its dialogs
    "desktop",                                // the planning host's window, views, dialogs
};

struct Graph {
  std::map<std::string, std::set<std::string>> edges;  // folder -> folders it includes
  std::map<std::string, std::set<std::string>> qt;     // folder -> files that include Qt
};

bool IncludesQt(const std::string& target) {
  return target.size() > 1 && target[0] == 'Q' && std::isupper(static_cast<unsigned char>(target[1]));
}

Graph ReadGraph() {
  Graph g;
  const fs::path src = fs::path(KX_SOURCE_DIR) / "src";
  const std::regex include(R"(^\s*#\s*include\s*([<"])([^>"]+)[>"])");
  for (const auto& entry : fs::recursive_directory_iterator(src)) {
    const auto ext = entry.path().extension();
    if (ext != ".cpp" && ext != ".hpp") continue;
    const std::string rel = fs::relative(entry.path(), src).generic_string();
    const std::string from = FolderOf(rel);
    g.edges[from];
    std::ifstream in(entry.path());
    std::string line;
    std::smatch m;
    while (std::getline(in, line)) {
      if (!std::regex_search(line, m, include)) continue;
      const std::string target = m[2];
      if (m[1] == "<") {
        if (IncludesQt(target)) g.qt[from].insert(rel);
        continue;
      }
      if (target.find('/') == std::string::npos) continue;
      const std::string to = FolderOf(target);
      if (to != from && fs::exists(src / target)) g.edges[from].insert(to);
    }
  }
  return g;
}

// A cycle through `start`, as "a -> b -> a", or empty.
std::string CycleThrough(const Graph& g, const std::string& start) {
  std::map<std::string, std::string> parent;
  std::vector<std::string> stack{start};
  std::set<std::string> seen{start};
  while (!stack.empty()) {
    const std::string at = stack.back();
    stack.pop_back();
    const auto it = g.edges.find(at);
    if (it == g.edges.end()) continue;
    for (const auto& next : it->second) {
      if (next == start) {
        std::string path = start;
        for (std::string p = at; p != start; p = parent[p]) path.insert(0, p + " -> ");
        return start + " -> " + path;
      }
      if (seen.insert(next).second) {
        parent[next] = at;
        stack.push_back(next);
      }
    }
  }
  return {};
}

TEST(Layers, NoFolderOfSrcIncludesOneThatIncludesItBack) {
  const Graph g = ReadGraph();
  ASSERT_GT(g.edges.size(), 8u) << "src/ not found below " << KX_SOURCE_DIR;
  for (const auto& [folder, _] : g.edges) {
    const std::string cycle = CycleThrough(g, folder);
    EXPECT_TRUE(cycle.empty()) << cycle;
  }
  // The bottom layer includes nothing of the project's.
  EXPECT_TRUE(g.edges.at("support").empty());
}

TEST(Layers, EveryFolderIsALayerAndIncludesOnlyTheLayersBelowIt) {
  const Graph g = ReadGraph();
  const auto rank = [](const std::string& folder) {
    const auto it = std::find(kLayers.begin(), kLayers.end(), folder);
    return it == kLayers.end() ? -1 : static_cast<int>(it - kLayers.begin());
  };
  std::ostringstream graph;
  for (const auto& layer : kLayers) {
    graph << "  " << layer << " ->";
    if (g.edges.count(layer))
      for (const auto& to : g.edges.at(layer)) graph << " " << to;
    graph << "\n";
  }
  std::cout << "The folders of src/, from the bottom up, and what each includes:\n" << graph.str();
  for (const auto& [folder, includes] : g.edges) {
    EXPECT_GE(rank(folder), 0) << "src/" << folder << " is no layer of the list";
    for (const auto& to : includes)
      EXPECT_LT(rank(to), rank(folder)) << "src/" << folder << " includes src/" << to;
  }
}

TEST(Layers, OnlyTheRendererTheViewsAndTheDesktopSeeQt) {
  const std::set<std::string> allowed = {"gantt", "views", "desktop"};
  for (const auto& [folder, files] : ReadGraph().qt) {
    if (allowed.count(folder)) continue;
    for (const auto& file : files) ADD_FAILURE() << file << " includes Qt";
  }
  // Of the programs, only the desktop: the command line draws through the renderer.
  const fs::path apps = fs::path(KX_SOURCE_DIR) / "apps";
  const std::regex include(R"(^\s*#\s*include\s*<([^>]+)>)");
  for (const auto& entry : fs::recursive_directory_iterator(apps)) {
    const std::string rel = fs::relative(entry.path(), apps).generic_string();
    if (rel.rfind("korvalinx-desktop/", 0) == 0 || !entry.is_regular_file()) continue;
    std::ifstream in(entry.path());
    std::string line;
    std::smatch m;
    while (std::getline(in, line))
      if (std::regex_search(line, m, include) && IncludesQt(m[1]))
        ADD_FAILURE() << "apps/" << rel << " includes Qt";
  }
}

// apps/ holds programs: a main.cpp, the command line's parsing and printing (command_line and
// one file a command) and the icons' tool; no library, nothing that another front end would call.
TEST(Layers, AppsHoldsTheProgramsOnly) {
  const fs::path apps = fs::path(KX_SOURCE_DIR) / "apps";
  const std::regex program(R"((main|command_line|[a-z]+_command|icon_files)\.(cpp|hpp)|CMakeLists\.txt)");
  const std::regex library(R"(^\s*(add_library|kx_library)\s*\()");
  for (const auto& entry : fs::recursive_directory_iterator(apps)) {
    if (!entry.is_regular_file()) continue;
    const std::string rel = fs::relative(entry.path(), apps).generic_string();
    const std::string name = entry.path().filename().string();
    EXPECT_TRUE(std::regex_match(name, program)) << "apps/" << rel << " is no part of a program";
    if (name != "CMakeLists.txt") continue;
    std::ifstream in(entry.path());
    std::string line;
    while (std::getline(in, line))
      EXPECT_FALSE(std::regex_search(line, library)) << "apps/" << rel << " makes a library: " << line;
  }
}

// No file of the code is longer than 800 lines: one that grows past it is split along its parts.
TEST(Layers, NoFileIsLongerThan800Lines) {
  for (const char* top : {"src", "apps"}) {
    for (const auto& entry : fs::recursive_directory_iterator(fs::path(KX_SOURCE_DIR) / top)) {
      const auto ext = entry.path().extension();
      if (ext != ".cpp" && ext != ".hpp") continue;
      std::ifstream in(entry.path());
      std::size_t lines = 0;
      for (std::string line; std::getline(in, line);) ++lines;
      EXPECT_LE(lines, 800u) << fs::relative(entry.path(), KX_SOURCE_DIR).generic_string();
    }
  }
}

}  // namespace
