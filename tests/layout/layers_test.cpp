// The folders of src/ are layers: the include graph between them has no cycle, and only the
// renderer and the views see Qt.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <set>
#include <string>

namespace {

namespace fs = std::filesystem;

// The folder a file of src/ belongs to: its first folder, with addin/host a folder of its own.
std::string FolderOf(const std::string& relative) {
  if (relative.rfind("addin/host/", 0) == 0) return "addin/host";
  return relative.substr(0, relative.find('/'));
}

struct Graph {
  std::map<std::string, std::set<std::string>> edges;  // folder -> folders it includes
  std::map<std::string, std::set<std::string>> qt;     // folder -> files that include Qt
};

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
        if (target.size() > 1 && target[0] == 'Q' && std::isupper(static_cast<unsigned char>(target[1])))
          g.qt[from].insert(rel);
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

TEST(Layers, OnlyTheRendererAndTheViewsSeeQt) {
  const std::set<std::string> allowed = {"gantt", "views"};
  for (const auto& [folder, files] : ReadGraph().qt) {
    if (allowed.count(folder)) continue;
    for (const auto& file : files) ADD_FAILURE() << file << " includes Qt";
  }
}

}  // namespace
