#include "task/method_samviq.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

#include "support/json_text.h"
#include "support/scripted_player.h"
#include "task/task.h"
#include "task/vixo_method.h"

namespace {

using Brindle::JSON;
using vixo_test::parseText;

const std::wstring kReferenceText =
    L"Now you are watching the reference video.\n\nIts quality is not evaluated.";

std::wstring impairedText(const std::wstring& letter) {
  return L"Now you are watching impaired video " + letter +
         L".\n\nAfter playback you will be asked to give your opinion on it.";
}

// A SAMVIQ task with one file per entry of `groups`: ids "f0", "f1", ..., paths "/v/f0", ...
Task makeTask(const std::vector<int>& groups, std::set<int> references) {
  Task task;
  task.name = L"t";
  for (int g : groups) {
    const std::wstring name = L"f" + std::to_wstring(task.files.size());
    task.files.push_back({name, L"/v/" + name, g});
  }
  task.references = std::move(references);
  task.properties["method"] = makeStringValue("SAMVIQ");
  return task;
}

// What the observer does in one vote: changes marks, then returns where to go.
using Turn = std::function<int(const std::vector<int>& order, std::map<int, int>& marks)>;

Turn go(int position, std::map<int, int> set = {}) {
  return [=](const std::vector<int>&, std::map<int, int>& marks) {
    for (const auto& [file, mark] : set) marks[file] = mark;
    return position;
  };
}

// Goes to the lettered sequence that shows the file.
Turn goToFile(int file, std::map<int, int> set = {}) {
  return [=](const std::vector<int>& order, std::map<int, int>& marks) {
    for (const auto& [f, mark] : set) marks[f] = mark;
    const auto it = std::find(order.begin(), order.end(), file);
    if (it == order.end()) {
      ADD_FAILURE() << "file " << file << " is not in the order";
      return -2;
    }
    return static_cast<int>(it - order.begin());
  };
}

Turn leave(std::map<int, int> set = {}) { return go(-2, std::move(set)); }

std::wstring orderText(const std::vector<int>& order) {
  std::wstring text;
  for (size_t i = 0; i < order.size(); ++i) text += (i ? L"," : L"") + std::to_wstring(order[i]);
  return text;
}

// The member's value; a missing one fails the test and reads as null.
const JSON& member(const JSON& object, const char* key) {
  static const JSON missing;
  const JSON* value = object.find(key);
  if (!value) ADD_FAILURE() << "no member " << key;
  return value ? *value : missing;
}

// A play made by the method for the task, with a scripted player and observer.
struct Pass {
  explicit Pass(const Task& task) {
    const PlayContext context(LoadedTask(task, L""), &player, L"Ann", "", 0, false, true);
    play = std::dynamic_pointer_cast<MT_SAMVIQ::Play>(task.method()->createPlay(context));
    if (!play) throw std::runtime_error("the method made no SAMVIQ play");
    player.play = play.get();
    player.markSAMVIQ = [this](const std::vector<int>& order, std::map<int, int>& marks, int,
                               bool) {
      orders.push_back(order);
      if (turns.empty()) return -2;
      const Turn t = std::move(turns.front());
      turns.pop_front();
      return t(order, marks);
    };
  }
  Pass(const Pass&) = delete;

  // Runs one call of the play with the observer doing `t` when asked.
  void turn(Turn t) {
    turns.push_back(std::move(t));
    play->nextQuestion();
  }
  const Task& task() const { return play->context.loadedTask.task; }
  const std::wstring& path(int file) const { return task().files[file].path; }
  std::string state() const {
    JSON s;
    play->saveState(s);
    return s.toString();
  }
  // The data of the newest protocol event, which must be an answer.
  const JSON& lastData() const {
    const JSON& event = play->protocol.at(play->protocol.size() - 1);
    EXPECT_EQ(member(event, "type").toString(), "\"answer\"");
    return member(event, "data");
  }
  float result(const std::wstring& file) const {
    return play->context.results.singles.at({L"Ann", L"0", file});
  }

  vixo_test::ScriptedPlayer player;
  std::deque<Turn> turns;
  // The order handed to each vote.
  std::vector<std::vector<int>> orders;
  std::shared_ptr<MT_SAMVIQ::Play> play;
};

// Compares through the writer, so that member order counts and failures are readable.
std::string canonical(const std::string& text) { return parseText(text).toString(); }

// ---------------------------------------------------------------- groups and turns

// Groups 1 and 3 (none numbered 2), an excluded file between them.
TEST(SamviqPlay, VisitsEachGroupInNumberOrderStartingWithItsReference) {
  Pass pass(makeTask({1, 1, 0, 3, 3, 3}, {0, 5}));

  pass.turn(leave());
  ASSERT_EQ(pass.player.calls.size(), 2u);
  EXPECT_EQ(pass.player.calls[0], L"playVideo|" + kReferenceText + L"|/v/f0");
  EXPECT_EQ(pass.player.calls[1], L"voteSAMVIQ|" + orderText(pass.orders[0]) + L"|-1|more");
  EXPECT_EQ(std::set<int>(pass.orders[0].begin(), pass.orders[0].end()), (std::set<int>{0, 1}));
  EXPECT_EQ(pass.play->groupId, 1);
  EXPECT_EQ(canonical(pass.lastData().toString()),
            canonical(R"({"explicit-ref": true, "new-answers": {}, "expert": "Ann",
                          "inputs": ["f0"], "is-training": false, "reference": "f0"})"));
  EXPECT_TRUE(pass.play->videoOrder.empty());
  EXPECT_EQ(pass.play->nextVideo, -1);
  EXPECT_FALSE(pass.play->isFinished());

  pass.turn(leave());
  EXPECT_EQ(pass.play->groupId, 3);
  ASSERT_EQ(pass.player.calls.size(), 4u);
  EXPECT_EQ(pass.player.calls[2], L"playVideo|" + kReferenceText + L"|/v/f5");
  EXPECT_EQ(pass.player.calls[3], L"voteSAMVIQ|" + orderText(pass.orders[1]) + L"|-1|last");
  EXPECT_EQ(std::set<int>(pass.orders[1].begin(), pass.orders[1].end()), (std::set<int>{3, 4, 5}));
  EXPECT_TRUE(member(pass.lastData(), "explicit-ref").getBool());
  EXPECT_EQ(member(pass.lastData(), "reference").getString(), "f5");
  // Leaving the last group ends the pass on that very call.
  EXPECT_TRUE(pass.play->isFinished());
  EXPECT_EQ(pass.play->protocol.size(), 3);  // "begin" and two turns
}

// The reference of a group of four is also one of the lettered sequences "A" to "D".
TEST(SamviqPlay, LetteredSequencesIncludeTheHiddenReference) {
  Pass pass(makeTask({1, 1, 1, 1}, {0}));
  pass.turn(go(0));
  const std::vector<int> order = pass.play->videoOrder;
  ASSERT_EQ(std::set<int>(order.begin(), order.end()), (std::set<int>{0, 1, 2, 3}));

  const std::vector<std::wstring> letters{L"A", L"B", L"C", L"D"};
  for (int position = 0; position < 4; ++position) {
    pass.turn(position < 3 ? go(position + 1) : leave());
    const size_t n = pass.player.calls.size();
    EXPECT_EQ(pass.player.calls[n - 2],
              L"playVideo|" + impairedText(letters[position]) + L"|" + pass.path(order[position]));
    EXPECT_EQ(pass.player.calls[n - 1],
              L"voteSAMVIQ|" + orderText(order) + L"|" + std::to_wstring(position) + L"|last");
    const JSON& data = pass.lastData();
    EXPECT_FALSE(member(data, "explicit-ref").getBool());
    EXPECT_EQ(member(data, "inputs").toString(), "[\"f" + std::to_string(order[position]) + "\"]");
    EXPECT_EQ(member(data, "reference").getString(), "f0");
  }
  EXPECT_TRUE(pass.play->isFinished());
}

TEST(SamviqPlay, InterruptedPlaybackChangesNothing) {
  Pass pass(makeTask({1, 1, 1}, {0}));
  pass.turn(goToFile(2, {{1, 55}}));
  const std::string before = pass.state();
  const auto results = pass.play->context.results.singles;
  const size_t calls = pass.player.calls.size();

  pass.player.playbacks.push_back(false);
  pass.turn(leave({{1, 10}}));
  ASSERT_EQ(pass.player.calls.size(), calls + 1);  // the playback, no vote
  const std::wstring letter(1, static_cast<wchar_t>(L'A' + pass.play->nextVideo));
  EXPECT_EQ(pass.player.calls.back(), L"playVideo|" + impairedText(letter) + L"|/v/f2");
  EXPECT_EQ(pass.state(), before);
  EXPECT_EQ(pass.play->context.results.singles, results);
  EXPECT_FALSE(pass.play->isFinished());

  // The next call shows the same sequence again; the pending turn is the observer's vote.
  pass.play->nextQuestion();
  ASSERT_EQ(pass.player.calls.size(), calls + 3);
  EXPECT_EQ(pass.player.calls[calls + 1], pass.player.calls[calls]);
  EXPECT_TRUE(pass.play->isFinished());
}

TEST(SamviqPlay, TaskWithoutGroupsInUseFinishesAtOnce) {
  for (const std::vector<int>& groups : {std::vector<int>{}, std::vector<int>{0, 0}}) {
    Pass pass(makeTask(groups, {}));
    pass.play->nextQuestion();
    EXPECT_TRUE(pass.play->isFinished()) << groups.size();
    EXPECT_TRUE(pass.player.calls.empty()) << groups.size();
    EXPECT_EQ(pass.play->protocol.size(), 1) << groups.size();
  }
}

// The order is drawn once per group: a permutation of its files, the same for every turn, and
// not a fixed sequence.
TEST(SamviqPlay, GroupOrderIsAShuffledPermutationKeptForTheGroup) {
  const std::vector<int> group{1, 2, 3, 5, 6};  // file 4 is in another group
  std::set<std::vector<int>> orders;
  std::set<int> firstFiles;
  for (int run = 0; run < 200; ++run) {
    Pass pass(makeTask({2, 1, 1, 1, 2, 1, 1}, {0, 3}));
    pass.turn(go(4));
    const std::vector<int> order = pass.play->videoOrder;
    std::vector<int> sorted = order;
    std::sort(sorted.begin(), sorted.end());
    ASSERT_EQ(sorted, group);
    pass.turn(go(0));
    ASSERT_EQ(pass.play->videoOrder, order);
    EXPECT_EQ(pass.player.calls[2],
              L"playVideo|" + impairedText(L"E") + L"|" + pass.path(order[4]));
    orders.insert(order);
    firstFiles.insert(order[0]);
  }
  EXPECT_GT(orders.size(), 1u);
  // Each of the five files leads in a fifth of the runs; one never leading is a biased shuffle.
  EXPECT_EQ(firstFiles, std::set<int>(group.begin(), group.end()));
}

// ---------------------------------------------------------------- marks

TEST(SamviqPlay, MarksGoToEventsWhenNewOrChangedAndToResultsEveryTurn) {
  Pass pass(makeTask({1, 1, 1}, {0}));

  pass.turn(goToFile(1, {{1, 70}, {2, 0}}));
  EXPECT_EQ(canonical(member(pass.lastData(), "new-answers").toString()),
            canonical(R"({"f1": 70, "f2": 0})"));
  EXPECT_FLOAT_EQ(pass.result(L"f1"), 0.7f);
  EXPECT_EQ(pass.result(L"f2"), 0.0f);

  pass.turn(goToFile(2, {{1, 40}}));
  EXPECT_EQ(canonical(pass.lastData().toString()),
            canonical(R"({"explicit-ref": false, "new-answers": {"f1": 40}, "expert": "Ann",
                          "inputs": ["f1"], "is-training": false, "reference": "f0"})"));
  EXPECT_EQ(pass.result(L"f1"), 0.4f);

  // Nothing changed: no new answers, but every mark is written to the results again.
  pass.play->context.results.singles.clear();
  pass.turn(leave());
  EXPECT_EQ(member(pass.lastData(), "new-answers").size(), 0);
  EXPECT_EQ(pass.play->context.results.singles.size(), 2u);
  EXPECT_EQ(pass.result(L"f1"), 0.4f);
  EXPECT_EQ(pass.result(L"f2"), 0.0f);
}

TEST(SamviqPlay, ProgressCountsTheCurrentGroupsMarksOnly) {
  Pass pass(makeTask({1, 1, 2, 2}, {0, 2}));
  EXPECT_EQ(pass.play->progress(), 0.0f);
  pass.turn(leave({{0, 50}, {1, 60}}));
  EXPECT_EQ(pass.play->answeredCount(), 2);
  EXPECT_EQ(pass.play->progress(), 0.5f);
  pass.turn(goToFile(3, {{3, 10}}));
  EXPECT_EQ(pass.play->groupId, 2);
  EXPECT_EQ(pass.play->marks, (std::map<int, int>{{3, 10}}));
  EXPECT_EQ(pass.play->progress(), 0.25f);
  // The results keep the marks of the group left.
  EXPECT_EQ(pass.result(L"f1"), 0.6f);
}

// ---------------------------------------------------------------- saved state

TEST(SamviqPlay, FreshStateDocument) {
  Pass pass(makeTask({1, 1}, {0}));
  const std::string begin = pass.play->protocol.toString();
  EXPECT_EQ(pass.state(), canonical(R"({"results": [], "protocol": )" + begin +
                                    R"(, "videoOrder": [], "groupId": 0, "nextVideo": -1})"));
}

// Saved in the middle of group 1 (moving on to a lettered sequence or back to the reference),
// loaded into a new play: it continues where the first one stopped.
TEST(SamviqPlay, SaveAndLoadContinuesTheGroup) {
  const Task task = makeTask({1, 1, 1, 1, 2, 2}, {0, 4});
  for (const int next : {2, -1}) {
    SCOPED_TRACE(next);
    Pass first(task);
    first.turn(go(0, {{3, 20}}));
    first.turn(go(next, {{1, 70}}));
    const std::string text = first.state();
    const JSON saved = parseText(text);
    std::vector<std::string> keys;
    for (const auto& m : saved.members()) keys.push_back(m.key);
    EXPECT_EQ(keys, (std::vector<std::string>{"results", "protocol", "videoOrder", "groupId",
                                              "nextVideo"}));
    EXPECT_EQ(member(saved, "results").toString(), canonical("[[1, 70], [3, 20]]"));

    Pass second(task);
    ASSERT_TRUE(second.play->loadState(parseText(text)));
    EXPECT_EQ(second.play->marks, first.play->marks);
    EXPECT_EQ(second.play->videoOrder, first.play->videoOrder);
    EXPECT_EQ(second.play->groupId, 1);
    EXPECT_EQ(second.play->nextVideo, next);
    EXPECT_EQ(second.play->protocol, first.play->protocol);
    EXPECT_EQ(second.play->answeredCount(), 2);
    EXPECT_FALSE(second.play->isFinished());
    EXPECT_EQ(second.state(), text);

    second.turn(leave());
    const std::vector<int>& order = first.play->videoOrder;
    ASSERT_EQ(second.player.calls.size(), 2u);
    EXPECT_EQ(second.player.calls[0], L"playVideo|" +
                                          (next < 0 ? kReferenceText : impairedText(L"C")) + L"|" +
                                          second.path(next < 0 ? 0 : order[next]));
    EXPECT_EQ(second.player.calls[1],
              L"voteSAMVIQ|" + orderText(order) + L"|" + std::to_wstring(next) + L"|more");
    EXPECT_EQ(member(second.lastData(), "explicit-ref").getBool(), next < 0);
    EXPECT_EQ(member(second.lastData(), "new-answers").size(), 0);
    EXPECT_EQ(second.result(L"f1"), 0.7f);
    EXPECT_EQ(second.play->protocol.size(), first.play->protocol.size() + 1);
  }
}

// The play the refused documents are loaded into: in group 1 of six files, mark {2: 30}.
struct LoadTarget : Pass {
  LoadTarget() : Pass(makeTask({1, 1, 1, 1, 2, 2}, {0, 4})) { turn(goToFile(1, {{2, 30}})); }
};

TEST(SamviqPlay, StateThatDoesNotFitTheTaskIsRefused) {
  struct Case {
    const char* what;
    const char* key;
    const char* value;
  };
  const Case cases[] = {
      {"file past the task in the order", "videoOrder", "[0, 1, 2, 6]"},
      {"negative file in the order", "videoOrder", "[0, 1, -1, 3]"},
      {"marked file past the task", "results", "[[6, 50]]"},
      {"negative marked file", "results", "[[-1, 50]]"},
      {"mark above 100", "results", "[[1, 101]]"},
      {"negative mark", "results", "[[1, -1]]"},
      {"position past the order", "nextVideo", "4"},
      {"position below the reference", "nextVideo", "-2"},
      {"group below 0", "groupId", "-1"},
      {"group of the low 32 bits -1", "groupId", "4294967295"},
      {"protocol a string", "protocol", "\"begin\""},
      {"protocol an object", "protocol", "{}"},
      {"protocol null", "protocol", "null"},
  };
  LoadTarget source;
  const JSON valid = parseText(source.state());
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    LoadTarget target;
    const std::string before = target.state();
    const std::map<int, int> marks = target.play->marks;
    JSON doc = valid;
    doc.set(c.key, parseText(c.value));
    EXPECT_FALSE(target.play->loadState(doc));
    EXPECT_EQ(target.state(), before);
    EXPECT_EQ(target.play->marks, marks);
  }
  // A position is checked against the order loaded with it.
  LoadTarget target;
  const std::string before = target.state();
  EXPECT_FALSE(target.play->loadState(parseText(R"({"videoOrder": [], "nextVideo": 0})")));
  EXPECT_EQ(target.state(), before);
}

TEST(SamviqPlay, StateAtTheLimitsOfTheTaskIsTaken) {
  LoadTarget target;
  ASSERT_TRUE(target.play->loadState(parseText(
      R"({"results": [[0, 0], [2, 90], [5, 100]], "videoOrder": [5, 4], "groupId": 2,
          "nextVideo": 1})")));
  // A file already marked keeps its mark.
  EXPECT_EQ(target.play->marks, (std::map<int, int>{{0, 0}, {2, 30}, {5, 100}}));
  EXPECT_EQ(target.play->videoOrder, (std::vector<int>{5, 4}));
  EXPECT_EQ(target.play->groupId, 2);
  EXPECT_EQ(target.play->nextVideo, 1);

  target.turn(leave());
  EXPECT_EQ(target.player.calls[2], L"playVideo|" + impairedText(L"B") + L"|/v/f4");
  EXPECT_TRUE(target.play->isFinished());
}

TEST(SamviqPlay, MembersOfTheWrongKindKeepThePlaysValues) {
  LoadTarget target;
  const std::string before = target.state();
  EXPECT_TRUE(target.play->loadState(
      parseText(R"({"results": "x", "videoOrder": {"a": 1}, "groupId": "2", "nextVideo": 1.5})")));
  EXPECT_EQ(target.state(), before);
  EXPECT_TRUE(target.play->loadState(parseText("[]")));
  EXPECT_EQ(target.state(), before);
}

// ---------------------------------------------------------------- faulty input

// The player answers with a position outside the order: the play stays on the sequence shown.
TEST(SamviqPlay, PositionOutsideTheOrderIsIgnored) {
  for (const int bad : {4, 100, -3, INT_MIN, INT_MAX}) {
    SCOPED_TRACE(bad);
    Pass pass(makeTask({1, 1, 1, 1}, {0}));
    pass.turn(go(1));
    const std::vector<int> order = pass.play->videoOrder;
    pass.turn(go(bad, {{2, 80}}));
    EXPECT_EQ(pass.play->nextVideo, 1);
    EXPECT_EQ(pass.play->marks, (std::map<int, int>{{2, 80}}));  // the vote itself counts
    pass.turn(leave());
    const std::vector<std::wstring>& calls = pass.player.calls;
    ASSERT_EQ(calls.size(), 6u);
    EXPECT_EQ(calls[4], calls[2]);
    EXPECT_EQ(calls[4], L"playVideo|" + impairedText(L"B") + L"|" + pass.path(order[1]));
    EXPECT_TRUE(pass.play->isFinished());
  }
}

// Validation keeps such groups out of a test; the play must still not show nothing.
TEST(SamviqPlay, GroupWithoutReferenceStartsAtItsFirstSequence) {
  Pass pass(makeTask({1, 1, 2, 2, 2}, {0}));
  pass.turn(leave());
  pass.turn(go(2));
  EXPECT_EQ(pass.play->groupId, 2);
  const std::vector<int> order = pass.play->videoOrder;
  ASSERT_EQ(pass.player.calls.size(), 4u);
  EXPECT_EQ(pass.player.calls[2], L"playVideo|" + impairedText(L"A") + L"|" + pass.path(order[0]));
  EXPECT_EQ(pass.player.calls[3], L"voteSAMVIQ|" + orderText(order) + L"|0|last");
  EXPECT_EQ(canonical(pass.lastData().toString()),
            canonical("{\"explicit-ref\": false, \"new-answers\": {}, \"expert\": \"Ann\", "
                      "\"inputs\": [\"f" +
                      std::to_string(order[0]) + "\"], \"is-training\": false}"));

  // The reference the group lacks cannot be asked for.
  pass.turn(go(-1));
  EXPECT_EQ(pass.play->nextVideo, 2);
  EXPECT_EQ(pass.player.calls[4], L"playVideo|" + impairedText(L"C") + L"|" + pass.path(order[2]));
  EXPECT_EQ(pass.lastData().find("reference"), nullptr);

  pass.turn(leave());
  EXPECT_TRUE(pass.play->isFinished());
}

// A player that marks files outside the group or the scale: only the group's files are kept,
// their marks held to 0..100, so the state saved next loads again.
TEST(SamviqPlay, MarksOutsideTheGroupOrTheScaleAreNotKept) {
  Pass pass(makeTask({1, 1, 2}, {0, 2}));
  pass.turn(go(0, {{1, 30}, {2, 50}, {9, 50}, {-1, 50}}));
  EXPECT_EQ(canonical(member(pass.lastData(), "new-answers").toString()),
            canonical(R"({"f1": 30})"));
  EXPECT_EQ(pass.play->marks, (std::map<int, int>{{1, 30}}));
  pass.turn(go(1, {{0, 140}, {1, -5}}));
  EXPECT_EQ(pass.play->marks, (std::map<int, int>{{0, 100}, {1, 0}}));
  EXPECT_EQ(pass.result(L"f0"), 1.0f);
  EXPECT_EQ(pass.result(L"f1"), 0.0f);
  EXPECT_EQ(pass.play->context.results.singles.size(), 2u);

  Pass resumed(makeTask({1, 1, 2}, {0, 2}));
  EXPECT_TRUE(resumed.play->loadState(parseText(pass.state())));
  EXPECT_EQ(resumed.play->marks, pass.play->marks);
}

// A stop asked while the observer votes: a turn without a new mark leaves no trace and the
// sequence comes again on resume; marks given before the stop are kept.
TEST(SamviqPlay, StopDuringTheVote) {
  Pass pass(makeTask({1, 1}, {0}));
  pass.turn(go(0));
  const std::string before = pass.state();
  const int events = pass.play->protocol.size();
  pass.turn([&](const std::vector<int>&, std::map<int, int>&) {
    pass.player.stop = true;
    return 1;
  });
  EXPECT_EQ(pass.state(), before);
  EXPECT_EQ(pass.play->protocol.size(), events);

  pass.player.stop = false;
  pass.turn([&](const std::vector<int>& order, std::map<int, int>& marks) {
    marks[order[0]] = 60;
    pass.player.stop = true;
    return 1;
  });
  EXPECT_EQ(pass.play->protocol.size(), events + 1);
  EXPECT_EQ(pass.play->nextVideo, 0);  // not moved on
  EXPECT_EQ(pass.play->marks.size(), 1u);
}

}  // namespace
