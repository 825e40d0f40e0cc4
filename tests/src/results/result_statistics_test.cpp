// The summary rows: the examples of means, intervals and deviations, the accumulators against a
// plain two-pass computation, and the Bradley-Terry fit on cases worked out beforehand, on the
// rankings the comparisons make plain, per set of files compared with each other, and on random
// comparisons against a maximum-likelihood fit of the test's own.
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
  // The wins over other files, which the fit goes by.
  EXPECT_EQ(bt.wins, (std::vector<double>{1.0, 0.5, 0.0}));
  for (double weight : {-1.0, std::nan(""), HUGE_VAL}) {
    SCOPED_TRACE(weight);
    EXPECT_TRUE(std::isnan(bt.addComparison(0, 1, weight)));
  }
  EXPECT_EQ(bt.totals.at({0, 1}), 1.5);
  EXPECT_EQ(bt.wins, (std::vector<double>{1.0, 0.5, 0.0}));
}

struct Comparison {
  int winner, loser;
  double weight;
};

BradleyTerry fitted(const std::vector<Comparison>& comparisons) {
  BradleyTerry bt;
  for (const Comparison& c : comparisons) bt.addComparison(c.winner, c.loser, c.weight);
  bt.fit();
  return bt;
}

// Every weight a number from 0 to 1; the weights of the files given sum to 1.
void expectWeightsOfASet(const BradleyTerry& bt, const std::vector<int>& set) {
  for (double v : bt.w) EXPECT_TRUE(v >= 0 && v <= 1) << v;
  double sum = 0;
  for (int i : set) sum += bt.value(i);
  EXPECT_NEAR(sum, 1.0, 1e-12);
}

TEST(BradleyTerry, WeightsOfWorkedCases) {
  struct Row {
    const char* what;
    std::vector<Comparison> comparisons;
    std::vector<double> weights;
  };
  const Row rows[] = {
      {"three wins of file 0", {{0, 1, 1}, {0, 1, 1}, {0, 1, 1}}, {1.0, 0.0}},
      {"wins both ways", {{0, 1, 2}, {1, 0, 1}}, {2.0 / 3, 1.0 / 3}},
      {"a cycle", {{0, 1, 1}, {1, 2, 1}, {2, 0, 1}}, {1.0 / 3, 1.0 / 3, 1.0 / 3}},
      // Without a comparison of 0 and 2 each pair's ratio is its own: 2 to 1, twice.
      {"a chain won 2 to 1 at each link",
       {{0, 1, 2}, {1, 0, 1}, {1, 2, 0.5}, {2, 1, 0.25}},
       {4.0 / 7, 2.0 / 7, 1.0 / 7}},
      // Pairs (0, 1) and (1, 2) won 3 to 1 by the lower index, (0, 2) 1 to 1: by symmetry the
      // weights are r, 1 and 1/r (scaled), and the wins of file 0 give r^3 - r^2 - 2 = 0.
      {"three files, every pair compared",
       {{0, 1, 3}, {1, 0, 1}, {1, 2, 3}, {2, 1, 1}, {0, 2, 1}, {2, 0, 1}},
       {0.5161117449569453, 0.304379230440138, 0.1795090246029168}},
      {"ties only", {{0, 1, 0}, {1, 0, 0}, {2, 1, 0}}, {1.0 / 3, 1.0 / 3, 1.0 / 3}},
      // A tie adds nothing to the wins nor to the pair's total.
      {"ties beside wins", {{0, 1, 2}, {1, 0, 0}, {1, 0, 1}, {0, 1, 0}}, {2.0 / 3, 1.0 / 3}},
      {"a file compared with itself", {{0, 1, 1}, {1, 0, 1}, {1, 1, 5}}, {0.5, 0.5}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    BradleyTerry bt = fitted(row.comparisons);
    ASSERT_EQ(bt.w.size(), row.weights.size());
    for (size_t i = 0; i < row.weights.size(); ++i)
      EXPECT_NEAR(bt.value(static_cast<int>(i)), row.weights[i], 1e-10) << i;
    std::vector<int> all(row.weights.size());
    for (size_t i = 0; i < all.size(); ++i) all[i] = static_cast<int>(i);
    expectWeightsOfASet(bt, all);
    // A second fit starts again and ends where the first did.
    const std::vector<double> first = bt.w;
    bt.fit();
    EXPECT_EQ(bt.w, first);
  }
}

// Rankings anyone reads off the comparisons: the file that won all of its comparisons on top,
// the one that won none at 0 at the bottom, however few comparisons either had.
TEST(BradleyTerry, RanksAsTheComparisonsSay) {
  struct Row {
    const char* what;
    std::vector<Comparison> comparisons;
    int top;     // strictly above every other file
    int bottom;  // 0, strictly below every file that won something
  };
  // Files 0, 1 and 2 won and lost against each other.
  const std::vector<Comparison> mixed = {{0, 1, 1},       {1, 0, 2.0 / 3}, {1, 2, 1},
                                         {2, 1, 1.0 / 3}, {2, 0, 1},       {0, 2, 1.0 / 3}};
  auto with = [&mixed](std::vector<Comparison> more) {
    more.insert(more.begin(), mixed.begin(), mixed.end());
    return more;
  };
  const Row rows[] = {
      // A seven-step pass: file 3 lost or tied each of its comparisons.
      {"lost or tied all", with({{0, 3, 1.0 / 3}, {3, 1, 0}, {2, 3, 1}}), -1, 3},
      {"lost its only comparison", with({{0, 3, 1.0 / 3}}), -1, 3},
      {"won its only comparison", with({{3, 1, 1.0 / 3}}), 3, -1},
      {"won all, lost all", with({{3, 0, 1}, {3, 1, 1}, {3, 2, 1}, {0, 4, 1}, {2, 4, 1}}), 3, 4},
      {"one comparison only", {{1, 0, 1.0 / 3}}, 1, 0},
      {"a ladder", {{0, 1, 1}, {1, 2, 1}, {2, 3, 1}, {0, 2, 1}}, 0, 3},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    const BradleyTerry bt = fitted(row.comparisons);
    const int files = static_cast<int>(bt.w.size());
    std::vector<int> all;
    for (int i = 0; i < files; ++i) all.push_back(i);
    expectWeightsOfASet(bt, all);
    for (int i = 0; i < files; ++i) {
      if (row.top >= 0 && i != row.top) {
        EXPECT_GT(bt.value(row.top), bt.value(i)) << i;
      }
    }
    if (row.bottom >= 0) {
      EXPECT_EQ(bt.value(row.bottom), 0.0);
      for (const Comparison& c : row.comparisons) {
        if (c.weight > 0) {
          EXPECT_GT(bt.value(c.winner), 0.0) << c.winner;
        }
      }
    }
  }
  // The ladder's rungs stay in order, the lowest that won anything above the one that did not.
  const BradleyTerry ladder = fitted(rows[5].comparisons);
  EXPECT_GT(ladder.value(1), ladder.value(2));
  EXPECT_GT(ladder.value(2), ladder.value(3));
}

// The same on random comparisons: whichever file won each of its comparisons comes first and
// whichever won none gets 0, in sets of any shape, without NaN or infinity.
TEST(BradleyTerry, RandomSetsWithAWinnerAndALoser) {
  std::mt19937 random(7041);
  for (int round = 0; round < 300; ++round) {
    SCOPED_TRACE(round);
    const int files = std::uniform_int_distribution<int>(2, 9)(random);
    const int winner = std::uniform_int_distribution<int>(0, files - 1)(random);
    int loser = std::uniform_int_distribution<int>(0, files - 2)(random);
    if (loser >= winner) ++loser;
    std::uniform_int_distribution<int> mark(-3, 3);
    std::vector<Comparison> comparisons;
    // A path through all files makes one set; more pairs at random.
    for (int i = 1; i < files; ++i) {
      const int j = std::uniform_int_distribution<int>(0, i - 1)(random);
      comparisons.push_back({i, j, 0});
    }
    for (int k = std::uniform_int_distribution<int>(0, 2 * files)(random); k > 0; --k) {
      const int i = std::uniform_int_distribution<int>(0, files - 1)(random);
      const int j = std::uniform_int_distribution<int>(0, files - 1)(random);
      if (i != j) comparisons.push_back({i, j, 0});
    }
    for (Comparison& c : comparisons) {
      const PairComparison answer = comparisonOfPairAnswer(c.winner, c.loser, mark(random) / 3.0f);
      c = {answer.winner, answer.loser, answer.weight};
      // The winner wins each of its comparisons and the loser loses each, by a third at least.
      const bool flip = c.loser == winner || c.winner == loser;
      if (flip) std::swap(c.winner, c.loser);
      if (c.winner == winner || c.loser == loser) c.weight = std::max(c.weight, 1.0 / 3);
    }
    const BradleyTerry bt = fitted(comparisons);
    std::vector<int> all;
    for (int i = 0; i < files; ++i) all.push_back(i);
    expectWeightsOfASet(bt, all);
    // Above every file it beat, directly or through files that beat others. (Other files may
    // have won all of their comparisons too: to those it has no order.)
    std::vector<bool> below(static_cast<size_t>(files), false);
    for (bool more = true; more;) {
      more = false;
      for (const Comparison& c : comparisons) {
        const bool reached = c.winner == winner || below[static_cast<size_t>(c.winner)];
        if (c.weight > 0 && reached && !below[static_cast<size_t>(c.loser)])
          more = below[static_cast<size_t>(c.loser)] = true;
      }
    }
    for (int i = 0; i < files; ++i) {
      if (below[static_cast<size_t>(i)]) {
        EXPECT_GT(bt.value(winner), bt.value(i)) << i;
      }
    }
    EXPECT_EQ(bt.value(loser), 0.0);
  }
}

TEST(BradleyTerry, EachSetOfFilesComparedWithEachOtherSumsToOne) {
  // Two groups, 0..2 and 4..5, a file between them never compared (it had single answers
  // only), and a group 7..8 whose comparisons all ended even.
  const std::vector<Comparison> first = {{0, 1, 1},       {1, 0, 1.0 / 3}, {1, 2, 2.0 / 3},
                                         {2, 1, 1.0 / 3}, {2, 0, 1.0 / 3}, {0, 2, 1}};
  const std::vector<Comparison> second = {{5, 4, 2}, {4, 5, 1}};
  std::vector<Comparison> all = first;
  for (const Comparison& c : second) all.push_back(c);
  all.push_back({7, 8, 0});
  const BradleyTerry bt = fitted(all);
  expectWeightsOfASet(bt, {0, 1, 2});
  expectWeightsOfASet(bt, {4, 5});
  expectWeightsOfASet(bt, {7, 8});
  EXPECT_NEAR(bt.value(4), 1.0 / 3, 1e-12);
  EXPECT_NEAR(bt.value(5), 2.0 / 3, 1e-12);
  EXPECT_EQ(bt.value(7), 0.5);
  EXPECT_EQ(bt.value(3), 0.0);
  EXPECT_EQ(bt.value(6), 0.0);
  // A group's weights are those it has alone: the other groups change nothing of them.
  const BradleyTerry alone = fitted(first);
  for (int i = 0; i < 3; ++i) EXPECT_NEAR(bt.value(i), alone.value(i), 1e-12) << i;
}

// An independent maximum-likelihood fit: Newton's method on the log-likelihood over the log
// weights of one set, the first file's held at 0, with the step halved while the likelihood
// falls. Comparisons are (winner, loser, weight); files are 0..n-1, all in one set.
std::vector<double> newtonFit(int n, const std::vector<Comparison>& comparisons) {
  std::vector<std::vector<double>> won(static_cast<size_t>(n), std::vector<double>(n, 0.0));
  for (const Comparison& c : comparisons)
    if (c.winner != c.loser)
      won[static_cast<size_t>(c.winner)][static_cast<size_t>(c.loser)] += c.weight;
  std::vector<double> theta(static_cast<size_t>(n), 0.0);
  auto logLikelihood = [&](const std::vector<double>& t) {
    double l = 0;
    for (size_t i = 0; i < t.size(); ++i)
      for (size_t j = 0; j < t.size(); ++j)
        if (won[i][j] > 0) l += won[i][j] * (t[i] - std::log(std::exp(t[i]) + std::exp(t[j])));
    return l;
  };
  for (int step = 0; step < 100; ++step) {
    const size_t m = static_cast<size_t>(n) - 1;  // unknowns: theta[1..n-1]
    std::vector<std::vector<double>> h(m, std::vector<double>(m + 1, 0.0));  // [-H | g]
    for (size_t i = 1; i < theta.size(); ++i) {
      for (size_t j = 0; j < theta.size(); ++j) {
        const double compared = won[i][j] + won[j][i];
        if (i == j || compared == 0) continue;
        const double pi = 1 / (1 + std::exp(theta[j] - theta[i]));
        h[i - 1][m] += won[i][j] - compared * pi;
        h[i - 1][i - 1] += compared * pi * (1 - pi);
        if (j > 0) h[i - 1][j - 1] -= compared * pi * (1 - pi);
      }
    }
    double gradient = 0;
    for (size_t i = 0; i < m; ++i) gradient = std::max(gradient, std::fabs(h[i][m]));
    if (gradient < 1e-14) break;
    for (size_t c = 0; c < m; ++c) {  // Gauss-Jordan with partial pivoting
      size_t pivot = c;
      for (size_t r = c + 1; r < m; ++r)
        if (std::fabs(h[r][c]) > std::fabs(h[pivot][c])) pivot = r;
      std::swap(h[c], h[pivot]);
      for (size_t r = 0; r < m; ++r) {
        if (r == c) continue;
        const double f = h[r][c] / h[c][c];
        for (size_t k = c; k <= m; ++k) h[r][k] -= f * h[c][k];
      }
    }
    const double before = logLikelihood(theta);
    for (double scale = 1; scale > 1e-6; scale /= 2) {
      std::vector<double> next = theta;
      for (size_t i = 0; i < m; ++i) next[i + 1] += scale * h[i][m] / h[i][i];
      if (logLikelihood(next) >= before) {
        theta = next;
        break;
      }
    }
  }
  std::vector<double> weights;
  double sum = 0;
  for (double t : theta) sum += std::exp(t);
  for (double t : theta) weights.push_back(std::exp(t) / sum);
  return weights;
}

// Random tests of three groups: every compared pair has answers either way (so that the
// likelihood has its maximum), more at random, ties among them, seven-step and binary answers.
TEST(BradleyTerry, AgreesWithAnIndependentMaximumLikelihoodFit) {
  std::mt19937 random(20240612);
  for (int round = 0; round < 40; ++round) {
    SCOPED_TRACE(round);
    BradleyTerry bt;
    std::vector<std::pair<int, std::vector<Comparison>>> groups;  // first file, comparisons
    int next = 0;
    for (int group = 0; group < 3; ++group) {
      const int n = std::uniform_int_distribution<int>(2, 7)(random);
      const bool binary = std::uniform_int_distribution<int>(0, 1)(random) == 1;
      std::vector<Comparison> comparisons;
      auto answer = [&](int i, int j, int mark) {
        const PairComparison c = comparisonOfPairAnswer(
            next + i, next + j, binary ? static_cast<float>(mark) : mark / 3.0f);
        bt.addComparison(c.winner, c.loser, c.weight);
        comparisons.push_back({c.winner - next, c.loser - next, c.weight});
      };
      for (int i = 0; i < n; ++i) {
        for (int j = i + 1; j < n; ++j) {
          // Every pair of a path through the group, the others now and then.
          if (j != i + 1 && std::uniform_int_distribution<int>(0, 2)(random) == 0) continue;
          const int top = binary ? 1 : 3;
          std::uniform_int_distribution<int> magnitude(1, top);
          answer(i, j, -magnitude(random));
          answer(i, j, magnitude(random));
          for (int k = std::uniform_int_distribution<int>(0, 4)(random); k > 0; --k)
            answer(i, j, std::uniform_int_distribution<int>(-top, top)(random));
        }
      }
      groups.emplace_back(next, comparisons);
      next += n;
    }
    bt.fit();
    for (const auto& [first, comparisons] : groups) {
      int n = 0;
      for (const Comparison& c : comparisons) n = std::max({n, c.winner + 1, c.loser + 1});
      const std::vector<double> expected = newtonFit(n, comparisons);
      for (int i = 0; i < n; ++i) EXPECT_NEAR(bt.value(first + i), expected[i], 1e-9) << first + i;
    }
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
  EXPECT_EQ(bt.value(1), 0.0);  // within the files compared, never compared itself
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
