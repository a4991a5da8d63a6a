#include "results/results_reader.h"

#include <array>
#include <cstdio>

#include "driver/texts.h"
#include "parallel/thread_team.h"
#include "results/figures.h"
#include "results/record_checks.h"
#include "results/report_number.h"
#include "results/tagged_names.h"

namespace {

// Access lines print rates in millions of accesses per second.
constexpr int kMillionsShift = 6;
constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
// How much of a wrong line a finding shows.
constexpr std::size_t kShownLineLength = 80;

bool StartsWith(std::string_view text, std::string_view prefix) {
  return text.substr(0, prefix.size()) == prefix;
}

bool EndsWith(std::string_view text, std::string_view suffix) {
  return text.size() >= suffix.size() &&
         text.substr(text.size() - suffix.size()) == suffix;
}

// A line of the input as a finding shows it: quoted, shortened, and with any
// byte that is not printable ASCII written as \xNN.
std::string Quoted(std::string_view line) {
  std::string quoted = "\"";
  for (const char c : line.substr(0, kShownLineLength)) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte >= 0x20 && byte < 0x7f) {
      quoted += c;
    } else {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\x%02X", byte);
      quoted += escaped;
    }
  }
  if (line.size() > kShownLineLength) quoted += "...";
  return quoted + "\"";
}

std::string ProgramNames() {
  return ProgramName(kWordSizeTags[0]) + " or " + ProgramName(kWordSizeTags[1]);
}

// The tag of a title line, or 0 when the line is not a title.
int TitleTag(std::string_view line) {
  if (!StartsWith(line, kTitleStem) || !EndsWith(line, kTitleTail)) return 0;
  const std::string_view stem = kTitleStem;
  const std::string_view tail = kTitleTail;
  if (line.size() < stem.size() + tail.size()) return 0;
  const std::optional<int> tag = ParseReportInteger(
      line.substr(stem.size(), line.size() - stem.size() - tail.size()));
  for (const int known : kWordSizeTags) {
    if (tag == known) return known;
  }
  return 0;
}

class Reader {
 public:
  Reader(std::string_view text, RunRecord& record) : text_(text), r_(record) {
    const std::size_t lastLineEnd = text_.rfind('\n');
    wholeEnd_ = lastLineEnd == std::string_view::npos ? 0 : lastLineEnd + 1;
    Rewind();
  }

  // Finds the kind and the tag from the first lines; false when the text is
  // not the benchmark's output.
  bool Recognise(InputError& error);
  void Read();

 private:
  // The cursor --------------------------------------------------------------

  // To the first line, after a byte-order mark.
  void Rewind() {
    pos_ = StartsWith(text_, kByteOrderMark) ? kByteOrderMark.size() : 0;
    line_ = 1;
    Load();
  }
  // The next whole line, without its line end (LF or CR LF).
  void Load() {
    if (pos_ >= wholeEnd_) {
      current_ = {};
      return;
    }
    const std::size_t end = text_.find('\n', pos_);
    current_ = text_.substr(pos_, end - pos_);
    if (EndsWith(current_, "\r")) current_.remove_suffix(1);
    next_ = end + 1;
  }
  void Advance() {
    pos_ = next_;
    ++line_;
    Load();
  }
  bool AtEndRaw() const { return pos_ >= wholeEnd_; }

  // Lines the benchmark may print in between the others: "Unable to open
  // file" in the sections whose reads print it, and, where standard error
  // went into a console transcript, the benchmark's warnings. They are
  // counted and kept, then skipped.
  void SkipInterjections() {
    while (console_ && !AtEndRaw()) {
      if (current_ == kUnableToOpenFile && PrintsUnable(section_)) {
        ++r_.unableToOpen[static_cast<int>(section_)];
      } else if (StartsWith(current_, warningLead_)) {
        r_.benchmarkWarnings.emplace_back(current_);
      } else {
        return;
      }
      Advance();
    }
  }
  static bool PrintsUnable(Section s) {
    return s == Section::kByteWise || s == Section::kBulk ||
           s == Section::kParallelByteWise || s == Section::kParallelBulk;
  }
  bool AtEnd() {
    SkipInterjections();
    return AtEndRaw();
  }

  // Expectations: each takes the next line if it is the one expected, else
  // notes what was expected and returns false -------------------------------

  bool Mismatch(std::string expected) {
    if (!AtEnd())
      mismatch_ = {line_, "layout", std::move(expected), Quoted(current_)};
    return false;
  }
  static std::string Template(std::string_view lead, std::string_view suffix,
                              std::string_view threadLead = "") {
    return "\"" + std::string(threadLead) + std::string(lead) + "<n>" +
           std::string(suffix) + "\"";
  }

  bool Text(std::string_view expected) {
    if (!AtEnd() && current_ == expected) {
      Advance();
      return true;
    }
    return Mismatch(expected.empty() ? "a blank line"
                                     : "\"" + std::string(expected) + "\"");
  }

  // <lead> <number> <suffix>, the number times 10^shift.
  bool Number(std::string_view lead, std::string_view suffix, int shift,
              double& value) {
    if (!AtEnd() && TakeNumber(current_, lead, suffix, shift, value)) {
      Advance();
      return true;
    }
    return Mismatch(Template(lead, suffix));
  }
  static bool TakeNumber(std::string_view line, std::string_view lead,
                         std::string_view suffix, int shift, double& value) {
    if (line.size() < lead.size() + suffix.size() || !StartsWith(line, lead) ||
        !EndsWith(line, suffix)) {
      return false;
    }
    const std::optional<double> number = ParseReportNumber(
        line.substr(lead.size(), line.size() - lead.size() - suffix.size()),
        shift);
    if (number) value = *number;
    return number.has_value();
  }

  // "Thread:" <thread> " " <lead> <number> <suffix>; the thread must be
  // `expectedThread` unless that is kSingleThread.
  bool ThreadNumber(std::string_view lead, std::string_view suffix, int shift,
                    int expectedThread, int& thread, double& value) {
    if (!AtEnd() && StartsWith(current_, kThreadLead)) {
      const std::string_view rest =
          current_.substr(std::string_view(kThreadLead).size());
      const std::size_t gap = rest.find(kThreadSeparator);
      const std::optional<int> t = ParseReportInteger(rest.substr(0, gap));
      if (gap != std::string_view::npos && t &&
          (expectedThread == kSingleThread || *t == expectedThread) &&
          TakeNumber(rest.substr(gap + 1), lead, suffix, shift, value)) {
        thread = *t;
        Advance();
        return true;
      }
    }
    const std::string shown = expectedThread == kSingleThread
                                  ? "<t>"
                                  : std::to_string(expectedThread);
    return Mismatch(
        Template(lead, suffix, kThreadLead + shown + kThreadSeparator));
  }

  // The sections ------------------------------------------------------------

  TeamFigure& Team(Figure f) { return r_.team[static_cast<int>(f)]; }
  std::optional<Measurement>& Single(Figure f) {
    return r_.single[static_cast<int>(f)];
  }

  bool ReadSection(Section section);
  bool ReadBanner();
  bool ReadFiles();
  bool ReadByteWise();
  bool ReadBulk();
  bool ReadParallelFiles();
  bool ReadParallelByteWise();
  bool ReadParallelBulk();
  bool ReadClosing();

  bool ReadThreadCount();
  bool ReadTransfer(Figure figure, const char* secsSuffix);
  bool ReadThreadFiles();
  bool ReadThreadTransfer(Figure figure, const char* secsSuffix,
                          int expectedThread, int& thread);
  // The MB line after a transfer's rate line; then checks both.
  bool ReadMegabytes(Figure figure, int thread, const Measurement& m,
                     int rateLine);
  bool ReadParallelTransfers(Figure write, Figure read, const char* header,
                             int gap);
  bool ReadTotal(Figure figure, const char* lead, const char* suffix,
                 int shift);
  bool ReadTotalMegabytes(Figure figure, const char* lead);
  bool ReadImprovement(Figure figure);
  void CheckThreads(Figure figure, int firstLine);

  // Moves to the first section after `after` that starts at or below the
  // current line; returns kSectionCount when none does.
  int SkipToSectionAfter(int after);

  std::string_view text_;
  RunRecord& r_;
  std::size_t pos_ = 0;       // where the next line starts
  std::size_t next_ = 0;      // where the line after it starts
  std::size_t wholeEnd_ = 0;  // past the last line end
  std::string_view current_;  // the next line
  int line_ = 1;              // its number
  Section section_ = Section::kBanner;
  bool console_ = false;
  std::string title_;        // the title line of the input's tag
  std::string warningLead_;  // "drives64: warning: "
  std::optional<Finding> mismatch_;
};

bool Reader::Recognise(InputError& error) {
  const bool blankFirst = !AtEndRaw() && current_.empty();
  if (blankFirst) Advance();
  const std::string_view title = AtEndRaw() ? text_.substr(pos_) : current_;
  r_.tag = TitleTag(title);
  if (r_.tag == 0) {
    error = {line_, "not a results file or console transcript of " +
                        ProgramNames() + " (found " + Quoted(title) + ")"};
    return false;
  }
  console_ = blankFirst;
  r_.kind = console_ ? InputKind::kConsole : InputKind::kResultsFile;
  title_ = TitleLine(r_.tag);
  warningLead_ = ProgramName(r_.tag) + ": " + kWarningLead;
  Rewind();  // the banner is read as a section like the others
  return true;
}

void Reader::Read() {
  int s = 0;
  while (s < kSectionCount) {
    section_ = static_cast<Section>(s);
    mismatch_.reset();
    r_.sectionLines[s] = line_;
    if (ReadSection(section_)) {
      ++s;
      continue;
    }
    if (AtEnd()) {
      const bool cut = wholeEnd_ < text_.size();
      r_.stop = Stop{line_, section_, cut};
      return;
    }
    r_.findings.push_back(*mismatch_);
    s = SkipToSectionAfter(s);
    if (s == kSectionCount) return;
  }
  if (!AtEnd()) {
    r_.findings.push_back(
        {line_, "layout", "the end of the report", Quoted(current_)});
  } else if (wholeEnd_ < text_.size()) {
    r_.findings.push_back({line_, "layout", "the end of the report",
                           Quoted(text_.substr(wholeEnd_)) + " (no line end)"});
  }
}

bool Reader::ReadSection(Section section) {
  switch (section) {
    case Section::kBanner:
      return ReadBanner();
    case Section::kFiles:
      return ReadFiles();
    case Section::kByteWise:
      return ReadByteWise();
    case Section::kBulk:
      return ReadBulk();
    case Section::kParallelFiles:
      return ReadParallelFiles();
    case Section::kParallelByteWise:
      return ReadParallelByteWise();
    case Section::kParallelBulk:
      return ReadParallelBulk();
    case Section::kClosing:
      return ReadClosing();
  }
  return false;
}

int Reader::SkipToSectionAfter(int after) {
  constexpr std::array<std::pair<const char*, Section>, 3> kHeaders = {{
      {kFilesHeader, Section::kFiles},
      {kByteWiseHeader, Section::kByteWise},
      {kBulkHeader, Section::kBulk},
  }};
  // The parallel sections follow the single-thread ones in the same order.
  constexpr int kParallelOffset = static_cast<int>(Section::kParallelFiles) -
                                  static_cast<int>(Section::kFiles);
  bool afterMultiThread = false;
  std::size_t multiThreadPos = 0;
  int multiThreadLine = 0;
  for (; !AtEndRaw(); Advance()) {
    for (const auto& [header, section] : kHeaders) {
      if (current_ != header) continue;
      int found = static_cast<int>(section);
      if (afterMultiThread) found += kParallelOffset;
      if (found <= after) break;
      if (afterMultiThread) {
        pos_ = multiThreadPos;
        line_ = multiThreadLine;
        Load();
      }
      return found;
    }
    afterMultiThread = current_ == kMultiThreadEnabled;
    multiThreadPos = pos_;
    multiThreadLine = line_;
  }
  return kSectionCount;
}

bool Reader::ReadBanner() {
  if (console_) {
    return Text("") && Text(title_) && Text(kRightsNotice) &&
           Text(kSupportNotice) && Text("") && Text("") && Text("") &&
           ReadThreadCount() && Text("") && Text(kForceSingleThread) &&
           Text("");
  }
  return Text(title_) && Text("") && ReadThreadCount() && Text("") &&
         Text(kForceSingleThread) && Text("");
}

bool Reader::ReadThreadCount() {
  const std::string_view lead = kThreadCountLead;
  const std::optional<int> count =
      !AtEnd() && StartsWith(current_, lead)
          ? ParseReportInteger(current_.substr(lead.size()))
          : std::nullopt;
  if (!count) return Mismatch("\"" + std::string(lead) + "<count>\"");
  if (*count >= 1 && *count <= kMaxThreadCount) {
    r_.threadCount = count;
  } else {
    r_.findings.push_back({line_, "thread count",
                           "1 to " + std::to_string(kMaxThreadCount),
                           std::to_string(*count)});
  }
  Advance();
  return true;
}

bool Reader::ReadFiles() {
  Measurement m;
  if (!Text(kFilesHeader) || !Text("")) return false;
  m.line = line_;
  if (!Number(kSpentLead, kSecs, 0, m.elapsed)) return false;
  const int rateLine = line_;
  if (!Number(console_ ? kProcessLead : kProcessLeadWide, kFilesPerSec, 0,
              m.rate)) {
    return false;
  }
  Single(Figure::kFiles) = m;
  CheckRate(Figure::kFiles, kSingleThread, m, rateLine, r_.findings);
  return Text("");
}

bool Reader::ReadTransfer(Figure figure, const char* secsSuffix) {
  Measurement m;
  m.line = line_;
  if (!Number(kSpentLead, secsSuffix, 0, m.elapsed)) return false;
  const int rateLine = line_;
  if (!Number(kAccessLead, kAccessesPerSec, kMillionsShift, m.rate) ||
      !ReadMegabytes(figure, kSingleThread, m, rateLine)) {
    return false;
  }
  Single(figure) = m;
  return true;
}

bool Reader::ReadByteWise() {
  return Text(kByteWiseHeader) && Text("") &&
         ReadTransfer(Figure::kByteWrite, kSecsToWrite) &&
         ReadTransfer(Figure::kByteRead, kSecsToReadColon) && Text("");
}

bool Reader::ReadBulk() {
  return Text(kBulkHeader) && Text("") &&
         ReadTransfer(Figure::kBulkRead, kSecsToReadColon) &&
         ReadTransfer(Figure::kBulkWrite, kSecsToWrite) && Text("") && Text("");
}

bool Reader::ReadThreadFiles() {
  Measurement m;
  int thread = 0;
  m.line = line_;
  if (!ThreadNumber(kSpentLead, kSecs, 0, kSingleThread, thread, m.elapsed)) {
    return false;
  }
  const int rateLine = line_;
  if (!ThreadNumber(kProcessLead, kFilesPerSec, 0, thread, thread, m.rate)) {
    return false;
  }
  Team(Figure::kFiles).threads.push_back({thread, m});
  CheckRate(Figure::kFiles, thread, m, rateLine, r_.findings);
  return true;
}

void Reader::CheckThreads(Figure figure, int firstLine) {
  CheckThreadSet(section_, Team(figure), r_.threadCount, firstLine,
                 r_.findings);
}

bool Reader::ReadParallelFiles() {
  if (!Text(kMultiThreadEnabled) || !Text(kFilesHeader) || !Text("")) {
    return false;
  }
  const int firstLine = line_;
  while (!AtEnd() && StartsWith(current_, kThreadLead)) {
    if (!ReadThreadFiles()) return false;
  }
  if (!Text("") || !Text("")) return false;
  CheckThreads(Figure::kFiles, firstLine);
  return ReadTotal(Figure::kFiles, kTotalFilesLead, kFilesPerSec, 0) &&
         ReadImprovement(Figure::kFiles) && Text("");
}

bool Reader::ReadThreadTransfer(Figure figure, const char* secsSuffix,
                                int expectedThread, int& thread) {
  Measurement m;
  m.line = line_;
  if (!ThreadNumber(kSpentLead, secsSuffix, 0, expectedThread, thread,
                    m.elapsed)) {
    return false;
  }
  const int rateLine = line_;
  if (!ThreadNumber(kAccessLead, console_ ? kAccessPerSec : kAccessesPerSec,
                    kMillionsShift, thread, thread, m.rate) ||
      !ReadMegabytes(figure, thread, m, rateLine)) {
    return false;
  }
  Team(figure).threads.push_back({thread, m});
  return true;
}

bool Reader::ReadMegabytes(Figure figure, int thread, const Measurement& m,
                           int rateLine) {
  const int mbLine = line_;
  double megabytes = 0;
  if (!Number(kMbLead, kMbPerSec, 0, megabytes)) return false;
  CheckRate(figure, thread, m, rateLine, r_.findings);
  CheckMegabytes(figure, thread, m.rate, megabytes, mbLine, r_.findings);
  return true;
}

bool Reader::ReadParallelTransfers(Figure write, Figure read,
                                   const char* header, int gap) {
  if (!Text(kMultiThreadEnabled) || !Text(header) || !Text("")) return false;
  const int firstLine = line_;
  while (!AtEnd() && StartsWith(current_, kThreadLead)) {
    int thread = 0;
    if (!ReadThreadTransfer(write, kSecsToWrite, kSingleThread, thread) ||
        !ReadThreadTransfer(read, kSecsToReadDot, thread, thread)) {
      return false;
    }
  }
  for (int i = 0; i < gap; ++i) {
    if (!Text("")) return false;
  }
  CheckThreads(write, firstLine);
  return ReadTotal(write, kTotalAccessLead, kTotalToWrite, kMillionsShift) &&
         ReadTotalMegabytes(write, kTotalWritingLead) &&
         ReadImprovement(write) &&
         ReadTotal(read, kTotalAccessLead, kTotalToRead, kMillionsShift) &&
         ReadTotalMegabytes(read, kTotalReadingLead) && ReadImprovement(read) &&
         Text("");
}

bool Reader::ReadParallelByteWise() {
  // Two blank lines before the totals here, one in the bulk phase.
  return ReadParallelTransfers(Figure::kByteWrite, Figure::kByteRead,
                               kByteWiseHeader, 2);
}

bool Reader::ReadParallelBulk() {
  // The write figures come first, although the read was done first.
  return ReadParallelTransfers(Figure::kBulkWrite, Figure::kBulkRead,
                               kBulkHeader, 1);
}

bool Reader::ReadTotal(Figure figure, const char* lead, const char* suffix,
                       int shift) {
  TeamFigure& team = Team(figure);
  team.totalLine = line_;
  double total = 0;
  if (!Number(lead, suffix, shift, total)) return false;
  team.total = total;
  CheckTotal(figure, team, r_.findings);
  return true;
}

bool Reader::ReadTotalMegabytes(Figure figure, const char* lead) {
  const int line = line_;
  double megabytes = 0;
  if (!Number(lead, kMbPerSec, 0, megabytes)) return false;
  CheckMegabytes(figure, kTeamTotal, *Team(figure).total, megabytes, line,
                 r_.findings);
  return true;
}

bool Reader::ReadImprovement(Figure figure) {
  TeamFigure& team = Team(figure);
  team.improvementLine = line_;
  double improvement = 0;
  if (!Number(kImprovementLead, kTimes, 0, improvement)) return false;
  team.improvement = improvement;
  CheckImprovement(figure, team, Single(figure), r_.findings);
  return true;
}

bool Reader::ReadClosing() {
  return Text("") && (!console_ || Text(kPressEnter));
}

}  // namespace

std::optional<RunRecord> ReadRunRecord(std::string_view text,
                                       const std::string& source,
                                       InputError& error) {
  if (!CheckInputText(text, error)) return std::nullopt;
  RunRecord record;
  record.source = source;
  Reader reader(text, record);
  if (!reader.Recognise(error)) return std::nullopt;
  reader.Read();
  return record;
}

std::optional<RunRecord> ReadResultsFile(const std::string& path,
                                         const std::string& source,
                                         std::string& text, InputError& error) {
  if (!LoadInputText(path, text, error)) return std::nullopt;
  return ReadRunRecord(text, source, error);
}
