#include "console_lib/console_formatter.h"

#include <cwctype>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace {

using MEQA::Formatter::Glue;
using MEQA::Formatter::Str;
using MEQA::Formatter::StrElem;
using MEQA::Formatter::unbounded;
using MEQA::Formatter::Width;
using MEQA::Formatter::StrList::List;

std::wstring printed(const StrElem& element, Width width) {
  std::wostringstream out;
  element.print(out, width);
  return out.str();
}

std::wstring widen(const std::string& ascii) { return std::wstring(ascii.begin(), ascii.end()); }

// A banner line: the text between two blank glues, framed.
List centred(const std::string& text) {
  const Glue blank(L' ', 1);
  return "...:::" + blank + text + blank + ":::...";
}

TEST(Formatter, BorderFillsTheLineWithGlue) {
  const List border = "...:::" + Glue(L'=', 1) + ":::...";
  EXPECT_EQ(border.minWidth(), 12u);
  EXPECT_EQ(border.maxWidth(), unbounded);
  EXPECT_EQ(border.stretch(), 1.0f);
  std::wostringstream out;
  out << border.line();
  EXPECT_EQ(out.str(), L"...:::" + std::wstring(58, L'=') + L":::...\n");
}

TEST(Formatter, CentredTextGetsTheSmallerHalfOnTheLeft) {
  struct Case {
    std::string text;
    Width left;
    Width right;
  };
  const std::vector<Case> cases = {
      {"Orlo Vixo", 24, 25},
      {"", 29, 29},
      {"ab", 28, 28},
      {"abc", 27, 28},
      {std::string(58, 'x'), 0, 0},
      // Too long: the glue gets nothing and the line is as long as its fixed parts.
      {std::string(59, 'x'), 0, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(printed(centred(c.text), 70), L"...:::" + std::wstring(c.left, L' ') + widen(c.text) +
                                                std::wstring(c.right, L' ') + L":::...");
  }
}

TEST(Formatter, ListWithoutGlueKeepsItsMinimumWidth) {
  const List fixed = "ab" + Str("cd") + "ef";
  EXPECT_EQ(fixed.minWidth(), 6u);
  EXPECT_EQ(fixed.maxWidth(), 6u);
  EXPECT_EQ(fixed.stretch(), 0.0f);
  for (Width width : {Width{0}, Width{3}, Width{6}, Width{70}, unbounded}) {
    SCOPED_TRACE(width);
    EXPECT_EQ(printed(fixed, width), L"abcdef");
  }
}

TEST(Formatter, RoomIsSharedByRemainingStretch) {
  struct Case {
    const char* name;
    List list;
    Width width;
    std::wstring expected;
  };
  const std::vector<Case> cases = {
      // 7 extra: 7 * 1/4 = 1.75 gives 1, the last glue takes the 6 left.
      {"one to three", "[" + Glue(L'-', 1) + "x" + Glue(L'+', 3) + "]", 10, L"[-x++++++]"},
      // 10 extra over three equal glues: 3 (of 3.33), 3 (of 3.5), 4.
      {"three equal", "" + Glue(L'a', 1) + Glue(L'b', 1) + Glue(L'c', 1), 10, L"aaabbbcccc"},
      // Rounding of the stretches must not leave the line short.
      {"rounding", "[" + Glue(L'a', 0.1f) + Glue(L'b', 0.1f) + Glue(L'c', 0.1f) + "]", 3, L"[c]"},
      {"zero stretch glue", "[" + Glue(L'z', 0) + Glue(L'g', 1) + "]", 5, L"[ggg]"},
      // Stretches that cancel out must not grant more room than there is.
      {"cancelling", "[" + Glue(L'p', 1) + Glue(L'n', -1) + "]", 5, L"[ppp]"},
      {"nested", "x" + ("ab" + Glue(L'.', 2)), 6, L"xab..."},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(printed(c.list, c.width), c.expected);
  }
}

TEST(Formatter, JoiningLeavesItsOperandsUnchanged) {
  const Glue glue(L'-', 1);
  const List head = "A" + glue;
  const List withText = head + "B";
  const List withGlue = head + glue;
  EXPECT_EQ(head.children().size(), 2u);
  EXPECT_EQ(printed(head, 5), L"A----");
  EXPECT_EQ(printed(withText, 5), L"A---B");
  EXPECT_EQ(printed(withGlue, 5), L"A----");
  EXPECT_EQ(printed(glue, 3), L"---");
  // Copies share the children rather than copying them.
  const auto copy = std::dynamic_pointer_cast<List>(head.clone());
  ASSERT_NE(copy, nullptr);
  EXPECT_EQ(copy->children(), head.children());
  EXPECT_EQ(withText.children()[0], head.children()[0]);
}

TEST(Formatter, NarrowTextIsWidenedBytewise) {
  const Str text("\xC3\xA9!");
  EXPECT_EQ(text.minWidth(), 3u);
  EXPECT_EQ(printed(text, 70), L"\u00C3\u00A9!");
}

TEST(Banner, IsAFramedBoxOfCentredLinesWithCredits) {
  const std::wstring banner = makeConsoleBanner();
  ASSERT_FALSE(banner.empty());
  EXPECT_EQ(banner.back(), L'\n');
  std::vector<std::wstring> lines;
  std::wstringstream in(banner);
  for (std::wstring line; std::getline(in, line);) lines.push_back(line);
  ASSERT_EQ(lines.size(), 12u);

  const std::wstring border = L"...:::" + std::wstring(58, L'=') + L":::...";
  EXPECT_EQ(lines[0], border);
  EXPECT_EQ(lines[7], border);
  EXPECT_EQ(lines[1],
            L"...:::" + std::wstring(24, L' ') + L"Orlo Vixo" + std::wstring(25, L' ') + L":::...");
  for (size_t i = 1; i <= 6; ++i) {
    SCOPED_TRACE(i);
    const std::wstring& line = lines[i];
    ASSERT_EQ(line.size(), 70u);
    EXPECT_EQ(line.substr(0, 6), L"...:::");
    EXPECT_EQ(line.substr(64), L":::...");
    const std::wstring inner = line.substr(6, 58);
    const size_t first = inner.find_first_not_of(L' ');
    ASSERT_NE(first, std::wstring::npos);
    const size_t length = inner.find_last_not_of(L' ') + 1 - first;
    EXPECT_EQ(first, (58 - length) / 2);
  }
  // The build date as the compiler gives it: "Mmm dd yyyy", the day padded with a blank.
  // The 23 characters are centred in 58: 17 blanks before them.
  const std::wstring date = lines[6].substr(6 + 17 + 12, 11);
  EXPECT_EQ(lines[6].substr(6, 17 + 12), std::wstring(17, L' ') + L"Build date: ") << date;
  const std::wstring months = L"JanFebMarAprMayJunJulAugSepOctNovDec";
  const size_t month = months.find(date.substr(0, 3));
  EXPECT_TRUE(month != std::wstring::npos && month % 3 == 0) << date;
  EXPECT_TRUE(date[3] == L' ' && date[6] == L' ') << date;
  EXPECT_TRUE(date[4] == L' ' || (date[4] >= L'1' && date[4] <= L'3')) << date;
  for (size_t i : {5, 7, 8, 9, 10}) EXPECT_TRUE(iswdigit(date[i])) << date;
  EXPECT_EQ(lines[8], L"");
  for (size_t i : {9, 10}) {
    SCOPED_TRACE(i);
    EXPECT_FALSE(lines[i].empty());
    EXPECT_NE(lines[i].substr(0, 6), L"...:::");
  }
  EXPECT_EQ(lines[11], L"");
}

}  // namespace
