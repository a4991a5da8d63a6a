// The few distribution functions the statistics need: the normal,
// Student's t, the chi-square and the beta distribution, and the quantiles
// that the rules' thresholds and bounds are made of.
#ifndef DRIVES_STATISTICS_DISTRIBUTIONS_H_
#define DRIVES_STATISTICS_DISTRIBUTIONS_H_

// P(Z <= z) for a standard normal Z.
double NormalCdf(double z);
// P(|T| >= |t|) for Student's t with `degrees` degrees of freedom.
double StudentTwoSided(double t, double degrees);

// The z with P(Z <= z) = p, for 0 < p < 1.
double NormalQuantile(double p);
// The t >= 0 with P(|T| >= t) = p, for 0 < p <= 1.
double StudentTwoSidedQuantile(double p, double degrees);
// P(X <= x) for a chi-square X with `degrees` degrees of freedom, and the
// x with P(X <= x) = p.
double ChiSquareCdf(double x, double degrees);
double ChiSquareQuantile(double p, double degrees);
// I_x(a, b): P(X <= x) for a beta(a, b) X, and the x with I_x(a, b) = p.
double BetaCdf(double x, double a, double b);
double BetaQuantile(double p, double a, double b);

// The upper end of the one-sided Clopper-Pearson interval at `confidence`
// of a rate seen `k` times in `n`: what a measured false-alarm rate is
// held to.
double RateUpperBound(int k, int n, double confidence);

#endif  // DRIVES_STATISTICS_DISTRIBUTIONS_H_
