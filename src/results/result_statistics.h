// The summary rows of the results table: per file, the mean of its single-answer values, a 95%
// confidence interval and the standard deviation, and for pair answers the Bradley-Terry
// weights.
//
// Files are addressed by their file index (0 for the first file column). The objects are plain
// members of the results dialog, which reaches them as DlgResults::... by deriving from
// ResultStatistics; they are used on the GUI thread only and only accumulate.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <utility>
#include <vector>

struct ResultStatistics {
  // Takes in the single values of the files.
  class AverageCalculator {
   public:
    virtual void add(int file, float value) = 0;

   protected:
    ~AverageCalculator() = default;
  };

  // One summary row: a value per file (NaN leaves the cell empty) and its two labels.
  class AverageDisplayer {
   public:
    using Header = std::pair<std::wstring, std::wstring>;
    virtual double value(int file) const = 0;
    virtual const Header& header() const = 0;
    // Only a statistic with something to show gets its row.
    virtual bool valid() const = 0;

   protected:
    ~AverageDisplayer() = default;
  };

  // Count, sum and sum of squares per file. A value is summed as given (a float widened to
  // double) and its square is formed in single precision, as results have always been.
  class ConfInterval95Calculator : public AverageCalculator {
   public:
    // A negative index is ignored.
    void add(int file, float value) override;

    std::vector<int32_t> count;
    std::vector<double> sum;
    std::vector<double> sumOfSquares;
  };

  // One of the four rows over the calculator, by kind.
  class ConfIntervalDisplayer : public AverageDisplayer {
   public:
    enum Kind : int32_t { Mean = 0, Upper95 = 1, Lower95 = 2, StdDev = 3 };

    ConfIntervalDisplayer(const ConfInterval95Calculator* calculator, int32_t kind)
        : calculator_(calculator), kind_(kind) {}
    // Mean (NaN without values); the bounds m -+ 1.96 s / sqrt(n) and the standard deviation s
    // (NaN below two values). The factor is 1.96 for every n.
    double value(int file) const override;
    const Header& header() const override;
    // After the first value of any file.
    bool valid() const override;

   private:
    const ConfInterval95Calculator* calculator_;
    int32_t kind_;
  };

  // The comparisons of pairs of files and the Bradley-Terry weights fitted to them.
  class BradleyTerryCalculator : public AverageDisplayer {
   public:
    // Records that `winner` beat `loser` with the weight; returns the pair's new total. Negative
    // indices and weights that are negative or not finite are refused (NaN, nothing recorded).
    double addComparison(int winner, int loser, double weight);
    // Fits the weights to every comparison so far by maximum likelihood (Zermelo's iteration
    // over the wins), starting again each time. Files compared with each other, directly or
    // through others (in practice a group), form a set fitted on its own, its weights summing
    // to 1: weights of different sets say nothing of each other. A comparison of weight 0 (a
    // tie) joins its files but counts for neither. A file that never won gets 0, and so does a
    // file never compared with another; a set without a single win gives its files equal
    // weights. Where some files won every comparison with the rest of their set, the rest
    // tends to 0 without end: the iteration stops at its cap with those files on top.
    void fit();
    // The weight of the file; 0.0 beyond the files compared.
    double value(int file) const override;
    const Header& header() const override;
    bool valid() const override { return maxIndex >= 0; }

    int32_t maxIndex = -1;
    // (i, j), i != j: the summed weight of the comparisons of i and j, under both orders;
    // (i, i): the summed weight of i's wins (a comparison of i with itself counts twice).
    std::map<std::pair<int, int>, double> totals;
    // Per file, the summed weight of its wins over other files: a comparison of a file with
    // itself tells nothing of its strength and stays out of the fit.
    std::vector<double> wins;
    std::vector<double> p;  // the weights of the iteration in progress
    std::vector<double> w;  // the weights
  };
};

// A comparison taken from a pair answer about (file1, file2): below 0 the first file won, above
// 0 the second, with the absolute value as weight; 0 is a comparison of weight 0.
struct PairComparison {
  int winner;
  int loser;
  double weight;
};
PairComparison comparisonOfPairAnswer(int file1, int file2, float value);
