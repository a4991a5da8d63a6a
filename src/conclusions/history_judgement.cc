#include "conclusions/history_judgement.h"

#include <algorithm>
#include <cmath>
#include <iterator>
#include <limits>
#include <map>
#include <tuple>

#include "results/figure_rows.h"
#include "statistics/change_points.h"
#include "statistics/change_thresholds.h"
#include "statistics/distributions.h"
#include "statistics/serial_dependence.h"

namespace {

// The dependence taken in the figures together: as measured, and a
// standard error and a quarter more. A series of 12 to 30 sessions tells
// its phases only roughly: taken as measured, they made 7-9% of quiet
// histories in phases of AR(1) 0.7 exit 3; one standard error more, 5.4%.
// A figure alone against the others is left with its own session noise,
// whose phases the others share and take out.
constexpr double kDependenceMargin = 1.25;

// The shares of the budget: the figures together (a machine or a drive
// moves them all far more often than one alone), in steps and along a
// line; the rest for each figure alone.
constexpr double kTogetherShare = 0.5;
constexpr double kTrendShare = 0.3;

double Mean(const std::vector<double>& values) {
  double sum = 0;
  for (const double v : values) sum += v;
  return values.empty() ? 0 : sum / static_cast<double>(values.size());
}

// How alike neighbouring sessions are about the levels that `points` (into
// `values`) divide them into: the lag-1 autocorrelation of what is left
// within each level, corrected for its bias in levels of n sessions
// (E[r] = rho - (1 + 3 rho) / n), from 0 to kMostDependence.
double SessionDependence(const std::vector<double>& values,
                         const std::vector<std::size_t>& points) {
  std::vector<std::size_t> bounds = {0};
  bounds.insert(bounds.end(), points.begin(), points.end());
  bounds.push_back(values.size());
  double products = 0;
  double squares = 0;
  std::size_t levels = 0;
  for (std::size_t b = 0; b + 1 < bounds.size(); ++b) {
    const std::vector<double> level(
        values.begin() + static_cast<std::ptrdiff_t>(bounds[b]),
        values.begin() + static_cast<std::ptrdiff_t>(bounds[b + 1]));
    if (level.empty()) continue;
    ++levels;
    const double mean = Mean(level);
    for (std::size_t i = 0; i < level.size(); ++i) {
      squares += (level[i] - mean) * (level[i] - mean);
      if (i > 0) products += (level[i] - mean) * (level[i - 1] - mean);
    }
  }
  if (!(squares > 0) || levels == 0) return 0;
  const double n =
      static_cast<double>(values.size()) / static_cast<double>(levels);
  if (n <= 3) return 0;
  return CorrectedLagOne(products / squares, n);
}

// The change points of a series with gaps (`values` over `sessions`, the
// sessions that have one), as sessions, and how alike neighbouring
// sessions are. Where they are alike (a machine's phases last several
// sessions), a level's mean varies more than the sessions' count says, and
// the thresholds widen by as much as such series need (simulated).
struct FoundChanges {
  std::vector<std::size_t> points;
  double rho = 0;
};
FoundChanges Changes(const std::vector<double>& values,
                     const std::vector<std::size_t>& sessions, double alpha,
                     double margin) {
  FoundChanges found;
  if (sessions.empty()) return found;
  found.points = ChangePoints(values, alpha);
  // About the largest change alone: more changes found in sessions that
  // are alike would take their phases for levels.
  std::vector<std::size_t> largest;
  if (!found.points.empty()) {
    largest.push_back(BestChange(values, 0, values.size()).at);
  }
  const double measured = SessionDependence(values, largest);
  found.rho = std::min(
      kMostDependence,
      measured + margin * std::sqrt((1 - measured * measured) /
                                    static_cast<double>(values.size())));
  if (found.rho > 0) {
    found.points = ChangePoints(values, alpha,
                                DependenceWidening(values.size(), found.rho));
  }
  for (std::size_t& p : found.points) p = sessions[p];
  return found;
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

// The level of a test that finds changes, and how alike neighbouring
// sessions were in what it tested.
struct TestLevel {
  double alpha = 0;
  double rho = 0;
};

// The figure's levels between `points` (ascending sessions), and each
// level against the one before it with its interval at the level of the
// test that found it; where sessions are alike, a level's mean varies more
// than their count says, by sqrt((1 + rho) / (1 - rho)).
std::vector<LevelShift> Shifts(const std::vector<double>& figure,
                               const std::vector<std::size_t>& points,
                               const std::vector<bool>& together,
                               TestLevel allTogether, TestLevel alone) {
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
    const TestLevel& test = together[i] ? allTogether : alone;
    const double error = spread * std::sqrt((1 + test.rho) / (1 - test.rho)) *
                         std::sqrt(1.0 / static_cast<double>(before.size()) +
                                   1.0 / static_cast<double>(after.size()));
    const double t = StudentTwoSidedQuantile(test.alpha, degrees);
    shifts.push_back({points[i], std::exp(difference),
                      std::exp(difference - t * error),
                      std::exp(difference + t * error), together[i]});
  }
  return shifts;
}

// A line through `values` over `sessions`: its slope, and the sum of
// squares left about it.
struct Line {
  double slope = 0;
  double error = 0;  // of the slope, as if the sessions were independent
  double left = 0;
  double first = 0;  // its value at the first session
  std::vector<double> residuals;
};
Line FitLine(const std::vector<double>& values,
             const std::vector<std::size_t>& sessions) {
  Line line;
  const double n = static_cast<double>(values.size());
  double meanX = 0;
  for (const std::size_t s : sessions) meanX += static_cast<double>(s);
  meanX /= n;
  const double meanY = Mean(values);
  double sxx = 0;
  double sxy = 0;
  for (std::size_t i = 0; i < values.size(); ++i) {
    const double x = static_cast<double>(sessions[i]) - meanX;
    sxx += x * x;
    sxy += x * (values[i] - meanY);
  }
  if (!(sxx > 0)) return line;
  line.slope = sxy / sxx;
  for (std::size_t i = 0; i < values.size(); ++i) {
    const double x = static_cast<double>(sessions[i]) - meanX;
    line.residuals.push_back(values[i] - meanY - line.slope * x);
    line.left += line.residuals.back() * line.residuals.back();
  }
  line.error = std::sqrt(line.left / (n - 2) / sxx);
  line.first =
      meanY + line.slope * (static_cast<double>(sessions.front()) - meanX);
  return line;
}

// Whether the figures together (`values` over `sessions`) go along a line:
// its slope beyond its chance at `alpha`, with the sessions' dependence
// about it as measured (about the line, a phase is not taken for a level;
// with no margin, quiet histories in phases of AR(1) 0.7 still exit 3 in
// at most 4.8%), where the line fits them better than the best single
// step. That dependence, where they do.
std::optional<double> TrendFound(const std::vector<double>& values,
                                 const std::vector<std::size_t>& sessions,
                                 double alpha) {
  if (values.size() < kFewestSessionsForTrend) return std::nullopt;
  const Line line = FitLine(values, sessions);
  if (!(line.error > 0)) return std::nullopt;
  const double n = static_cast<double>(values.size());
  const double rho = SessionDependence(line.residuals, {});
  const double t =
      std::fabs(line.slope) / (line.error * SlopeWidening(values.size(), rho));
  if (!(t > StudentTwoSidedQuantile(alpha, n - 2))) return std::nullopt;
  // The best step's sum of squares left, against the line's.
  const std::size_t at = BestChange(values, 0, values.size()).at;
  if (at > 0) {
    const std::vector<double> before(
        values.begin(), values.begin() + static_cast<std::ptrdiff_t>(at));
    const std::vector<double> after(
        values.begin() + static_cast<std::ptrdiff_t>(at), values.end());
    double stepLeft = 0;
    for (const std::vector<double>* level : {&before, &after}) {
      const double mean = Mean(*level);
      for (const double v : *level) stepLeft += (v - mean) * (v - mean);
    }
    if (stepLeft <= line.left) return std::nullopt;
  }
  return rho;
}

// One figure's line over its sessions, with its interval at the level of
// the test that found the trend; none where it does not matter (its total
// within the minimum effect, or its interval across no change).
std::optional<LevelTrend> TrendOf(const std::vector<double>& figure,
                                  TestLevel test, double minEffect) {
  std::vector<double> values;
  std::vector<std::size_t> sessions;
  for (std::size_t s = 0; s < figure.size(); ++s) {
    if (std::isfinite(figure[s])) {
      values.push_back(figure[s]);
      sessions.push_back(s);
    }
  }
  if (values.size() < kFewestSessionsForTrend) return std::nullopt;
  const Line line = FitLine(values, sessions);
  const double half = StudentTwoSidedQuantile(
                          test.alpha, static_cast<double>(values.size()) - 2) *
                      line.error * SlopeWidening(values.size(), test.rho);
  LevelTrend trend{sessions.front(),
                   sessions.back(),
                   sessions.back() - sessions.front() + 1,
                   std::exp(line.first),
                   std::exp(line.slope),
                   std::exp(line.slope - half),
                   std::exp(line.slope + half)};
  const bool large = std::fabs(std::log(trend.Total())) > std::log1p(minEffect);
  if (!large || !(trend.low > 1 || trend.high < 1)) return std::nullopt;
  return trend;
}

}  // namespace

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
  const double alphaTrend = kHistoryBudget * kTrendShare / share;
  const double alphaAlone =
      kHistoryBudget * (1 - kTogetherShare - kTrendShare) / share /
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
  const FoundChanges shared =
      Changes(together, togetherSessions, alphaTogether, kDependenceMargin);
  const std::optional<double> rhoTrend =
      TrendFound(together, togetherSessions, alphaTrend);
  const std::vector<std::size_t> none;
  for (std::size_t f = 0; f < figures; ++f) {
    if (rhoTrend) {
      judged.figures[f].trend =
          TrendOf(levels.figures[f], {alphaTrend, *rhoTrend}, minEffect);
    }
    // A figure along a line takes no steps with the others.
    const std::vector<std::size_t>& common =
        judged.figures[f].trend ? none : shared.points;
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
    const FoundChanges own = Changes(alone, aloneSessions, alphaAlone, 0);
    for (const std::size_t p : own.points) {
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
         Shifts(levels.figures[f], at, found, {alphaTogether, shared.rho},
                {alphaAlone, own.rho})) {
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
      if (const auto& trend = series.figures[f].trend) {
        c.figures[f].trend = *trend;
        c.figures[f].trend->from = judgedSessions[trend->from];
        c.figures[f].trend->to = judgedSessions[trend->to];
      }
    }
  }
  return judged;
}

double LevelTrend::Total() const {
  return std::pow(perSession, static_cast<double>(sessions - 1));
}
double LevelTrend::TotalLow() const {
  return std::pow(low, static_cast<double>(sessions - 1));
}
double LevelTrend::TotalHigh() const {
  return std::pow(high, static_cast<double>(sessions - 1));
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

std::vector<std::optional<RatioEstimate>> CompareLatestSessions(
    const Session& latest, const Session& previous,
    const HistoryCondition& condition,
    const std::vector<std::string>& figures) {
  std::vector<std::optional<RatioEstimate>> out(figures.size());
  for (std::size_t f = 0; f < figures.size(); ++f) {
    const std::vector<double> values = ValuesOf(latest, condition, figures[f]);
    const std::vector<double> baseline =
        ValuesOf(previous, condition, figures[f]);
    if (!values.empty() && !baseline.empty()) {
      out[f] = EstimateRatio(values, baseline);
    }
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
