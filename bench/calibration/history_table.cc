#include "history_table.h"

#include <cmath>
#include <cstdio>

#include "conclusions/history_judgement.h"
#include "old_rules.h"
#include "statistics/summary.h"

namespace {

constexpr double kMinEffect = 0.05;
constexpr int kFigures = 15;
constexpr int kRunsPerSession = 5;

std::string Percent(double share) {
  char text[32];
  std::snprintf(text, sizeof text, "%.1f%%", share * 100);
  return text;
}

std::string Upper(const Rate& r) {
  return std::to_string(r.hits) + "/" + std::to_string(r.inputs) + " (" +
         Percent(r.Share()) + ", \u2264 " + Percent(r.Upper()) + ")";
}

std::string Lower(const Rate& r) {
  return std::to_string(r.hits) + "/" + std::to_string(r.inputs) + " (" +
         Percent(r.Share()) + ", \u2265 " + Percent(r.Lower()) + ")";
}

}  // namespace

History MakeHistory(const HistoryStandIn& h, Random& random) {
  History history;
  history.runs.assign(kFigures, std::vector<std::vector<double>>(h.sessions));
  const double sigmaSession = std::log1p(h.sessionNoise);
  const double sigmaRun = std::log1p(h.runNoise);
  const double sigmaOwn = std::log1p(h.ownNoise);
  double phase = sigmaSession * random.Normal();
  for (std::size_t s = 0; s < h.sessions; ++s) {
    // What the session shares: the machine's mood that day, which may
    // last from the day before.
    if (s > 0) {
      phase = h.rho * phase +
              std::sqrt(1 - h.rho * h.rho) * sigmaSession * random.Normal();
    }
    double level = phase + std::log1p(-h.decline) * static_cast<double>(s);
    if (s >= h.stepAt && h.stepAt > 0) level += std::log1p(h.step);
    if (s >= h.dipAt && s < h.dipAt + h.dipLength) level += std::log1p(h.dip);
    for (int f = 0; f < kFigures; ++f) {
      double own = h.ownNoise > 0 ? sigmaOwn * random.Normal() : 0;
      if (f == 0 && s >= h.oneStepAt && h.oneStepAt > 0) {
        own += std::log1p(h.oneStep);
      }
      for (int r = 0; r < kRunsPerSession; ++r) {
        history.runs[f][s].push_back(
            100 * std::exp(level + own + sigmaRun * random.Normal()));
      }
    }
  }
  return history;
}

Outcome JudgeNew(const History& history) {
  SeriesLevels levels;
  for (const auto& figure : history.runs) {
    std::vector<double> logs;
    for (const std::vector<double>& runs : figure) {
      logs.push_back(std::log(Median(runs)));
    }
    levels.figures.push_back(std::move(logs));
  }
  const std::size_t sessions = levels.figures.front().size();
  const SeriesJudgement judged = JudgeSeries(levels, 1, kMinEffect);
  Outcome outcome;
  for (const FigureJudgement& figure : judged.figures) {
    if (figure.trend) {
      (figure.trend->Total() < 1 ? outcome.slower : outcome.faster) = true;
      outcome.totals.push_back(
          {figure.trend->TotalLow(), figure.trend->TotalHigh()});
    }
    // As `history check` reads them: slower exits 3.
    const LatestLevel level = LatestChange(figure.shifts);
    if (level == LatestLevel::kSlower) {
      outcome.slower = true;
      outcome.dates.push_back(figure.shifts.back().at);
    } else if (level != LatestLevel::kUnchanged) {
      outcome.faster = true;
    }
  }
  (void)sessions;
  return outcome;
}

Outcome JudgeOld(const History& history) {
  Outcome outcome;
  const auto verdicts = old_rules::HistoryCheck(history.runs, kMinEffect);
  for (const auto& [slower, at] : verdicts) {
    if (slower) {
      outcome.slower = true;
      outcome.dates.push_back(at);
    } else {
      outcome.faster = true;
    }
  }
  return outcome;
}

void WriteHistoryTable(int histories, std::ostream& out) {
  std::uint64_t seed = 9000;
  out << "## History check with nothing changing: histories that exit 3\n\n"
         "15 figures a session, 5 runs a session; session noise shared by "
         "every figure, run noise each run's own.\n\n"
         "| session noise | run noise | sessions | exit 3, new | old | false "
         "\"recovered\" or \"faster\", new | old |\n"
         "|---|---|---|---|---|---|---|\n";
  for (const double sessionNoise : {0.0, 0.05, 0.10}) {
    for (const double runNoise : {0.02, 0.10}) {
      for (const std::size_t sessions : {8, 12, 20, 50}) {
        HistoryStandIn h;
        h.sessions = sessions;
        h.sessionNoise = sessionNoise;
        h.runNoise = runNoise;
        Random random(seed++);
        Rate slowerNew;
        Rate slowerOld;
        Rate fasterNew;
        Rate fasterOld;
        for (int i = 0; i < histories; ++i) {
          const History history = MakeHistory(h, random);
          const Outcome n = JudgeNew(history);
          const Outcome o = JudgeOld(history);
          slowerNew.Add(n.slower);
          slowerOld.Add(o.slower);
          fasterNew.Add(n.faster);
          fasterOld.Add(o.faster);
        }
        out << "| " << Percent(sessionNoise) << " | " << Percent(runNoise)
            << " | " << sessions << " | " << Upper(slowerNew) << " | "
            << Percent(slowerOld.Share()) << " | " << Upper(fasterNew) << " | "
            << Percent(fasterOld.Share()) << " |\n"
            << std::flush;
      }
    }
  }

  out << "\n## Planted changes (session noise 10%, run noise 10%, unless "
         "said)\n\n| change | sessions | found, new | dated within one "
         "session, new | found, old | dated, old |\n"
         "|---|---|---|---|---|---|\n";
  const auto planted = [&](const std::string& name, HistoryStandIn h,
                           std::size_t trueAt) {
    Random random(seed++);
    Rate found;
    Rate dated;
    Rate foundOld;
    Rate datedOld;
    for (int i = 0; i < histories; ++i) {
      const History history = MakeHistory(h, random);
      const Outcome n = JudgeNew(history);
      const Outcome o = JudgeOld(history);
      found.Add(n.slower);
      foundOld.Add(o.slower);
      const auto near = [trueAt](std::size_t at) {
        return at + 1 >= trueAt && at <= trueAt + 1;
      };
      if (n.slower) {
        bool ok = false;
        for (const std::size_t at : n.dates) ok = ok || near(at);
        dated.Add(ok);
      }
      if (o.slower) {
        bool ok = false;
        for (const std::size_t at : o.dates) ok = ok || near(at);
        datedOld.Add(ok);
      }
    }
    out << "| " << name << " | " << h.sessions << " | " << Lower(found) << " | "
        << Lower(dated) << " | " << Percent(foundOld.Share()) << " | "
        << Percent(datedOld.Share()) << " |\n"
        << std::flush;
  };
  for (const std::size_t sessions : {8, 12, 20, 30, 50}) {
    for (const double step : {-0.10, -0.20, -0.50}) {
      HistoryStandIn h;
      h.sessions = sessions;
      h.sessionNoise = 0.10;
      h.runNoise = 0.10;
      const std::size_t after = sessions == 12 ? 6 : sessions == 8 ? 4 : 5;
      h.stepAt = sessions - after;
      h.step = step;
      char name[96];
      std::snprintf(name, sizeof name,
                    "every figure %+.0f%%, %zu sessions after", step * 100,
                    after);
      planted(name, h, h.stepAt);
    }
  }
  for (const std::size_t sessions : {12, 20, 30}) {
    HistoryStandIn h;
    h.sessions = sessions;
    h.sessionNoise = 0.10;
    h.runNoise = 0.10;
    h.oneStepAt = sessions - 10 > 2 ? sessions - 10 : sessions / 2;
    h.oneStep = -0.20;
    char name[96];
    std::snprintf(name, sizeof name, "one figure -20%%, %zu sessions after",
                  sessions - h.oneStepAt);
    planted(name, h, h.oneStepAt);
  }
  for (const std::size_t after : {1, 2, 3, 4}) {
    HistoryStandIn h;
    h.sessions = 15 + after;
    h.sessionNoise = 0.05;
    h.runNoise = 0.10;
    h.stepAt = 15;
    h.step = -0.10;
    char name[96];
    std::snprintf(name, sizeof name,
                  "every figure -10%%, session noise 5%%, %zu after", after);
    planted(name, h, h.stepAt);
  }
  // A slowdown of the machine for three sessions, then back.
  {
    HistoryStandIn h;
    h.sessions = 20;
    h.sessionNoise = 0.05;
    h.runNoise = 0.10;
    h.dipAt = 10;
    h.dipLength = 3;
    h.dip = -0.20;
    Random random(seed++);
    Rate slowerNew;
    Rate slowerOld;
    for (int i = 0; i < histories; ++i) {
      const History history = MakeHistory(h, random);
      slowerNew.Add(JudgeNew(history).slower);
      slowerOld.Add(JudgeOld(history).slower);
    }
    out << "| the machine -20% for 3 sessions (10-12 of 20), then back: "
           "exit 3 at the end | 20 | "
        << Upper(slowerNew) << " | | " << Percent(slowerOld.Share())
        << " | |\n";
  }
}

void WriteSessionPhasesTable(int histories, std::ostream& out) {
  std::uint64_t seed = 9500;
  // The share of histories that exit 3 at their end.
  const auto slower = [&](const HistoryStandIn& h) {
    Random random(seed++);
    Rate rate;
    for (int i = 0; i < histories; ++i) {
      rate.Add(JudgeNew(MakeHistory(h, random)).slower);
    }
    return rate;
  };
  const auto phases = [](double rho, std::size_t sessions) {
    HistoryStandIn h;
    h.sessions = sessions;
    h.sessionNoise = 0.05;
    h.ownNoise = 0.015;
    h.runNoise = 0.10;
    h.rho = rho;
    return h;
  };
  out << "## Phases that last across sessions: histories that exit 3\n\n"
         "15 figures a session, 5 runs a session (run noise 10%); the "
         "session level shared by every figure an AR(1) series of sd 5%, "
         "each figure 1.5% of its own beside it.\n\n"
         "| history | sessions | exit 3 |\n|---|---|---|\n";
  for (const double rho : {0.5, 0.7}) {
    for (const std::size_t sessions : {12, 20, 30}) {
      char name[96];
      std::snprintf(name, sizeof name, "quiet, AR(1) %.1f", rho);
      out << "| " << name << " | " << sessions << " | "
          << Upper(slower(phases(rho, sessions))) << " |\n"
          << std::flush;
    }
  }
  HistoryStandIn white;
  white.sessions = 20;
  white.sessionNoise = 0.10;
  white.runNoise = 0.10;
  white.stepAt = 15;
  white.step = -0.20;
  out << "| every figure -20% from session 15, independent sessions of 10% | "
         "20 | "
      << Lower(slower(white)) << " |\n";
  HistoryStandIn step = phases(0.7, 20);
  step.stepAt = 15;
  step.step = -0.20;
  out << "| every figure -20% from session 15, AR(1) 0.7 | 20 | "
      << Lower(slower(step)) << " |\n";
  HistoryStandIn dip = phases(0.7, 20);
  dip.dipAt = 10;
  dip.dipLength = 3;
  dip.dip = -0.15;
  out << "| every figure -15% in sessions 10-12, then back, AR(1) 0.7 | 20 | "
      << Upper(slower(dip)) << " |\n";
  for (const std::size_t sessions : {12, 20, 30}) {
    HistoryStandIn decline = phases(0.7, sessions);
    decline.decline = 0.01;
    // Found, and of the figures told as a trend, those whose total's
    // interval holds the truth.
    const double truth = std::pow(0.99, static_cast<double>(sessions - 1));
    Random random(seed++);
    Rate found;
    Rate covered;
    for (int i = 0; i < histories; ++i) {
      const Outcome o = JudgeNew(MakeHistory(decline, random));
      found.Add(o.slower);
      for (const auto& [low, high] : o.totals) {
        covered.Add(low <= truth && truth <= high);
      }
    }
    out << "| every figure 1% slower each session, AR(1) 0.7 | " << sessions
        << " | " << Lower(found) << "; the total's interval holds the truth "
        << "in " << Lower(covered) << " of figures |\n"
        << std::flush;
  }
}
