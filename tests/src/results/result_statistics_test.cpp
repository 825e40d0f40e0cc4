// The summary rows: the examples of means, intervals and deviations, the accumulators against a
// plain two-pass computation, and the Bradley-Terry fit on cases worked out beforehand,
// including ones that stop early and ones that run out of iterations.
#include "results/result_statistics.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

namespace {

using Calculator = ResultStatistics::ConfInterval95Calculator;
using Displayer = ResultStatistics::ConfIntervalDisplayer;
using BradleyTerry = ResultStatistics::BradleyTerryCalculator;

// The four rows in the dialog's order.
struct Rows {
  explicit Rows(const Calculator& c)
      : mean(&c, Displayer::Mean),
        lower(&c, Displayer::Lower95),
        upper(&c, Displayer::Upper95),
        deviation(&c, Displayer::StdDev) {}
  Displayer mean, lower, upper, deviation;
};

// A cell as the table shows it: "%f", empty for NaN.
std::string cell(double value) {
  if (std::isnan(value)) return "";
  char text[64];
  std::snprintf(text, sizeof text, "%f", value);
  return text;
}

TEST(ConfidenceInterval, ExamplesAsTheTableShowsThem) {
  struct Row {
    std::vector<float> values;
    std::string mean, upper, lower, deviation;
  };
  const Row rows[] = {
      {{1, 2, 3}, "2.000000", "3.131607", "0.868393", "1.000000"},
      {{4, 5}, "4.500000", "5.480000", "3.520000", "0.707107"},
      {{0.75f}, "0.750000", "", "", ""},
      {{}, "", "", "", ""},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.mean);
    Calculator c;
    c.add(2, 9.0f);  // another file's values do not mix in
    for (float v : row.values) c.add(0, v);
    const Rows r(c);
    EXPECT_EQ(cell(r.mean.value(0)), row.mean);
    EXPECT_EQ(cell(r.upper.value(0)), row.upper);
    EXPECT_EQ(cell(r.lower.value(0)), row.lower);
    EXPECT_EQ(cell(r.deviation.value(0)), row.deviation);
  }
}

TEST(ConfidenceInterval, FilesWithoutValuesAndLabels) {
  Calculator c;
  const Rows r(c);
  EXPECT_FALSE(r.mean.valid());
  c.add(3, 0.5f);
  c.add(-1, 0.5f);  // ignored
  EXPECT_TRUE(r.mean.valid());
  EXPECT_TRUE(r.deviation.valid());
  EXPECT_EQ(c.count, (std::vector<int32_t>{0, 0, 0, 1}));
  for (int file : {-1, 0, 2, 4, 1000}) {
    SCOPED_TRACE(file);
    EXPECT_TRUE(std::isnan(r.mean.value(file)));
    EXPECT_TRUE(std::isnan(r.upper.value(file)));
  }
  EXPECT_TRUE(std::isnan(Displayer(&c, 4).value(3)));
  EXPECT_EQ(Displayer(&c, 4).header(), Displayer::Header());
  EXPECT_EQ(r.mean.header(), (Displayer::Header{L"[avg]", L"mean"}));
  EXPECT_EQ(r.upper.header(), (Displayer::Header{L"[conf. int.]", L"95% upper"}));
  EXPECT_EQ(r.lower.header(), (Displayer::Header{L"[conf. int.]", L"95% lower"}));
  EXPECT_EQ(r.deviation.header(), (Displayer::Header{L"[conf. int.]", L"std dev"}));
  // The statistics reach the dialog through the interface.
  const ResultStatistics::AverageDisplayer& shown = r.mean;
  EXPECT_EQ(shown.value(3), 0.5);
}

TEST(ConfidenceInterval, SquaresAreFormedInSinglePrecision) {
  Calculator c;
  c.add(0, 0.1f);
  c.add(0, 0.3f);
  EXPECT_EQ(c.sum[0], static_cast<double>(0.1f) + static_cast<double>(0.3f));
  EXPECT_EQ(c.sumOfSquares[0], static_cast<double>(0.1f * 0.1f) + static_cast<double>(0.3f * 0.3f));
  EXPECT_NE(c.sumOfSquares[0], static_cast<double>(0.1f) * 0.1f + static_cast<double>(0.3f) * 0.3f);
}

// Equal values spread by 0, whatever rounding the single-precision squares bring (SAMVIQ
// marks / 100 are no binary fractions).
TEST(ConfidenceInterval, EqualValuesHaveNoSpread) {
  for (int mark = 0; mark <= 100; ++mark) {
    for (int n : {2, 3, 7, 20}) {
      Calculator c;
      for (int i = 0; i < n; ++i) c.add(0, static_cast<float>(mark) / 100.0f);
      Rows rows(c);
      SCOPED_TRACE(std::to_string(mark) + " x " + std::to_string(n));
      ASSERT_FALSE(std::isnan(rows.deviation.value(0)));
      EXPECT_LT(rows.deviation.value(0), 1e-3);  // the single-precision squares keep a trace
      EXPECT_FALSE(std::isnan(rows.lower.value(0)));
      EXPECT_FALSE(std::isnan(rows.upper.value(0)));
    }
  }
}

// The accumulators against the textbook two-pass formulas on random data: exactly for values
// that squares keep exact (quarters, as DSIS gives), closely for any others.
TEST(ConfidenceInterval, AgreesWithATwoPassComputation) {
  std::mt19937 random(20240611);
  for (bool quarters : {true, false}) {
    SCOPED_TRACE(quarters ? "quarters" : "any values");
    Calculator c;
    std::vector<std::vector<float>> values(6);
    for (size_t file = 0; file < values.size(); ++file) {
      const int n = std::uniform_int_distribution<int>(0, 300)(random);
      for (int k = 0; k < n; ++k) {
        const float v = quarters ? std::uniform_int_distribution<int>(0, 4)(random) * 0.25f
                                 : std::uniform_real_distribution<float>(-1.0f, 1.0f)(random);
        values[file].push_back(v);
        c.add(static_cast<int>(file), v);
      }
    }
    const Rows r(c);
    const double tolerance = quarters ? 1e-12 : 1e-6;
    for (size_t file = 0; file < values.size(); ++file) {
      SCOPED_TRACE(file);
      const std::vector<float>& v = values[file];
      const double n = static_cast<double>(v.size());
      if (v.size() < 2) continue;
      double sum = 0;
      for (float x : v) sum += x;
      const double mean = sum / n;
      double squares = 0;
      for (float x : v) squares += (x - mean) * (x - mean);
      const double deviation = std::sqrt(squares / (n - 1));
      const double half = 1.96 * deviation / std::sqrt(n);
      const int f = static_cast<int>(file);
      EXPECT_NEAR(r.mean.value(f), mean, 1e-12);
      EXPECT_NEAR(r.deviation.value(f), deviation, tolerance * deviation);
      EXPECT_NEAR(r.upper.value(f), mean + half, tolerance);
      EXPECT_NEAR(r.lower.value(f), mean - half, tolerance);
    }
  }
}

// ---------------------------------------------------------------- Bradley-Terry

TEST(BradleyTerry, ComparisonTotals) {
  BradleyTerry bt;
  EXPECT_EQ(bt.addComparison(0, 1, 1.0), 1.0);
  EXPECT_EQ(bt.addComparison(1, 0, 0.5), 1.5);
  EXPECT_EQ(bt.addComparison(2, 2, 2.0), 2.0);  // a file against itself: its wins count twice
  EXPECT_TRUE(std::isnan(bt.addComparison(-1, 0, 1.0)));
  const std::map<std::pair<int, int>, double> totals{
      {{0, 0}, 1.0}, {{0, 1}, 1.5}, {{1, 0}, 1.5}, {{1, 1}, 0.5}, {{2, 2}, 4.0}};
  EXPECT_EQ(bt.totals, totals);
  EXPECT_EQ(bt.maxIndex, 2);
  EXPECT_EQ(bt.addComparison(2, 2, 1.0), 5.0);
}

TEST(BradleyTerry, WeightsOfWorkedCases) {
  struct Comparison {
    int winner, loser;
    double weight;
  };
  struct Row {
    const char* what;
    std::vector<Comparison> comparisons;
    std::vector<double> weights;
  };
  // Worked out beforehand, iteration by iteration, with the numerator max index + wins - 1.
  const Row rows[] = {
      {"three wins of file 0", {{0, 1, 1}, {0, 1, 1}, {0, 1, 1}}, {1.0, 0.0}},
      {"wins both ways", {{0, 1, 2}, {1, 0, 1}}, {2.0 / 3, 1.0 / 3}},
      {"a cycle", {{0, 1, 1}, {1, 2, 1}, {2, 0, 1}}, {1.0 / 3, 1.0 / 3, 1.0 / 3}},
      {"stops after 26 iterations",
       {{0, 2, 0.75}, {2, 1, 0.5}},
       {0.47388721567893927, 0.30947831753326716, 0.21663446678779347}},
      {"stops after 43 iterations",
       {{1, 0, 0.5}, {0, 2, 0.25}},
       {0.15384653359351577, 0.23077005573919662, 0.6153834106672876}},
      {"runs out of its 100 iterations",
       {{2, 1, 0.5}, {1, 0, 1.0}},
       {0.0033284880628567754, 0.006623573975073962, 0.9900479379620692}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    BradleyTerry bt;
    for (const Comparison& c : row.comparisons) bt.addComparison(c.winner, c.loser, c.weight);
    bt.fit();
    ASSERT_EQ(bt.w.size(), row.weights.size());
    double sum = 0;
    for (size_t i = 0; i < row.weights.size(); ++i) {
      EXPECT_NEAR(bt.value(static_cast<int>(i)), row.weights[i], 1e-14) << i;
      sum += bt.w[i];
    }
    EXPECT_NEAR(sum, 1.0, 1e-12);
    // A second fit starts again from 1.0 and ends where the first did.
    const std::vector<double> first = bt.w;
    bt.fit();
    EXPECT_EQ(bt.w, first);
  }
}

TEST(BradleyTerry, FilesOutsideTheComparisons) {
  BradleyTerry bt;
  EXPECT_FALSE(bt.valid());
  bt.fit();
  EXPECT_TRUE(bt.w.empty() && bt.p.empty());
  EXPECT_EQ(bt.value(0), 0.0);

  bt.addComparison(0, 2, 1.0);
  bt.addComparison(2, 0, 1.0);
  bt.fit();
  EXPECT_TRUE(bt.valid());
  EXPECT_EQ(bt.value(0), 0.5);
  EXPECT_TRUE(std::isnan(bt.value(1)));  // within the files compared, never compared itself
  EXPECT_EQ(bt.value(2), 0.5);
  EXPECT_EQ(bt.value(3), 0.0);
  EXPECT_EQ(bt.value(-1), 0.0);
  EXPECT_EQ(bt.header(), (BradleyTerry::Header{L"[Bradley-Terry]", L"weight"}));
}

TEST(BradleyTerry, PairAnswersBelowZeroAreWonByTheFirstFile) {
  const struct {
    float value;
    int winner, loser;
    double weight;
  } rows[] = {
      {-2.0f, 4, 7, 2.0},  // the first (left) file better
      {0.5f, 7, 4, 0.5},   // the second better
      {0.0f, 4, 7, 0.0},   // undecided: a comparison of weight 0
      {-0.25f, 4, 7, 0.25},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.value);
    const PairComparison c = comparisonOfPairAnswer(4, 7, row.value);
    EXPECT_EQ(c.winner, row.winner);
    EXPECT_EQ(c.loser, row.loser);
    EXPECT_EQ(c.weight, row.weight);
  }
  // Answers of -2 for (A, B), twice, and 1 for (A, B): A was judged better overall.
  BradleyTerry bt;
  for (float value : {-2.0f, -2.0f, 1.0f}) {
    const PairComparison c = comparisonOfPairAnswer(0, 1, value);
    bt.addComparison(c.winner, c.loser, c.weight);
  }
  bt.fit();
  EXPECT_GT(bt.value(0), bt.value(1));
  EXPECT_NEAR(bt.value(0), 0.8, 1e-12);
}

}  // namespace
