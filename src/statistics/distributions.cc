#include "statistics/distributions.h"

#include <cmath>

namespace {

// The continued fraction of the regularised incomplete beta function
// (modified Lentz's method).
double BetaFraction(double a, double b, double x) {
  constexpr int kMaxTerms = 300;
  constexpr double kEpsilon = 1e-15;
  constexpr double kTiny = 1e-300;
  const auto away = [](double v) { return std::fabs(v) < kTiny ? kTiny : v; };
  // c and d carry from one term to the next.
  double c = 1;
  double d = 1 / away(1 - (a + b) * x / (a + 1));
  const auto term = [&](double step) {
    d = 1 / away(1 + step * d);
    c = away(1 + step / c);
    return d * c;
  };
  double h = d;
  for (int m = 1; m <= kMaxTerms; ++m) {
    const double m2 = 2.0 * m;
    h *= term(m * (b - m) * x / ((a + m2 - 1) * (a + m2)));
    const double delta =
        term(-(a + m) * (a + b + m) * x / ((a + m2) * (a + m2 + 1)));
    h *= delta;
    if (std::fabs(delta - 1) < kEpsilon) break;
  }
  return h;
}

// I_x(a, b), the regularised incomplete beta function.
double RegularisedBeta(double a, double b, double x) {
  if (x <= 0) return 0;
  if (x >= 1) return 1;
  const double front =
      std::exp(std::lgamma(a + b) - std::lgamma(a) - std::lgamma(b) +
               a * std::log(x) + b * std::log1p(-x));
  if (x < (a + 1) / (a + b + 2)) return front * BetaFraction(a, b, x) / a;
  return 1 - front * BetaFraction(b, a, 1 - x) / b;
}

// P(a, x), the regularised lower incomplete gamma function: its series
// below a + 1, its continued fraction above (Lentz's method).
double RegularisedGamma(double a, double x) {
  constexpr int kMaxTerms = 500;
  constexpr double kEpsilon = 1e-15;
  constexpr double kTiny = 1e-300;
  if (x <= 0) return 0;
  const double front = std::exp(-x + a * std::log(x) - std::lgamma(a));
  if (x < a + 1) {
    double term = 1 / a;
    double sum = term;
    for (int n = 1; n < kMaxTerms && std::fabs(term) > sum * kEpsilon; ++n) {
      term *= x / (a + n);
      sum += term;
    }
    return front * sum;
  }
  double b = x + 1 - a;
  double c = 1 / kTiny;
  double d = 1 / b;
  double h = d;
  for (int i = 1; i < kMaxTerms; ++i) {
    const double an = -i * (i - a);
    b += 2;
    d = an * d + b;
    if (std::fabs(d) < kTiny) d = kTiny;
    c = b + an / c;
    if (std::fabs(c) < kTiny) c = kTiny;
    d = 1 / d;
    const double delta = d * c;
    h *= delta;
    if (std::fabs(delta - 1) < kEpsilon) break;
  }
  return 1 - front * h;
}

// The x in [low, high] where the increasing `f` reaches `target`, by
// bisection: plain, and exact to the last bits that matter here.
template <typename F>
double Solve(F f, double target, double low, double high) {
  for (int i = 0; i < 200 && high - low > 1e-15 * (1 + std::fabs(low)); ++i) {
    const double middle = (low + high) / 2;
    if (f(middle) < target) {
      low = middle;
    } else {
      high = middle;
    }
  }
  return (low + high) / 2;
}

}  // namespace

double NormalCdf(double z) { return 0.5 * std::erfc(-z / std::sqrt(2.0)); }

double StudentTwoSided(double t, double degrees) {
  if (std::isinf(t)) return 0;
  return RegularisedBeta(degrees / 2, 0.5, degrees / (degrees + t * t));
}

double NormalQuantile(double p) { return Solve(NormalCdf, p, -40, 40); }

double StudentTwoSidedQuantile(double p, double degrees) {
  // P(|T| >= t) falls as t grows.
  return Solve([degrees](double t) { return -StudentTwoSided(t, degrees); }, -p,
               0, 1e12);
}

double ChiSquareCdf(double x, double degrees) {
  return RegularisedGamma(degrees / 2, x / 2);
}

double ChiSquareQuantile(double p, double degrees) {
  return Solve([degrees](double x) { return ChiSquareCdf(x, degrees); }, p, 0,
               1e6 + 100 * degrees);
}

double BetaCdf(double x, double a, double b) {
  return RegularisedBeta(a, b, x);
}

double BetaQuantile(double p, double a, double b) {
  return Solve([a, b](double x) { return RegularisedBeta(a, b, x); }, p, 0, 1);
}

double RateUpperBound(int k, int n, double confidence) {
  if (k >= n) return 1;
  return BetaQuantile(confidence, k + 1, n - k);
}
