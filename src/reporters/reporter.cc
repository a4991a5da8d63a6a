#include "reporters/reporter.h"

#include "reporters/csv_reporter.h"
#include "reporters/html_reporter.h"
#include "reporters/json_reporter.h"
#include "reporters/markdown_reporter.h"
#include "reporters/table_reporter.h"

const std::vector<std::string>& ReportFormats() {
  static const std::vector<std::string> formats = {"table", "csv", "json",
                                                   "markdown", "html"};
  return formats;
}

std::unique_ptr<Reporter> MakeReporter(const std::string& format) {
  if (format == "csv") return std::make_unique<CsvReporter>();
  if (format == "json") return std::make_unique<JsonReporter>();
  if (format == "markdown") return std::make_unique<MarkdownReporter>();
  if (format == "html") return std::make_unique<HtmlReporter>();
  return std::make_unique<TableReporter>();
}
