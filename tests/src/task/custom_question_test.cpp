#include "task/custom_question.h"

#include <gtest/gtest.h>

#include <clocale>
#include <limits>
#include <set>
#include <sstream>
#include <string>

#include "avifile/avi_system.h"

namespace {

using namespace std::string_literals;

struct ExpectedVariant {
  double rank;
  std::wstring text;
};

struct ExpectedQuestion {
  std::wstring key;
  std::wstring text;
  std::vector<ExpectedVariant> variants;
  double minimumRank = 0;
  double maximumRank = 0;
};

void expectQuestions(const std::vector<CustomQuestion>& got,
                     const std::vector<ExpectedQuestion>& want) {
  ASSERT_EQ(got.size(), want.size());
  for (size_t q = 0; q < want.size(); ++q) {
    SCOPED_TRACE("question " + std::to_string(q));
    EXPECT_EQ(got[q].key, want[q].key);
    EXPECT_EQ(got[q].text, want[q].text);
    ASSERT_EQ(got[q].variants.size(), want[q].variants.size());
    for (size_t v = 0; v < want[q].variants.size(); ++v) {
      EXPECT_EQ(got[q].variants[v].rank, want[q].variants[v].rank) << "variant " << v;
      EXPECT_EQ(got[q].variants[v].text, want[q].variants[v].text) << "variant " << v;
    }
    EXPECT_EQ(got[q].minimumRank, want[q].minimumRank);
    EXPECT_EQ(got[q].maximumRank, want[q].maximumRank);
  }
}

TEST(CustomQuestionParser, ReadsQuestionsKeysAndVariants) {
  const struct {
    const char* name;
    std::wstring text;
    std::vector<ExpectedQuestion> questions;
  } rows[] = {
      {"two blocks split by two blank lines",
       L"Q\n1 a\n\n\nR\n2 b",
       {{L"", L"Q", {{1, L"a"}}, 1, 1}, {L"", L"R", {{2, L"b"}}, 2, 2}}},
      {"key before the question", L"[[k]] Q", {{L"k", L"Q", {}}}},
      {"question between blanks has no key", L" Q ", {{L"", L"Q", {}}}},
      {"key kept as written, question trimmed",
       L"[[ my key ]]\tWhat?  \n1 yes",
       {{L" my key ", L"What?", {{1, L"yes"}}, 1, 1}}},
      {"empty key", L"[[]] Q", {{L"", L"Q", {}}}},
      {"key ends at the first closing pair", L"[[a]]]] Q", {{L"a", L"]] Q", {}}}},
      {"closing pair without opening is part of the question", L"]] Q", {{L"", L"]] Q", {}}}},
      {"CRLF line ends",
       L"Q\r\n1 a\r\n\r\n[[r]] R\r\n2 b\r\n",
       {{L"", L"Q", {{1, L"a"}}, 1, 1}, {L"r", L"R", {{2, L"b"}}, 2, 2}}},
      {"blank lines of white space before, between and after",
       L"\n  \n\t\r\nQ\n1 a\n \t \nR\n\n\n",
       {{L"", L"Q", {{1, L"a"}}, 1, 1}, {L"", L"R", {}}}},
      {"rank ends at the first blank or tab, the text is trimmed",
       L"Q\n-0.5\t  Left  is   better \t\n1 \tRight",
       {{L"", L"Q", {{-0.5, L"Left  is   better"}, {1, L"Right"}}, -0.5, 1}}},
      {"range over unordered ranks",
       L"Q\n3 c\n5 e\n1 a\n4 d",
       {{L"", L"Q", {{3, L"c"}, {5, L"e"}, {1, L"a"}, {4, L"d"}}, 1, 5}}},
      {"number forms",
       L"Q\n1e2 a\n+2 b\n.5 c\n-0 d\n7. e\n0x10 f\n1e-400 g",
       {{L"",
         L"Q",
         {{100, L"a"}, {2, L"b"}, {0.5, L"c"}, {-0.0, L"d"}, {7, L"e"}, {16, L"f"}, {0, L"g"}},
         0,
         100}}},
      {"text beyond ASCII",
       L"[[cl\u00e9]] Qu\u00e9?\n1 s\u00ed\n0 \U0001F600",
       {{L"cl\u00e9", L"Qu\u00e9?", {{1, L"s\u00ed"}, {0, L"\U0001F600"}}, 0, 1}}},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    std::vector<CustomQuestion> questions;
    const CustomQuestionParseResult result = parseCustomQuestions(questions, row.text);
    EXPECT_EQ(result.status, CustomQuestionParseResult::QuestionRead);
    EXPECT_EQ(result.line, -1);
    EXPECT_EQ(result.message, L"");
    expectQuestions(questions, row.questions);
  }
}

TEST(CustomQuestionParser, ReportsTheFirstErrorWithItsLine) {
  const struct {
    std::wstring text;
    int line;
    std::wstring message;
    size_t questionsBefore;
  } rows[] = {
      {L"Q\n1a", 2, L"You should specify rank for variant", 0},
      {L"Q\nx a", 2, L"Incorrect rank for variant. Should be a number", 0},
      {L"[[k Q", 1, L"Key not ended", 0},
      {L"[[k]]", 1, L"Empty questions not allowed", 0},
      {L"[[k]]  \t\r", 1, L"Empty questions not allowed", 0},
      {L"[[k]\n1 a", 1, L"Key not ended", 0},
      {L"", 1, L"Specify at least one custom question", 0},
      {L"   ", 2, L"Specify at least one custom question", 0},
      {L"\n \n\t\n", 4, L"Specify at least one custom question", 0},
      {L"\r\n\r\n", 3, L"Specify at least one custom question", 0},
      // Blank lines are counted.
      {L"\n\nQ\n1 a\n2b", 5, L"You should specify rank for variant", 0},
      // Later errors after complete questions; those stay read.
      {L"Q\n1 a\n\nR\n2 b\n3x", 6, L"You should specify rank for variant", 1},
      {L"Q\n1 a\n\n\n[[r R\n2 b", 5, L"Key not ended", 1},
      {L"Q\r\n1 a\r\n\r\nR\r\n\r\nS\r\n1,5 c", 7, L"Incorrect rank for variant. Should be a number",
       2},
      // Only the first error counts.
      {L"Q\n1a\nx b", 2, L"You should specify rank for variant", 0},
      // A vertical tab or form feed is white space at the ends but does not split a rank.
      {L"Q\n1\va", 2, L"You should specify rank for variant", 0},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(toUtf8(row.text));
    std::vector<CustomQuestion> questions;
    const CustomQuestionParseResult result = parseCustomQuestions(questions, row.text);
    EXPECT_EQ(result.status, CustomQuestionParseResult::Error);
    EXPECT_EQ(result.line, row.line);
    EXPECT_EQ(result.message, row.message);
    EXPECT_EQ(questions.size(), row.questionsBefore);
  }
}

TEST(CustomQuestionParser, RankMustBeAWholeFiniteNumber) {
  const std::wstring rejected[] = {
      L"x",       L"1,5", L"1..2", L"-",        L"+",     L"+-1",    L"--1",
      L"1e",      L"e5",  L".",    L"0x",       L"1x",    L"1.2.",   L"nan",
      L"NaN",     L"inf", L"-inf", L"infinity", L"1e999", L"-1e999",
      L"\uff11",   // a full-width digit one
      L"1\u00a0",  // a no-break space is not white space
      L"1\0"s,     // an embedded NUL must not end the number early
      L"\xd800",   // not a Unicode scalar value: no UTF-8 form
  };
  for (const std::wstring& rank : rejected) {
    SCOPED_TRACE(toUtf8(rank));
    std::vector<CustomQuestion> questions;
    const CustomQuestionParseResult result =
        parseCustomQuestions(questions, L"Q\n" + rank + L" variant");
    EXPECT_EQ(result.status, CustomQuestionParseResult::Error);
    EXPECT_EQ(result.line, 2);
    EXPECT_EQ(result.message, L"Incorrect rank for variant. Should be a number");
  }
}

TEST(CustomQuestionParser, RankDoesNotFollowTheProcessLocale) {
  // GTK sets the process locale from the environment; a comma locale must change nothing.
  const char* const commaLocales[] = {"de_DE.UTF-8", "de_DE.utf8", "fr_FR.UTF-8", "ru_RU.UTF-8"};
  const std::string before = std::setlocale(LC_ALL, nullptr);
  const char* set = nullptr;
  for (const char* name : commaLocales)
    if ((set = std::setlocale(LC_ALL, name))) break;
  if (!set) GTEST_SKIP() << "no locale with a decimal comma is installed";

  std::vector<CustomQuestion> questions;
  const CustomQuestionParseResult point = parseCustomQuestions(questions, L"Q\n0.5 a");
  std::vector<CustomQuestion> others;
  const CustomQuestionParseResult comma = parseCustomQuestions(others, L"Q\n0,5 a");
  std::setlocale(LC_ALL, before.c_str());

  EXPECT_EQ(point.status, CustomQuestionParseResult::QuestionRead);
  ASSERT_EQ(questions.size(), 1u);
  ASSERT_EQ(questions[0].variants.size(), 1u);
  EXPECT_EQ(questions[0].variants[0].rank, 0.5);
  EXPECT_EQ(comma.status, CustomQuestionParseResult::Error);
}

TEST(CustomQuestionParser, OneQuestionAtATimeWithLineNumbers) {
  std::wistringstream in(L"\nQ\n1 a\n2 b\n\n\nR\n");
  CustomQuestion question;

  // A question starts where the caller's count says and ends after its closing blank line.
  CustomQuestionParseResult result = parseCustomQuestion(question, in, 10);
  EXPECT_EQ(result.status, CustomQuestionParseResult::QuestionRead);
  EXPECT_EQ(result.line, 15);
  EXPECT_EQ(result.message, L"");
  EXPECT_EQ(question.text, L"Q");
  ASSERT_EQ(question.variants.size(), 2u);
  EXPECT_EQ(question.minimumRank, 1);
  EXPECT_EQ(question.maximumRank, 2);

  // The same object is refilled: nothing of the previous question stays.
  result = parseCustomQuestion(question, in, result.line);
  EXPECT_EQ(result.status, CustomQuestionParseResult::QuestionRead);
  EXPECT_EQ(result.line, 17);
  EXPECT_EQ(question.text, L"R");
  EXPECT_TRUE(question.variants.empty());
  EXPECT_EQ(question.minimumRank, 0);
  EXPECT_EQ(question.maximumRank, 0);

  result = parseCustomQuestion(question, in, result.line);
  EXPECT_EQ(result.status, CustomQuestionParseResult::TextEnded);
  EXPECT_EQ(result.line, 17);
  EXPECT_EQ(result.message, L"");

  // Only blank lines left: each is counted before the text ends.
  std::wistringstream blanks(L"\n \n");
  result = parseCustomQuestion(question, blanks, 3);
  EXPECT_EQ(result.status, CustomQuestionParseResult::TextEnded);
  EXPECT_EQ(result.line, 5);

  std::wistringstream bad(L"\n\nQ\n1 a\nzz b");
  result = parseCustomQuestion(question, bad, 7);
  EXPECT_EQ(result.status, CustomQuestionParseResult::Error);
  EXPECT_EQ(result.line, 11);
  EXPECT_EQ(result.message, L"Incorrect rank for variant. Should be a number");
}

TEST(CustomQuestionParser, StreamAndTextGiveTheSameAndQuestionsAreAppended) {
  const std::wstring text = L"[[a]] A\n1 x\n\nB\n2 y\n3 z\n";
  std::vector<CustomQuestion> fromText{CustomQuestion{L"old", L"kept", {}, 0, 0}};
  std::wistringstream in(text);
  std::vector<CustomQuestion> fromStream;
  const CustomQuestionParseResult a = parseCustomQuestions(fromText, text);
  const CustomQuestionParseResult b = parseCustomQuestions(fromStream, in);
  EXPECT_EQ(a.status, CustomQuestionParseResult::QuestionRead);
  EXPECT_EQ(b.status, CustomQuestionParseResult::QuestionRead);
  ASSERT_EQ(fromText.size(), 3u);
  EXPECT_EQ(fromText[0].text, L"kept");
  fromText.erase(fromText.begin());
  expectQuestions(fromText,
                  {{L"a", L"A", {{1, L"x"}}, 1, 1}, {L"", L"B", {{2, L"y"}, {3, L"z"}}, 2, 3}});
  expectQuestions(fromStream,
                  {{L"a", L"A", {{1, L"x"}}, 1, 1}, {L"", L"B", {{2, L"y"}, {3, L"z"}}, 2, 3}});
}

TEST(QuestionHelpTemplates, TitlesSamplesAndEverySampleParses) {
  const auto& templates = questionHelpTemplates();
  EXPECT_EQ(&templates, &questionHelpTemplates());
  ASSERT_EQ(templates.size(), 4u);
  EXPECT_EQ(templates[0].first, "one simple question");
  EXPECT_EQ(templates[0].second,
            L"Please, evaluate quality of watched video\n5 Excellent\n4 Good\n3 Fair\n2 Poor\n1 "
            L"Bad");
  EXPECT_EQ(templates[1].first, "one question for pair");
  EXPECT_EQ(templates[1].second,
            L"Please, choose better video\n-1 Left is much better\n-0.5 Left is slightly "
            L"better\n0 Can't choose\n0.5 Right is slightly better\n1 Right is better");
  EXPECT_EQ(templates[2].first, "multiple questions");
  EXPECT_EQ(templates[2].second,
            L"Did you satisfied content of wathed video?\n1 Yes\n0 No\n\nWas the content "
            L"annoying?\n1 Yes\n0 No\n\nWas the content boring?\n1 Yes\n0 No");
  EXPECT_EQ(templates[3].first, "multiple questions with keys");
  EXPECT_EQ(templates[3].second,
            L"[[sat]] Did you satisfied content of wathed video?\n1 Yes\n0 No\n\n[[ann]] Was "
            L"the content annoying?\n1 Yes\n0 No\n\n[[bor]] Was the content boring?\n1 Yes\n0 "
            L"No");

  const std::vector<ExpectedVariant> yesNo{{1, L"Yes"}, {0, L"No"}};
  const std::vector<ExpectedQuestion> expected[] = {
      {{L"",
        L"Please, evaluate quality of watched video",
        {{5, L"Excellent"}, {4, L"Good"}, {3, L"Fair"}, {2, L"Poor"}, {1, L"Bad"}},
        1,
        5}},
      {{L"",
        L"Please, choose better video",
        {{-1, L"Left is much better"},
         {-0.5, L"Left is slightly better"},
         {0, L"Can't choose"},
         {0.5, L"Right is slightly better"},
         {1, L"Right is better"}},
        -1,
        1}},
      {{L"", L"Did you satisfied content of wathed video?", yesNo, 0, 1},
       {L"", L"Was the content annoying?", yesNo, 0, 1},
       {L"", L"Was the content boring?", yesNo, 0, 1}},
      {{L"sat", L"Did you satisfied content of wathed video?", yesNo, 0, 1},
       {L"ann", L"Was the content annoying?", yesNo, 0, 1},
       {L"bor", L"Was the content boring?", yesNo, 0, 1}},
  };
  for (size_t i = 0; i < templates.size(); ++i) {
    SCOPED_TRACE(templates[i].first);
    std::vector<CustomQuestion> questions;
    const CustomQuestionParseResult result = parseCustomQuestions(questions, templates[i].second);
    EXPECT_EQ(result.status, CustomQuestionParseResult::QuestionRead);
    EXPECT_EQ(result.message, L"");
    expectQuestions(questions, expected[i]);
  }
}

TEST(VariantLabel, LettersByIndex) {
  const struct {
    int index;
    const char* label;
  } rows[] = {{-1, "Reference"}, {-100, "Reference"}, {0, "A"},    {1, "B"},    {25, "Z"},
              {26, "BB"},        {49, "BY"},          {50, "CA"},  {624, "YY"}, {625, "ZA"},
              {649, "ZY"},       {650, "BBA"},        {651, "BBB"}};
  for (const auto& row : rows) {
    SCOPED_TRACE(row.index);
    EXPECT_EQ(variantLabel(row.index), row.label);
  }
}

TEST(VariantLabel, UniqueAndAlwaysCapitalLetters) {
  std::set<std::string> seen;
  for (int index = 0; index < 20000; ++index) {
    const std::string label = variantLabel(index);
    ASSERT_FALSE(label.empty()) << index;
    for (char c : label) ASSERT_TRUE(c >= 'A' && c <= 'Z') << index << ": " << label;
    ASSERT_TRUE(seen.insert(label).second) << index << " repeats " << label;
  }
  const std::string largest = variantLabel(std::numeric_limits<int>::max());
  for (char c : largest) EXPECT_TRUE(c >= 'A' && c <= 'Z') << largest;
  EXPECT_EQ(seen.count(largest), 0u);
}

}  // namespace
