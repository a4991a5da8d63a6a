#include "runner/progress.h"

#include <cmath>
#include <cstdio>
#include <iostream>

#include "messages/messages.h"
#include "messages/utf8_text.h"
#include "results/figure_rows.h"
#include "runner/process.h"

namespace {

// "42 s", "3 min 05 s", "1 h 02 min".
std::string Duration(double seconds) {
  const long s = std::lround(seconds);
  char text[32];
  if (s < 60) {
    std::snprintf(text, sizeof text, "%ld s", s);
  } else if (s < 3600) {
    std::snprintf(text, sizeof text, "%ld min %02ld s", s / 60, s % 60);
  } else {
    std::snprintf(text, sizeof text, "%ld h %02ld min", s / 3600, s / 60 % 60);
  }
  return text;
}

}  // namespace

Progress::Progress(int total, bool atMost)
    : total_(total),
      atMost_(atMost),
      terminal_(StandardErrorIsTerminal()),
      start_(std::chrono::steady_clock::now()) {}

std::string Progress::Line(int index, const std::optional<int>& threads,
                           bool warmup, const std::optional<int>& clients,
                           const std::string& what) const {
  const double elapsed =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start_)
          .count();
  std::string line =
      std::string(kReportProgram) + ": run " + std::to_string(index) +
      (atMost_ ? " of at most " : " of ") + std::to_string(total_) + ", " +
      (place_.empty() ? std::string() : Printable(place_) + ", ") +
      (clients ? ClientsText(*clients) + ", " : std::string()) +
      (threads ? ThreadsText(*threads) : std::string("default threads")) +
      (warmup ? ", warm-up" : "") + ": " + what + "; " + Duration(elapsed) +
      " so far";
  if (!atMost_ && finished_ > 0 && finished_ < total_) {
    line += ", about " +
            Duration(runSeconds_ / finished_ * (total_ - finished_)) + " left";
  }
  return line;
}

void Progress::Show(const std::string& line, bool keep) {
  if (!terminal_) {
    if (keep) std::cerr << line + '\n' << std::flush;
    return;
  }
  // Spaces over what is left of a longer line before it.
  const std::string padding(shown_ > line.size() ? shown_ - line.size() : 0,
                            ' ');
  std::cerr << '\r' + line + padding << std::flush;
  shown_ = line.size();
  if (keep) {
    std::cerr << '\n' << std::flush;
    shown_ = 0;
  }
}

void Progress::Started(int index, const std::optional<int>& threads,
                       bool warmup, const std::optional<int>& clients,
                       const std::string& place) {
  place_ = place;
  Show(Line(index, threads, warmup, clients, "running"), false);
}

void Progress::Finished(const RunEntry& run) {
  ++finished_;
  runSeconds_ += run.wallSeconds;
  const bool ok = run.status == RunStatus::kOk;
  std::string what = std::string(RunStatusName(run.status)) + " in " +
                     Duration(run.wallSeconds);
  if (!ok && !run.reason.empty()) what += " (" + run.reason + ")";
  // On a terminal only a failure keeps its line; the others are redrawn.
  if (run.disturbed) what += ", disturbed";
  Show(Line(run.index, run.threads, run.warmup, run.clients, what),
       !terminal_ || !ok);
}

void Progress::Done() {
  if (terminal_ && shown_ > 0) std::cerr << '\n' << std::flush;
  shown_ = 0;
}
