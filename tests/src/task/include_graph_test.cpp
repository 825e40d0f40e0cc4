// The layering of the task module: a header and its source count as one unit, and the units'
// includes of each other point from the methods down to the task model, never back up and
// never round in a circle.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

const fs::path kTaskFolder = fs::path(VIXO_TEST_DATA) / ".." / ".." / "src" / "task";

// Every unit of the module by layer, the bottom first. A unit may include units of its own
// layer or of layers below it.
const std::vector<std::vector<std::string>> kLayers = {
    // interfaces through which the model reaches planners and methods
    {"question_planner", "vixo_method", "custom_question", "pass_random", "saturating"},
    // the task model
    {"task_properties", "task"},
    {"validation", "answer_getter"},
    // machinery the methods share
    {"play"},
    {"question_performer", "planner_base"},
    {"all_to_ref_planner", "all_to_all_planner", "single_video_planner"},
    // the methods
    {"method_dsis", "method_dscqs", "method_scacj", "method_samviq", "method_custom"},
    {"method_dscqs_i", "method_dscqs_ii"},
    {"method_registry"},
};

// Unit name to the units its header and source include.
std::map<std::string, std::set<std::string>> includeGraph() {
  std::map<std::string, std::set<std::string>> graph;
  const std::string marker = "#include \"task/";
  for (const fs::directory_entry& entry : fs::directory_iterator(kTaskFolder)) {
    const fs::path path = entry.path();
    if (path.extension() != ".h" && path.extension() != ".cpp") continue;
    const std::string unit = path.stem().string();
    std::set<std::string>& edges = graph[unit];
    std::ifstream in(path);
    std::string line;
    while (std::getline(in, line)) {
      if (line.rfind(marker, 0) != 0) continue;
      const size_t begin = marker.size();
      const std::string included = line.substr(begin, line.find(".h\"", begin) - begin);
      if (included != unit) edges.insert(included);
    }
  }
  return graph;
}

TEST(TaskLayering, EveryUnitHasALayerAndIncludesOnlyItsOwnLayerOrLower) {
  const auto graph = includeGraph();
  ASSERT_GT(graph.size(), 10u) << "no sources found in " << kTaskFolder;
  std::map<std::string, size_t> layerOf;
  for (size_t i = 0; i < kLayers.size(); ++i)
    for (const std::string& unit : kLayers[i]) layerOf[unit] = i;
  for (const auto& [unit, edges] : graph) {
    ASSERT_TRUE(layerOf.count(unit)) << unit << " has no layer in this test";
    for (const std::string& to : edges) {
      ASSERT_TRUE(layerOf.count(to)) << unit << " includes unknown task/" << to << ".h";
      EXPECT_LE(layerOf[to], layerOf[unit]) << unit << " includes " << to << ", a layer above";
    }
  }
}

TEST(TaskLayering, NoCircleOfIncludes) {
  const auto graph = includeGraph();
  std::map<std::string, int> state;  // 1 on the path, 2 done
  std::vector<std::string> path;
  std::function<void(const std::string&)> visit = [&](const std::string& unit) {
    state[unit] = 1;
    path.push_back(unit);
    const auto it = graph.find(unit);
    if (it != graph.end()) {
      for (const std::string& to : it->second) {
        if (state[to] == 1) {
          std::string circle;
          for (auto p = std::find(path.begin(), path.end(), to); p != path.end(); ++p)
            circle += *p + " -> ";
          ADD_FAILURE() << "circle: " << circle << to;
        } else if (state[to] == 0) {
          visit(to);
        }
      }
    }
    path.pop_back();
    state[unit] = 2;
  };
  for (const auto& [unit, edges] : graph)
    if (state[unit] == 0) visit(unit);
}

}  // namespace
