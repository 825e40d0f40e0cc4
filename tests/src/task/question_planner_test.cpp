#include "task/planner_base.h"

#include <gtest/gtest.h>

#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "support/fake_media.h"
#include "task/play.h"
#include "task/task.h"
#include "task/validation.h"
#include "task/vixo_method.h"

namespace {

using vixo_test::FakeMedia;

// A task of the given method; `files` are {path, group}, ids taken from the paths.
Task makeTask(const std::string& methodName, const std::vector<std::pair<std::wstring, int>>& files,
              std::set<int> references = {}, PropertyMap extra = {}) {
  Task task;
  task.name = L"t";
  for (const auto& [path, group] : files) task.files.push_back({path, path, group});
  task.references = std::move(references);
  task.properties["method"] = makeStringValue(methodName);
  for (auto& [key, value] : extra) task.properties[key] = value;
  return task;
}

const QuestionPlanner& plannerOf(const Task& task) {
  const QuestionPlanner* planner = task.method()->planner(task);
  if (!planner) throw std::runtime_error("no planner");
  return *planner;
}

struct Counts {
  bool needsReference;
  int videosPerQuestion;
  int minGroupSize;
  int questionsPerCycle;
  int playbacksPerQuestion;
  int cycles;
  int trainingQuestions;
  int totalQuestions;
};

void expectCounts(const Task& task, const Counts& want) {
  const QuestionPlanner& p = plannerOf(task);
  EXPECT_EQ(p.needsReference(task), want.needsReference);
  EXPECT_EQ(p.videosPerQuestion(task), want.videosPerQuestion);
  EXPECT_EQ(p.minGroupSize(task), want.minGroupSize);
  EXPECT_EQ(p.questionsPerCycle(task), want.questionsPerCycle);
  EXPECT_EQ(p.playbacksPerQuestion(task), want.playbacksPerQuestion);
  EXPECT_EQ(p.cycles(task), want.cycles);
  EXPECT_EQ(p.trainingQuestions(task), want.trainingQuestions);
  EXPECT_EQ(p.totalQuestions(task), want.totalQuestions);
  EXPECT_EQ(task.planQuestionCount(), want.totalQuestions);
}

// One group of three files, the first the reference, default settings ("cycles" 1,
// "trainingQuestions" 5).
const std::vector<std::pair<std::wstring, int>> kThree{{L"/v/r", 1}, {L"/v/a", 1}, {L"/v/b", 1}};

TEST(QuestionPlanner, CountsOfEveryMethodOnOneGroupOfThree) {
  struct Row {
    std::string method;
    PropertyMap extra;
    Counts counts;
  };
  const Row rows[] = {
      {"DSIS", {}, {true, 2, 2, 2, 2, 1, 5, 7}},
      {"DSCQS I", {}, {true, 2, 2, 2, 2, 1, 5, 7}},
      {"DSCQS II", {}, {true, 2, 2, 2, 2, 1, 5, 7}},
      {"DSCQS II", {{"repetitions", Any::of(3LL)}}, {true, 2, 2, 2, 6, 1, 5, 7}},
      // The reference takes part in the pairs.
      {"SCACJ", {}, {false, 2, 2, 3, 1, 1, 5, 8}},
      {"SCACJ",
       {{"cycles", Any::of(3LL)}, {"trainingQuestions", Any::of(0LL)}},
       {false, 2, 2, 3, 1, 3, 0, 9}},
      // No cycles, no training.
      {"SAMVIQ", {{"cycles", Any::of(4LL)}}, {true, 2, 2, 3, 1, 1, 0, 3}},
      // Custom uses neither "cycles" nor "trainingQuestions", whatever the task stores.
      {"Custom", {{"cycles", Any::of(4LL)}}, {false, 1, 1, 3, 1, 1, 0, 3}},
      {"Custom",
       {{"customQuestionType", makeStringValue("All to ref")}, {"repetitions", Any::of(4LL)}},
       {true, 2, 2, 2, 1, 1, 0, 2}},
      {"Custom",
       {{"customQuestionType", makeStringValue("All to ref")},
        {"customQuestionPairDisplay", makeStringValue("Subsequent")},
        {"repetitions", Any::of(4LL)}},
       {true, 2, 2, 2, 4, 1, 0, 2}},
      {"Custom",
       {{"customQuestionType", makeStringValue("All to all")}},
       {false, 2, 2, 3, 1, 1, 0, 3}},
      {"Custom",
       {{"customQuestionType", makeStringValue("All to all")},
        {"customQuestionPairDisplay", makeStringValue("Subsequent")}},
       {false, 2, 2, 3, 2, 1, 0, 3}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.method + " " + std::to_string(row.extra.size()));
    expectCounts(makeTask(row.method, kThree, {0}, row.extra), row.counts);
  }
}

TEST(QuestionPlanner, PairsAndTheirLimit) {
  struct Row {
    std::vector<int> groups;  // one file per entry
    long long limitPairs;
    int pairs;
  };
  const Row rows[] = {
      {{1, 1, 1, 1, 2}, 0, 6},  // a group of one file has no pairs
      {{1, 1, 1}, 0, 3},        // 0: no limit
      {{1, 1, 1}, 3, 3},        // not below the pairs: no cut
      {{1, 1, 1}, 500, 3},
      {{1, 1, 1}, 2, 2},
      {{1, 1, 0, 0, 0}, 0, 1},  // group 0 is not a group
      {{1, 2, 1, 2, 3, 3, 3}, 0, 5},
      {{}, 0, 0},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(::testing::PrintToString(row.groups) + " limit " + std::to_string(row.limitPairs));
    std::vector<std::pair<std::wstring, int>> files;
    for (int g : row.groups) files.push_back({L"/v/" + std::to_wstring(files.size()), g});
    const Task task = makeTask("SCACJ", files, {}, {{"limitPairs", Any::of(row.limitPairs)}});
    EXPECT_EQ(plannerOf(task).questionsPerCycle(task), row.pairs);
  }
  // DSIS does not offer "limitPairs", yet Custom's pairs read it from the task all the same.
  const Task custom = makeTask(
      "Custom", kThree, {},
      {{"customQuestionType", makeStringValue("All to all")}, {"limitPairs", Any::of(1LL)}});
  EXPECT_EQ(plannerOf(custom).questionsPerCycle(custom), 1);
}

TEST(QuestionPlanner, NoFilesInUse) {
  const std::vector<std::pair<std::wstring, int>> excluded{{L"/v/a", 0}, {L"/v/b", 0}};
  FakeMedia media;
  media.video(L"/v/a", 4000).video(L"/v/b", 6000);
  for (const char* name : {"DSIS", "DSCQS II", "SCACJ", "SAMVIQ", "Custom"}) {
    SCOPED_TRACE(name);
    const Task task = makeTask(name, excluded, {}, {{"trainingQuestions", Any::of(3LL)}});
    const QuestionPlanner& p = plannerOf(task);
    EXPECT_EQ(p.questionsPerCycle(task), 0);
    EXPECT_EQ(p.totalQuestions(task), p.trainingQuestions(task));
    EXPECT_EQ(p.estimatedDuration(task, media), 0);
  }
  const Task samviq = makeTask("SAMVIQ", excluded, {}, {{"trainingQuestions", Any::of(3LL)}});
  EXPECT_EQ(plannerOf(samviq).totalQuestions(samviq), 0);
  const Task dsis = makeTask("DSIS", excluded, {}, {{"trainingQuestions", Any::of(3LL)}});
  EXPECT_EQ(plannerOf(dsis).totalQuestions(dsis), 3);
}

TEST(QuestionPlanner, DurationsOfOneCycle) {
  FakeMedia media;
  media.video(L"/v/r", 10000)
      .video(L"/v/a", 4000)
      .video(L"/v/b", 12000)
      .image(L"/v/still", 99)
      .broken(L"/v/broken", 7000)
      .video(L"/v/x", 1000000);  // excluded below
  const PropertyMap image{{"imageLength", Any::of(3000LL)}};
  struct Row {
    std::string method;
    std::vector<std::pair<std::wstring, int>> files;
    std::set<int> references;
    PropertyMap extra;
    int64_t ms;
  };
  const std::vector<std::pair<std::wstring, int>> mixed{
      {L"/v/r", 1}, {L"/v/a", 1}, {L"/v/b", 1}, {L"/v/x", 0}};
  const Row rows[] = {
      // Two playbacks: test + reference for each test file.
      {"DSIS", mixed, {0}, {}, (4000 + 10000) + (12000 + 10000)},
      // Repetitions multiply the whole cycle.
      {"DSCQS II", mixed, {0}, {{"repetitions", Any::of(3LL)}}, 3 * (14000 + 22000)},
      // One playback at a time: the longer of the two.
      {"Custom",
       mixed,
       {0},
       {{"customQuestionType", makeStringValue("All to ref")}},
       10000 + 12000},
      // A group without a reference: the reference counts as an unknown empty path.
      {"DSIS", mixed, {}, {}, 10000 + 4000 + 12000},
      // A reference index past the file list: the same.
      {"DSIS", mixed, {7}, {}, 10000 + 4000 + 12000},
      // Still images count the task's "imageLength", files that do not decode count nothing.
      {"DSIS",
       {{L"/v/r", 1}, {L"/v/still", 1}, {L"/v/broken", 1}},
       {0},
       image,
       (3000 + 10000) + (0 + 10000)},
      // Single video: every file in use once, the reference included.
      {"Custom", mixed, {0}, {}, 26000},
      {"Custom", {{L"/v/still", 2}, {L"/v/a", 1}}, {}, image, 7000},
      // SAMVIQ: references twice.
      {"SAMVIQ", mixed, {0}, {}, 2 * 10000 + 4000 + 12000},
      // Pairs: the average pair times the pairs of a cycle; one playback is half.
      // Three pairs of r, a, b: T = 2 * (10000 + 4000 + 12000), S = 6.
      {"Custom",
       mixed,
       {0},
       {{"customQuestionType", makeStringValue("All to all")},
        {"customQuestionPairDisplay", makeStringValue("Subsequent")}},
       52000 * 3 / 3},
      {"SCACJ", mixed, {0}, {}, 26000 * 3 / 3},
      // Cut to 2 pairs: 26000 * 2 / 3, truncated.
      {"SCACJ", mixed, {0}, {{"limitPairs", Any::of(2LL)}}, 17333},
      // Groups of 2 and 3 files, 1 + 3 pairs: S = 2 + 6, T = 14000 + (12000 + 4000 + 4000) * 2.
      {"SCACJ",
       {{L"/v/r", 1}, {L"/v/a", 1}, {L"/v/b", 2}, {L"/v/a", 2}, {L"/v/a", 2}},
       {},
       {},
       (14000 + 40000) / 2 * 4 / 4},
  };
  int index = 0;
  for (const Row& row : rows) {
    SCOPED_TRACE("row " + std::to_string(index++) + " " + row.method);
    const Task task = makeTask(row.method, row.files, row.references, row.extra);
    EXPECT_EQ(plannerOf(task).estimatedDuration(task, media), row.ms);
  }
}

// Media is asked once per file visited: for every test file, the file and its reference.
TEST(QuestionPlanner, AllToReferenceAsksForEachTestFileAndItsReference) {
  FakeMedia media;
  media.video(L"/v/r", 1000).video(L"/v/a", 2000).video(L"/v/b", 3000);
  const Task task = makeTask("DSIS", kThree, {0});
  plannerOf(task).estimatedDuration(task, media);
  const std::vector<std::wstring> asked{L"/v/a", L"/v/r", L"/v/b", L"/v/r"};
  EXPECT_EQ(media.asked, asked);
}

TEST(QuestionPlanner, FilesInUseAndTestFiles) {
  const Task task =
      makeTask("DSIS", {{L"a", 1}, {L"b", 0}, {L"c", 2}, {L"d", 1}, {L"e", 2}}, {3, 4, 9});
  EXPECT_EQ(filesInUse(task), (std::vector<int>{0, 2, 3, 4}));
  EXPECT_EQ(testFiles(task), (std::vector<int>{0, 2}));
}

// Stored settings are not clamped to their ranges: at the limits of the stored integers the
// counts and durations saturate instead of overflowing.
TEST(QuestionPlanner, CountsSaturateAtTheLimitsOfStoredSettings) {
  constexpr long long kHuge = std::numeric_limits<long long>::max();
  constexpr long long kLow = std::numeric_limits<long long>::min();
  constexpr int kIntMax = std::numeric_limits<int>::max();
  constexpr int kIntMin = std::numeric_limits<int>::min();
  struct Row {
    std::string method;
    PropertyMap extra;
    int cycles, training, playbacks, total;
  };
  const Row rows[] = {
      {"DSIS", {{"cycles", Any::of(kHuge)}}, kIntMax, 5, 2, kIntMax},
      {"DSIS", {{"cycles", Any::of(kLow)}}, kIntMin, 5, 2, kIntMin + 5},
      {"DSIS", {{"trainingQuestions", Any::of(kHuge)}}, 1, kIntMax, 2, kIntMax},
      {"DSIS",
       {{"cycles", Any::of(2147483647LL)}, {"trainingQuestions", Any::of(2147483647LL)}},
       kIntMax,
       kIntMax,
       2,
       kIntMax},
      {"SCACJ", {{"cycles", Any::of(1073741824LL)}}, 1073741824, 5, 1, kIntMax},
      {"SCACJ", {{"limitPairs", Any::of(kLow)}, {"trainingQuestions", Any::of(0LL)}}, 1, 0, 1, 3},
      {"SCACJ", {{"limitPairs", Any::of(kHuge)}, {"trainingQuestions", Any::of(0LL)}}, 1, 0, 1, 3},
      {"DSCQS II", {{"repetitions", Any::of(kHuge)}}, 1, 5, kIntMax, 7},
      {"DSCQS II", {{"repetitions", Any::of(kLow)}}, 1, 5, kIntMin, 7},
      {"DSCQS II", {{"repetitions", Any::of(1073741824LL)}}, 1, 5, kIntMax, 7},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.method + " " + ::testing::PrintToString(row.total));
    const Task task = makeTask(row.method, kThree, {0}, row.extra);
    const QuestionPlanner& p = plannerOf(task);
    EXPECT_EQ(p.cycles(task), row.cycles);
    EXPECT_EQ(p.trainingQuestions(task), row.training);
    EXPECT_EQ(p.playbacksPerQuestion(task), row.playbacks);
    EXPECT_EQ(p.totalQuestions(task), row.total);
    EXPECT_EQ(task.planQuestionCount(), row.total);
  }

  // Durations saturate too; a length that does not fit cannot be estimated.
  FakeMedia media;
  media.video(L"/v/r", 1000).image(L"/v/a").video(L"/v/b", 3000);
  const struct {
    std::string method;
    PropertyMap extra;
    int64_t duration;
  } durations[] = {
      {"DSCQS II", {{"repetitions", Any::of(kHuge)}}, std::numeric_limits<int64_t>::max()},
      {"DSCQS II", {{"repetitions", Any::of(kLow)}}, std::numeric_limits<int64_t>::min()},
      {"DSIS", {{"imageLength", Any::of(kHuge)}}, std::numeric_limits<int64_t>::max()},
      {"SAMVIQ", {{"imageLength", Any::of(kHuge)}}, std::numeric_limits<int64_t>::max()},
      // The pair sum saturates, and so does half of it times the three pairs of the cycle,
      // which is then divided by the three pairs.
      {"SCACJ", {{"imageLength", Any::of(kHuge)}}, std::numeric_limits<int64_t>::max() / 3},
      {"SCACJ", {{"imageLength", Any::of(kLow)}}, std::numeric_limits<int64_t>::min() / 3},
      {"Custom", {{"imageLength", Any::of(kHuge)}}, std::numeric_limits<int64_t>::max()},
  };
  for (const auto& row : durations) {
    SCOPED_TRACE(row.method);
    const Task task = makeTask(row.method, kThree, {0}, row.extra);
    EXPECT_EQ(plannerOf(task).estimatedDuration(task, media), row.duration);
    EXPECT_EQ(task.estimatedLength(media), -1);
  }
}

// A task whose questions cannot all be held by a pass is refused: validation says why, and the
// method makes no play for it. One question less, or one block's candidates less, is made.
TEST(QuestionPlanner, PlanThatCannotBeHeldIsRefusedBeforeThePass) {
  const std::wstring kTooMany = L"too many questions";
  struct Row {
    std::string method;
    int groupSize;
    PropertyMap extra;
    std::wstring text;  // empty: the plan is held
  };
  const Row rows[] = {
      {"DSIS",
       3,
       {{"trainingQuestions", Any::of(2000000000LL)}},
       L"A pass of this task would ask 2000000002 questions; a pass holds at most 100000"},
      {"DSIS", 3, {{"trainingQuestions", Any::of(99998LL)}}, L""},
      {"DSIS",
       3,
       {{"trainingQuestions", Any::of(99999LL)}},
       L"A pass of this task would ask 100001 questions; a pass holds at most 100000"},
      // Negative cycles ask for nothing, but the training block is made all the same.
      {"DSIS",
       3,
       {{"trainingQuestions", Any::of(100001LL)}, {"cycles", Any::of(-50000LL)}},
       L"A pass of this task would ask 100001 questions; a pass holds at most 100000"},
      {"DSCQS I",
       3,
       {{"cycles", Any::of(9223372036854775807LL)}},
       L"A pass of this task would ask 2147483647 questions; a pass holds at most 100000"},
      // 1415 files make 1000405 pairs: a block is cut to the pair limit only after it is made.
      {"SCACJ",
       1415,
       {{"limitPairs", Any::of(10LL)}, {"trainingQuestions", Any::of(0LL)}},
       L"A block of this task would be made of 1000405 questions; a block is made of at most "
       L"1000000"},
      {"SCACJ", 1414, {{"limitPairs", Any::of(10LL)}, {"trainingQuestions", Any::of(0LL)}}, L""},
      {"Custom", 3, {{"customQuestion", makeStringValue("Q\n1 a\n2 b")}}, L""},
  };
  FakeMedia media;
  for (const Row& row : rows) {
    SCOPED_TRACE(row.method + " " + std::to_string(row.groupSize));
    std::vector<std::pair<std::wstring, int>> files;
    for (int i = 0; i < row.groupSize; ++i) files.push_back({L"/v/" + std::to_wstring(i), 1});
    const Task task = makeTask(row.method, files, {0}, row.extra);
    EXPECT_EQ(plannerOf(task).planTooLarge(task), row.text);
    const std::vector<ValidationMessage> messages = validateTask(task, L"", media);
    bool refused = false;
    for (const ValidationMessage& m : messages) {
      if (m.shortText != kTooMany) continue;
      refused = true;
      EXPECT_EQ(m.level, 0);
      EXPECT_EQ(m.text, row.text);
    }
    EXPECT_EQ(refused, !row.text.empty());
    const std::shared_ptr<VIXOplay> play = task.method()->createPlay(
        PlayContext(LoadedTask(task, L""), nullptr, L"Ann", "", 0, false, true));
    EXPECT_EQ(play == nullptr, !row.text.empty());
  }
}

TEST(QuestionPlanner, TaskWithoutMethodPlansNothing) {
  Task task = makeTask("DSIS", kThree, {0});
  task.properties.erase("method");
  EXPECT_EQ(task.planQuestionCount(), 0);
}

}  // namespace
