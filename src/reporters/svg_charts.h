// The charts of the HTML report, drawn as inline SVG: a horizontal bar
// chart and a line chart, on one axis and scale helper. Text is escaped;
// colours come from the page's style sheet, so that the charts follow its
// light or dark theme.
#ifndef DRIVES_REPORTERS_SVG_CHARTS_H_
#define DRIVES_REPORTERS_SVG_CHARTS_H_

#include <optional>
#include <string>
#include <vector>

// Escapes text for XML content and attribute values.
std::string EscapeXml(const std::string& text);

// Ticks from 0 up to at least `max`, in steps of 1, 2 or 5 times a power of
// ten, about `wanted` of them, and no step below `smallestStep`.
std::vector<double> NiceTicks(double max, int wanted = 5,
                              double smallestStep = 0);

struct Bar {
  std::string label;
  int colour = 0;                // index into the palette
  std::optional<double> value;   // none: `missing` says why
  std::optional<double> low;     // a whisker from low to high: the median's
  std::optional<double> high;    // confidence interval
  std::optional<double> lowest;  // a fainter line: the range of the runs
  std::optional<double> highest;
  // The drive's own ceiling for this figure: a mark across the bar.
  std::optional<double> ceiling;
  std::string note;     // after the value: a verdict, say
  std::string tooltip;  // the note in full
  std::string missing = "missing";
};

struct BarChart {
  std::string title;
  std::string unit;
  std::vector<Bar> bars;
  std::optional<double> baseline;  // marked across the chart
  std::string baselineLabel;
};

struct Series {
  std::string name;
  std::vector<std::pair<double, double>> points;  // (x, y)
  int colour = 0;                                 // index into the palette
  bool ideal = false;  // drawn dashed, without points
};

struct LineChart {
  std::string title;
  std::string xUnit;
  std::string yUnit;
  std::vector<Series> series;
};

// A figure over sessions: each series' medians joined by a line, their
// intervals as a band, and the lasting changes marked.
struct TimePoint {
  std::size_t x = 0;  // the session's place, into TimeChart::xLabels
  double value = 0;
  std::optional<double> low;
  std::optional<double> high;
};

struct TimeSeries {
  std::string name;
  int colour = 0;
  std::vector<TimePoint> points;
  std::vector<std::size_t> steps;  // indexes into points: the first after
  // A trend's line, from its first session to its last (x as in points).
  struct Trend {
    std::size_t fromX = 0;
    double from = 0;
    std::size_t toX = 0;
    double to = 0;
  };
  std::optional<Trend> trend;
};

struct TimeChart {
  std::string title;
  std::string unit;
  std::vector<std::string> xLabels;  // one per session, in order
  std::vector<TimeSeries> series;
};

// Which of the labels centred at `centres` (ascending), each `widths` wide,
// an axis shows so that none overlaps another: from the first on, each
// that clears the one before by a gap, and always the last (the one
// before it dropped where the two would touch).
std::vector<std::size_t> SpacedLabels(const std::vector<double>& centres,
                                      const std::vector<double>& widths);

std::string DrawBarChart(const BarChart& chart);
std::string DrawLineChart(const LineChart& chart);
std::string DrawTimeChart(const TimeChart& chart);

// The colours of the series, safe for colour-blind readers (Okabe and Ito).
constexpr int kPaletteSize = 7;

#endif  // DRIVES_REPORTERS_SVG_CHARTS_H_
