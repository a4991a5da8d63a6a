#include "results/figure_rows.h"

#include <cctype>

#include "results/figures.h"

namespace {

std::string Capitalised(std::string text) {
  if (!text.empty()) {
    text[0] =
        static_cast<char>(std::toupper(static_cast<unsigned char>(text[0])));
  }
  return text;
}

// Files per second for the files figure, MB per second for the others.
double InUnit(Figure figure, double rate) {
  return IsTransfer(figure) ? MegabytesPerSecond(rate) : rate;
}

std::vector<FigureRow> MakeRows() {
  std::vector<FigureRow> rows = {
      {FigureRow::Kind::kThreadCount, Figure::kFiles}};
  for (const FigureRow::Kind kind :
       {FigureRow::Kind::kSingle, FigureRow::Kind::kTotal,
        FigureRow::Kind::kImprovement}) {
    for (const Figure figure : kFigures) rows.push_back({kind, figure});
  }
  return rows;
}

}  // namespace

std::string FigureRow::Label() const {
  std::string title = Capitalised(FigureTitle(figure));
  const std::string unit = Unit();
  switch (kind) {
    case Kind::kThreadCount:
      return "Threads";
    case Kind::kSingle:
      return title + ", one thread (" + unit + ")";
    case Kind::kTotal:
      return title + ", all threads (" + unit + ")";
    case Kind::kImprovement:
      return title + ", improvement (times)";
  }
  return title;
}

std::string FigureRow::Key() const {
  switch (kind) {
    case Kind::kThreadCount:
      return "threads";
    case Kind::kSingle:
      return std::string("single.") + FigureKey(figure);
    case Kind::kTotal:
      return std::string("total.") + FigureKey(figure);
    case Kind::kImprovement:
      return std::string("improvement.") + FigureKey(figure);
  }
  return FigureKey(figure);
}

const char* FigureRow::Unit() const {
  switch (kind) {
    case Kind::kThreadCount:
      return "threads";
    case Kind::kImprovement:
      return "times";
    case Kind::kSingle:
    case Kind::kTotal:
      break;
  }
  return IsTransfer(figure) ? "MB/s" : "files/s";
}

std::size_t FigureRow::Position() const {
  if (kind == Kind::kThreadCount) return 0;
  // The kinds after the thread count, each a block of every figure.
  return 1 + (static_cast<std::size_t>(kind) - 1) * kFigureCount +
         static_cast<std::size_t>(figure);
}

std::optional<double> FigureRow::Value(const RunRecord& run) const {
  switch (kind) {
    case Kind::kThreadCount:
      if (!run.threadCount) return std::nullopt;
      return *run.threadCount;
    case Kind::kSingle:
      if (const auto& single = run.Single(figure)) {
        return InUnit(figure, single->rate);
      }
      return std::nullopt;
    case Kind::kTotal:
      if (const auto& total = run.Team(figure).total) {
        return InUnit(figure, *total);
      }
      return std::nullopt;
    case Kind::kImprovement:
      return run.Team(figure).improvement;
  }
  return std::nullopt;
}

const std::vector<FigureRow>& ComparedFigures() {
  static const std::vector<FigureRow> rows = MakeRows();
  return rows;
}

std::string ThreadsText(int threads) {
  return std::to_string(threads) + (threads == 1 ? " thread" : " threads");
}

std::string ClientsText(int clients) {
  return std::to_string(clients) + (clients == 1 ? " client" : " clients");
}
