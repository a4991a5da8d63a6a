#include "conclusions/history_judgement.h"

#include <algorithm>
#include <cmath>
#include <iterator>
#include <limits>
#include <map>
#include <tuple>

#include "results/figure_rows.h"
#include "statistics/change_points.h"
#include "statistics/distributions.h"

namespace {

// The share of the budget for the figures together: a machine or a drive
// moves them all far more often than one alone.
constexpr double kTogetherShare = 0.8;

// The levels of the table: the chance that a series of session medians
// where nothing changes shows a change of that |t|.
constexpr double kLevels[] = {5e-2, 4e-2,   3e-2, 2.5e-2, 2e-2,   1e-2,
                              5e-3, 2.5e-3, 1e-3, 5e-4,   2.5e-4, 1e-4};
constexpr std::size_t kLevelCount = std::size(kLevels);

struct Row {
  std::size_t n;
  double threshold[kLevelCount];
};

// Made by `drives-calibration change-thresholds` (bench/calibration): the
// largest |t| over the splits of 1,000,000 series of n normal values each
// (fewer above 100), at every level.
constexpr Row kThresholds[] = {
    {4,
     {4.311, 4.858, 5.646, 6.208, 6.942, 9.824, 13.988, 20.019, 31.380, 45.129,
      63.866, 93.009}},
    {5,
     {4.167, 4.536, 5.049, 5.386, 5.826, 7.413, 9.430, 11.928, 16.182, 20.880,
      26.094, 36.668}},
    {6,
     {3.947, 4.235, 4.613, 4.859, 5.181, 6.289, 7.573, 9.026, 11.317, 13.480,
      15.913, 19.778}},
    {7,
     {3.758, 3.994, 4.308, 4.514, 4.771, 5.615, 6.571, 7.609, 9.238, 10.760,
      12.306, 14.839}},
    {8,
     {3.622, 3.828, 4.100, 4.271, 4.493, 5.201, 5.957, 6.755, 8.004, 9.019,
      10.037, 11.850}},
    {9,
     {3.522, 3.710, 3.951, 4.107, 4.301, 4.911, 5.573, 6.259, 7.225, 8.094,
      9.022, 10.221}},
    {10,
     {3.458, 3.629, 3.847, 3.989, 4.164, 4.716, 5.298, 5.910, 6.744, 7.397,
      8.064, 8.901}},
    {11,
     {3.395, 3.554, 3.758, 3.892, 4.052, 4.567, 5.092, 5.650, 6.432, 7.096,
      7.866, 8.718}},
    {12,
     {3.353, 3.504, 3.697, 3.819, 3.967, 4.442, 4.910, 5.412, 6.110, 6.635,
      7.179, 7.862}},
    {13,
     {3.317, 3.462, 3.646, 3.761, 3.902, 4.337, 4.787, 5.253, 5.883, 6.399,
      6.910, 7.690}},
    {14,
     {3.288, 3.425, 3.599, 3.713, 3.849, 4.273, 4.689, 5.128, 5.731, 6.212,
      6.735, 7.378}},
    {15,
     {3.270, 3.401, 3.567, 3.673, 3.804, 4.204, 4.615, 5.014, 5.570, 6.035,
      6.474, 7.101}},
    {16,
     {3.250, 3.376, 3.538, 3.641, 3.763, 4.145, 4.537, 4.932, 5.450, 5.856,
      6.256, 6.836}},
    {17,
     {3.231, 3.353, 3.513, 3.613, 3.735, 4.110, 4.479, 4.855, 5.342, 5.719,
      6.076, 6.704}},
    {18,
     {3.216, 3.338, 3.492, 3.588, 3.702, 4.062, 4.418, 4.774, 5.244, 5.616,
      5.993, 6.510}},
    {19,
     {3.202, 3.321, 3.472, 3.565, 3.676, 4.029, 4.377, 4.723, 5.194, 5.558,
      5.944, 6.453}},
    {20,
     {3.192, 3.308, 3.455, 3.547, 3.661, 4.011, 4.349, 4.695, 5.156, 5.487,
      5.788, 6.286}},
    {21,
     {3.185, 3.298, 3.443, 3.535, 3.645, 3.978, 4.304, 4.644, 5.081, 5.426,
      5.735, 6.152}},
    {22,
     {3.177, 3.288, 3.428, 3.517, 3.626, 3.949, 4.273, 4.590, 5.010, 5.320,
      5.670, 6.062}},
    {23,
     {3.169, 3.280, 3.418, 3.504, 3.612, 3.943, 4.251, 4.565, 4.957, 5.250,
      5.553, 5.999}},
    {24,
     {3.166, 3.273, 3.412, 3.498, 3.604, 3.916, 4.224, 4.524, 4.930, 5.232,
      5.488, 5.847}},
    {25,
     {3.160, 3.267, 3.404, 3.489, 3.593, 3.906, 4.207, 4.507, 4.886, 5.174,
      5.508, 5.899}},
    {26,
     {3.154, 3.260, 3.394, 3.477, 3.577, 3.889, 4.188, 4.484, 4.847, 5.155,
      5.423, 5.809}},
    {27,
     {3.145, 3.251, 3.385, 3.467, 3.568, 3.875, 4.166, 4.445, 4.815, 5.091,
      5.347, 5.744}},
    {28,
     {3.140, 3.244, 3.375, 3.458, 3.558, 3.859, 4.154, 4.436, 4.807, 5.088,
      5.382, 5.765}},
    {29,
     {3.144, 3.248, 3.378, 3.459, 3.555, 3.850, 4.129, 4.411, 4.782, 5.055,
      5.325, 5.680}},
    {30,
     {3.141, 3.244, 3.370, 3.448, 3.544, 3.835, 4.114, 4.390, 4.747, 5.032,
      5.285, 5.664}},
    {31,
     {3.139, 3.241, 3.367, 3.446, 3.542, 3.837, 4.114, 4.389, 4.738, 4.995,
      5.284, 5.649}},
    {32,
     {3.135, 3.234, 3.360, 3.440, 3.536, 3.823, 4.097, 4.358, 4.695, 4.956,
      5.209, 5.550}},
    {33,
     {3.136, 3.235, 3.358, 3.435, 3.530, 3.811, 4.083, 4.363, 4.708, 4.955,
      5.196, 5.519}},
    {34,
     {3.130, 3.231, 3.355, 3.431, 3.523, 3.800, 4.066, 4.326, 4.685, 4.917,
      5.167, 5.463}},
    {35,
     {3.135, 3.233, 3.358, 3.434, 3.528, 3.810, 4.074, 4.340, 4.673, 4.920,
      5.149, 5.483}},
    {36,
     {3.134, 3.233, 3.353, 3.429, 3.521, 3.800, 4.064, 4.318, 4.644, 4.886,
      5.120, 5.456}},
    {37,
     {3.126, 3.222, 3.343, 3.418, 3.509, 3.789, 4.051, 4.314, 4.657, 4.902,
      5.158, 5.430}},
    {38,
     {3.131, 3.227, 3.349, 3.423, 3.514, 3.791, 4.058, 4.313, 4.635, 4.862,
      5.099, 5.420}},
    {39,
     {3.125, 3.220, 3.341, 3.415, 3.506, 3.779, 4.044, 4.297, 4.611, 4.861,
      5.102, 5.400}},
    {40,
     {3.124, 3.218, 3.338, 3.412, 3.500, 3.771, 4.026, 4.278, 4.614, 4.841,
      5.066, 5.346}},
    {45,
     {3.123, 3.216, 3.334, 3.407, 3.494, 3.756, 4.005, 4.245, 4.551, 4.777,
      4.998, 5.259}},
    {50,
     {3.119, 3.209, 3.324, 3.393, 3.479, 3.735, 3.978, 4.213, 4.515, 4.740,
      4.946, 5.252}},
    {60,
     {3.122, 3.211, 3.321, 3.390, 3.473, 3.721, 3.959, 4.187, 4.479, 4.675,
      4.917, 5.150}},
    {70,
     {3.127, 3.214, 3.324, 3.390, 3.472, 3.712, 3.940, 4.159, 4.422, 4.638,
      4.840, 5.102}},
    {80,
     {3.130, 3.215, 3.323, 3.388, 3.465, 3.702, 3.927, 4.143, 4.404, 4.617,
      4.810, 5.070}},
    {100,
     {3.138, 3.222, 3.326, 3.389, 3.464, 3.695, 3.916, 4.120, 4.391, 4.577,
      4.776, 5.005}},
    {120,
     {3.146, 3.229, 3.330, 3.394, 3.470, 3.693, 3.905, 4.106, 4.364, 4.551,
      4.727, 5.001}},
    {150,
     {3.158, 3.241, 3.340, 3.402, 3.476, 3.699, 3.906, 4.103, 4.352, 4.518,
      4.698, 4.903}},
    {200,
     {3.174, 3.251, 3.351, 3.410, 3.482, 3.700, 3.901, 4.089, 4.339, 4.504,
      4.651, 4.875}},
    {300,
     {3.199, 3.277, 3.377, 3.438, 3.508, 3.719, 3.914, 4.109, 4.343, 4.510,
      4.664, 4.928}},
    {500,
     {3.234, 3.310, 3.405, 3.464, 3.536, 3.741, 3.940, 4.115, 4.342, 4.492,
      4.626, 4.802}},
    {1000,
     {3.279, 3.355, 3.448, 3.502, 3.572, 3.773, 3.966, 4.145, 4.383, 4.566,
      4.713, 4.875}},
};

// The change points of values[begin, end) at `alpha`, by binary
// segmentation: the best split where it passes, then each side likewise.
void Segment(const std::vector<double>& values, std::size_t begin,
             std::size_t end, double alpha, std::vector<std::size_t>& points) {
  const LevelChange change = BestChange(values, begin, end);
  if (change.at == 0 ||
      !(std::fabs(change.t) > ChangeThreshold(end - begin, alpha))) {
    return;
  }
  Segment(values, begin, change.at, alpha, points);
  points.push_back(change.at);
  Segment(values, change.at, end, alpha, points);
}

// The change points of a series with gaps: `values` over `sessions` (the
// sessions that have one), as sessions.
std::vector<std::size_t> Changes(const std::vector<double>& values,
                                 const std::vector<std::size_t>& sessions,
                                 double alpha) {
  std::vector<std::size_t> points;
  if (sessions.empty()) return points;
  Segment(values, 0, values.size(), alpha, points);
  for (std::size_t& p : points) p = sessions[p];
  return points;
}

double Mean(const std::vector<double>& values) {
  double sum = 0;
  for (const double v : values) sum += v;
  return values.empty() ? 0 : sum / static_cast<double>(values.size());
}

// Each figure's logs less their mean over its sessions: figures of any
// size side by side.
std::vector<std::vector<double>> Centred(const SeriesLevels& levels) {
  std::vector<std::vector<double>> centred = levels.figures;
  for (std::vector<double>& figure : centred) {
    std::vector<double> present;
    for (const double v : figure) {
      if (std::isfinite(v)) present.push_back(v);
    }
    const double mean = Mean(present);
    for (double& v : figure) v -= mean;
  }
  return centred;
}

// The mean over the figures present in session `s` but `skip`.
std::optional<double> Together(const std::vector<std::vector<double>>& centred,
                               std::size_t s, std::size_t skip) {
  double sum = 0;
  int count = 0;
  for (std::size_t f = 0; f < centred.size(); ++f) {
    if (f == skip || !std::isfinite(centred[f][s])) continue;
    sum += centred[f][s];
    ++count;
  }
  if (count == 0) return std::nullopt;
  return sum / count;
}

// The figure's levels between `points` (ascending sessions), and each
// level against the one before it with its interval at `alphas`.
std::vector<LevelShift> Shifts(const std::vector<double>& figure,
                               const std::vector<std::size_t>& points,
                               const std::vector<bool>& together,
                               double alphaTogether, double alphaAlone) {
  std::vector<std::vector<double>> levels(points.size() + 1);
  std::size_t level = 0;
  for (std::size_t s = 0; s < figure.size(); ++s) {
    while (level < points.size() && s >= points[level]) ++level;
    if (std::isfinite(figure[s])) levels[level].push_back(figure[s]);
  }
  double squares = 0;
  std::size_t values = 0;
  std::size_t used = 0;
  for (const std::vector<double>& l : levels) {
    const double mean = Mean(l);
    for (const double v : l) squares += (v - mean) * (v - mean);
    values += l.size();
    used += l.empty() ? 0 : 1;
  }
  std::vector<LevelShift> shifts;
  if (values <= used) return shifts;
  const double degrees = static_cast<double>(values - used);
  const double spread = std::sqrt(squares / degrees);
  for (std::size_t i = 0; i < points.size(); ++i) {
    const std::vector<double>& before = levels[i];
    const std::vector<double>& after = levels[i + 1];
    if (before.empty() || after.empty()) continue;
    const double difference = Mean(after) - Mean(before);
    const double error =
        spread * std::sqrt(1.0 / static_cast<double>(before.size()) +
                           1.0 / static_cast<double>(after.size()));
    const double t = StudentTwoSidedQuantile(
        together[i] ? alphaTogether : alphaAlone, degrees);
    shifts.push_back({points[i], std::exp(difference),
                      std::exp(difference - t * error),
                      std::exp(difference + t * error), together[i]});
  }
  return shifts;
}

}  // namespace

double ChangeThreshold(std::size_t n, double alpha) {
  // Between two counts of the table, on the line between them.
  const Row* row = kThresholds;
  const Row* const end = kThresholds + std::size(kThresholds);
  while (row + 1 < end && (row + 1)->n <= n) ++row;
  const Row* next = row + 1 < end && row->n != n ? row + 1 : row;
  const double share = next == row ? 0
                                   : static_cast<double>(n - row->n) /
                                         static_cast<double>(next->n - row->n);
  const auto at = [&](std::size_t level) {
    return row->threshold[level] +
           share * (next->threshold[level] - row->threshold[level]);
  };
  // Between two levels, on the line between them over the levels' logs;
  // outside the table, its last level.
  if (alpha >= kLevels[0]) return at(0);
  for (std::size_t l = 1; l < kLevelCount; ++l) {
    if (alpha < kLevels[l]) continue;
    const double part = std::log(kLevels[l - 1] / alpha) /
                        std::log(kLevels[l - 1] / kLevels[l]);
    return at(l - 1) + part * (at(l) - at(l - 1));
  }
  return at(kLevelCount - 1);
}

SeriesJudgement JudgeSeries(const SeriesLevels& levels, std::size_t seriesCount,
                            double minEffect) {
  SeriesJudgement judged;
  const std::size_t figures = levels.figures.size();
  judged.figures.resize(figures);
  const std::size_t sessions = figures ? levels.figures.front().size() : 0;
  if (sessions < kFewestSessionsToJudge) {
    judged.tooFewSessions = true;
    return judged;
  }
  const double share =
      static_cast<double>(std::max<std::size_t>(1, seriesCount));
  const double alphaTogether = kHistoryBudget * kTogetherShare / share;
  const double alphaAlone =
      kHistoryBudget * (1 - kTogetherShare) / share /
      static_cast<double>(std::max<std::size_t>(1, figures));
  const std::vector<std::vector<double>> centred = Centred(levels);
  // The figures together.
  std::vector<double> together;
  std::vector<std::size_t> togetherSessions;
  for (std::size_t s = 0; s < sessions; ++s) {
    if (const auto mean = Together(centred, s, figures)) {
      together.push_back(*mean);
      togetherSessions.push_back(s);
    }
  }
  const std::vector<std::size_t> common =
      Changes(together, togetherSessions, alphaTogether);
  for (std::size_t f = 0; f < figures; ++f) {
    // The figure alone, against the others in the same sessions.
    std::vector<double> alone;
    std::vector<std::size_t> aloneSessions;
    if (figures > 1) {
      for (std::size_t s = 0; s < sessions; ++s) {
        if (!std::isfinite(centred[f][s])) continue;
        if (const auto others = Together(centred, s, f)) {
          alone.push_back(centred[f][s] - *others);
          aloneSessions.push_back(s);
        }
      }
    }
    std::vector<std::pair<std::size_t, bool>> points;
    points.reserve(common.size());
    for (const std::size_t p : common) points.emplace_back(p, true);
    for (const std::size_t p : Changes(alone, aloneSessions, alphaAlone)) {
      // A change of its own next to one of them all is the same change.
      const bool near =
          std::any_of(common.begin(), common.end(),
                      [p](std::size_t c) { return c + 1 >= p && c <= p + 1; });
      if (!near) points.emplace_back(p, false);
    }
    std::sort(points.begin(), points.end());
    std::vector<std::size_t> at;
    std::vector<bool> found;
    for (const auto& [p, all] : points) {
      at.push_back(p);
      found.push_back(all);
    }
    for (const LevelShift& shift :
         Shifts(levels.figures[f], at, found, alphaTogether, alphaAlone)) {
      // A change that matters: beyond the minimum effect, and clear of 1.
      const bool large =
          std::fabs(std::log(shift.ratio)) > std::log1p(minEffect);
      if (large && (shift.low > 1 || shift.high < 1)) {
        judged.figures[f].shifts.push_back(shift);
      }
    }
  }
  return judged;
}

namespace {

// The drive's series first, then its memory control's, then the one over
// the control.
int RoleRank(const std::string& role) {
  return role == kDriveRole ? 0 : role == kControlRole ? 1 : 2;
}

}  // namespace

bool HistoryCondition::operator<(const HistoryCondition& other) const {
  const int mine = RoleRank(role);
  const int theirs = RoleRank(other.role);
  return std::tie(mine, program, settle, clients, threads, role) <
         std::tie(theirs, other.program, other.settle, other.clients,
                  other.threads, other.role);
}

bool HistoryCondition::operator==(const HistoryCondition& other) const {
  return !(*this < other) && !(other < *this);
}

std::vector<JudgedCondition> JudgeHistory(
    const std::vector<StoredSession>& sessions, std::size_t from,
    double minEffect, std::size_t drives) {
  // Each condition's figures, in the order of the compared figures.
  std::map<std::string, std::size_t> order;
  for (const FigureRow& row : ComparedFigures()) {
    if (row.Compares()) order.emplace(row.Key(), order.size());
  }
  std::map<HistoryCondition, std::vector<JudgedFigure>> byCondition;
  for (std::size_t s = 0; s < sessions.size(); ++s) {
    const StoredSession& session = sessions[s];
    for (const SessionFigureSummary& f : session.figures) {
      const auto at = order.find(f.figure);
      if (at == order.end()) continue;
      const HistoryCondition condition{session.summary.program,
                                       session.summary.settle, f.role,
                                       f.clients, f.threads};
      std::vector<JudgedFigure>& figures = byCondition[condition];
      if (figures.empty()) figures.resize(order.size());
      JudgedFigure& figure = figures[at->second];
      figure.figure = f.figure;
      figure.unit = f.unit;
      figure.points.push_back({s, f.runs, f.median, f.low, f.high});
    }
  }
  std::vector<JudgedCondition> judged;
  for (auto& [condition, figures] : byCondition) {
    JudgedCondition c;
    c.condition = condition;
    for (JudgedFigure& figure : figures) {
      if (!figure.points.empty()) c.figures.push_back(std::move(figure));
    }
    judged.push_back(std::move(c));
  }
  // Only the drive's own series raise an alarm: they share the budget.
  std::size_t alarming = 0;
  for (const JudgedCondition& c : judged) {
    alarming += c.condition.role == kDriveRole ? 1 : 0;
  }
  alarming = std::max<std::size_t>(1, alarming);
  for (JudgedCondition& c : judged) {
    // The sessions judged: this condition's, from the accepted one on.
    std::map<std::size_t, std::size_t> column;
    for (const JudgedFigure& figure : c.figures) {
      for (const HistoryPoint& p : figure.points) {
        if (p.session >= from) column.emplace(p.session, 0);
      }
    }
    std::vector<std::size_t> judgedSessions;
    for (auto& [session, index] : column) {
      index = judgedSessions.size();
      judgedSessions.push_back(session);
    }
    SeriesLevels levels;
    for (const JudgedFigure& figure : c.figures) {
      std::vector<double> logs(judgedSessions.size(), std::nan(""));
      for (const HistoryPoint& p : figure.points) {
        if (p.session >= from && p.median > 0) {
          logs[column[p.session]] = std::log(p.median);
        }
      }
      levels.figures.push_back(std::move(logs));
    }
    c.sessions = judgedSessions.size();
    const SeriesJudgement series = JudgeSeries(
        levels, alarming * std::max<std::size_t>(1, drives), minEffect);
    c.tooFewSessions = series.tooFewSessions;
    for (std::size_t f = 0; f < c.figures.size(); ++f) {
      for (LevelShift shift : series.figures[f].shifts) {
        shift.at = judgedSessions[shift.at];
        c.figures[f].shifts.push_back(shift);
      }
    }
  }
  return judged;
}

LatestLevel LatestChange(const std::vector<LevelShift>& shifts) {
  if (shifts.empty()) return LatestLevel::kUnchanged;
  if (shifts.back().ratio < 1) return LatestLevel::kSlower;
  for (std::size_t i = 0; i + 1 < shifts.size(); ++i) {
    if (shifts[i].ratio < 1) return LatestLevel::kRecovered;
  }
  return LatestLevel::kFaster;
}

namespace {

// The values of `figure` in the runs of `session` under `condition`.
std::vector<double> ValuesOf(const Session& session,
                             const HistoryCondition& condition,
                             const std::string& figure) {
  std::vector<double> values;
  for (const SessionRun& run : session.runs) {
    if (run.role != condition.role || run.clients != condition.clients ||
        run.threads != condition.threads) {
      continue;
    }
    for (const SessionFigure& f : run.figures) {
      if (f.figure == figure) values.push_back(f.value);
    }
  }
  return values;
}

}  // namespace

std::vector<std::optional<FigureVerdict>> CompareLatestSessions(
    const Session& latest, const Session& previous,
    const HistoryCondition& condition, const std::vector<std::string>& figures,
    double minEffect) {
  std::vector<Samples> family;
  std::vector<std::size_t> judged;
  for (std::size_t f = 0; f < figures.size(); ++f) {
    Samples samples{ValuesOf(latest, condition, figures[f]),
                    ValuesOf(previous, condition, figures[f])};
    if (samples.values.empty() || samples.baseline.empty()) continue;
    family.push_back(std::move(samples));
    judged.push_back(f);
  }
  const std::vector<FigureVerdict> verdicts = JudgeFamily(family, minEffect);
  std::vector<std::optional<FigureVerdict>> out(figures.size());
  for (std::size_t i = 0; i < verdicts.size() && i < judged.size(); ++i) {
    if (verdicts[i].estimate) out[judged[i]] = verdicts[i];
  }
  return out;
}

ShiftOwner OwnerOfShift(const std::vector<JudgedCondition>& conditions,
                        const JudgedCondition& condition,
                        const JudgedFigure& figure, const LevelShift& shift,
                        std::size_t from, double minEffect) {
  ShiftOwner owner;
  const JudgedFigure* controlled = nullptr;
  for (const JudgedCondition& c : conditions) {
    const HistoryCondition& k = c.condition;
    if (k.role != kControlledRole || k.program != condition.condition.program ||
        k.settle != condition.condition.settle ||
        k.clients != condition.condition.clients ||
        k.threads != condition.condition.threads) {
      continue;
    }
    for (const JudgedFigure& f : c.figures) {
      if (f.figure == figure.figure) controlled = &f;
    }
  }
  if (!controlled) return owner;
  // A step of its own at the same place, the same way: the drive's.
  for (const LevelShift& s : controlled->shifts) {
    if (s.at + 1 >= shift.at && s.at <= shift.at + 1 &&
        (s.ratio < 1) == (shift.ratio < 1)) {
      owner.whose = ShiftOwner::Whose::kDrive;
      owner.ratio = s.ratio;
      owner.low = s.low;
      owner.high = s.high;
      return owner;
    }
  }
  // Else its level after the change against its level before, between
  // the drive's changes around this one.
  std::size_t begin = from;
  std::size_t end = std::numeric_limits<std::size_t>::max();
  for (const LevelShift& s : figure.shifts) {
    if (s.at < shift.at) begin = std::max(begin, s.at);
    if (s.at > shift.at) end = std::min(end, s.at);
  }
  std::vector<double> before;
  std::vector<double> after;
  for (const HistoryPoint& p : controlled->points) {
    if (p.session < begin || p.session >= end || !(p.median > 0)) continue;
    (p.session < shift.at ? before : after).push_back(std::log(p.median));
  }
  owner.whose = ShiftOwner::Whose::kCannotTell;
  if (before.size() < 2 || after.size() < 2) return owner;
  const auto mean = [](const std::vector<double>& v) {
    double sum = 0;
    for (const double x : v) sum += x;
    return sum / static_cast<double>(v.size());
  };
  const double a = mean(after);
  const double b = mean(before);
  double squares = 0;
  for (const double x : before) squares += (x - b) * (x - b);
  for (const double x : after) squares += (x - a) * (x - a);
  const double degrees = static_cast<double>(before.size() + after.size() - 2);
  const double error = std::sqrt(squares / degrees) *
                       std::sqrt(1.0 / static_cast<double>(before.size()) +
                                 1.0 / static_cast<double>(after.size()));
  const double t = StudentTwoSidedQuantile(0.05, degrees);
  owner.ratio = std::exp(a - b);
  owner.low = std::exp(a - b - t * error);
  owner.high = std::exp(a - b + t * error);
  if (*owner.low >= 1 - minEffect && *owner.high <= 1 + minEffect) {
    owner.whose = ShiftOwner::Whose::kMachine;
  } else if (shift.ratio < 1 ? *owner.high < 1 - minEffect
                             : *owner.low > 1 + minEffect) {
    owner.whose = ShiftOwner::Whose::kDrive;
  }
  return owner;
}
