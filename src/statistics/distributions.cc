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

}  // namespace

double NormalCdf(double z) { return 0.5 * std::erfc(-z / std::sqrt(2.0)); }

double StudentTwoSided(double t, double degrees) {
  if (std::isinf(t)) return 0;
  return RegularisedBeta(degrees / 2, 0.5, degrees / (degrees + t * t));
}
