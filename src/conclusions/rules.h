// Every rule that flags something about an input, with the share of stable
// inputs it may flag by chance: its false-alarm budget. The budgets of one
// input's rules add up to at most 5%, so that on a steady machine at most
// one input in twenty prints any warning at all; the calibration
// (bench/calibration) measures each rule against its budget.
#ifndef DRIVES_CONCLUSIONS_RULES_H_
#define DRIVES_CONCLUSIONS_RULES_H_

enum class Rule {
  kDrift,       // the figures slid over the sweep
  kFirstRun,    // the sweep's first run lies off the others
  kOutlier,     // another run lies far off the others in a figure
  kClusters,    // a figure's runs fall into two groups
  kDisturbed,   // runs made while the machine was busy with something else
  kBusy,        // the machine was busy throughout the sweep
  kFewRuns,     // too few runs for the rules above to judge
  kSettle,      // inputs made with and without --settle compared
  kDependence,  // neighbouring runs are alike: the runs are worth fewer
};

struct RuleInfo {
  const char* key;  // for machines: "drift", "first-run", ...
  double budget;    // the share of stable inputs it may flag; 0: not a test
};

const RuleInfo& RuleOf(Rule rule);

// What all the rules of one input may flag together.
constexpr double kInputBudget = 0.05;

#endif  // DRIVES_CONCLUSIONS_RULES_H_
