#include "avifile/general_parser.h"

#include <gtest/gtest.h>

#include <functional>
#include <iterator>
#include <sstream>
#include <string>

#include "avifile/assertion.h"
#include "support/assert_guard.h"

namespace {

using Brindle::GeneralParser;
using GP = GeneralParser;
using Char = GP::CharacterStep;

using vixo_test::assertionText;

struct RunResult {
  bool failed;
  bool finished;
  int64_t consumed;
  std::string text;
  std::string rest;  // what the run left unread in the stream
};

RunResult runOn(const GP& grammar, const GP::Rule& rule, const std::string& input,
                GP::Parsing* state = nullptr) {
  std::istringstream in(input);
  GP::Parsing local;
  GP::Parsing& st = state ? *state : local;
  grammar.run(in, st, rule);
  in.clear();
  std::string rest((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  return {st.failed, st.finished, st.consumed, st.text.str(), rest};
}

// The engine's behaviour holds for the plain automaton and for the optimised one alike.
class GeneralParserCompiled : public testing::TestWithParam<GP::Compilation> {};

INSTANTIATE_TEST_SUITE_P(Both, GeneralParserCompiled,
                         testing::Values(GP::Compilation::Optimised, GP::Compilation::Plain),
                         [](const testing::TestParamInfo<GP::Compilation>& info) {
                           return info.param == GP::Compilation::Plain ? "Plain" : "Optimised";
                         });

TEST_P(GeneralParserCompiled, CalledRulesStepWinsOverTheStatesOwnStep) {
  GP g;
  GP::Rule* inner = g.newRule();
  GP::Rule* top = g.newRule();
  GP::State* e0 = g.newState();
  GP::State* e1 = g.addStep(e0, Char('a'));
  g.addAction(e1, GP::ActionRecord::pushConstantByte('R'));
  g.defineRule(inner, e0, e1);

  GP::State* t0 = g.newState();
  GP::State* t9 = g.newState();
  GP::State* own = g.addStep(t0, Char('a'));
  g.addAction(own, GP::ActionRecord::pushConstantByte('T'));
  g.setImplicitCome(own, t9);
  g.setImplicitCome(g.callRule(t0, inner), t9);
  g.defineRule(top, t0, t9);
  g.compile(GetParam());

  RunResult r = runOn(g, *top, "a");
  EXPECT_TRUE(r.finished);
  EXPECT_EQ(r.text, "R");
}

TEST_P(GeneralParserCompiled, StartRowWithoutTransitionOrDefaultFailsWithNothingConsumed) {
  GP g;
  GP::Rule* top = g.newRule();
  GP::State* t0 = g.newState();
  GP::State* t9 = g.addStep(t0, Char('x'));
  g.defineRule(top, t0, t9);
  g.compile(GetParam());

  RunResult r = runOn(g, *top, "yx");
  EXPECT_TRUE(r.failed);
  EXPECT_FALSE(r.finished);
  EXPECT_EQ(r.consumed, 0);
  EXPECT_EQ(r.rest, "x");  // the refused byte was read and not put back
}

TEST_P(GeneralParserCompiled, ReturnWithEmptyCallStackFinishesWithoutReadingFurther) {
  GP g;
  GP::Rule* top = g.newRule();
  GP::State* t0 = g.newState();
  GP::State* t9 = g.addStep(t0, Char(']'));
  g.defineRule(top, t0, t9);
  g.compile(GetParam());

  RunResult r = runOn(g, *top, "]]]");
  EXPECT_TRUE(r.finished);
  EXPECT_EQ(r.consumed, 1);
  EXPECT_EQ(r.rest, "]]");
}

TEST_P(GeneralParserCompiled, DefaultsAreFollowedAtEndOfInput) {
  // digits, then a default to the exit: a number needs a terminating byte or the end
  GP g;
  GP::Rule* top = g.newRule();
  GP::State* t0 = g.newState();
  GP::State* t1 = g.newState();
  GP::State* t9 = g.newState();
  GP::State* d = g.addStep(t0, GP::DigitStep());
  g.addAction(d, GP::ActionRecord::decimalDigit());
  g.setImplicitCome(d, t1);
  GP::State* d2 = g.addStep(t1, GP::DigitStep());
  g.addAction(d2, GP::ActionRecord::decimalDigit());
  g.setImplicitCome(d2, t1);
  g.setImplicitCome(t1, t9);
  g.addAction(t9, GP::ActionRecord::pushAccumulator());
  g.defineRule(top, t0, t9);
  g.compile(GetParam());

  GP::Parsing st;
  RunResult r = runOn(g, *top, "4711", &st);
  EXPECT_TRUE(r.finished);
  ASSERT_EQ(st.numbers.size(), 1u);
  EXPECT_EQ(st.numbers[0], 4711);

  // a byte that cannot continue the number ends it; it has been read and is not put back
  GP::Parsing st2;
  r = runOn(g, *top, "12;x", &st2);
  EXPECT_TRUE(r.finished);
  EXPECT_EQ(st2.numbers.at(0), 12);
  EXPECT_EQ(r.rest, "x");
}

TEST_P(GeneralParserCompiled, AccumulatorWrapsWithoutError) {
  GP g;
  GP::Rule* top = g.newRule();
  GP::State* t0 = g.newState();
  GP::State* t9 = g.newState();
  GP::State* d = g.addStep(t0, GP::DigitStep());
  g.addAction(d, GP::ActionRecord::decimalDigit());
  g.setImplicitCome(d, t0);
  g.setImplicitCome(t0, t9);
  g.addAction(t9, GP::ActionRecord::pushAccumulator());
  g.defineRule(top, t0, t9);
  g.compile(GetParam());
  GP::Parsing st;
  // 2^64 + 1 wraps to 1
  EXPECT_TRUE(runOn(g, *top, "18446744073709551617", &st).finished);
  EXPECT_EQ(st.numbers.at(0), 1);
}

TEST_P(GeneralParserCompiled, StringsStepSharesPrefixStatesAndFailsOnMismatch) {
  GP g;
  GP::Rule* top = g.newRule();
  GP::State* t0 = g.newState();
  GP::StringsStep words("ab");
  words.add("ac");
  GP::State* t9 = g.addStep(t0, words);
  g.defineRule(top, t0, t9);
  g.compile(GetParam());
  // rows 0 and 1, t0, t9 and exactly one prefix state ("a")
  EXPECT_EQ(g.rowCount(), 5u);

  EXPECT_TRUE(runOn(g, *top, "ab").finished);
  EXPECT_TRUE(runOn(g, *top, "ac").finished);
  RunResult r = runOn(g, *top, "ad");
  EXPECT_TRUE(r.failed);
  EXPECT_EQ(r.consumed, 1);
}

TEST_P(GeneralParserCompiled, ActionChainsCollapseIntoOneMoveInOrder) {
  GP g;
  GP::Rule* top = g.newRule();
  GP::State* t0 = g.newState();
  GP::State* a = g.addStep(t0, Char('x'));
  GP::State* b = g.newState();
  GP::State* c = g.newState();
  GP::State* t9 = g.newState();
  g.addAction(a, GP::ActionRecord::pushConstantByte('1'));
  g.setImplicitCome(a, b);
  g.addAction(b, GP::ActionRecord::pushConstantByte('2'));
  g.setImplicitCome(b, c);
  g.addAction(c, GP::ActionRecord::pushConstantByte('3'));
  GP::State* end = g.addStep(c, Char('y'), t9);
  (void)end;
  g.defineRule(top, t0, t9);
  g.compile(GetParam());

  RunResult r = runOn(g, *top, "xy");
  EXPECT_TRUE(r.finished);
  EXPECT_EQ(r.text, "123");
}

TEST_P(GeneralParserCompiled, NestedCallsReturnToTheirCallers) {
  // list := "(" item* ")" ; item := "a" | list  -- recursion through the call stack
  GP g;
  GP::Rule* list = g.newRule();
  GP::State* l0 = g.newState();
  GP::State* open = g.addStep(l0, Char('('));
  g.addAction(open, GP::ActionRecord::pushConstantByte('<'));
  GP::State* l1 = g.newState();
  g.setImplicitCome(open, l1);
  GP::State* l9 = g.newState();
  GP::State* close = g.addStep(l1, Char(')'));
  g.addAction(close, GP::ActionRecord::pushConstantByte('>'));
  g.setImplicitCome(close, l9);
  GP::State* atom = g.addStep(l1, Char('a'));
  g.addAction(atom, GP::ActionRecord::pushConstantByte('a'));
  g.setImplicitCome(atom, l1);
  g.setImplicitCome(g.callRule(l1, list), l1);
  g.defineRule(list, l0, l9);
  g.compile(GetParam());

  RunResult r = runOn(g, *list, "(a((a)a)())rest");
  EXPECT_TRUE(r.finished);
  EXPECT_EQ(r.text, "<a<<a>a><>>");
  EXPECT_EQ(r.rest, "rest");

  std::string deep(100000, '(');
  deep += std::string(100000, ')');
  r = runOn(g, *list, deep);
  EXPECT_TRUE(r.finished);
  EXPECT_EQ(r.text.size(), 200000u);
}

TEST_P(GeneralParserCompiled, CallbackAndPrintActions) {
  struct Counter : GP::Semantic::ExtentionData {
    int step = 0;
    std::unique_ptr<ExtentionData> clone() const override {
      return std::make_unique<Counter>(*this);
    }
  };
  GP g;
  GP::Rule* top = g.newRule();
  GP::State* t0 = g.newState();
  GP::State* t9 = g.addStep(t0, Char('z'));
  auto payload = std::make_unique<Counter>();
  payload->step = 7;
  g.addAction(t9, GP::ActionRecord::callbackAction(
                      [](GP::Parsing& st, GP::Semantic::ExtentionData* data) {
                        st.numbers.push_back(static_cast<Counter*>(data)->step);
                      },
                      std::move(payload)));
  g.addAction(t9, GP::ActionRecord::pushConstantNumber(-3));
  g.addAction(t9, GP::ActionRecord::print("seen z"));
  g.defineRule(top, t0, t9);
  g.compile(GetParam());

  GP::Parsing st;
  testing::internal::CaptureStdout();
  RunResult r = runOn(g, *top, "z", &st);
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "seen z\n");
  EXPECT_TRUE(r.finished);
  EXPECT_EQ(st.popNumber(), -3);
  EXPECT_EQ(st.popNumber(), 7);
}

TEST_P(GeneralParserCompiled, CodePointEmission) {
  const struct {
    int64_t codePoint;
    std::string bytes;
  } cases[] = {
      {0x41, "A"},
      {0xE9, "\xC3\xA9"},
      {0x20AC, "\xE2\x82\xAC"},
      {0xD800, "\xED\xA0\x80"},  // surrogates are encoded like any other value
      {0x10FFFF, "\xF4\x8F\xBF\xBF"},
      {0x200000, "\xF8\x88\x80\x80\x80"},
      {0x4000000, "\xFC\x84\x80\x80\x80\x80"},
      {-1, ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.codePoint);
    std::string out;
    Brindle::appendUtf8CodePoint(out, c.codePoint);
    EXPECT_EQ(out, c.bytes);
  }

  // and through a grammar: "u" and hexadecimal digits, then emit
  GP g;
  GP::Rule* top = g.newRule();
  GP::State* t0 = g.newState();
  GP::State* h = g.addStep(t0, Char('u'));
  GP::State* t9 = g.newState();
  GP::State* d = g.addStep(h, GP::HexdigitStep());
  g.addAction(d, GP::ActionRecord::hexDigit());
  g.setImplicitCome(d, h);
  g.setImplicitCome(h, t9);
  g.addAction(t9, GP::ActionRecord::emitCodePoint());
  g.defineRule(top, t0, t9);
  g.compile(GetParam());
  EXPECT_EQ(runOn(g, *top, "u10FFFF").text, "\xF4\x8F\xBF\xBF");
  EXPECT_EQ(runOn(g, *top, "ud800").text, "\xED\xA0\x80");
}

TEST(GeneralParser, BrokenContractsReportTheirExpression) {
  EXPECT_EQ(assertionText([] {
              GP g;
              GP::State* s = g.newState();
              g.setImplicitCome(s, g.newState());
              g.setImplicitCome(s, g.newState());
            }),
            "!l.implicitCome");
  EXPECT_EQ(assertionText([] { GP::StringsStep empty(""); }), "string.size()>0");
  EXPECT_EQ(assertionText([] {
              GP g;
              GP::State* s = g.newState();
              g.addStep(s, Char('a'));
              g.copyState(*s);
            }),
            "r.steps.empty()");
  EXPECT_EQ(assertionText([] {
              GP g;
              GP::State* s = g.newState();
              g.setImplicitCome(s, g.newState());
              g.copyState(*s);
            }),
            "!r.implicitCome");
  EXPECT_EQ(assertionText([] {
              GP g;
              GP::Rule* r = g.newRule();
              GP::State* s = g.newState();
              g.callRule(s, r);
              g.copyState(*s);
            }),
            "r.calls.empty()");
  EXPECT_EQ(assertionText([] {
              GP::Parsing st;
              st.popNumber();
            }),
            "pointer > 0");
  EXPECT_EQ(assertionText([] {
              // a decimal-digit action on a byte that is not a digit
              GP g;
              GP::Rule* top = g.newRule();
              GP::State* t0 = g.newState();
              GP::State* t9 = g.addStep(t0, Char('x'));
              g.addAction(t9, GP::ActionRecord::decimalDigit());
              g.defineRule(top, t0, t9);
              g.compile();
              runOn(g, *top, "x");
            }),
            "c>='0' && c<='9'");
  EXPECT_EQ(assertionText([] {
              // a caller with a default calling a rule whose entry has one too
              GP g;
              GP::Rule* inner = g.newRule();
              GP::State* e0 = g.newState();
              GP::State* e1 = g.newState();
              g.addStep(e0, Char('q'), e1);
              g.setImplicitCome(e0, e1);
              g.defineRule(inner, e0, e1);
              GP::Rule* top = g.newRule();
              GP::State* t0 = g.newState();
              GP::State* t9 = g.newState();
              g.addStep(t0, Char('w'), t9);
              g.setImplicitCome(t0, t9);
              g.callRule(t0, inner);
              g.defineRule(top, t0, t9);
              g.compile();
            }),
            "!from->implicitCome ||!firstState->optimizedTo->implicitCome");
}

}  // namespace
