#include "console_lib/cmd_parser.h"

#include <string>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "avifile/assertion.h"
#include "console_lib/console_text.h"
#include "console_lib/simple_parser.h"
#include "support/assert_guard.h"

namespace {

using CmdParserNew::Lexem;

// Help rows as the table prints them: a blank, the usage in 19 columns, a blank, the
// description in 58 columns.
const std::string kHelp =
    "[Basic]\n"
    " -h                   display help information about VIXO command line         \n"
    "                      arguments;                                               \n"
    "\n"
    " edit <task file>     edit VIXO task;                                          \n"
    "\n"
    " play <task file>     play VIXO task;                                          \n"
    "\n";

const std::string kBanner = "[banner]\n";

const std::string kUnknown =
    ": Unknown statement. Run vixo with '-h' parameter to see all options\n";
const std::string kUseLine = "Use \"vixo -h\" to see all available options\n";

struct Outcome {
  bool ok = false;
  CommandLineOptions options;
  std::string out;
  std::string err;
};

// Runs the command line "program args..." and captures what it writes.
Outcome runCommandLine(const std::vector<std::wstring>& args,
                       const std::wstring& program = L"vixo") {
  std::vector<const wchar_t*> argv{program.c_str()};
  for (const std::wstring& arg : args) argv.push_back(arg.c_str());
  Outcome outcome;
  testing::internal::CaptureStdout();
  testing::internal::CaptureStderr();
  outcome.ok = CmdParserNew::run(CmdParserNew::buildGrammar(), outcome.options,
                                 static_cast<int>(argv.size()), argv.data(), L"[banner]\n");
  outcome.err = testing::internal::GetCapturedStderr();
  outcome.out = testing::internal::GetCapturedStdout();
  return outcome;
}

std::string describe(const std::vector<std::wstring>& args) {
  std::string text;
  for (const std::wstring& arg : args) text += "<" + toConsoleUtf8(arg) + ">";
  return text;
}

TEST(CommandLine, NoArgumentsPrintsTheBannerOnly) {
  const Outcome outcome = runCommandLine({});
  EXPECT_TRUE(outcome.ok);
  EXPECT_FALSE(outcome.options.taskGiven);
  EXPECT_EQ(outcome.options.taskPath, L"");
  EXPECT_EQ(outcome.out, kBanner);
  EXPECT_EQ(outcome.err, "");
}

TEST(CommandLine, HelpPrintsTheWholeTableBeforeTheBanner) {
  const Outcome outcome = runCommandLine({L"-h"});
  EXPECT_TRUE(outcome.ok);
  EXPECT_FALSE(outcome.options.taskGiven);
  EXPECT_EQ(outcome.out, kHelp + kBanner);
  EXPECT_EQ(outcome.err, "");
}

TEST(CommandLine, AcceptedCommandLinesFillTheOptions) {
  struct Case {
    std::vector<std::wstring> args;
    std::wstring taskPath;
    bool helpShown;
  };
  const std::vector<Case> cases = {
      {{L"edit", L"a.vixo"}, L"a.vixo", false},
      {{L"EDIT", L"a.vixo"}, L"a.vixo", false},
      {{L"Play", L"b.vixo"}, L"b.vixo", false},
      {{L"pLaY", L"EDIT"}, L"EDIT", false},
      // After edit any argument is the task file, the help keyword included.
      {{L"edit", L"-h"}, L"-h", false},
      {{L"edit", L"a", L"play", L"b"}, L"b", false},
      {{L"-H", L"play", L"/tmp/my tasks/\u00dcbung \u4efb\u52a1.vixo"},
       L"/tmp/my tasks/\u00dcbung \u4efb\u52a1.vixo",
       true},
      {{L"edit", L"a", L"-h"}, L"a", true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(describe(c.args));
    const Outcome outcome = runCommandLine(c.args);
    EXPECT_TRUE(outcome.ok);
    EXPECT_TRUE(outcome.options.taskGiven);
    EXPECT_FALSE(outcome.options.playMode);
    EXPECT_EQ(outcome.options.taskPath, c.taskPath);
    EXPECT_EQ(outcome.out, (c.helpShown ? kHelp : "") + kBanner);
    EXPECT_EQ(outcome.err, "");
  }
}

TEST(CommandLine, GrammarErrorsReportTheArgumentsReadSoFar) {
  struct Case {
    std::vector<std::wstring> args;
    std::string err;
    bool helpShown;
    std::wstring taskPath;
  };
  const std::string head = "Error parsing command line after\n";
  const std::string expected = ": Expected task file\n";
  const std::vector<Case> cases = {
      {{L"edit"}, head + "edit\n<end of args>" + expected + kUseLine + "\n", false, L""},
      {{L"PLAY"}, head + "PLAY\n<end of args>" + expected + kUseLine + "\n", false, L""},
      {{L"view"}, head + "view" + kUnknown + kUseLine + "\n", false, L""},
      {{L""}, head + "\"\"" + kUnknown + kUseLine + "\n", false, L""},
      // Finishing a task file falls back to the start, so a second file is unknown there.
      {{L"edit", L"a", L"b"}, head + "edit a\nb" + kUnknown + kUseLine + "\n", false, L"a"},
      {{L"edit", L"my task.vixo", L"say \"hi\""},
       head + "edit \"my task.vixo\"\n\"say \\\"hi\\\"\"" + kUnknown + kUseLine + "\n",
       false,
       L"my task.vixo"},
      {{L"play", L"x\"y", L"edit"},
       head + "play x\\\"y edit\n<end of args>" + expected + kUseLine + "\n",
       false,
       L"x\"y"},
      // Only ASCII letters are lower-cased: a dotted capital I does not make "edit".
      {{L"ED\u0130T", L"a"}, head + "ED\xC4\xB0T" + kUnknown + kUseLine + "\n", false, L""},
      // The help already printed stays printed.
      {{L"-h", L"bogus"}, head + "-h\nbogus" + kUnknown + kUseLine + "\n", true, L""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(describe(c.args));
    const Outcome outcome = runCommandLine(c.args);
    EXPECT_FALSE(outcome.ok);
    EXPECT_EQ(outcome.err, c.err);
    EXPECT_EQ(outcome.out, (c.helpShown ? kHelp : "") + kBanner);
    EXPECT_EQ(outcome.options.taskGiven, !c.taskPath.empty());
    EXPECT_EQ(outcome.options.taskPath, c.taskPath);
    EXPECT_FALSE(outcome.options.playMode);
  }
}

TEST(CommandLine, ProgramNameIsEchoedUnquoted) {
  const Outcome outcome = runCommandLine({L"x"}, L"/opt/orlo vixo/vixo");
  EXPECT_EQ(outcome.err, "Error parsing command line after\nx" + kUnknown +
                             "Use \"/opt/orlo vixo/vixo -h\" to see all available options\n\n");
}

TEST(CommandLine, BrokenCharactersDoNotSilenceTheReport) {
  const std::wstring broken = std::wstring(L"bad") + static_cast<wchar_t>(0xD800);
  const Outcome outcome = runCommandLine({broken});
  EXPECT_FALSE(outcome.ok);
  EXPECT_EQ(outcome.err,
            "Error parsing command line after\nbad\xEF\xBF\xBD" + kUnknown + kUseLine + "\n");
}

TEST(CommandLine, MissingArgumentVectorIsAnEmptyCommandLine) {
  CommandLineOptions options;
  testing::internal::CaptureStdout();
  EXPECT_TRUE(CmdParserNew::run(CmdParserNew::buildGrammar(), options, 0, nullptr, L"b\n"));
  const wchar_t* const noProgram[] = {nullptr};
  EXPECT_TRUE(CmdParserNew::run(CmdParserNew::buildGrammar(), options, 1, noProgram, L"b\n"));
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "b\nb\n");
  EXPECT_FALSE(options.taskGiven);
}

TEST(CommandLine, KeywordTablesAndPredicates) {
  using namespace CmdParserNew;
  struct Case {
    const char* name;
    bool result;
    bool expected;
  };
  const Lexem endMarker{L"", true};
  const Predicates::KeywrdPredicate emptyWord({L"", L"Stop"});
  const std::vector<Case> cases = {
      {"help matches -H", keyword(kwHelp)({L"-H", false}), true},
      {"edit matches eDIT", keyword(kwEdit)({L"eDIT", false}), true},
      {"edit refuses play", keyword(kwEdit)({L"play", false}), false},
      {"edit refuses the end marker", keyword(kwEdit)(endMarker), false},
      {"upper-case keyword given is stored lower-case", emptyWord({L"sTOP", false}), true},
      {"an empty keyword never matches the end marker", emptyWord(endMarker), false},
      {"an empty keyword matches an empty argument", emptyWord({L"", false}), true},
      {"unknown keyword number matches nothing", keyword(7)({L"", false}), false},
      {"any argument takes a keyword", Predicates::anyArgument({L"edit", false}), true},
      {"any argument refuses the end", Predicates::anyArgument(endMarker), false},
      {"end of input takes the end", Predicates::endOfInput(endMarker), true},
      {"end of input refuses an argument", Predicates::endOfInput({L"", false}), false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(c.result, c.expected);
  }
  EXPECT_EQ(lowerKeyword(L"AZaz@[`{\u00c4\u0130"), L"azaz@[`{\u00c4\u0130");
  EXPECT_EQ(sectionName(0), L"Basic");
  EXPECT_EQ(sectionName(1), L"unknown");
  EXPECT_EQ(sectionName(-1), L"unknown");
}

TEST(CommandLine, ErrorCarriesTheErrorText) {
  const CmdParserError error(L"Expected task file \u00e9");
  EXPECT_EQ(error.message(), L"Expected task file \u00e9");
  EXPECT_STREQ(error.what(), "Expected task file \xC3\xA9");
}

// --- the generic parser

// Records the actions run, so that the order of entering states shows.
class RecordingProcess : public SimpleParser::ParseProcess {
 public:
  using SimpleParser::ParseProcess::ParseProcess;
  void finished() override { log += "finished "; }
  std::string log;
};

SimpleParser::ParseProcessMemberFunction<RecordingProcess> note(const std::string& name) {
  return SimpleParser::ParseProcessMemberFunction<RecordingProcess>(
      [name](RecordingProcess& process) { process.log += name + " "; });
}

SimpleParser::Predicate word(const std::wstring& text) {
  return [text](const Lexem& token) { return !token.end && token.text == text; };
}

class SimpleParserTest : public ::testing::Test {
 protected:
  SimpleParser grammar_;

 private:
  vixo_test::AssertGuard guard_;
};

TEST_F(SimpleParserTest, TransitionWithoutPredicateIsRefused) {
  const size_t before = grammar_.stateCount();
  try {
    grammar_.start().transition(SimpleParser::Predicate());
    FAIL() << "no assertion";
  } catch (const vixo::AssertionFailure& failure) {
    EXPECT_STREQ(failure.what(), "predicate");
  }
  EXPECT_EQ(grammar_.stateCount(), before);
  EXPECT_TRUE(grammar_.startState().transitions().empty());
}

TEST_F(SimpleParserTest, ActionForAnotherKindOfProcessIsRefused) {
  grammar_.start().action(CmdParserNew::SetError(L"x"));
  RecordingProcess process(grammar_);
  EXPECT_THROW(grammar_.begin(process), vixo::AssertionFailure);
}

TEST_F(SimpleParserTest, TokensFollowTransitionsAndFallbacks) {
  const SimpleParser::Handle start = grammar_.start();
  start.action(note("start"));
  // "a" enters a state without transitions, which falls straight back to the start.
  start.transition(word(L"a")).action(note("a")).fallback(start);
  // "b" waits for "c"; anything else is handed back to the start.
  start.transition(word(L"b"))
      .action(note("b"))
      .fallback(start)
      .transition(word(L"c"))
      .action(note("c"));
  start.transition([](const Lexem& token) { return token.end; })
      .action(note("done"))
      .fallback(grammar_.end());
  grammar_.end().action(note("end"));

  RecordingProcess process(grammar_);
  grammar_.begin(process);
  EXPECT_TRUE(grammar_.feed(process, {L"a", false}));
  EXPECT_TRUE(grammar_.feed(process, {L"b", false}));
  EXPECT_TRUE(grammar_.feed(process, {L"a", false}));  // b refuses, the start takes it
  EXPECT_EQ(process.currentState(), &grammar_.startState());
  EXPECT_TRUE(grammar_.feed(process, {L"", true}));
  EXPECT_EQ(process.currentState(), &grammar_.endState());
  EXPECT_EQ(process.log, "start a start b start a start done end finished ");

  RecordingProcess refused(grammar_);
  grammar_.begin(refused);
  EXPECT_TRUE(grammar_.feed(refused, {L"b", false}));
  EXPECT_FALSE(grammar_.feed(refused, {L"x", false}));
  EXPECT_EQ(refused.log, "start b start ");
}

TEST_F(SimpleParserTest, RingOfFallbacksEnds) {
  const SimpleParser::Handle start = grammar_.start();
  const SimpleParser::Handle x = start.transition(word(L"x"));
  const SimpleParser::Handle y = start.transition(word(L"y"));
  x.fallback(y);
  y.fallback(x);
  RecordingProcess process(grammar_);
  grammar_.begin(process);
  EXPECT_TRUE(grammar_.feed(process, {L"x", false}));
  EXPECT_FALSE(grammar_.feed(process, {L"x", false}));
}

std::wstring helpRow(const std::wstring& usage, const std::wstring& description) {
  return L" " + usage + std::wstring(19 - usage.size(), L' ') + L" " + description +
         std::wstring(58 - description.size(), L' ') + L"\n\n";
}

TEST_F(SimpleParserTest, HelpIsFiledBySectionNumberThenName) {
  using Help = SimpleParser::SetHelp;
  const SimpleParser::Handle start = grammar_.start();
  start.action(Help(L"s", L"start", 2, L"Last"));
  start.transition(word(L"z")).action(Help(L"z", L"zed", 1, L"Zeta"));
  const SimpleParser::Handle b = start.transition(word(L"b"));
  b.action(Help(L"b", L"bee", 0, L"Basic"))
      .transition(word(L"a"))
      .action(Help(L"a", L"ay", 1, L"Alpha"));
  start.transition(word(L"c"))
      .action(Help(L"b2", L"bee two", 0, L"Basic"))
      .fallback(grammar_.end());
  // Reached only by a fallback, so not part of the help.
  grammar_.end().action(Help(L"hidden", L"never shown", 0, L"Basic"));

  EXPECT_EQ(CmdParserNew::helpText(grammar_),
            L"[Basic]\n" + helpRow(L"b", L"bee") + helpRow(L"b2", L"bee two") + L"\n[Alpha]\n" +
                helpRow(L"a", L"ay") + L"\n[Zeta]\n" + helpRow(L"z", L"zed") + L"\n[Last]\n" +
                helpRow(L"s", L"start"));
}

TEST(TableLayout, CellsWrapAtBreaksOrAtTheColumnWidth) {
  // The first column of the help table is 19 characters wide.
  struct Case {
    std::wstring cell;
    std::vector<std::wstring> pieces;
  };
  const std::vector<Case> cases = {
      {L"abcdefghijklmnopqrs", {L"abcdefghijklmnopqrs"}},
      {L"abcdefghijklmnopqrstuvwxyz", {L"abcdefghijklmnopqrs", L"tuvwxyz"}},
      // A blank just beyond the width is not seen.
      {L"abcdefghijklmnopqrs t", {L"abcdefghijklmnopqrs", L" t"}},
      {L"one two three four five", {L"one two three four", L" five"}},
      {L"aaaaaaaaaaaa(bbbbbbbbb)", {L"aaaaaaaaaaaa", L"(bbbbbbbbb)"}},
      {L"aaaaaaaaaaaaaa)bbbbbbbb", {L"aaaaaaaaaaaaaa)", L"bbbbbbbb"}},
      {L"aaaaaaaaaa,bbbbbbbbbbbb", {L"aaaaaaaaaa,", L"bbbbbbbbbbbb"}},
      // No break between two punctuation marks.
      {L"aaaaaaaaaaaaaaaaa.,bbbb", {L"aaaaaaaaaaaaaaaaa.,", L"bbbb"}},
      // A break at the start of the piece does not count.
      {L"(aaaaaaaaaaaaaaaaaaaaaa", {L"(aaaaaaaaaaaaaaaaaa", L"aaaa"}},
      {L"ab\ncd", {L"ab", L"cd"}},
      {L"ab\n\ncd", {L"ab", L"", L"cd"}},
      {L"aaaaaaaaaaaaaaaaaa\tbbbb", {L"aaaaaaaaaaaaaaaaaa", L" bbbb"}},
      {L"a\tb", {L"a b"}},
      {L"", {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(toConsoleUtf8(c.cell));
    std::wstring expected;
    for (const std::wstring& piece : c.pieces) {
      expected += L" " + piece + std::wstring(19 - piece.size(), L' ') + L" " +
                  std::wstring(58, L' ') + L"\n";
    }
    expected += L"\n";
    EXPECT_EQ(layoutTable({2, 6}, {{c.cell, L""}}), expected);
  }
}

TEST(TableLayout, LongWordIsCutAtTheColumnWidth) {
  const std::wstring word(70, L'w');
  EXPECT_EQ(layoutTable({2, 6}, {{L"-x", word}, {L"-y", L"short"}}),
            L" -x                  " + std::wstring(58, L'w') + L"\n" + L"                     " +
                std::wstring(12, L'w') + std::wstring(46, L' ') + L"\n\n" +
                L" -y                  short" + std::wstring(53, L' ') + L"\n\n");
}

TEST(TableLayout, ColumnsShareTheLineByWeight) {
  // 76 characters for three equal columns: ends at 25, 50 and 76.
  EXPECT_EQ(layoutTable({1, 1, 1}, {{L"a", L"b", L"c"}}), L" a" + std::wstring(24, L' ') + L" b" +
                                                              std::wstring(24, L' ') + L" c" +
                                                              std::wstring(25, L' ') + L"\n\n");
  // One column takes 78.
  EXPECT_EQ(layoutTable({5}, {{L"a"}}), L" a" + std::wstring(77, L' ') + L"\n\n");
}

}  // namespace
