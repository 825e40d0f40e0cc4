#include "results/result_statistics.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// Per file, its opponents with the summed weight of their comparisons.
using Opponents = std::vector<std::vector<std::pair<size_t, double>>>;

// Zermelo's iteration stops when no weight moves by this much any more. Where one part of a set
// won every comparison with the rest, the likelihood has no maximum (the rest tends to 0) and
// the iteration creeps towards it; the cap then ends it, with the winners on top and the order
// of the rest as far as it got.
constexpr double kTolerance = 1e-12;
constexpr int kMaxIterations = 10000;

// The maximum-likelihood weights of one set of files compared with each other, summing to 1.
void fitSet(const std::vector<size_t>& set, const Opponents& opponents,
            const std::vector<double>& wins, std::vector<double>& w, std::vector<double>& p) {
  const double even = 1.0 / static_cast<double>(set.size());
  double allWins = 0;
  for (size_t i : set) {
    w[i] = even;
    allWins += wins[i];
  }
  // Only comparisons that ended even (weight 0): nothing tells the files apart.
  if (!(allWins > 0)) return;
  for (int iteration = 0; iteration < kMaxIterations; ++iteration) {
    double total = 0;
    for (size_t i : set) {
      // A file that never won gets 0 at once. Every other one has a comparison of weight above
      // 0 with a file of weight above 0, unless the weights fell below what a double holds.
      double s = 0;
      if (wins[i] > 0)
        for (const auto& [j, compared] : opponents[i])
          if (compared > 0 && w[i] + w[j] > 0) s += compared / (w[i] + w[j]);
      p[i] = s > 0 ? wins[i] / s : 0.0;
      total += p[i];
    }
    if (!(total > 0) || std::isinf(total)) return;
    double change = 0;
    for (size_t i : set) {
      const double v = p[i] / total;
      change = std::max(change, std::fabs(v - w[i]));
      w[i] = v;
    }
    if (change < kTolerance) return;
  }
}

}  // namespace

void ResultStatistics::ConfInterval95Calculator::add(int file, float value) {
  if (file < 0) return;
  const auto index = static_cast<size_t>(file);
  if (index >= count.size()) {
    count.resize(index + 1, 0);
    sum.resize(index + 1, 0.0);
    sumOfSquares.resize(index + 1, 0.0);
  }
  sum[index] += static_cast<double>(value);
  sumOfSquares[index] += static_cast<double>(value * value);
  count[index] += 1;
}

double ResultStatistics::ConfIntervalDisplayer::value(int file) const {
  const auto& c = *calculator_;
  const bool known = file >= 0 && static_cast<size_t>(file) < c.count.size();
  const int32_t n = known ? c.count[static_cast<size_t>(file)] : 0;
  if (n <= 0 || (kind_ != Mean && n <= 1)) return kNaN;
  const auto index = static_cast<size_t>(file);
  const double m = c.sum[index] / n;
  if (kind_ == Mean) return m;
  // Squares summed in single precision can fall just below n m^2 when every value is the same;
  // the spread is then 0, not the root of a negative number.
  const double s = std::sqrt(std::max(0.0, (c.sumOfSquares[index] - n * m * m) / (n - 1)));
  switch (kind_) {
    case Upper95:
      return m + 1.96 * s / std::sqrt(static_cast<double>(n));
    case Lower95:
      return m - 1.96 * s / std::sqrt(static_cast<double>(n));
    case StdDev:
      return s;
    default:
      return kNaN;
  }
}

const ResultStatistics::AverageDisplayer::Header& ResultStatistics::ConfIntervalDisplayer::header()
    const {
  static const Header rows[] = {{L"[avg]", L"mean"},
                                {L"[conf. int.]", L"95% upper"},
                                {L"[conf. int.]", L"95% lower"},
                                {L"[conf. int.]", L"std dev"}};
  static const Header none;
  return kind_ >= 0 && kind_ < 4 ? rows[kind_] : none;
}

bool ResultStatistics::ConfIntervalDisplayer::valid() const { return !calculator_->count.empty(); }

double ResultStatistics::BradleyTerryCalculator::addComparison(int winner, int loser,
                                                               double weight) {
  if (winner < 0 || loser < 0 || !(weight >= 0) || std::isinf(weight)) return kNaN;
  maxIndex = std::max({maxIndex, winner, loser});
  const double total = totals[{winner, loser}] + weight;
  totals[{winner, loser}] = total;
  totals[{loser, winner}] = total;
  totals[{winner, winner}] += weight;
  wins.resize(static_cast<size_t>(maxIndex) + 1, 0.0);
  if (winner != loser) wins[static_cast<size_t>(winner)] += weight;
  return total;
}

void ResultStatistics::BradleyTerryCalculator::fit() {
  const auto size = static_cast<size_t>(maxIndex + 1);
  w.assign(size, 0.0);
  p.assign(size, 0.0);
  wins.resize(size, 0.0);
  Opponents opponents(size);
  for (const auto& [pair, total] : totals)
    if (pair.first != pair.second)
      opponents[static_cast<size_t>(pair.first)].emplace_back(static_cast<size_t>(pair.second),
                                                              total);
  // The sets: files linked by comparisons, found from each file not placed yet.
  std::vector<bool> placed(size, false);
  for (size_t first = 0; first < size; ++first) {
    if (placed[first] || opponents[first].empty()) continue;
    std::vector<size_t> set{first};
    placed[first] = true;
    for (size_t k = 0; k < set.size(); ++k)
      for (const auto& [j, total] : opponents[set[k]])
        if (!placed[j]) {
          placed[j] = true;
          set.push_back(j);
        }
    fitSet(set, opponents, wins, w, p);
  }
}

double ResultStatistics::BradleyTerryCalculator::value(int file) const {
  return file >= 0 && static_cast<size_t>(file) < w.size() ? w[static_cast<size_t>(file)] : 0.0;
}

const ResultStatistics::AverageDisplayer::Header& ResultStatistics::BradleyTerryCalculator::header()
    const {
  static const Header row{L"[Bradley-Terry]", L"weight"};
  return row;
}

PairComparison comparisonOfPairAnswer(int file1, int file2, float value) {
  const double weight = std::fabs(static_cast<double>(value));
  return value > 0 ? PairComparison{file2, file1, weight} : PairComparison{file1, file2, weight};
}
