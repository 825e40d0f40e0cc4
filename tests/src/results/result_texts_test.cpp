// The texts of the results view: numbers as printf's "%f" writes them in the C locale, start
// times (the test runs with TZ=UTC), progress percentages and CSV quoting.
#include "results/result_texts.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <limits>
#include <random>

namespace {

TEST(ResultTexts, FixedTextIsPrintfsFixedNotation) {
  const struct {
    double value;
    const char* text;
  } rows[] = {
      {0, "0.000000"},
      {2, "2.000000"},
      {-0.5, "-0.500000"},
      {3.1316073, "3.131607"},
      {0.8683927, "0.868393"},
      {1e20, "100000000000000000000.000000"},
      {std::numeric_limits<double>::infinity(), "inf"},
      {-std::numeric_limits<double>::infinity(), "-inf"},
      {std::numeric_limits<double>::quiet_NaN(), "nan"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.text);
    EXPECT_EQ(fixedText(row.value), row.text);
  }
  EXPECT_EQ(fixedText(std::numeric_limits<double>::max()).size(), 309u + 7u);

  // Rounding of the sixth decimal as the C library does it, over many values of every scale.
  std::mt19937_64 random(7);
  std::uniform_real_distribution<double> mantissa(-10, 10);
  std::uniform_int_distribution<int> exponent(-9, 12);
  for (int i = 0; i < 20000; ++i) {
    const double value = std::ldexp(mantissa(random), exponent(random) * 2);
    char expected[512];
    std::snprintf(expected, sizeof expected, "%f", value);
    ASSERT_EQ(fixedText(value), expected) << value;
  }
}

TEST(ResultTexts, StartTimeIsCutToSecondsAndEmptyBefore1970) {
  constexpr int64_t kSecond = 10'000'000;
  const struct {
    int64_t ticks;
    const char* text;
  } rows[] = {
      {315'626'635 * kSecond + kSecond - 1, "Wed Jan 02 02:03:55 1980"},
      {0, "Thu Jan 01 00:00:00 1970"},
      {-1, "Thu Jan 01 00:00:00 1970"},  // truncated towards zero, as always
      {-kSecond, ""},
      {1'710'409'987 * kSecond, "Thu Mar 14 09:53:07 2024"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.ticks);
    EXPECT_EQ(startTimeText(row.ticks), row.text);
  }
}

TEST(ResultTexts, ProgressIsRoundedHalfUp) {
  const struct {
    double progress;
    const wchar_t* text;
  } rows[] = {
      {0, L"0%"},
      {0.456, L"46%"},
      {0.375, L"38%"},
      {0.004, L"0%"},
      {0.005, L"1%"},
      {1, L"100%"},
      // A damaged file's progress shows as 0% rather than overflowing.
      {std::numeric_limits<double>::quiet_NaN(), L"0%"},
      {1e300, L"0%"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.progress);
    EXPECT_EQ(progressText(row.progress), row.text);
  }
}

TEST(ResultTexts, CsvQuotesCellsWithLineEndsQuotesAndCommas) {
  const struct {
    std::string text;
    std::string quoted;
  } rows[] = {
      {"plain", "plain"},
      {"", ""},
      {"a,b", "\"a,b\""},
      {"x\"y", "\"x\"\"y\""},
      {"\"", "\"\"\"\""},
      {"two\nlines", "\"two\nlines\""},
      {"cr\rhere", "\"cr\rhere\""},
      {"tab\tand blank", "tab\tand blank"},
      {"\xC5\xBDlu\xC5\xA5ou\xC4\x8Dk\xC3\xBD", "\xC5\xBDlu\xC5\xA5ou\xC4\x8Dk\xC3\xBD"},
      {"0.500000", "0.500000"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.text);
    EXPECT_EQ(csvQuote(row.text), row.quoted);
  }
}

}  // namespace
