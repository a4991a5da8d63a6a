// The few distribution functions the tests of the statistics need: the
// normal and Student's t, two-sided.
#ifndef DRIVES_STATISTICS_DISTRIBUTIONS_H_
#define DRIVES_STATISTICS_DISTRIBUTIONS_H_

// P(Z <= z) for a standard normal Z.
double NormalCdf(double z);
// P(|T| >= |t|) for Student's t with `degrees` degrees of freedom.
double StudentTwoSided(double t, double degrees);

#endif  // DRIVES_STATISTICS_DISTRIBUTIONS_H_
