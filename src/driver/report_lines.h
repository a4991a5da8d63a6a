// The line templates from which every result line is built. Each returns the
// line's text without its line end.
#ifndef DRIVES_DRIVER_REPORT_LINES_H_
#define DRIVES_DRIVER_REPORT_LINES_H_

#include <string>

// One MB is 2^20 bytes; one access moves one byte.
constexpr double kBytesToMegabytes = 1.0 / 1048576.0;
constexpr double kAccessesPerMillion = 1000000.0;

// "The system spent: " <seconds> <suffix>
std::string ElapsedLine(double seconds, const char* suffix);
// <lead> <rate> " Files/sec."; the lead is one of the two files-rate forms.
std::string FilesRateLine(const char* lead, double rate);
// "It was: " <rate / 10^6> <suffix>
std::string AccessLine(double rate, const char* suffix);
// "Conventionally, it was: " <rate / 2^20> " MB/sec."
std::string MbLine(double rate);
// "Thread:" <thread> " ", put in front of per-thread lines.
std::string ThreadPrefix(int thread);
// "Overall, The system could process: " <total> " Files/sec."
std::string TotalFilesLine(double total);
// "Overall, It was: " <total / 10^6> <suffix>
std::string TotalAccessLine(double total, const char* suffix);
// <lead> <total / 2^20> " MB/sec."; the lead names writing or reading.
std::string TotalMbLine(const char* lead, double total);
// "Multi-Thread Improvements: " <total / single> " times."
std::string ImprovementLine(double total, double singleThreadRate);

#endif  // DRIVES_DRIVER_REPORT_LINES_H_
