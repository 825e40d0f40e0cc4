#include "results/result_statistics.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

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
  if (winner < 0 || loser < 0) return kNaN;
  maxIndex = std::max({maxIndex, winner, loser});
  const double total = totals[{winner, loser}] + weight;
  totals[{winner, loser}] = total;
  totals[{loser, winner}] = total;
  totals[{winner, winner}] += weight;
  return total;
}

void ResultStatistics::BradleyTerryCalculator::fit() {
  const auto size = static_cast<size_t>(maxIndex + 1);
  w.assign(size, 1.0);
  p.assign(size, kNaN);
  for (int iteration = 0; iteration < 100; ++iteration) {
    double total = 0;
    for (auto it = totals.begin(); it != totals.end();) {
      const int i = it->first.first;
      double s = 0;
      for (; it != totals.end() && it->first.first == i; ++it) {
        const int j = it->first.second;
        if (j != i) s += it->second / (w[static_cast<size_t>(j)] + w[static_cast<size_t>(i)]);
      }
      const double wins = totals[{i, i}];  // made 0 when i never won
      p[static_cast<size_t>(i)] = (maxIndex + wins - 1) / s;
      total += p[static_cast<size_t>(i)];
    }
    if (maxIndex < 0) return;
    double change = 0;
    for (size_t j = 0; j < size; ++j) {
      if (std::isnan(p[j])) {
        w[j] = kNaN;
        continue;
      }
      const double v = p[j] / total;
      change += std::fabs(w[j] - v);
      w[j] = v;
    }
    if (change < 1e-6) return;
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
