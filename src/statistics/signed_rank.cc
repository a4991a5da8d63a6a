#include "statistics/signed_rank.h"

#include <algorithm>
#include <cmath>
#include <map>

#include "statistics/distributions.h"
#include "statistics/median_interval.h"
#include "statistics/summary.h"

namespace {

const SignedRankNull& NullOf(int n) {
  static std::map<int, SignedRankNull> counted;
  auto found = counted.find(n);
  if (found == counted.end())
    found = counted.emplace(n, SignedRankNull(n)).first;
  return found->second;
}

bool Usable(const std::vector<double>& a, const std::vector<double>& b) {
  if (a.empty() || a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (!std::isfinite(a[i]) || !std::isfinite(b[i]) || a[i] <= 0 ||
        b[i] <= 0) {
      return false;
    }
  }
  return true;
}

std::vector<double> Differences(const std::vector<double>& a,
                                const std::vector<double>& b) {
  std::vector<double> d;
  d.reserve(a.size());
  for (std::size_t i = 0; i < a.size(); ++i) {
    d.push_back(std::log(a[i]) - std::log(b[i]));
  }
  return d;
}

// (d_i + d_j) / 2 for i <= j, ascending.
std::vector<double> WalshAverages(const std::vector<double>& d) {
  std::vector<double> w;
  w.reserve(d.size() * (d.size() + 1) / 2);
  for (std::size_t i = 0; i < d.size(); ++i) {
    for (std::size_t j = i; j < d.size(); ++j) w.push_back((d[i] + d[j]) / 2);
  }
  std::sort(w.begin(), w.end());
  return w;
}

// T+: the sum of the ranks of |d| (mid-ranks for ties) of the positive
// differences, a zero difference counting half.
double PlusRankSum(const std::vector<double>& d) {
  std::vector<std::size_t> order(d.size());
  for (std::size_t i = 0; i < order.size(); ++i) order[i] = i;
  std::sort(order.begin(), order.end(), [&](std::size_t x, std::size_t y) {
    return std::fabs(d[x]) < std::fabs(d[y]);
  });
  double sum = 0;
  for (std::size_t i = 0; i < order.size();) {
    std::size_t j = i;
    while (j < order.size() &&
           std::fabs(d[order[j]]) == std::fabs(d[order[i]])) {
      ++j;
    }
    const double rank =
        (static_cast<double>(i + 1) + static_cast<double>(j)) / 2;
    for (std::size_t k = i; k < j; ++k) {
      const double v = d[order[k]];
      sum += v > 0 ? rank : v == 0 ? rank / 2 : 0;
    }
    i = j;
  }
  return sum;
}

std::optional<RatioInterval> Interval(const std::vector<double>& walsh,
                                      const SignedRankNull& null,
                                      double alpha) {
  const int k = null.CriticalRank(alpha);
  if (k < 1) return std::nullopt;
  return RatioInterval{
      std::exp(walsh[static_cast<std::size_t>(k - 1)]),
      std::exp(walsh[walsh.size() - static_cast<std::size_t>(k)])};
}

}  // namespace

SignedRankNull::SignedRankNull(int n) : n_(n) {
  if (n > kExactSignedRankLimit) return;
  // The number of subsets of {1..n} with each sum, counted rank by rank.
  const int most = n * (n + 1) / 2;
  std::vector<double> counts(static_cast<std::size_t>(most) + 1, 0);
  counts[0] = 1;
  for (int r = 1; r <= n; ++r) {
    for (int t = most; t >= r; --t) {
      counts[static_cast<std::size_t>(t)] +=
          counts[static_cast<std::size_t>(t - r)];
    }
  }
  const double total = std::ldexp(1.0, n);
  double running = 0;
  tails_.reserve(counts.size());
  for (const double c : counts) {
    running += c;
    tails_.push_back(running / total);
  }
}

double SignedRankNull::LowerTail(double t) const {
  if (t < 0) return 0;
  if (!tails_.empty()) {
    const std::size_t at = static_cast<std::size_t>(std::floor(t + 1e-9));
    return at >= tails_.size() ? 1 : tails_[at];
  }
  const double n = n_;
  const double mean = n * (n + 1) / 4;
  const double sd = std::sqrt(n * (n + 1) * (2 * n + 1) / 24);
  return NormalCdf((t + 0.5 - mean) / sd);
}

double SignedRankNull::TwoSidedP(double t) const {
  const double most = static_cast<double>(n_) * (n_ + 1) / 2;
  const double low = std::min(t, most - t);
  return std::min(1.0, 2 * LowerTail(low));
}

int SignedRankNull::CriticalRank(double alpha) const {
  // T+ <= k - 1 significant: 2 P(T+ <= k - 1) <= alpha.
  int k = 0;
  const int most = n_ * (n_ + 1) / 2;
  while (k <= most && 2 * LowerTail(k) <= alpha) ++k;
  return k;
}

std::optional<RatioEstimate> EstimatePairedRatio(const std::vector<double>& a,
                                                 const std::vector<double>& b) {
  if (!Usable(a, b)) return std::nullopt;
  const std::vector<double> d = Differences(a, b);
  const std::vector<double> walsh = WalshAverages(d);
  const SignedRankNull& null = NullOf(static_cast<int>(d.size()));
  RatioEstimate estimate;
  estimate.ratio = std::exp(MedianOfSorted(walsh));
  estimate.pValue = null.TwoSidedP(PlusRankSum(d));
  estimate.smallestP = null.SmallestP();
  estimate.exact = null.Exact();
  if (const auto interval = Interval(walsh, null, 1 - kConfidence)) {
    estimate.low = interval->low;
    estimate.high = interval->high;
  }
  return estimate;
}

std::optional<RatioInterval> IntervalOfPairedRatio(const std::vector<double>& a,
                                                   const std::vector<double>& b,
                                                   double alpha) {
  if (!Usable(a, b)) return std::nullopt;
  const std::vector<double> d = Differences(a, b);
  return Interval(WalshAverages(d), NullOf(static_cast<int>(d.size())), alpha);
}
