// The catalogue of every text the program prints. Standard output and the
// results file carry nothing else; standard error carries the warnings at the
// end of this file.
#ifndef DRIVES_DRIVER_TEXTS_H_
#define DRIVES_DRIVER_TEXTS_H_

// The title line and the names that carry the word-size tag (64 or 32)
// between a stem and a tail. Macros, so that build_tag.h joins them with its
// own tag at compile time; drives-report reads the output of either tag.
#define DRIVES_TITLE_STEM "Tolvane :: Quorindale Benchmark Drives for x86_"
#define DRIVES_TITLE_TAIL "bit system 2012.10.01."
#define DRIVES_PROGRAM_STEM "drives"
#define DRIVES_RESULTS_STEM "results_drives_"
#define DRIVES_RESULTS_TAIL ".txt"
constexpr char kTitleStem[] = DRIVES_TITLE_STEM;
constexpr char kTitleTail[] = DRIVES_TITLE_TAIL;
constexpr char kProgramStem[] = DRIVES_PROGRAM_STEM;
constexpr char kResultsStem[] = DRIVES_RESULTS_STEM;
constexpr char kResultsTail[] = DRIVES_RESULTS_TAIL;

// Banner and closing. The title line itself is in build_tag.h.
constexpr char kRightsNotice[] =
    "Free to use and to share; provided as is, without any warranty.";
constexpr char kSupportNotice[] =
    "Support: see the README file that came with this program.";
constexpr char kThreadCountLead[] = "Thread(s): ";
constexpr char kForceSingleThread[] = "Force to be single thread.";
constexpr char kPressEnter[] = "Press Enter to Exit.";

// Phase headers.
constexpr char kFilesHeader[] = "Power of Handling Files.";
constexpr char kByteWiseHeader[] = "Low writing and reading speeds:";
constexpr char kBulkHeader[] = "High writing and reading speeds:";
constexpr char kMultiThreadEnabled[] = "Multi-Thread Enabled:";

// Elapsed line and its suffixes.
constexpr char kSpentLead[] = "The system spent: ";
constexpr char kSecs[] = " Secs.";
constexpr char kSecsToWrite[] = " Secs. to Write.";
constexpr char kSecsToReadColon[] = " Secs. to Read:";  // single-thread reads
constexpr char kSecsToReadDot[] = " Secs. to Read.";    // per-thread reads

// Files-rate line. The results file's single-thread form has two spaces.
constexpr char kProcessLead[] = "The system could process ";
constexpr char kProcessLeadWide[] = "The system could process  ";
constexpr char kFilesPerSec[] = " Files/sec.";

// Access and MB lines.
constexpr char kAccessLead[] = "It was: ";
constexpr char kAccessesPerSec[] = " Millions Accesses/sec.";
constexpr char kAccessPerSec[] = " Millions Access/sec.";  // per-thread console
constexpr char kMbLead[] = "Conventionally, it was: ";
constexpr char kMbPerSec[] = " MB/sec.";

// The only failure the report itself shows; console only.
constexpr char kUnableToOpenFile[] = "Unable to open file";

// Per-thread prefix: "Thread:" <number> " ".
constexpr char kThreadLead[] = "Thread:";
constexpr char kThreadSeparator[] = " ";

// Totals and improvement ratios of the parallel phases.
constexpr char kTotalFilesLead[] = "Overall, The system could process: ";
constexpr char kTotalAccessLead[] = "Overall, It was: ";
constexpr char kTotalToWrite[] = " Millions Accesses/sec.to Write";
constexpr char kTotalToRead[] = " Millions Accesses/sec.to Read";
constexpr char kTotalWritingLead[] =
    "Conventionally, total writing speed was: ";
constexpr char kTotalReadingLead[] =
    "Conventionally, total reading speed was: ";
constexpr char kImprovementLead[] = "Multi-Thread Improvements: ";
constexpr char kTimes[] = " times.";

// Standard error: failures the report lines cannot express.
constexpr char kWarningLead[] = "warning: ";
constexpr char kResultsFileUnavailable[] =
    "; the results go to the console only";
constexpr char kResultsFileFailing[] =
    "; the results file is incomplete from here on";
constexpr char kFigureNotValid[] = "; its figures are not valid";
// The tests as warnings name them.
constexpr char kByteWriteTest[] = "byte-wise write";
constexpr char kByteReadTest[] = "byte-wise read";
constexpr char kBulkReadTest[] = "bulk read";
constexpr char kBulkWriteTest[] = "bulk write";

#endif  // DRIVES_DRIVER_TEXTS_H_
