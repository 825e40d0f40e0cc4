#include "task/validation.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <limits>
#include <map>
#include <string>
#include <vector>

#include "avifile/avi_system.h"
#include "support/fake_media.h"
#include "task/question_planner.h"
#include "task/task.h"
#include "task/vixo_method.h"

namespace {

using vixo_test::FakeMedia;

struct Message {
  int level;
  std::wstring shortText;
  std::wstring text;
};

std::vector<Message> plain(const std::vector<ValidationMessage>& messages) {
  std::vector<Message> out;
  for (const ValidationMessage& m : messages) out.push_back({m.level, m.shortText, m.text});
  return out;
}

void expectMessages(const std::vector<ValidationMessage>& got, const std::vector<Message>& want) {
  const std::vector<Message> have = plain(got);
  ASSERT_EQ(have.size(), want.size()) << [&] {
    std::string all;
    for (const Message& m : have) all += "\n  " + toUtf8(m.shortText) + " | " + toUtf8(m.text);
    return all;
  }();
  for (size_t i = 0; i < want.size(); ++i) {
    SCOPED_TRACE("message " + std::to_string(i));
    EXPECT_EQ(have[i].level, want[i].level);
    EXPECT_EQ(have[i].shortText, want[i].shortText);
    EXPECT_EQ(have[i].text, want[i].text);
  }
}

Task makeTask(const char* method, std::vector<TaskFile> files, std::set<int> references = {},
              PropertyMap extra = {}) {
  Task task;
  task.name = L"t";
  task.files = std::move(files);
  task.references = std::move(references);
  if (method) task.properties["method"] = makeStringValue(method);
  // A valid question, so that Custom adds nothing of its own unless a test says otherwise.
  if (method && std::string(method) == "Custom")
    task.properties["customQuestion"] = makeStringValue("Q\n1 a");
  for (auto& [key, value] : extra) task.properties[key] = value;
  return task;
}

// The messages of the checks, as the task editor and the start dialog see them.
const Message kSelectMethod{0, L"select method", L"Method not selected: select method"};
const Message kLong{1, L"long sequence(s) in project",
                    L"ITU-R BT.500 recommends sequences not longer than 10s"};
const Message kThirtyMinutes{1, L"test longer 30m",
                             L"ITU-R BT.500 recommends tests not longer than 30m"};
const Message kSetReference{
    0, L"set reference to all groups",
    L"Reference not set (set not for all groups), but needed for this settings"};

Message spread(const wchar_t* from, const wchar_t* to) {
  return {1, L"sequences of different length in project",
          std::wstring(L"Length of the sequences varies from ") + from + L" to " + to};
}

TEST(ValidateTask, NoMethodAndNoFilesGivesExactlyOneError) {
  FakeMedia media;
  expectMessages(validateTask(Task(), L"", media), {kSelectMethod});
  expectMessages(validateTask(Task(), L"/tasks/t.vixo", media), {kSelectMethod});
}

// One task that trips every check that can fire at once: the order is that of the checks.
TEST(ValidateTask, ManyFindingsComeInCheckOrder) {
  FakeMedia media;
  media.video(L"/v/a.avi", 12000).video(L"/v/b.avi", 4000).video(L"/v/x.avi", 50000);
  media.broken(L"/v/c.avi", 0).broken(L"/v/e.avi", 0);
  const std::vector<TaskFile> files{
      {L"a", L"/v/a.avi", 1},  // long, reference of group 1
      {L"a", L"/v/b.avi", 1},  // duplicate
      {L"c", L"/v/c.avi", 2},  // cannot be opened; group 2 too small and without reference
      {L"a", L"/v/x.avi", 0},  // excluded: duplicate, but its 50 s take no part
      {L"e", L"/v/e.avi", 3},  // cannot be opened; group 3 without reference
  };
  // DSCQS I with the online test on: 50 questions of (7 s + 2 x 20 s) are far over 30 minutes.
  Task task = makeTask("DSCQS I", files, {0},
                       {{"network", Any::of(true)},
                        {"networkInstrTime", Any::of(20LL)},
                        {"cycles", Any::of(10LL)},
                        {"trainingQuestions", Any::of(20LL)}});
  const std::vector<Message> findings{
      {1, L"can't open 2 file(s)", L"Can't open c and 1 other file(s)"},
      {1, L"ids not uniqe", L"Not unique id: a and 1 other"},
      kLong,
      kThirtyMinutes,
      spread(L"4s", L"12s"),
  };
  std::vector<Message> all = findings;
  all.push_back(
      {0, L"groups smaller 2 files not allowed", L"Group 2 should have at least 2 files"});
  all.push_back(kSetReference);
  all.push_back({0, L"network not supported by DSCQS I", L"Network not supported by DSCQS I"});
  expectMessages(validateTask(task, L"/tasks/t.vixo", media), all);

  // Without a method the file checks still run; the length is 0 and the method checks are
  // skipped.
  task.properties.erase("method");
  std::vector<Message> withoutMethod{kSelectMethod};
  for (const Message& m : findings)
    if (m.shortText != kThirtyMinutes.shortText) withoutMethod.push_back(m);
  expectMessages(validateTask(task, L"/tasks/t.vixo", media), withoutMethod);
}

TEST(ValidateTask, DurationsOfSequences) {
  struct File {
    enum Kind { Video, Image, Broken } kind;
    int64_t ms;
  };
  const struct {
    const char* name;
    std::vector<File> files;
    std::vector<Message> messages;
  } rows[] = {
      {"10999 ms is not long", {{File::Video, 10999}}, {}},
      {"11000 ms is long", {{File::Video, 11000}}, {kLong}},
      {"a still image is never long and takes no part in the spread",
       {{File::Image, 20000}, {File::Video, 5000}},
       {}},
      {"5000 and 5999 ms are alike", {{File::Video, 5000}, {File::Video, 5999}}, {}},
      {"5000 and 6000 ms differ",
       {{File::Video, 5000}, {File::Video, 6000}},
       {spread(L"5s", L"6s")}},
      {"least and greatest whatever the file order",
       {{File::Video, 7000}, {File::Video, 5000}, {File::Video, 65000}, {File::Video, 6000}},
       {kLong, spread(L"5s", L"1m 5s")}},
      {"a file that is not valid takes no part",
       {{File::Video, 5000}, {File::Broken, 60000}},
       {{1, L"can't open 1 file(s)", L"Can't open file f1"}}},
      // Only durations seen count: one file longer than 2^31 ms has nothing to differ from.
      {"one very long file", {{File::Video, 3000000000LL}}, {kLong, kThirtyMinutes}},
      // Custom with one video: the length is 2 x 5 s + the file's duration.
      {"exactly 30 minutes is not over", {{File::Video, 1790000}}, {kLong}},
      {"one millisecond over 30 minutes", {{File::Video, 1790001}}, {kLong, kThirtyMinutes}},
      // A length that cannot be estimated is not over 30 minutes.
      {"a length beyond 64 bits", {{File::Video, std::numeric_limits<int64_t>::max()}}, {kLong}},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    FakeMedia media;
    std::vector<TaskFile> files;
    for (size_t i = 0; i < row.files.size(); ++i) {
      const std::wstring path = L"/v/f" + std::to_wstring(i) + L".avi";
      files.push_back({L"f" + std::to_wstring(i), path, 1});
      const File& f = row.files[i];
      if (f.kind == File::Video) media.video(path, f.ms);
      if (f.kind == File::Image) media.image(path, f.ms);
      if (f.kind == File::Broken) media.broken(path, f.ms);
    }
    expectMessages(validateTask(makeTask("Custom", files), L"", media), row.messages);
  }
}

TEST(ValidateTask, UnopenableFilesAndDuplicateIds) {
  const struct {
    const char* name;
    std::vector<TaskFile> files;
    std::vector<Message> messages;
  } rows[] = {
      {"one file cannot be opened",
       {{L"a", L"/v/a.avi", 1}, {L"b", L"/v/missing1", 1}},
       {{1, L"can't open 1 file(s)", L"Can't open file b"}}},
      {"three files cannot be opened, the first is named",
       {{L"b", L"/v/missing1", 2},
        {L"a", L"/v/a.avi", 1},
        {L"c", L"/v/missing2", 1},
        {L"d", L"/v/missing3", 3}},
       {{1, L"can't open 3 file(s)", L"Can't open b and 2 other file(s)"}}},
      // Only a failed open counts: the editor examines files in the background.
      {"a file still being examined is not counted",
       {{L"a", L"/v/a.avi", 1}, {L"b", L"/v/missing1", 1}, {L"c", L"/v/loading.avi", 1}},
       {{1, L"can't open 1 file(s)", L"Can't open file b"}}},
      {"one duplicate",
       {{L"a", L"/v/a.avi", 1}, {L"b", L"/v/b.avi", 1}, {L"a", L"/v/c.avi", 1}},
       {{1, L"ids not uniqe", L"Not unique id: a"}}},
      {"a, a, a are two duplicates",
       {{L"a", L"/v/a.avi", 1}, {L"a", L"/v/b.avi", 1}, {L"a", L"/v/c.avi", 1}},
       {{1, L"ids not uniqe", L"Not unique id: a and 1 other"}}},
      {"the first duplicate found is named",
       {{L"a", L"/v/a.avi", 1},
        {L"b", L"/v/b.avi", 1},
        {L"b", L"/v/c.avi", 1},
        {L"a", L"/v/d.avi", 1}},
       {{1, L"ids not uniqe", L"Not unique id: b and 1 other"}}},
      {"one path twice under two ids is fine",
       {{L"a", L"/v/a.avi", 1}, {L"b", L"/v/a.avi", 1}},
       {}},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    FakeMedia media;
    for (const wchar_t* path : {L"/v/a.avi", L"/v/b.avi", L"/v/c.avi", L"/v/d.avi"})
      media.video(path, 5000);
    for (const wchar_t* path : {L"/v/missing1", L"/v/missing2", L"/v/missing3"})
      media.broken(path, 0);
    expectMessages(validateTask(makeTask("Custom", row.files), L"", media), row.messages);
  }
}

TEST(ValidateTask, ExcludedFilesCountOnlyForDuplicateIds) {
  FakeMedia media;
  media.video(L"/v/a.avi", 5000).video(L"/v/long.avi", 50000).video(L"/v/short.avi", 1000);
  const Task task = makeTask("Custom", {{L"a", L"/v/a.avi", 1},
                                        {L"a", L"/v/gone.avi", 0},
                                        {L"z", L"/v/long.avi", 0},
                                        {L"y", L"/v/short.avi", 0}});
  expectMessages(validateTask(task, L"", media), {{1, L"ids not uniqe", L"Not unique id: a"}});
  for (const std::wstring& path : media.asked) {
    SCOPED_TRACE(toUtf8(path));
    EXPECT_EQ(path, L"/v/a.avi");
  }
}

TEST(ValidateTask, FilesGroupsAndReferencesForTheMethod) {
  FakeMedia media;
  std::vector<TaskFile> pool;
  for (int i = 0; i < 6; ++i) {
    const std::wstring path = L"/v/" + std::to_wstring(i) + L".avi";
    media.video(path, 5000);
    pool.push_back({L"f" + std::to_wstring(i), path, 1});
  }
  // The first files of the pool, placed in the given groups.
  auto files = [&](std::vector<int> groups) {
    std::vector<TaskFile> out;
    for (size_t i = 0; i < groups.size(); ++i) {
      out.push_back(pool[i]);
      out.back().group = groups[i];
    }
    return out;
  };
  const Message moreFiles{0, L"add more files", L"Not enought files for this method: 2 at least"};
  auto smallGroup = [](const wchar_t* group) {
    return Message{0, L"groups smaller 2 files not allowed",
                   std::wstring(L"Group ") + group + L" should have at least 2 files"};
  };
  const PropertyMap allToRef{{"customQuestionType", makeStringValue("All to ref")}};
  const PropertyMap online{{"network", Any::of(true)}};
  const PropertyMap offline{{"network", Any::of(false)}};
  const PropertyMap badQuestion{{"customQuestionType", makeStringValue("All to ref")},
                                {"customQuestion", makeStringValue("Q\n1 a\n2b")}};
  const struct {
    const char* name;
    const char* method;
    std::vector<int> groups;
    std::set<int> references;
    PropertyMap properties;
    std::vector<Message> messages;
  } rows[] = {
      {"two files per question, three files in groups of 1 and 2",
       "SCACJ",
       {1, 2, 2},
       {},
       {},
       {smallGroup(L"1")}},
      {"the smallest group is the first in group order",
       "SCACJ",
       {5, 2, 3, 3},
       {},
       {},
       {smallGroup(L"2")}},
      {"the smallest group is the one with the fewest files",
       "SCACJ",
       {4, 4, 3, 3, 3, 7},
       {},
       {},
       {smallGroup(L"7")}},
      {"excluded files do not count as files", "DSIS", {1, 0, 0}, {0}, {}, {moreFiles}},
      {"no files at all", "DSIS", {}, {}, {}, {moreFiles}},
      {"no files, no reference needed", "SCACJ", {}, {}, {}, {moreFiles}},
      {"too few files and no reference: both reported",
       "DSIS",
       {1},
       {},
       {},
       {moreFiles, kSetReference}},
      {"one group without reference", "DSIS", {1, 1, 2, 2}, {0}, {}, {kSetReference}},
      {"a reference outside the file list is none", "DSIS", {1, 1}, {7, -3}, {}, {kSetReference}},
      {"references in every group", "DSIS", {1, 1, 2, 2}, {0, 3}, {}, {}},
      {"SAMVIQ needs references", "SAMVIQ", {1, 1}, {}, {}, {kSetReference}},
      {"SAMVIQ cannot run online",
       "SAMVIQ",
       {1, 1},
       {0},
       online,
       {{0, L"network not supported by SAMVIQ", L"Network not supported by SAMVIQ"}}},
      {"the refusal comes after the checks of the files",
       "SAMVIQ",
       {1, 1},
       {},
       online,
       {kSetReference,
        {0, L"network not supported by SAMVIQ", L"Network not supported by SAMVIQ"}}},
      {"SAMVIQ with the online test off", "SAMVIQ", {1, 1}, {0}, offline, {}},
      {"DSIS runs online", "DSIS", {1, 1}, {0}, online, {}},
      {"SCACJ needs none", "SCACJ", {1, 1}, {}, {}, {}},
      {"one video per question allows a single file", "Custom", {1}, {}, {}, {}},
      {"Custom against references needs them", "Custom", {1, 1}, {}, allToRef, {kSetReference}},
      {"the method's own finding comes last",
       "Custom",
       {1, 1},
       {},
       badQuestion,
       {kSetReference,
        {0, L"wrong custom question",
         L"Error in custom question in line 3: You should specify rank for variant"}}},
      {"an empty question text",
       "Custom",
       {1},
       {},
       {{"customQuestion", makeStringValue("")}},
       {{0, L"wrong custom question",
         L"Error in custom question in line 1: Specify at least one custom question"}}},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    const Task task = makeTask(row.method, files(row.groups), row.references, row.properties);
    expectMessages(validateTask(task, L"", media), row.messages);
  }
}

TEST(ValidateTask, PathsHaveNoDriveSoPartitionsNeverDiffer) {
  FakeMedia media;
  media.video(L"/v/a.avi", 5000).video(L"C:\\v\\b.avi", 5000);
  const Task task = makeTask("Custom", {{L"a", L"/v/a.avi", 1}, {L"b", L"C:\\v\\b.avi", 1}});
  for (const wchar_t* taskPath : {L"", L"/tasks/t.vixo", L"D:\\tasks\\t.vixo", L"relative.vixo"}) {
    SCOPED_TRACE(toUtf8(taskPath));
    expectMessages(validateTask(task, taskPath, media), {});
    Task absolute = task;
    absolute.properties["relativePaths"] = Any::of(false);
    expectMessages(validateTask(absolute, taskPath, media), {});
  }
}

TEST(ValidateTask, NeverThrowsOnOddTasks) {
  std::vector<const char*> methods{nullptr};
  for (const VIXOmethod* m : getTestMethods()) methods.push_back(m->name.c_str());
  const struct {
    const char* name;
    std::vector<TaskFile> files;
    std::set<int> references;
  } tasks[] = {
      {"empty", {}, {}},
      {"references without files", {}, {0, 1, -1}},
      {"out-of-range references", {{L"a", L"/v/a", 1}, {L"b", L"/v/b", 2}}, {-5, 2, 99}},
      {"all excluded", {{L"a", L"/v/a", 0}, {L"b", L"/v/b", 0}}, {0}},
      {"empty ids and paths", {{L"", L"", 1}, {L"", L"", 1}}, {1}},
  };
  for (const char* method : methods) {
    for (const auto& t : tasks) {
      SCOPED_TRACE(std::string(method ? method : "no method") + ", " + t.name);
      FakeMedia media;
      media.video(L"/v/a", 12000);
      Task task = makeTask(method, t.files, t.references);
      for (const char* type : {"One video", "All to ref", "All to all"}) {
        task.properties["customQuestionType"] = makeStringValue(type);
        EXPECT_NO_THROW(validateTask(task, L"/tasks/t.vixo", media));
        EXPECT_NO_THROW(task.estimatedLength(media));
      }
    }
  }
}

// ---------------------------------------------------------------- estimated length

// DSIS: one group, reference 10 s, test files 8 s and 9.001 s. P = 2, Q = 2, N = 2 + 5 training,
// D = (8 + 10) + (9.001 + 10) s = 37001 ms, and D x N / Q = 259007 / 2 = 129503.
Task dsisTask(PropertyMap extra = {}) {
  return makeTask("DSIS", {{L"r", L"/v/r.avi", 1}, {L"a", L"/v/a.avi", 1}, {L"b", L"/v/b.avi", 1}},
                  {0}, std::move(extra));
}

FakeMedia dsisMedia() {
  FakeMedia media;
  media.video(L"/v/r.avi", 10000).video(L"/v/a.avi", 8000).video(L"/v/b.avi", 9001);
  return media;
}

TEST(EstimatedLength, ExampleWithoutOnlineTest) {
  // SCACJ, one group of four 12 s files, pairs limited to 5: P = 1, Q = 5, N = 5 + 5 training,
  // D = (4 x 12 s x 3 / 2) x 5 / 6 = 60 s.
  FakeMedia media;
  std::vector<TaskFile> files;
  for (const wchar_t* name : {L"a", L"b", L"c", L"d"}) {
    const std::wstring path = std::wstring(L"/v/") + name + L".avi";
    media.video(path, 12000);
    files.push_back({name, path, 1});
  }
  const Task task = makeTask("SCACJ", files, {}, {{"limitPairs", Any::of(5LL)}});
  const QuestionPlanner* planner = task.method()->planner(task);
  ASSERT_EQ(planner->playbacksPerQuestion(task), 1);
  ASSERT_EQ(planner->questionsPerCycle(task), 5);
  ASSERT_EQ(planner->estimatedDuration(task, media), 60000);
  ASSERT_EQ(task.planQuestionCount(), 10);
  // (5000 + 5000) x 10 + 60000 x 10 / 5
  EXPECT_EQ(task.estimatedLength(media), 220000);
}

TEST(EstimatedLength, AnswerAndInstructionTimes) {
  const struct {
    const char* name;
    PropertyMap properties;
    int64_t length;  // (A + B x 2) x 7 + 129503
  } rows[] = {
      {"online test off: 5 s each", {}, (5000 + 5000 * 2) * 7 + 129503},
      {"online settings are ignored while it is off",
       {{"networkMinTime", Any::of(10LL)}, {"networkInstrTime", Any::of(2LL)}},
       (5000 + 5000 * 2) * 7 + 129503},
      {"on with the defaults: answer 7 s (the minimum), instructions 5 s",
       {{"network", Any::of(true)}},
       (7000 + 5000 * 2) * 7 + 129503},
      {"maximum 10 s is the greater",
       {{"network", Any::of(true)}, {"networkMinTime", Any::of(10LL)}},
       (10000 + 5000 * 2) * 7 + 129503},
      {"maximum 3 s is below the minimum 7 s",
       {{"network", Any::of(true)}, {"networkMinTime", Any::of(3LL)}},
       (7000 + 5000 * 2) * 7 + 129503},
      {"no maximum and no minimum: 5 s",
       {{"network", Any::of(true)}, {"networkMaxTime", Any::of(0LL)}},
       (5000 + 5000 * 2) * 7 + 129503},
      {"instructions for 2 s",
       {{"network", Any::of(true)}, {"networkInstrTime", Any::of(2LL)}},
       (7000 + 2000 * 2) * 7 + 129503},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    FakeMedia media = dsisMedia();
    EXPECT_EQ(dsisTask(row.properties).estimatedLength(media), row.length);
  }
}

// Files of the DSIS task, each as long as half of what 64 bits hold.
FakeMedia endless() {
  FakeMedia media;
  for (const wchar_t* path : {L"/v/r.avi", L"/v/a.avi", L"/v/b.avi"})
    media.video(path, std::numeric_limits<int64_t>::max() / 2);
  return media;
}

TEST(EstimatedLength, WhenItCannotBeEstimated) {
  constexpr long long kHuge = std::numeric_limits<long long>::max() / 100;
  // Three of these fit in 64 bits (the planner's sum), seven questions of them do not.
  constexpr long long kLarge = std::numeric_limits<long long>::max() / 4;
  const struct {
    const char* name;
    Task task;
    FakeMedia media;
    int64_t length;
  } rows[] = {
      {"no method", makeTask(nullptr, dsisTask().files, {0}), dsisMedia(), 0},
      {"no questions in a cycle", makeTask("DSIS", {}), FakeMedia(), -1},
      {"groups of one file have no pairs",
       makeTask("SCACJ", {{L"a", L"/v/a.avi", 1}, {L"b", L"/v/b.avi", 2}}),
       FakeMedia().video(L"/v/a.avi", 5000).video(L"/v/b.avi", 5000), -1},
      {"negative playing time", makeTask("Custom", {{L"a", L"/v/a.avi", 1}}),
       FakeMedia().video(L"/v/a.avi", -20000), -1},
      // Stored settings are not clamped to their range; the sum must not overflow.
      {"huge instruction time",
       dsisTask({{"network", Any::of(true)}, {"networkInstrTime", Any::of(kHuge)}}), dsisMedia(),
       -1},
      {"huge minimum answer time",
       dsisTask({{"network", Any::of(true)}, {"networkMaxTime", Any::of(kHuge)}}), dsisMedia(), -1},
      {"huge maximum answer time",
       dsisTask({{"network", Any::of(true)}, {"networkMinTime", Any::of(kHuge)}}), dsisMedia(), -1},
      {"huge playing time", dsisTask(),
       FakeMedia().video(L"/v/r.avi", kLarge).video(L"/v/a.avi", kLarge).video(L"/v/b.avi", 1), -1},
      // Durations come from media files: even one cycle's sum of them may not fit.
      {"a cycle beyond 64 bits, all to reference", dsisTask(), endless(), -1},
      {"a cycle beyond 64 bits, all to all", makeTask("SCACJ", dsisTask().files), endless(), -1},
      {"a cycle beyond 64 bits, SAMVIQ", makeTask("SAMVIQ", dsisTask().files, {0}), endless(), -1},
      {"a cycle beyond 64 bits, one video", makeTask("Custom", dsisTask().files), endless(), -1},
      // A length is never negative: negative stored times cannot be estimated, and a pass that
      // asks no questions (negative cycles) takes no time.
      {"negative answer and instruction times",
       dsisTask({{"network", Any::of(true)},
                 {"networkMinTime", Any::of(-10LL)},
                 {"networkMaxTime", Any::of(-3LL)},
                 {"networkInstrTime", Any::of(-4LL)}}),
       dsisMedia(), -1},
      {"negative cycles ask nothing", dsisTask({{"cycles", Any::of(-50LL)}}), dsisMedia(), 0},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    FakeMedia media = row.media;
    EXPECT_EQ(row.task.estimatedLength(media), row.length);
  }
}

}  // namespace
