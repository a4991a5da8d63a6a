#include "conclusions/history_check.h"

#include <map>

namespace {

// How many of the condition's other figures changed at the same session
// the same way.
int Alongside(const JudgedCondition& condition, const JudgedFigure& figure,
              const LevelShift& shift) {
  int others = 0;
  for (const JudgedFigure& other : condition.figures) {
    if (&other == &figure) continue;
    for (const LevelShift& s : other.shifts) {
      if (s.at == shift.at && (s.ratio < 1) == (shift.ratio < 1)) ++others;
    }
  }
  return others;
}

CheckFinding::Kind KindOf(LatestLevel level, const ShiftOwner& owner) {
  switch (level) {
    case LatestLevel::kSlower:
      return owner.whose == ShiftOwner::Whose::kMachine
                 ? CheckFinding::Kind::kSlowerMachine
                 : CheckFinding::Kind::kSlower;
    case LatestLevel::kFaster:
      return CheckFinding::Kind::kFaster;
    default:
      return CheckFinding::Kind::kRecovered;
  }
}

// A figure's trend as a finding.
CheckFinding TrendFinding(const JudgedDrive& judged,
                          const JudgedCondition& condition,
                          const JudgedFigure& figure, DriveCheck& check) {
  const LevelTrend& trend = *figure.trend;
  CheckFinding f;
  f.kind = trend.Total() < 1 ? CheckFinding::Kind::kDecline
                             : CheckFinding::Kind::kRise;
  f.condition = condition.condition;
  f.figure = figure.figure;
  f.ratio = trend.Total();
  f.low = trend.TotalLow();
  f.high = trend.TotalHigh();
  f.since = judged.sessions[trend.from].summary;
  f.sessions = trend.sessions;
  f.perSession = trend.perSession;
  f.perSessionLow = trend.low;
  f.perSessionHigh = trend.high;
  check.slower = check.slower || f.kind == CheckFinding::Kind::kDecline;
  return f;
}

// Every figure of the drive whose latest level is a lasting change, or
// that is on a trend.
void Changes(const JudgedDrive& judged, double minEffect, DriveCheck& check) {
  for (const JudgedCondition& condition : judged.conditions) {
    // The control's own series, and the drive's over it, speak of the
    // machine: they tell whose a drive's change is.
    if (condition.condition.role != kDriveRole) continue;
    for (const JudgedFigure& figure : condition.figures) {
      if (figure.trend)
        check.changes.push_back(TrendFinding(judged, condition, figure, check));
      const LatestLevel level = LatestChange(figure.shifts);
      if (level == LatestLevel::kUnchanged) continue;
      const LevelShift& shift = figure.shifts.back();
      CheckFinding f;
      f.owner = OwnerOfShift(judged.conditions, condition, figure, shift,
                             judged.from, minEffect);
      f.kind = KindOf(level, f.owner);
      f.condition = condition.condition;
      f.figure = figure.figure;
      f.ratio = shift.ratio;
      f.low = shift.low;
      f.high = shift.high;
      f.since = judged.sessions[shift.at].summary;
      f.alongside = Alongside(condition, figure, shift);
      check.uncontrolled =
          check.uncontrolled || f.owner.whose == ShiftOwner::Whose::kNoControl;
      check.slower = check.slower || f.kind == CheckFinding::Kind::kSlower;
      check.machineSlower =
          check.machineSlower || f.kind == CheckFinding::Kind::kSlowerMachine;
      check.changes.push_back(std::move(f));
    }
  }
}

// The sessions of `condition` judged, oldest first.
std::vector<std::size_t> SessionsOf(const JudgedCondition& condition,
                                    std::size_t from) {
  std::map<std::size_t, bool> sessions;
  for (const JudgedFigure& figure : condition.figures) {
    for (const HistoryPoint& p : figure.points) {
      if (p.session >= from) sessions[p.session] = true;
    }
  }
  std::vector<std::size_t> ordered;
  ordered.reserve(sessions.size());
  for (const auto& entry : sessions) ordered.push_back(entry.first);
  return ordered;
}

// Of every series of the latest session with too few sessions for a
// lasting change: that session against the one before, run against run.
bool TooFew(const JudgedDrive& judged, const SessionLoader& load,
            DriveCheck& check) {
  const std::size_t latest = judged.sessions.size() - 1;
  for (const JudgedCondition& condition : judged.conditions) {
    if (!condition.tooFewSessions || condition.condition.role != kDriveRole) {
      continue;
    }
    const std::vector<std::size_t> sessions =
        SessionsOf(condition, judged.from);
    if (sessions.size() < 2 || sessions.back() != latest) continue;
    const std::size_t previous = sessions[sessions.size() - 2];
    const Session* a = load(latest);
    const Session* b = a ? load(previous) : nullptr;
    if (!a || !b) return false;
    std::vector<std::string> figures;
    for (const JudgedFigure& f : condition.figures) {
      figures.push_back(f.figure);
    }
    const std::vector<std::optional<RatioEstimate>> estimates =
        CompareLatestSessions(*a, *b, condition.condition, figures);
    RunByRun series;
    series.condition = condition.condition;
    series.sessions = sessions.size();
    series.latest = judged.sessions[latest].summary.id;
    series.previous = judged.sessions[previous].summary.id;
    for (std::size_t f = 0; f < figures.size(); ++f) {
      if (!estimates[f]) continue;
      CheckFinding finding;
      finding.kind = CheckFinding::Kind::kRunByRun;
      finding.condition = condition.condition;
      finding.figure = figures[f];
      finding.ratio = estimates[f]->ratio;
      finding.low = estimates[f]->low;
      finding.high = estimates[f]->high;
      finding.since = judged.sessions[latest].summary;
      series.figures.push_back(std::move(finding));
    }
    check.runByRun.push_back(std::move(series));
  }
  return true;
}

}  // namespace

std::optional<DriveCheck> CheckDrive(const JudgedDrive& judged,
                                     double minEffect,
                                     const SessionLoader& load) {
  DriveCheck check;
  check.drive = judged.drive;
  check.sessions = judged.sessions.size();
  if (judged.from > 0) {
    check.judgedFrom = judged.sessions[judged.from].summary.id;
  }
  check.comparable = check.sessions - judged.from >= 2;
  if (!check.comparable) return check;
  Changes(judged, minEffect, check);
  if (!TooFew(judged, load, check)) return std::nullopt;
  return check;
}
