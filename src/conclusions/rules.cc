#include "conclusions/rules.h"

const RuleInfo& RuleOf(Rule rule) {
  static const RuleInfo kRules[] = {
      {"drift", 0.01},     {"first-run", 0.01},  {"outlier", 0.01},
      {"clusters", 0.01},  {"disturbed", 0.005}, {"busy", 0},
      {"too-few-runs", 0}, {"settle", 0},        {"dependence", 0.005},
  };
  return kRules[static_cast<int>(rule)];
}
