#include "task/play.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "avifile/json_parser.h"
#include "support/json_text.h"
#include "task/answer_getter.h"
#include "task/method_registry.h"
#include "task/task.h"

namespace {

using Brindle::JSON;
namespace E = Brindle::JSONElements;

using vixo_test::parseText;

// One question as a performer received it. `b` is the reference or the second file, -1 for a
// single video.
struct Asked {
  int a;
  int b;
  int blockId;
  bool training;
  friend bool operator==(const Asked&, const Asked&) = default;
};

std::ostream& operator<<(std::ostream& out, const Asked& q) {
  return out << "{" << q.a << "," << q.b << " block " << q.blockId << (q.training ? " T" : "")
             << "}";
}

// Performs every kind of question: notes it, writes an event to the play's protocol, and
// answers with success unless told to fail the next few.
class Script : public QuestionPerformer<QuestionPlannerAllToRef::QuestionInit>,
               public QuestionPerformer<QuestionPlannerAllToAll::QuestionInit>,
               public QuestionPerformer<QuestionPlannerSingleVideo::QuestionInit> {
 public:
  bool perform(const QuestionPlannerAllToRef::QuestionInit& q, VIXOplay& play,
               bool training) override {
    return note({q.file, q.reference, q.blockId, training}, play);
  }
  bool perform(const QuestionPlannerAllToAll::QuestionInit& q, VIXOplay& play,
               bool training) override {
    return note({q.first, q.second, q.blockId, training}, play);
  }
  bool perform(const QuestionPlannerSingleVideo::QuestionInit& q, VIXOplay& play,
               bool training) override {
    return note({q.file, -1, q.blockId, training}, play);
  }

  std::vector<Asked> asked;
  int failNext = 0;

 private:
  bool note(const Asked& q, VIXOplay& play) {
    asked.push_back(q);
    if (failNext > 0) {
      --failNext;
      return false;
    }
    JSON data{E::Object()};
    data.set("a", JSON(E::Integer(q.a)));
    data.set("b", JSON(E::Integer(q.b)));
    data.set("block", JSON(E::Integer(q.blockId)));
    addProtocolEvent(play.protocol, "question", data);
    return true;
  }
};

// A task of the given method; `groups` gives one file per entry, paths and ids by position.
Task makeTask(const std::string& method, const std::vector<int>& groups, std::set<int> references,
              PropertyMap extra) {
  Task task;
  task.name = L"t";
  for (int g : groups) {
    const std::wstring name = L"f" + std::to_wstring(task.files.size());
    task.files.push_back({name, L"/v/" + name, g});
  }
  task.references = std::move(references);
  task.properties["method"] = makeStringValue(method);
  for (auto& [key, value] : extra) task.properties[key] = value;
  return task;
}

PropertyMap settings(long long cycles, long long training, bool shuffle, long long limitPairs = 0) {
  return {{"cycles", Any::of(cycles)},
          {"trainingQuestions", Any::of(training)},
          {"shuffleSources", Any::of(shuffle)},
          {"limitPairs", Any::of(limitPairs)}};
}

struct Pass {
  std::shared_ptr<Script> script = std::make_shared<Script>();
  std::shared_ptr<VIXOplay> play;

  // Runs `n` questions (or up to the end), each of which must be answered.
  void run(int n = 1 << 20) {
    for (int i = 0; i < n && !play->isFinished(); ++i) {
      const int before = play->answeredCount();
      play->nextQuestion();
      ASSERT_EQ(play->answeredCount(), before + 1);
    }
  }
};

// A play of the task's method whose random source is seeded, so that the pass is repeatable.
Pass makePass(const Task& task, uint32_t seed = 1) {
  Pass pass;
  PlayContext context(LoadedTask(task, L""), nullptr, L"Ann", "", 0, false, true);
  const QuestionPlanner* planner = task.method()->planner(task);
  if (auto* p = dynamic_cast<const QuestionPlannerAllToRef*>(planner))
    pass.play = p->makePlay(context, pass.script, nullptr);
  else if (auto* p = dynamic_cast<const QuestionPlannerAllToAll*>(planner))
    pass.play = p->makePlay(context, pass.script, nullptr);
  else if (auto* p = dynamic_cast<const QuestionPlannerSingleVideo*>(planner))
    pass.play = p->makePlay(context, pass.script, nullptr);
  if (!pass.play) throw std::runtime_error("no play for the task");
  pass.play->random.seed(seed);
  return pass;
}

// Reference 0, test files 1..3, all in group 1.
const std::vector<int> kFour{1, 1, 1, 1};

TEST(Play, WithoutTrainingTheFirstBlockIsOneAndFileOrderHoldsWhenNotShuffled) {
  Pass pass = makePass(makeTask("DSIS", kFour, {0}, settings(2, 0, false)));
  EXPECT_EQ(pass.play->progress(), 0.0f);
  for (int i = 0; i < 6; ++i) {
    EXPECT_FALSE(pass.play->isFinished()) << i;
    EXPECT_FLOAT_EQ(pass.play->progress(), i / 6.0f);
    pass.run(1);
  }
  EXPECT_TRUE(pass.play->isFinished());
  EXPECT_EQ(pass.play->progress(), 1.0f);
  const std::vector<Asked> want{{1, 0, 1, false}, {2, 0, 1, false}, {3, 0, 1, false},
                                {1, 0, 2, false}, {2, 0, 2, false}, {3, 0, 2, false}};
  EXPECT_EQ(pass.script->asked, want);
  EXPECT_EQ(pass.play->protocol.size(), 7);  // "begin" and six questions
}

TEST(Play, SingleVideoAsksEveryFileInUseReferencesIncluded) {
  Pass pass = makePass(makeTask("Custom", {1, 0, 2, 1}, {0}, settings(1, 0, false)));
  pass.run();
  const std::vector<Asked> want{{0, -1, 1, false}, {2, -1, 1, false}, {3, -1, 1, false}};
  EXPECT_EQ(pass.script->asked, want);
  EXPECT_TRUE(pass.play->isFinished());
}

// Three training questions from two candidates: a file must come twice.
TEST(Play, TrainingIsDrawnWithReplacementAndCarriesBlockZero) {
  std::set<std::vector<int>> trainingOrders;
  for (int round = 0; round < 40; ++round) {
    Pass pass = makePass(makeTask("DSIS", {1, 1, 1}, {0}, settings(1, 3, true)), round);
    pass.run();
    const std::vector<Asked>& asked = pass.script->asked;
    ASSERT_EQ(asked.size(), 5u);
    std::vector<int> training;
    for (int i = 0; i < 3; ++i) {
      EXPECT_EQ(asked[i].blockId, 0);
      EXPECT_TRUE(asked[i].training);
      EXPECT_EQ(asked[i].b, 0);
      EXPECT_TRUE(asked[i].a == 1 || asked[i].a == 2) << asked[i];
      training.push_back(asked[i].a);
    }
    EXPECT_LT(std::set<int>(training.begin(), training.end()).size(), 3u);
    trainingOrders.insert(training);
    std::set<int> cycle;
    for (int i = 3; i < 5; ++i) {
      EXPECT_EQ(asked[i].blockId, 1);
      EXPECT_FALSE(asked[i].training);
      cycle.insert(asked[i].a);
    }
    EXPECT_EQ(cycle, (std::set<int>{1, 2}));
  }
  // Eight equally likely draws: forty passes showing fewer than three is a broken generator.
  EXPECT_GE(trainingOrders.size(), 3u);
}

TEST(Play, TrainingDrawsAreUniform) {
  std::map<int, int> counts;
  for (int round = 0; round < 500; ++round) {
    Pass pass = makePass(makeTask("DSIS", {1, 1, 1, 1, 1}, {0}, settings(1, 20, false)), round);
    pass.run(20);
    for (const Asked& q : pass.script->asked) counts[q.a] += 1;
  }
  // 10000 draws over four files: 2500 each, a standard deviation of about 43.
  ASSERT_EQ(counts.size(), 4u);
  for (const auto& [file, n] : counts) EXPECT_NEAR(n, 2500, 200) << "file " << file;
}

TEST(Play, ShuffledCyclesEachHaveTheirOwnOrder) {
  Pass pass = makePass(makeTask("DSIS", {1, 1, 1, 1, 1}, {0}, settings(10, 0, true)));
  pass.run();
  ASSERT_EQ(pass.script->asked.size(), 40u);
  std::set<std::vector<int>> orders;
  for (int block = 0; block < 10; ++block) {
    std::vector<int> order;
    for (int i = 0; i < 4; ++i) {
      const Asked& q = pass.script->asked[block * 4 + i];
      EXPECT_EQ(q.blockId, block + 1);
      order.push_back(q.a);
    }
    std::vector<int> sorted = order;
    std::sort(sorted.begin(), sorted.end());
    EXPECT_EQ(sorted, (std::vector<int>{1, 2, 3, 4}));
    orders.insert(order);
  }
  EXPECT_GT(orders.size(), 1u);
}

// A biased shuffle (swapping with any position) gives permutations of three with 4/27 and 5/27.
TEST(Play, ShuffleIsUniform) {
  PassRandom random(7);
  std::map<std::vector<int>, int> counts;
  for (int i = 0; i < 60000; ++i) {
    std::vector<int> items{0, 1, 2};
    random.shuffle(items);
    counts[items] += 1;
  }
  ASSERT_EQ(counts.size(), 6u);
  for (const auto& [order, n] : counts) EXPECT_NEAR(n, 10000, 450);

  std::vector<std::pair<int, int>> none;
  random.shuffle(none);
  std::vector<std::pair<int, int>> one{{3, 4}};
  random.shuffle(one);
  EXPECT_EQ(one, (std::vector<std::pair<int, int>>{{3, 4}}));
}

TEST(Play, PairsOfEveryGroupAlwaysShuffled) {
  // Group 1: 0 (reference), 1, 2, 3; group 2: 4 alone; group 0: 5; group 3: 6, 7.
  const std::vector<int> groups{1, 1, 1, 1, 2, 0, 3, 3};
  Pass pass = makePass(makeTask("SCACJ", groups, {0}, settings(20, 0, false)));
  pass.run();
  ASSERT_EQ(pass.script->asked.size(), 140u);
  const std::set<std::pair<int, int>> pairs{{0, 1}, {0, 2}, {0, 3}, {1, 2}, {1, 3}, {2, 3}, {6, 7}};
  std::set<std::vector<std::pair<int, int>>> orders;
  for (int block = 0; block < 20; ++block) {
    std::vector<std::pair<int, int>> order;
    for (int i = 0; i < 7; ++i) {
      const Asked& q = pass.script->asked[block * 7 + i];
      EXPECT_EQ(q.blockId, block + 1);
      EXPECT_FALSE(q.training);
      order.push_back({q.a, q.b});
    }
    const std::set<std::pair<int, int>> seen(order.begin(), order.end());
    EXPECT_EQ(seen, pairs);
    orders.insert(order);
  }
  EXPECT_GT(orders.size(), 1u);  // shuffled although "shuffleSources" is off
}

TEST(Play, PairLimitTakesFreshPairsEachCycle) {
  Pass pass = makePass(makeTask("SCACJ", kFour, {}, settings(10, 0, false, 2)));
  EXPECT_EQ(pass.play->planner->totalQuestions(pass.play->context.loadedTask.task), 20);
  pass.run();
  ASSERT_EQ(pass.script->asked.size(), 20u);
  std::set<std::set<std::pair<int, int>>> chosen;
  for (int block = 0; block < 10; ++block) {
    const Asked& x = pass.script->asked[block * 2];
    const Asked& y = pass.script->asked[block * 2 + 1];
    EXPECT_EQ(x.blockId, block + 1);
    EXPECT_EQ(y.blockId, block + 1);
    EXPECT_LT(x.a, x.b);
    EXPECT_LT(y.a, y.b);
    EXPECT_NE(std::make_pair(x.a, x.b), std::make_pair(y.a, y.b));
    chosen.insert(std::set<std::pair<int, int>>{{x.a, x.b}, {y.a, y.b}});
  }
  EXPECT_GT(chosen.size(), 1u);
}

TEST(Play, QuestionWithoutMarkComesAgain) {
  Pass pass = makePass(makeTask("DSIS", kFour, {0}, settings(1, 0, false)));
  pass.script->failNext = 2;
  pass.play->nextQuestion();
  pass.play->nextQuestion();
  EXPECT_EQ(pass.play->answeredCount(), 0);
  EXPECT_EQ(pass.play->progress(), 0.0f);
  pass.play->nextQuestion();
  EXPECT_EQ(pass.play->answeredCount(), 1);
  const std::vector<Asked> want{{1, 0, 1, false}, {1, 0, 1, false}, {1, 0, 1, false}};
  EXPECT_EQ(pass.script->asked, want);
  EXPECT_EQ(pass.play->protocol.size(), 2);
}

// Training questions but nothing to draw them from: the pass is over before it starts, and a
// loop that ignores that still asks nothing.
TEST(Play, NothingToAskIsFinished) {
  for (const char* method : {"DSIS", "SCACJ", "Custom"}) {
    SCOPED_TRACE(method);
    Pass pass = makePass(makeTask(method, {0, 0}, {}, settings(2, 5, true)));
    EXPECT_TRUE(pass.play->isFinished());
    pass.play->nextQuestion();
    pass.play->nextQuestion();
    EXPECT_TRUE(pass.script->asked.empty());
    EXPECT_EQ(pass.play->answeredCount(), 0);
  }
  // Test files missing only: DSIS has no candidates when every file is a reference.
  Pass references = makePass(makeTask("DSIS", {1, 2}, {0, 1}, settings(1, 3, true)));
  EXPECT_TRUE(references.play->isFinished());
}

TEST(Play, ProgressOfNoQuestionsIsZero) {
  Pass pass = makePass(makeTask("Custom", {0}, {}, settings(1, 0, false)));
  EXPECT_EQ(pass.play->planner->totalQuestions(pass.play->context.loadedTask.task), 0);
  EXPECT_EQ(pass.play->progress(), 0.0f);
  EXPECT_TRUE(pass.play->isFinished());
}

// ---------------------------------------------------------------- state

std::string savedText(const VIXOplay& play) {
  JSON state;
  play.saveState(state);
  return state.toString(0);
}

// The protocol without its clock readings.
std::vector<std::string> events(const JSON& protocol) {
  std::vector<std::string> out;
  for (const JSON& e : protocol.elements())
    out.push_back(e.find("type")->getString() + " " + e.find("data")->toString(0));
  return out;
}

TEST(PlayState, FreshPlaySavesItsStartingValues) {
  Pass pass = makePass(makeTask("DSIS", kFour, {0}, settings(1, 2, true)));
  JSON state;
  pass.play->saveState(state);
  const std::string text = state.toString(0);
  const std::string head =
      "{\"currentPosInBlock\" : 0,\"currentQuestion\" : 0,\"currentFilesBlock\" : [],"
      "\"currentBlockId\" : 0,\"nextBlockTraining\" : true,\"currentBlockTraining\" : true,"
      "\"protocol\" : [{\"time\" : ";
  EXPECT_EQ(text.substr(0, head.size()), head);
  ASSERT_EQ(state.at("protocol").size(), 1);
  EXPECT_EQ(events(state.at("protocol")), std::vector<std::string>{"begin {}"});

  // Into another fresh play: only the protocol is taken over.
  Pass other = makePass(makeTask("DSIS", kFour, {0}, settings(1, 2, true)));
  ASSERT_TRUE(other.play->loadState(state));
  EXPECT_EQ(savedText(*other.play), text);
}

TEST(PlayState, PairBlocksSaveAsArraysOfPairs) {
  Pass pass = makePass(makeTask("SCACJ", {1, 1, 2, 2}, {}, settings(1, 0, false)));
  pass.run(1);
  JSON state;
  pass.play->saveState(state);
  const std::string block = state.at("currentFilesBlock").toString(0);
  EXPECT_TRUE(block == "[[0,1],[2,3]]" || block == "[[2,3],[0,1]]") << block;
  EXPECT_EQ(state.at("currentPosInBlock").getInteger(), 1);
  EXPECT_EQ(state.at("currentBlockId").getInteger(), 1);
  EXPECT_FALSE(state.at("nextBlockTraining").getBool());
  EXPECT_FALSE(state.at("currentBlockTraining").getBool());
}

// The pass is stopped after every possible number of questions, its state written out as text,
// read back into a new play, and the resumed pass carried to the end beside the original.
TEST(PlayState, ResumedPassContinuesWhereItStopped) {
  struct Row {
    const char* method;
    std::vector<int> groups;
    PropertyMap settings;
  };
  const Row rows[] = {
      {"DSIS", {1, 1, 1, 1}, settings(2, 2, true)},
      {"SCACJ", {1, 1, 1, 2, 2}, settings(2, 3, true, 3)},
      {"Custom", {1, 2, 1, 0}, settings(1, 0, true)},
  };
  for (const Row& row : rows) {
    const Task task = makeTask(row.method, row.groups, {0}, row.settings);
    const int total = task.planQuestionCount();
    ASSERT_GT(total, 0);
    for (int stop = 0; stop <= total; ++stop) {
      SCOPED_TRACE(std::string(row.method) + " stopped after " + std::to_string(stop));
      Pass original = makePass(task);
      original.run(stop);
      const std::string saved = savedText(*original.play);

      Pass resumed = makePass(task);
      ASSERT_TRUE(resumed.play->loadState(parseText(saved)));
      EXPECT_EQ(savedText(*resumed.play), saved);
      EXPECT_EQ(resumed.play->answeredCount(), stop);
      EXPECT_EQ(resumed.play->isFinished(), stop == total);
      // A second resumed pass draws what the original would have drawn from here on.
      Pass exact = makePass(task);
      ASSERT_TRUE(exact.play->loadState(parseText(saved)));
      exact.play->random = original.play->random;

      original.run();
      resumed.run();
      exact.run();
      const std::vector<Asked> rest(original.script->asked.begin() + stop,
                                    original.script->asked.end());
      EXPECT_EQ(exact.script->asked, rest);
      EXPECT_EQ(events(exact.play->protocol), events(original.play->protocol));
      const std::vector<Asked>& again = resumed.script->asked;
      ASSERT_EQ(again.size(), rest.size());
      // What was left of the stopped block comes exactly as it would have; later blocks are
      // shuffled anew, but have the same numbers and kinds.
      JSON state = parseText(saved);
      const int left =
          std::max(0, state.at("currentFilesBlock").size() -
                          static_cast<int>(state.at("currentPosInBlock").getInteger()));
      for (size_t i = 0; i < rest.size(); ++i) {
        if (static_cast<int>(i) < left) {
          EXPECT_EQ(again[i], rest[i]) << i;
        }
        EXPECT_EQ(again[i].blockId, rest[i].blockId) << i;
        EXPECT_EQ(again[i].training, rest[i].training) << i;
      }
      EXPECT_EQ(resumed.play->protocol.size(), original.play->protocol.size());
      const std::vector<std::string> was = events(original.play->protocol);
      const std::vector<std::string> is = events(resumed.play->protocol);
      EXPECT_TRUE(std::equal(was.begin(), was.begin() + stop + 1, is.begin()));
    }
  }
}

// Without shuffle and training nothing is left to chance: the resumed pass is the original.
TEST(PlayState, UnshuffledResumeRepeatsThePassExactly) {
  const Task task = makeTask("DSIS", {1, 1, 1, 2, 2}, {0, 3}, settings(3, 0, false));
  for (int stop = 0; stop <= task.planQuestionCount(); ++stop) {
    SCOPED_TRACE(stop);
    Pass original = makePass(task);
    original.run(stop);
    Pass resumed = makePass(task);
    ASSERT_TRUE(resumed.play->loadState(parseText(savedText(*original.play))));
    original.run();
    resumed.run();
    EXPECT_EQ(
        std::vector<Asked>(original.script->asked.begin() + stop, original.script->asked.end()),
        resumed.script->asked);
    EXPECT_EQ(events(original.play->protocol), events(resumed.play->protocol));
  }
}

TEST(PlayState, BlockThatIsNotAnArrayIsRebuilt) {
  Pass pass = makePass(makeTask("DSIS", kFour, {0}, settings(3, 0, false)));
  ASSERT_TRUE(pass.play->loadState(
      parseText("{\"currentPosInBlock\" : 0,\"currentQuestion\" : 3,\"currentFilesBlock\" : 5,"
                "\"currentBlockId\" : 1,\"nextBlockTraining\" : false,"
                "\"currentBlockTraining\" : false,\"protocol\" : []}")));
  pass.run(1);
  const std::vector<Asked> want{{1, 0, 2, false}};
  EXPECT_EQ(pass.script->asked, want);
  EXPECT_EQ(pass.play->answeredCount(), 4);
}

TEST(PlayState, MembersOfTheWrongKindAreSkipped) {
  Pass pass = makePass(makeTask("DSIS", kFour, {0}, settings(3, 0, false)));
  pass.run(2);
  const std::string before = savedText(*pass.play);
  ASSERT_TRUE(
      pass.play->loadState(parseText("{\"currentPosInBlock\" : \"0\",\"currentQuestion\" : 1.0,"
                                     "\"currentBlockId\" : null,\"nextBlockTraining\" : 1}")));
  EXPECT_EQ(savedText(*pass.play), before);
  ASSERT_TRUE(pass.play->loadState(parseText("[1,2]")));
  EXPECT_EQ(savedText(*pass.play), before);
}

// A state that cannot belong to this play's task is refused whole; the play goes on unharmed.
TEST(PlayState, StateThatDoesNotFitTheTaskIsRefused) {
  struct Row {
    const char* method;
    const char* member;
    const char* value;
  };
  const Row rows[] = {
      {"DSIS", "currentFilesBlock", "[1,4]"},
      {"DSIS", "currentFilesBlock", "[-1]"},
      {"DSIS", "currentFilesBlock", "[2147483647]"},
      {"DSIS", "currentPosInBlock", "-1"},
      {"DSIS", "currentQuestion", "-3"},
      {"DSIS", "currentBlockId", "-1"},
      {"DSIS", "protocol", "{}"},
      {"DSIS", "protocol", "\"x\""},
      {"SCACJ", "currentFilesBlock", "[[0,1],[2,9]]"},
      {"SCACJ", "currentFilesBlock", "[[-5,1]]"},
      {"Custom", "currentFilesBlock", "[4]"},
      // Counters that could not go on: the next block or question would overflow them. No pass
      // asks more than a pass holds, so no saved pass has them.
      {"DSIS", "currentBlockId", "2147483647"},
      {"SCACJ", "currentBlockId", "2147483647"},
      {"Custom", "currentBlockId", "2147483647"},
      {"DSIS", "currentBlockId", "1000001"},
      {"DSIS", "currentQuestion", "2147483647"},
      {"SCACJ", "currentQuestion", "1000001"},
      {"DSIS", "currentPosInBlock", "2147483647"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(std::string(row.method) + " " + row.member + " " + row.value);
    Pass pass = makePass(makeTask(row.method, kFour, {0}, settings(2, 0, false)));
    pass.run(2);
    JSON state;
    pass.play->saveState(state);
    const std::string before = state.toString(0);
    state.set(row.member, parseText(row.value));
    EXPECT_FALSE(pass.play->loadState(state));
    EXPECT_EQ(savedText(*pass.play), before);
    pass.run();
    EXPECT_TRUE(pass.play->isFinished());
  }
}

// A recorder the play was made with writes marks into the play's own protocol and results.
TEST(PlayState, RecorderWritesIntoThePlay) {
  const Task task = makeTask("DSIS", {1, 1}, {0}, settings(1, 0, false));
  auto recorder = std::make_shared<AnswerGetterAuto<MT_DSIS::QuestionData>>();
  auto script = std::make_shared<Script>();
  PlayContext context(LoadedTask(task, L""), nullptr, L"Ann", "", 0, false, true);
  const auto* planner = dynamic_cast<const QuestionPlannerAllToRef*>(task.method()->planner(task));
  ASSERT_NE(planner, nullptr);
  std::shared_ptr<VIXOplay> play = planner->makePlay(context, script, recorder);
  EXPECT_EQ(recorder->protocol, &play->protocol);
  EXPECT_EQ(recorder->results, &play->context.results);

  const Task& own = play->context.loadedTask.task;
  recorder->questions[0] = MT_DSIS::QuestionData{&own.files[1], &own.files[0], 1, false};
  recorder->setAnswer(0, L"Ann", 5);
  EXPECT_EQ(play->protocol.size(), 2);
  ASSERT_EQ(play->context.results.singles.size(), 1u);
  EXPECT_EQ(play->context.results.singles.begin()->second, 1.0f);
}

}  // namespace
