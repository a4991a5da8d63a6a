#include "statistics/mann_whitney.h"

#include <algorithm>
#include <cmath>

#include "statistics/distributions.h"

namespace {

// The number of arrangements of m values of one sample among n of the other
// with U = u, for every u: N(i, j, u) = N(i - 1, j, u - j) + N(i, j - 1, u),
// built up row by row.
std::vector<double> ArrangementCounts(int m, int n) {
  // previous[j] holds N(i - 1, j, .), current[j] N(i, j, .).
  std::vector<std::vector<double>> previous(n + 1, std::vector<double>{1});
  for (int i = 1; i <= m; ++i) {
    std::vector<std::vector<double>> current(n + 1);
    current[0] = {1};
    for (int j = 1; j <= n; ++j) {
      std::vector<double>& counts = current[j];
      counts.assign(static_cast<std::size_t>(i) * j + 1, 0);
      const std::vector<double>& left = current[j - 1];
      for (std::size_t u = 0; u < left.size(); ++u) counts[u] += left[u];
      const std::vector<double>& up = previous[j];
      for (std::size_t u = 0; u < up.size(); ++u) counts[u + j] += up[u];
    }
    previous = std::move(current);
  }
  return previous[n];
}

}  // namespace

RankSumNull::RankSumNull(int m, int n, double tieTerm) : m_(m), n_(n) {
  if (m <= kExactRankSumLimit && n <= kExactRankSumLimit) {
    counts_ = ArrangementCounts(m, n);
    double total = 0;
    for (const double count : counts_) total += count;
    double sum = 0;
    for (const double count : counts_) {
      sum += count;
      tails_.push_back(sum / total);
    }
    return;
  }
  const double size = m + n;
  sigma_ =
      std::sqrt(m * n / 12.0 * ((size + 1) - tieTerm / (size * (size - 1))));
}

double RankSumNull::LowerTail(double u) const {
  if (u < 0) return 0;
  if (Exact()) {
    const auto whole = static_cast<std::size_t>(std::floor(u));
    return whole >= tails_.size() ? 1 : tails_[whole];
  }
  if (sigma_ <= 0) return 1;
  // With a continuity correction of one half.
  return NormalCdf((u - m_ * n_ / 2.0 + 0.5) / sigma_);
}

double RankSumNull::TwoSidedP(double u) const {
  // The distribution is symmetric about mn / 2.
  const double nearer = std::min(u, m_ * static_cast<double>(n_) - u);
  return std::min(1.0, 2 * LowerTail(nearer));
}

int RankSumNull::CriticalRank(double alpha) const {
  int k = 0;
  while (k < m_ * n_ && 2 * LowerTail(k) < alpha) ++k;
  return k;
}

double RankSumU(const std::vector<double>& a, const std::vector<double>& b) {
  double u = 0;
  for (const double x : a) {
    for (const double y : b) u += x > y ? 1 : x == y ? 0.5 : 0;
  }
  return u;
}

double TieTerm(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  double term = 0;
  for (std::size_t i = 0; i < values.size();) {
    std::size_t j = i;
    while (j < values.size() && values[j] == values[i]) ++j;
    const double t = static_cast<double>(j - i);
    term += t * t * t - t;
    i = j;
  }
  return term;
}

bool HasTies(const std::vector<double>& a, const std::vector<double>& b) {
  std::vector<double> both = a;
  both.insert(both.end(), b.begin(), b.end());
  std::sort(both.begin(), both.end());
  return std::adjacent_find(both.begin(), both.end()) != both.end();
}

double TiedExactP(const std::vector<double>& a, const std::vector<double>& b) {
  const int m = static_cast<int>(a.size());
  const int n = static_cast<int>(b.size());
  std::vector<double> both = a;
  both.insert(both.end(), b.begin(), b.end());
  std::sort(both.begin(), both.end());
  // Twice each value's mid-rank: whole numbers.
  std::vector<int> scores;
  for (std::size_t i = 0; i < both.size();) {
    std::size_t j = i;
    while (j < both.size() && both[j] == both[i]) ++j;
    const int twiceMidRank = static_cast<int>(i + j + 1);
    for (std::size_t t = i; t < j; ++t) scores.push_back(twiceMidRank);
    i = j;
  }
  // ways[k][s]: the subsets of k scores so far that sum to s.
  int total = 0;
  for (const int score : scores) total += score;
  std::vector<std::vector<double>> ways(m + 1,
                                        std::vector<double>(total + 1, 0));
  ways[0][0] = 1;
  int reached = 0;
  for (const int score : scores) {
    reached += score;
    for (int k = m; k >= 1; --k) {
      std::vector<double>& to = ways[k];
      const std::vector<double>& from = ways[k - 1];
      for (int sum = reached; sum >= score; --sum) to[sum] += from[sum - score];
    }
  }
  // Twice a's rank sum, and twice U = W - m(m + 1) / 2 about its centre.
  double observed = 0;
  for (const double x : a) {
    const auto at = std::lower_bound(both.begin(), both.end(), x);
    observed += scores[static_cast<std::size_t>(at - both.begin())];
  }
  const double centre = m * (m + n + 1.0);  // twice the mean rank sum
  const double distance = std::fabs(observed - centre);
  double extreme = 0;
  double all = 0;
  for (int sum = 0; sum <= total; ++sum) {
    all += ways[m][sum];
    // Half a score's step below the observed distance counts as reached.
    if (std::fabs(sum - centre) >= distance - 0.25) extreme += ways[m][sum];
  }
  return std::min(1.0, extreme / all);
}
