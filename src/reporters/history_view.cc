#include "reporters/history_view.h"

#include <cmath>
#include <cstdio>

#include "results/figure_rows.h"

namespace {

std::string ThreadsPart(const HistoryCondition& c) {
  return c.threads ? ThreadsText(*c.threads) : std::string("default threads");
}

std::string ClientsPart(const HistoryCondition& c) {
  if (!c.clients) return "one client";
  return std::to_string(*c.clients) +
         (*c.clients == 1 ? " client" : " clients");
}

std::string RolePart(const HistoryCondition& c) {
  return c.role == kControlRole      ? "memory control"
         : c.role == kControlledRole ? "over the memory control"
                                     : "drive";
}

}  // namespace

std::string DriveText(const DriveSummary& drive) {
  const bool said = drive.name.rfind(drive.machine + ":", 0) == 0;
  return drive.machine.empty() || said ? drive.name
                                       : drive.name + " on " + drive.machine;
}

std::string ConditionText(const HistoryCondition& condition) {
  std::string text = condition.program + ", " + ThreadsPart(condition);
  if (condition.clients) text += ", " + ClientsPart(condition);
  if (condition.settle) text += ", settled";
  if (condition.role != kDriveRole) text += ", " + RolePart(condition);
  return text;
}

std::string ConditionLabel(const HistoryCondition& condition,
                           const std::vector<JudgedCondition>& all) {
  bool programs = false;
  bool clients = false;
  bool settle = false;
  bool roles = false;
  for (const JudgedCondition& other : all) {
    const HistoryCondition& o = other.condition;
    programs = programs || o.program != condition.program;
    clients = clients || o.clients != condition.clients;
    settle = settle || o.settle != condition.settle;
    roles = roles || o.role != condition.role;
  }
  std::string label = ThreadsPart(condition);
  if (clients) label += ", " + ClientsPart(condition);
  if (settle) label += condition.settle ? ", settled" : ", unsettled";
  if (roles) label += ", " + RolePart(condition);
  if (programs) label = condition.program + ", " + label;
  return label;
}

std::string FigureLabel(const std::string& key) {
  for (const FigureRow& row : ComparedFigures()) {
    if (row.Compares() && row.Key() == key) return row.Label();
  }
  return key;
}

std::size_t FigurePosition(const std::string& key) {
  for (const FigureRow& row : ComparedFigures()) {
    if (row.Compares() && row.Key() == key) return row.Position();
  }
  return kFigureRowCount;
}

namespace {

// A ratio's change in percent, of `digits` decimals: 0.991 is "0.9".
std::string PercentText(double ratio, int digits) {
  char text[32];
  std::snprintf(text, sizeof text, "%.*f", digits, std::fabs(ratio - 1) * 100);
  return text;
}

}  // namespace

std::string TrendMoveText(double total, std::size_t sessions, double perSession,
                          double low, double high) {
  const bool down = total < 1;
  return std::string(down ? "down " : "up ") + PercentText(total, 0) +
         "% over " + std::to_string(sessions) + " sessions, about " +
         PercentText(perSession, 1) + "% a session (" +
         PercentText(down ? high : low, 1) + "\u2013" +
         PercentText(down ? low : high, 1) + "%)";
}

std::string StepText(double ratio) {
  char text[64];
  std::snprintf(text, sizeof text, "a step of %+.0f%%", (ratio - 1) * 100);
  return text;
}
