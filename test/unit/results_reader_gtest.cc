// The results reader on real output of the benchmark (test/data), and on
// that output cut short, edited or corrupted.
#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <sstream>

#include "results/input_text.h"
#include "results/results_reader.h"

namespace {

std::string Fixture(const std::string& name) {
  std::ifstream in(std::string(DRIVES_TEST_DATA_DIR) + "/" + name,
                   std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

RunRecord Read(const std::string& text) {
  InputError error;
  EXPECT_TRUE(CheckInputText(text, error)) << error.message;
  std::optional<RunRecord> record = ReadRunRecord(text, "input", error);
  EXPECT_TRUE(record.has_value()) << error.message;
  return record.value_or(RunRecord{});
}

// `text` with its line `number` (1-based) replaced by `line`.
std::string WithLine(const std::string& text, int number,
                     const std::string& line) {
  std::istringstream in(text);
  std::string result;
  std::string current;
  for (int n = 1; std::getline(in, current); ++n) {
    result += (n == number ? line : current) + '\n';
  }
  return result;
}

// The first `count` lines of `text`.
std::string FirstLines(const std::string& text, int count) {
  std::size_t end = 0;
  for (int n = 0; n < count; ++n) end = text.find('\n', end) + 1;
  return text.substr(0, end);
}

const TeamFigure& Team(const RunRecord& r, Figure f) { return r.Team(f); }

std::vector<int> Threads(const TeamFigure& team) {
  std::vector<int> threads;
  for (const ThreadMeasurement& t : team.threads) threads.push_back(t.thread);
  return threads;
}

TEST(ResultsReaderTest, ReadsEveryRealOutputWhole) {
  struct Case {
    const char* file;
    InputKind kind;
    int tag;
    int threads;
  };
  for (const Case& c : {
           Case{"one_thread_results.txt", InputKind::kResultsFile, 64, 1},
           Case{"one_thread_console.txt", InputKind::kConsole, 64, 1},
           Case{"two_threads_results.txt", InputKind::kResultsFile, 64, 2},
           Case{"two_threads_console.txt", InputKind::kConsole, 64, 2},
           Case{"sixteen_threads_results.txt", InputKind::kResultsFile, 64, 16},
           Case{"drives32_results.txt", InputKind::kResultsFile, 32, 1},
           Case{"windows_results.txt", InputKind::kResultsFile, 64, 2},
           Case{"windows_console.txt", InputKind::kConsole, 64, 2},
       }) {
    SCOPED_TRACE(c.file);
    const RunRecord r = Read(Fixture(c.file));
    EXPECT_EQ(r.kind, c.kind);
    EXPECT_EQ(r.tag, c.tag);
    EXPECT_EQ(r.threadCount, c.threads);
    EXPECT_TRUE(r.Complete());
    EXPECT_TRUE(r.findings.empty()) << r.findings.front().check;
    for (const Figure f : kFigures) {
      EXPECT_TRUE(r.Single(f).has_value());
      EXPECT_EQ(Team(r, f).threads.size(), static_cast<std::size_t>(c.threads));
      EXPECT_TRUE(Team(r, f).total.has_value());
      EXPECT_TRUE(Team(r, f).improvement.has_value());
    }
  }
}

TEST(ResultsReaderTest, KeepsTheFiguresAsPrintedAndInReportOrder) {
  const RunRecord r = Read(Fixture("two_threads_results.txt"));
  const Measurement& files = *r.Single(Figure::kFiles);
  EXPECT_EQ(files.elapsed, 1.19543);
  EXPECT_EQ(files.rate, 109661);
  EXPECT_EQ(files.line, 9);
  // Access lines print millions; the rate is per second, exactly.
  EXPECT_EQ(r.Single(Figure::kByteWrite)->rate, 157361000);
  EXPECT_EQ(Threads(Team(r, Figure::kByteWrite)), (std::vector<int>{1, 0}));
  EXPECT_EQ(Threads(Team(r, Figure::kBulkRead)), (std::vector<int>{0, 1}));
  EXPECT_EQ(Team(r, Figure::kBulkWrite).total, 4720900000);
  EXPECT_EQ(Team(r, Figure::kBulkWrite).improvement, 17.476);
  EXPECT_EQ(Team(r, Figure::kBulkWrite).totalLine, 83);
}

TEST(ResultsReaderTest, LineEndsDoNotMatter) {
  const std::string lf = Fixture("two_threads_results.txt");
  std::string crlf;
  for (const char c : lf)
    crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
  const RunRecord a = Read(lf);
  const RunRecord b = Read(crlf);
  EXPECT_TRUE(b.findings.empty());
  for (const Figure f : kFigures) {
    EXPECT_EQ(a.Single(f)->rate, b.Single(f)->rate);
    EXPECT_EQ(Team(a, f).total, Team(b, f).total);
  }
}

TEST(ResultsReaderTest, CountsTheBenchmarksOwnFailureLines) {
  // A console transcript with standard error in it, of a run whose test
  // files were dangling links.
  const RunRecord r = Read(Fixture("dangling_links_console.txt"));
  EXPECT_TRUE(r.Complete());
  EXPECT_TRUE(r.findings.empty());
  const auto unable = [&](Section s) {
    return r.unableToOpen[static_cast<int>(s)];
  };
  EXPECT_EQ(unable(Section::kByteWise), 1);
  EXPECT_EQ(unable(Section::kBulk), 1);
  EXPECT_EQ(unable(Section::kParallelByteWise), 2);
  EXPECT_EQ(unable(Section::kParallelBulk), 2);
  EXPECT_EQ(r.benchmarkWarnings.size(), 6u);
  // In a results file neither can stand.
  const std::string results = Fixture("two_threads_results.txt");
  EXPECT_EQ(Read(WithLine(results, 16, "Unable to open file")).findings.size(),
            1u);
}

TEST(ResultsReaderTest, AnInputCutShortIsAPartialRecord) {
  const std::string text = Fixture("two_threads_results.txt");
  const int lines = 90;
  for (int count = 1; count < lines; ++count) {
    SCOPED_TRACE(count);
    const RunRecord r = Read(FirstLines(text, count));
    ASSERT_TRUE(r.stop.has_value());
    EXPECT_EQ(r.stop->line, count + 1);
    EXPECT_TRUE(r.findings.empty());
  }
  const RunRecord r = Read(FirstLines(text, 50));
  EXPECT_EQ(r.stop->section, Section::kParallelByteWise);
  EXPECT_TRUE(r.Single(Figure::kBulkWrite).has_value());
  EXPECT_TRUE(Team(r, Figure::kFiles).improvement.has_value());
  EXPECT_FALSE(Team(r, Figure::kByteWrite).total.has_value());
  // A last line without its line end may be cut mid-number: it is not used.
  const RunRecord cut = Read(FirstLines(text, 40) + "Multi-Thread Impro");
  EXPECT_TRUE(cut.stop->lineCutOff);
  EXPECT_EQ(cut.stop->line, 41);
  EXPECT_TRUE(Team(cut, Figure::kFiles).total.has_value());
  EXPECT_FALSE(Team(cut, Figure::kFiles).improvement.has_value());
}

TEST(ResultsReaderTest, AFigureThatDisagreesIsAFinding) {
  const std::string text = Fixture("two_threads_results.txt");
  const RunRecord r =
      Read(WithLine(text, 47, "Thread:1 It was: 200 Millions Accesses/sec."));
  ASSERT_GE(r.findings.size(), 2u);
  EXPECT_EQ(r.findings[0].line, 47);
  EXPECT_EQ(r.findings[0].check, "thread 1 byte-wise write rate");
  EXPECT_EQ(r.findings[0].found, "200");
  EXPECT_EQ(r.findings[0].expected.substr(0, 8), "191.029 ");
  EXPECT_EQ(r.findings[1].line, 48);  // its MB line no longer agrees
  // The total and the improvement still agree within the printing.
  EXPECT_EQ(Read(WithLine(text, 62, "Multi-Thread Improvements: 2.128 times."))
                .findings.size(),
            0u);
  EXPECT_EQ(Read(WithLine(text, 62, "Multi-Thread Improvements: 2.2 times."))
                .findings.at(0)
                .check,
            "byte-wise write improvement");
}

TEST(ResultsReaderTest, ThreadsMustEachReportOnce) {
  const std::string text = Fixture("two_threads_results.txt");
  const RunRecord twice = Read(
      WithLine(WithLine(text, 36, "Thread:0 The system spent: 1.29152 Secs."),
               37, "Thread:0 The system could process 101502 Files/sec."));
  ASSERT_EQ(twice.findings.size(), 1u);
  EXPECT_EQ(twice.findings[0].found, "thread 0 twice");
  const RunRecord count = Read(WithLine(text, 3, "Thread(s): 24"));
  ASSERT_FALSE(count.findings.empty());
  EXPECT_EQ(count.findings[0].check, "thread count");
  EXPECT_EQ(Read(WithLine(text, 3, "Thread(s): 3")).findings.size(), 3u);
}

TEST(ResultsReaderTest, ALineOutOfPlaceIsAFindingAndReadingGoesOn) {
  const std::string text = Fixture("two_threads_results.txt");
  const RunRecord r = Read(WithLine(text, 36, "garbage"));
  ASSERT_EQ(r.findings.size(), 1u);
  EXPECT_EQ(r.findings[0].line, 36);
  EXPECT_EQ(r.findings[0].check, "layout");
  EXPECT_EQ(r.findings[0].found, "\"garbage\"");
  EXPECT_FALSE(Team(r, Figure::kFiles).total.has_value());
  EXPECT_TRUE(Team(r, Figure::kByteWrite).total.has_value());
  EXPECT_TRUE(r.Complete());
  // The console's form of a line in a results file, and text after the end.
  EXPECT_EQ(
      Read(WithLine(text, 10, "The system could process 109661 Files/sec."))
          .findings.at(0)
          .line,
      10);
  EXPECT_EQ(Read(text + "extra\n").findings.at(0).expected,
            "the end of the report");
}

TEST(ResultsReaderTest, ZeroElapsedWithAnInfiniteRateIsValid) {
  std::string text = Fixture("two_threads_results.txt");
  text = WithLine(text, 23, "The system spent: 0 Secs. to Read:");
  text = WithLine(text, 24, "It was: inf Millions Accesses/sec.");
  text = WithLine(text, 25, "Conventionally, it was: 1.#INF MB/sec.");
  text = WithLine(text, 88, "Multi-Thread Improvements: 0 times.");
  const RunRecord r = Read(text);
  EXPECT_TRUE(r.findings.empty());
  EXPECT_EQ(r.Single(Figure::kBulkRead)->elapsed, 0);
  EXPECT_EQ(r.Single(Figure::kBulkRead)->rate, INFINITY);
}

TEST(ResultsReaderTest, RefusesWhatIsNotTheBenchmarksOutput) {
  InputError error;
  EXPECT_FALSE(ReadRunRecord("hello\n", "x", error).has_value());
  EXPECT_EQ(error.line, 1);
  std::string text = Fixture("two_threads_results.txt");
  EXPECT_FALSE(ReadRunRecord(WithLine(text, 1,
                                      "Tolvane :: Quorindale Benchmark Drives "
                                      "for x86_16bit system 2012.10.01."),
                             "x", error)
                   .has_value());
  EXPECT_FALSE(ReadRunRecord("\nnot it\n", "x", error).has_value());
  EXPECT_EQ(error.line, 2);
  EXPECT_FALSE(CheckInputText(std::string("ab\0c\n", 5), error));
  EXPECT_FALSE(CheckInputText(std::string(kMaxLineBytes + 1, 'a'), error));
}

}  // namespace
