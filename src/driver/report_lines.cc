#include "driver/report_lines.h"

#include "driver/number_format.h"
#include "driver/texts.h"

std::string ElapsedLine(double seconds, const char* suffix) {
  return kSpentLead + FormatNumber(seconds) + suffix;
}

std::string FilesRateLine(const char* lead, double rate) {
  return lead + FormatNumber(rate) + kFilesPerSec;
}

std::string AccessLine(double rate, const char* suffix) {
  return kAccessLead + FormatNumber(rate / kAccessesPerMillion) + suffix;
}

std::string MbLine(double rate) {
  return kMbLead + FormatNumber(rate * kBytesToMegabytes) + kMbPerSec;
}

std::string ThreadPrefix(int thread) {
  return kThreadLead + FormatNumber(thread) + kThreadSeparator;
}

std::string TotalFilesLine(double total) {
  return kTotalFilesLead + FormatNumber(total) + kFilesPerSec;
}

std::string TotalAccessLine(double total, const char* suffix) {
  return kTotalAccessLead + FormatNumber(total / kAccessesPerMillion) + suffix;
}

std::string TotalMbLine(const char* lead, double total) {
  return lead + FormatNumber(total * kBytesToMegabytes) + kMbPerSec;
}

std::string ImprovementLine(double total, double singleThreadRate) {
  return kImprovementLead + FormatNumber(total / singleThreadRate) + kTimes;
}
