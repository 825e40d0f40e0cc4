// Whole passes of every method against a scripted player: what the observer is shown and asked,
// what is recorded, how stops end a pass, and a pass saved halfway and resumed.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "support/json_text.h"
#include "support/scripted_player.h"
#include "task/method_registry.h"
#include "task/method_samviq.h"
#include "task/play.h"
#include "task/task.h"
#include "task/vixo_method.h"

namespace {

using Brindle::JSON;
using vixo_test::parseText;
using vixo_test::ScriptedPlayer;

// The number N of a test file "/v/fN".
int fileNumber(const std::wstring& path) {
  const size_t at = path.rfind(L'f');
  return at == std::wstring::npos ? -1 : std::stoi(path.substr(at + 1));
}

Task makeTask(const std::string& method, const std::vector<int>& groups, std::set<int> references,
              PropertyMap extra = {}) {
  Task task;
  task.name = L"t";
  for (int g : groups) {
    const std::wstring n = std::to_wstring(task.files.size());
    task.files.push_back({L"f" + n, L"/v/f" + n, g});
  }
  task.references = std::move(references);
  task.properties["method"] = makeStringValue(method);
  task.properties["trainingQuestions"] = Any::of(0LL);
  task.properties["shuffleSources"] = Any::of(false);
  for (auto& [key, value] : extra) task.properties[key] = value;
  return task;
}

// The marks of an observer whose opinion depends only on the files, so that a pass gives the
// same results in whatever order and on whatever side the files come.
int dsisMark(const std::wstring& path) { return 1 + fileNumber(path) % 5; }
int dscqsMark(const std::wstring& path) { return (fileNumber(path) * 17) % 101; }
int scacjMark(const std::wstring& left, const std::wstring& right) {
  return std::clamp(fileNumber(left) - fileNumber(right), -3, 3);
}

void answerEverything(ScriptedPlayer& player) {
  player.markDSIS = [](const std::vector<std::wstring>& shown) -> std::optional<int> {
    return dsisMark(shown.back());
  };
  player.markSCACJ = [](const std::vector<std::wstring>& shown) -> std::optional<int> {
    return scacjMark(shown[shown.size() - 2], shown.back());
  };
  player.markDSCQS = [](const std::wstring& a, const std::wstring& b,
                        char&) -> std::optional<std::pair<int, int>> {
    return std::make_pair(dscqsMark(a), dscqsMark(b));
  };
  player.markCustom = [](const std::vector<std::wstring>& shown,
                         int) -> std::optional<CustomAnswer> {
    // Of two files the higher-numbered one is better, wherever it is shown.
    if (shown.size() >= 2)
      return CustomAnswer{fileNumber(shown.back()) > fileNumber(shown[shown.size() - 2]) ? 1 : 0,
                          ""};
    return CustomAnswer{fileNumber(shown.back()) % 2, ""};
  };
  // Every sequence of the group once, in order, then leave.
  player.markSAMVIQ = [](const std::vector<int>& order, std::map<int, int>& marks, int current,
                         bool) {
    if (current >= 0) marks[order[current]] = (order[current] * 17) % 101;
    return current + 1 < static_cast<int>(order.size()) ? current + 1 : -2;
  };
}

struct Pass {
  std::unique_ptr<ScriptedPlayer> player = std::make_unique<ScriptedPlayer>();
  std::shared_ptr<VIXOplay> play;

  // The play's random source is seeded, so that the pass is repeatable; without a seed it keeps
  // the system's.
  explicit Pass(const Task& task, std::optional<uint32_t> seed = 1u) {
    play = task.method()->createPlay(
        PlayContext(LoadedTask(task, L""), player.get(), L"Ann", "", 0, false, true));
    if (!play) throw std::runtime_error("no play");
    if (seed) play->random.seed(*seed);
    player->play = play.get();
    answerEverything(*player);
  }

  // The pass loop of a player: until the play is finished or a stop is asked, with a bound so
  // that a faulty play fails the test instead of hanging it.
  int run(int limit = 1000) {
    int asked = 0;
    while (!play->isFinished() && !player->isStopRequested() && asked < limit) {
      play->nextQuestion();
      ++asked;
    }
    return asked;
  }

  // The calls made while running one more question.
  std::vector<std::wstring> question() {
    const size_t before = player->calls.size();
    play->nextQuestion();
    return {player->calls.begin() + static_cast<long>(before), player->calls.end()};
  }
};

// Pair results with the files in ascending order, the value turned round with them.
std::map<PairAnswerKey, float> normalPairs(const TestResults& results) {
  std::map<PairAnswerKey, float> out;
  for (const auto& [key, value] : results.pairs) {
    if (key.file1 <= key.file2)
      out[key] = value;
    else
      out[{key.expert, key.id, key.file2, key.file1}] = -value;
  }
  return out;
}

// The protocol's events without their clock readings.
std::vector<std::string> events(const JSON& protocol) {
  std::vector<std::string> out;
  for (const JSON& e : protocol.elements())
    out.push_back(e.find("type")->getString() + " " + e.find("data")->toString(0));
  return out;
}

std::vector<std::string> eventTypes(const JSON& protocol) {
  std::vector<std::string> out;
  for (const JSON& e : protocol.elements()) out.push_back(e.find("type")->getString());
  return out;
}

const std::wstring kDsisReference = L"playVideo|Following sequence is the reference one.|";
const std::wstring kDsisImpaired =
    L"playVideo|Following sequence is impaired.\n\nCompare it with reference picture that you "
    L"have seen before.\nAfter playback you will be asked to give your mark for this sequence.|";
const std::wstring kIntro =
    L"Now you will evaluate quality of two video sequences, named \"Sequence A\" and \"Sequence "
    L"B\".\n";
const std::wstring kThen = L"\"\nThen you will be asked to give your mark for each sequence.|";
const std::wstring kScacj =
    L"playVideoPair|After test, you will be asked of your opinion about left and right "
    L"sequence.|";

// ---------------------------------------------------------------- plays of the methods

TEST(MethodPlay, EachMethodMakesItsPlayWithItsRecorder) {
  struct Row {
    std::string method;
    PropertyMap extra;
    std::string recorder;  // which answer type the player finds
  };
  const Row rows[] = {
      {"DSIS", {}, "int"},
      {"DSCQS I", {}, "pair"},
      {"DSCQS II", {}, "pair"},
      {"SCACJ", {}, "int"},
      {"SAMVIQ", {}, "none"},
      {"Custom", {}, "custom"},
      {"Custom", {{"customQuestionType", makeStringValue("All to ref")}}, "custom"},
      {"Custom", {{"customQuestionType", makeStringValue("All to all")}}, "custom"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.method);
    Pass pass(makeTask(row.method, {1, 1, 1}, {0}, row.extra));
    std::string found = "none";
    if (pass.player->recorder<int>()) found = "int";
    if (pass.player->recorder<std::pair<int, int>>()) found = "pair";
    if (pass.player->recorder<MT_CUSTOM::Answer>()) found = "custom";
    EXPECT_EQ(found, row.recorder);
    EXPECT_EQ(pass.play->planner, pass.play->context.loadedTask.task.method()->planner(
                                      pass.play->context.loadedTask.task));
    EXPECT_EQ(pass.play->context.player, pass.player.get());
    EXPECT_EQ(pass.play->context.expert, L"Ann");
  }
}

// ---------------------------------------------------------------- DSIS

TEST(MethodPass, DsisShowsReferenceThenImpairedAndRecordsTheMark) {
  Pass pass(makeTask("DSIS", {1, 1, 1}, {0}));
  EXPECT_EQ(pass.run(), 2);
  const std::vector<std::wstring> want{
      kDsisReference + L"/v/f0", kDsisImpaired + L"/v/f1", L"voteDSIS|0",
      kDsisReference + L"/v/f0", kDsisImpaired + L"/v/f2", L"voteDSIS|1"};
  EXPECT_EQ(pass.player->calls, want);
  const std::map<SingleAnswerKey, float> results{{{L"Ann", L"1", L"f1"}, 0.25f},
                                                 {{L"Ann", L"1", L"f2"}, 0.5f}};
  EXPECT_EQ(pass.play->context.results.singles, results);
  EXPECT_EQ(eventTypes(pass.play->protocol),
            (std::vector<std::string>{"begin", "answer", "answer"}));
}

TEST(MethodPass, DsisAsksAgainUntilMarkedAndStopsWithoutAVote) {
  Pass pass(makeTask("DSIS", {1, 1}, {0}));
  int votes = 0;
  pass.player->markDSIS = [&](const std::vector<std::wstring>&) -> std::optional<int> {
    return ++votes < 3 ? std::nullopt : std::optional<int>(4);
  };
  const std::vector<std::wstring> calls = pass.question();
  const std::vector<std::wstring> once{kDsisReference + L"/v/f0", kDsisImpaired + L"/v/f1",
                                       L"voteDSIS|0"};
  ASSERT_EQ(calls.size(), 9u);
  for (size_t i = 0; i < 9; ++i) EXPECT_EQ(calls[i], once[i % 3]) << i;
  EXPECT_EQ(pass.play->answeredCount(), 1);

  // An interrupted reference: nothing more is shown or asked, and the question stays.
  Pass stopped(makeTask("DSIS", {1, 1}, {0}));
  stopped.player->playbacks = {false};
  EXPECT_EQ(stopped.question(), std::vector<std::wstring>{kDsisReference + L"/v/f0"});
  EXPECT_EQ(stopped.play->answeredCount(), 0);
  EXPECT_EQ(stopped.question().size(), 3u);  // asked again, under a new number
  EXPECT_EQ(stopped.player->calls.back(), L"voteDSIS|1");
}

// ---------------------------------------------------------------- DSCQS

TEST(MethodPass, DscqsIWatchesTheOtherSequenceAndReplaysOnRequest) {
  Pass pass(makeTask("DSCQS I", {1, 1}, {0}));
  pass.player->chosen = {'B'};
  int votes = 0;
  pass.player->markDSCQS = [&](const std::wstring& a, const std::wstring& b,
                               char& again) -> std::optional<std::pair<int, int>> {
    if (++votes == 1) {
      again = 'A';
      return std::nullopt;
    }
    return std::make_pair(dscqsMark(a), dscqsMark(b));
  };
  const std::vector<std::wstring> calls = pass.question();
  ASSERT_EQ(calls.size(), 5u);
  // The side draw decides which file is A.
  const std::wstring prefix =
      L"playChosenSequence|" + kIntro + L"Choose sequence you want to watch first.|";
  ASSERT_EQ(calls[0].substr(0, prefix.size()), prefix);
  const std::wstring paths = calls[0].substr(prefix.size());
  const bool referenceIsA = paths == L"/v/f0|/v/f1";
  ASSERT_TRUE(referenceIsA || paths == L"/v/f1|/v/f0") << paths;
  const std::wstring a = referenceIsA ? L"/v/f0" : L"/v/f1";
  const std::vector<std::wstring> rest{
      L"playVideo|Please watch other sequence: \"Sequence A" + kThen + a, L"voteDSCQS|true|0",
      L"playVideo|Please watch sequence: \"Sequence A" + kThen + a, L"voteDSCQS|true|0"};
  EXPECT_EQ(std::vector<std::wstring>(calls.begin() + 1, calls.end()), rest);
  // Test f1 against reference f0, whichever side each was on.
  const float value = (dscqsMark(L"/v/f1") - dscqsMark(L"/v/f0") + 100) / 200.0f;
  EXPECT_EQ(pass.play->context.results.singles,
            (std::map<SingleAnswerKey, float>{{{L"Ann", L"1", L"f1"}, value}}));
}

TEST(MethodPass, DscqsIIPlaysThePairTheRepeatedNumberOfTimes) {
  struct Row {
    long long repetitions;
    std::vector<std::wstring> texts;
  };
  const Row rows[] = {
      {1,
       {kIntro + L"You will watch them and then you will be asked to give your mark for each "
                 L"sequence."}},
      {3,
       {kIntro + L"You will watch them 3 times and then you will be asked to give your mark for "
                 L"each sequence.",
        kIntro + L"You will be asked to give your mark for each sequence after 2 remaining "
                 L"time(s).",
        kIntro + L"You will be asked to give your mark for each sequence after 1 remaining "
                 L"time(s)."}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.repetitions);
    Pass pass(makeTask("DSCQS II", {1, 1}, {0}, {{"repetitions", Any::of(row.repetitions)}}));
    int votes = 0;
    pass.player->markDSCQS = [&](const std::wstring& a, const std::wstring& b,
                                 char& again) -> std::optional<std::pair<int, int>> {
      if (++votes == 1) {
        again = 'B';  // all repetitions again
        return std::nullopt;
      }
      return std::make_pair(dscqsMark(a), dscqsMark(b));
    };
    const std::vector<std::wstring> calls = pass.question();
    const std::wstring sides = pass.player->sequenceA + L"|" + pass.player->sequenceB;
    std::vector<std::wstring> want;
    for (int round = 0; round < 2; ++round) {
      for (const std::wstring& text : row.texts)
        want.push_back(L"playVideoPair|" + text + L"|" + sides);
      want.push_back(L"voteDSCQS|false|0");
    }
    EXPECT_EQ(calls, want);
    EXPECT_EQ(pass.play->answeredCount(), 1);
  }
}

// Over many questions the reference is A about half the time.
TEST(MethodPass, DscqsSidesAreDrawnHalfAndHalf) {
  int referenceFirst = 0, questions = 0;
  for (int round = 0; round < 10; ++round) {
    Pass more(makeTask("DSCQS II", {1, 1, 1, 1, 1}, {0}, {{"cycles", Any::of(10LL)}}), round);
    more.run();
    for (const std::wstring& call : more.player->calls) {
      if (call.rfind(L"playVideoPair|", 0) != 0) continue;
      ++questions;
      if (call.find(L"|/v/f0|") != std::wstring::npos) ++referenceFirst;
    }
    // Results do not depend on the sides.
    for (const auto& [key, value] : more.play->context.results.singles) {
      const std::wstring path = L"/v/" + key.file;
      EXPECT_EQ(value, (dscqsMark(path) - dscqsMark(L"/v/f0") + 100) / 200.0f);
    }
  }
  ASSERT_EQ(questions, 400);
  // 400 fair draws: 200 with a standard deviation of 10.
  EXPECT_NEAR(referenceFirst, 200, 50);
}

// ---------------------------------------------------------------- SCACJ

TEST(MethodPass, ScacjAsksTheScaleOfTheTask) {
  struct Row {
    const char* scale;
    std::wstring vote;
    float (*value)(int);
  };
  const Row rows[] = {
      {"-3..3 scale", L"voteSCACJ|", [](int m) { return static_cast<float>(m / 3.0); }},
      {"binary scale", L"voteSCACJbinary|", [](int m) { return static_cast<float>(m); }},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.scale);
    Pass pass(makeTask("SCACJ", {1, 1, 1}, {}, {{"scacjScale", makeStringValue(row.scale)}}));
    pass.player->markSCACJ = [&](const std::vector<std::wstring>& shown) -> std::optional<int> {
      const int m = scacjMark(shown[0], shown[1]);
      return std::strcmp(row.scale, "binary scale") == 0 ? std::clamp(m, -1, 1) : m;
    };
    EXPECT_EQ(pass.run(), 3);
    ASSERT_EQ(pass.player->calls.size(), 6u);
    std::set<std::set<std::wstring>> pairs;
    for (int q = 0; q < 3; ++q) {
      const std::wstring& show = pass.player->calls[2 * q];
      ASSERT_EQ(show.substr(0, kScacj.size()), kScacj);
      const std::wstring paths = show.substr(kScacj.size());
      pairs.insert({paths.substr(0, 6), paths.substr(7)});
      EXPECT_EQ(pass.player->calls[2 * q + 1], row.vote + std::to_wstring(q));
    }
    EXPECT_EQ(pairs.size(), 3u);
    ASSERT_EQ(pass.play->context.results.pairs.size(), 3u);
    for (const auto& [key, value] : pass.play->context.results.pairs) {
      int m = scacjMark(L"/v/" + key.file1, L"/v/" + key.file2);
      if (std::strcmp(row.scale, "binary scale") == 0) m = std::clamp(m, -1, 1);
      EXPECT_EQ(value, row.value(m)) << key.file1 << " " << key.file2;
    }
  }
}

// ---------------------------------------------------------------- Custom

const char kTwoQuestions[] = "[[look]] How does it look?\n1 bad\n5 good\n\nAnything else?\n";

TEST(MethodPass, CustomQuestionsOfEveryType) {
  const PropertyMap texts{{"customQuestion", makeStringValue(kTwoQuestions)},
                          {"customQuestionInstructions", makeStringValue("first")},
                          {"customQuestionInstructions2", makeStringValue("second")}};
  struct Row {
    const char* type;
    const char* display;
    std::vector<std::wstring> calls;  // of the question about f1 (with reference f0)
  };
  const Row rows[] = {
      {"One video", "Simultaneously", {L"playVideo|first|/v/f1", L"voteCustom|2|0"}},
      {"All to ref", "Simultaneously", {L"playVideoPair|first|/v/f0|/v/f1", L"voteCustom|2|0"}},
      {"All to ref",
       "Subsequent",
       {L"playVideo|first|/v/f0", L"playVideo|second|/v/f1", L"voteCustom|2|0"}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(std::string(row.type) + " " + row.display);
    PropertyMap extra = texts;
    extra["customQuestionType"] = makeStringValue(row.type);
    extra["customQuestionPairDisplay"] = makeStringValue(row.display);
    Task task = makeTask("Custom", {1, 1}, {0}, extra);
    if (std::string(row.type) == "One video") task.files[0].group = 0;
    Pass pass(task);
    pass.player->markCustom = [](const std::vector<std::wstring>&,
                                 int q) -> std::optional<CustomAnswer> {
      return q == 0 ? CustomAnswer{1, ""} : CustomAnswer{0, "fine"};
    };
    EXPECT_EQ(pass.run(), 1);
    EXPECT_EQ(pass.player->calls, row.calls);
    EXPECT_EQ(pass.play->context.results.singles,
              (std::map<SingleAnswerKey, float>{{{L"Ann", L"1", L"f1"}, 1.0f}}));
    EXPECT_EQ(eventTypes(pass.play->protocol),
              (std::vector<std::string>{"begin", "answer", "answer"}));
  }
}

TEST(MethodPass, CustomPairsDrawTheirSides) {
  for (const char* display : {"Simultaneously", "Subsequent"}) {
    SCOPED_TRACE(display);
    Pass pass(makeTask("Custom", {1, 1}, {},
                       {{"customQuestion", makeStringValue(kTwoQuestions)},
                        {"customQuestionType", makeStringValue("All to all")},
                        {"customQuestionPairDisplay", makeStringValue(display)},
                        {"customQuestionInstructions", makeStringValue("first")},
                        {"customQuestionInstructions2", makeStringValue("second")}}));
    pass.player->markCustom = [](const std::vector<std::wstring>& shown,
                                 int q) -> std::optional<CustomAnswer> {
      // The better variant when the later file shown is f1.
      return q == 0 ? CustomAnswer{shown.back() == L"/v/f1" ? 1 : 0, ""} : CustomAnswer{0, ""};
    };
    EXPECT_EQ(pass.run(), 1);
    if (std::string(display) == "Simultaneously") {
      ASSERT_EQ(pass.player->calls.size(), 2u);
      EXPECT_TRUE(pass.player->calls[0] == L"playVideoPair|first|/v/f0|/v/f1" ||
                  pass.player->calls[0] == L"playVideoPair|first|/v/f1|/v/f0");
    } else {
      ASSERT_EQ(pass.player->calls.size(), 3u);
      EXPECT_EQ(pass.player->calls[0].substr(0, 16), L"playVideo|first|");
      EXPECT_EQ(pass.player->calls[1].substr(0, 17), L"playVideo|second|");
    }
    // Pair values run from -1 to 1 in shown order: f1 later is +1, f1 first is -1.
    EXPECT_EQ(normalPairs(pass.play->context.results),
              (std::map<PairAnswerKey, float>{{{L"Ann", L"1", L"f0", L"f1"}, 1.0f}}));
  }
}

// A vote without a mark shows the whole question again under the same number.
TEST(MethodPass, QuestionWithoutMarkIsShownAgain) {
  struct Row {
    std::string method;
    PropertyMap extra;
    size_t callsPerShowing;
  };
  const PropertyMap custom{{"customQuestion", makeStringValue("Q\n1 a\n2 b")}};
  PropertyMap subsequent = custom;
  subsequent["customQuestionType"] = makeStringValue("All to all");
  subsequent["customQuestionPairDisplay"] = makeStringValue("Subsequent");
  const Row rows[] = {
      {"DSIS", {}, 3},
      {"SCACJ", {}, 2},
      {"SCACJ", {{"scacjScale", makeStringValue("binary scale")}}, 2},
      {"Custom", custom, 2},
      {"Custom", subsequent, 3},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.method);
    Pass pass(makeTask(row.method, {1, 1}, {0}, row.extra));
    int votes = 0;
    pass.player->markDSIS =
        pass.player->markSCACJ = [&](const std::vector<std::wstring>&) -> std::optional<int> {
      return ++votes < 3 ? std::nullopt : std::optional<int>(1);
    };
    pass.player->markCustom = [&](const std::vector<std::wstring>&,
                                  int) -> std::optional<CustomAnswer> {
      return ++votes < 3 ? std::nullopt : std::optional<CustomAnswer>(CustomAnswer{0, ""});
    };
    const std::vector<std::wstring> calls = pass.question();
    ASSERT_EQ(calls.size(), 3 * row.callsPerShowing);
    for (size_t i = row.callsPerShowing; i < calls.size(); ++i)
      EXPECT_EQ(calls[i], calls[i % row.callsPerShowing]) << i;
    EXPECT_EQ(pass.play->answeredCount(), 1);
    EXPECT_EQ(eventTypes(pass.play->protocol), (std::vector<std::string>{"begin", "answer"}));
  }
}

// ---------------------------------------------------------------- stops

// A stop asked when the vote comes ends the pass: the vote asks nothing and records nothing, and
// the question stays unanswered for a resumed pass.
TEST(MethodPass, StopBeforeTheVoteRecordsNothing) {
  struct Row {
    std::string method;
    PropertyMap extra;
  };
  const Row rows[] = {
      {"DSIS", {}},
      {"DSCQS I", {}},
      {"DSCQS II", {}},
      {"SCACJ", {}},
      {"SCACJ", {{"scacjScale", makeStringValue("binary scale")}}},
      {"Custom", {{"customQuestion", makeStringValue(kTwoQuestions)}}},
      {"Custom",
       {{"customQuestion", makeStringValue(kTwoQuestions)},
        {"customQuestionType", makeStringValue("All to all")}}},
      {"SAMVIQ", {}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.method);
    Pass pass(makeTask(row.method, {1, 1, 1}, {0}, row.extra));
    pass.player->onCall = [](ScriptedPlayer& p) {
      if (p.calls.back().rfind(L"vote", 0) == 0) p.stop = true;
    };
    pass.run();
    EXPECT_TRUE(pass.player->stop);
    EXPECT_EQ(pass.play->answeredCount(), 0);
    EXPECT_TRUE(pass.play->context.results.singles.empty());
    EXPECT_TRUE(pass.play->context.results.pairs.empty());
    EXPECT_EQ(eventTypes(pass.play->protocol), std::vector<std::string>{"begin"});
    EXPECT_EQ(pass.player->calls.back().rfind(L"vote", 0), 0u);
  }
}

// A stop asked while the observer votes (a dialog closed after its mark) keeps the mark but
// ends the question unanswered.
TEST(MethodPass, StopDuringTheVoteKeepsTheMarkAndEndsThePass) {
  Pass pass(makeTask("DSIS", {1, 1, 1}, {0}));
  pass.player->markDSIS = [&](const std::vector<std::wstring>&) -> std::optional<int> {
    pass.player->stop = true;
    return 5;
  };
  EXPECT_EQ(pass.run(), 1);
  EXPECT_EQ(pass.play->answeredCount(), 0);
  EXPECT_EQ(pass.play->context.results.singles,
            (std::map<SingleAnswerKey, float>{{{L"Ann", L"1", L"f1"}, 1.0f}}));
  EXPECT_EQ(eventTypes(pass.play->protocol), (std::vector<std::string>{"begin", "answer"}));
}

// ---------------------------------------------------------------- resumed passes

struct Saved {
  std::string state;
  std::string results;
};

// Runs the pass as a player does, saving the state and the results before each question, and
// stops after `questions` questions.
Saved runAndStop(Pass& pass, int questions) {
  Saved saved;
  int asked = 0;
  while (!pass.play->isFinished() && !pass.player->isStopRequested()) {
    JSON state;
    pass.play->saveState(state);
    saved = {state.toString(0), pass.play->context.results.toJson().toString(0)};
    if (asked == questions) break;
    pass.play->nextQuestion();
    ++asked;
  }
  return saved;
}

// What each vote was about: the files shown since the vote before, as a sorted set.
std::vector<std::set<std::wstring>> questionsAsked(const ScriptedPlayer& player) {
  std::vector<std::set<std::wstring>> out;
  std::set<std::wstring> files;
  for (const std::wstring& call : player.calls) {
    if (call.rfind(L"vote", 0) == 0) {
      out.push_back(files);
      files.clear();
      continue;
    }
    for (size_t at = call.find(L"/v/f"); at != std::wstring::npos; at = call.find(L"/v/f", at + 1))
      files.insert(call.substr(at, call.find(L'|', at) - at));
  }
  return out;
}

// The calls with the question numbers of the votes left out.
std::vector<std::wstring> withoutQuestionNumbers(const std::vector<std::wstring>& calls) {
  std::vector<std::wstring> out;
  for (const std::wstring& call : calls)
    out.push_back(call.rfind(L"vote", 0) == 0 ? call.substr(0, call.rfind(L'|')) : call);
  return out;
}

TEST(MethodPass, PassSavedHalfwayFinishesAsAnUninterruptedOne) {
  struct Row {
    std::string method;
    PropertyMap extra;
  };
  const std::string questions = kTwoQuestions;
  const Row rows[] = {
      {"DSIS", {{"cycles", Any::of(2LL)}}},
      {"DSCQS I", {}},
      {"DSCQS II", {{"repetitions", Any::of(2LL)}}},
      {"SCACJ", {}},
      {"SCACJ", {{"scacjScale", makeStringValue("binary scale")}}},
      {"SAMVIQ", {}},
      {"Custom", {{"customQuestion", makeStringValue(questions)}}},
      {"Custom",
       {{"customQuestion", makeStringValue(questions)},
        {"customQuestionType", makeStringValue("All to ref")},
        {"customQuestionPairDisplay", makeStringValue("Subsequent")}}},
      {"Custom",
       {{"customQuestion", makeStringValue(questions)},
        {"customQuestionType", makeStringValue("All to all")}}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.method);
    const Task task = makeTask(row.method, {1, 1, 1, 1, 2, 2, 2}, {0, 4}, row.extra);
    Pass whole(task);
    whole.run();
    ASSERT_TRUE(whole.play->isFinished());
    const std::vector<std::set<std::wstring>> all = questionsAsked(*whole.player);
    ASSERT_GE(all.size(), 4u);

    const int half = static_cast<int>(all.size() / 2);
    Pass first(task);
    const Saved saved = runAndStop(first, half);
    const std::vector<std::set<std::wstring>> before = questionsAsked(*first.player);

    Pass resumed(task);
    ASSERT_TRUE(resumed.play->loadState(parseText(saved.state)));
    ASSERT_TRUE(resumed.play->context.results.fromJson(parseText(saved.results)));
    // With the random source the first part ended with, the rest is drawn as in the whole pass.
    resumed.play->random = first.play->random;
    resumed.run();
    ASSERT_TRUE(resumed.play->isFinished());
    std::vector<std::set<std::wstring>> joined = before;
    for (const auto& q : questionsAsked(*resumed.player)) joined.push_back(q);

    // Same questions: in the same order where nothing is shuffled, as the same collection
    // where pairs are.
    const QuestionPlanner* planner = task.method()->planner(task);
    if (dynamic_cast<const QuestionPlannerAllToAll*>(planner) ||
        dynamic_cast<const SamviqQuestionPlanner*>(planner)) {
      const std::multiset<std::set<std::wstring>> a(all.begin(), all.end());
      const std::multiset<std::set<std::wstring>> b(joined.begin(), joined.end());
      EXPECT_EQ(a, b);
    } else {
      EXPECT_EQ(joined, all);
    }
    // Same results.
    EXPECT_EQ(resumed.play->context.results.singles, whole.play->context.results.singles);
    EXPECT_EQ(normalPairs(resumed.play->context.results), normalPairs(whole.play->context.results));
    EXPECT_EQ(eventTypes(resumed.play->protocol).size(), eventTypes(whole.play->protocol).size());
    // Exactly the same pass: questions in order, sides, results and protocol. (A resumed play
    // numbers its questions from 0 again.)
    EXPECT_EQ(joined, all);
    std::vector<std::wstring> calls = withoutQuestionNumbers(first.player->calls);
    for (const std::wstring& call : withoutQuestionNumbers(resumed.player->calls))
      calls.push_back(call);
    EXPECT_EQ(calls, withoutQuestionNumbers(whole.player->calls));
    EXPECT_EQ(resumed.play->context.results.pairs, whole.play->context.results.pairs);
    EXPECT_EQ(events(resumed.play->protocol), events(whole.play->protocol));
  }
}

// One seed, one pass: whatever a method leaves to chance (block orders, training draws, sides,
// SAMVIQ group orders) comes out the same; passes left to the system's source differ.
TEST(MethodPass, SeededPassesRepeatAndUnseededOnesDiffer) {
  const PropertyMap custom{{"customQuestion", makeStringValue(kTwoQuestions)},
                           {"customQuestionType", makeStringValue("All to all")}};
  const PropertyMap chance{{"cycles", Any::of(3LL)},
                           {"trainingQuestions", Any::of(2LL)},
                           {"shuffleSources", Any::of(true)}};
  for (const char* method : {"DSIS", "DSCQS I", "DSCQS II", "SCACJ", "SAMVIQ", "Custom"}) {
    SCOPED_TRACE(method);
    PropertyMap extra = std::string(method) == "Custom" ? custom : chance;
    extra["shuffleSources"] = Any::of(true);
    const Task task = makeTask(method, {1, 1, 1, 1, 1, 2, 2, 2}, {0, 5}, extra);
    Pass a(task, 99), b(task, 99);
    a.run();
    b.run();
    EXPECT_EQ(a.player->calls, b.player->calls);
    EXPECT_EQ(events(a.play->protocol), events(b.play->protocol));
    EXPECT_EQ(a.play->context.results.singles, b.play->context.results.singles);
    EXPECT_EQ(a.play->context.results.pairs, b.play->context.results.pairs);

    std::set<std::vector<std::wstring>> unseeded;
    for (int i = 0; i < 4; ++i) {
      Pass free(task, std::nullopt);
      free.run();
      unseeded.insert(free.player->calls);
    }
    EXPECT_GT(unseeded.size(), 1u);
  }
}

}  // namespace
