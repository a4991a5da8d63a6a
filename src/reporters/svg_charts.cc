#include "reporters/svg_charts.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>

#include "messages/utf8_text.h"
#include "reporters/readable_number.h"

namespace {

constexpr double kWidth = 720;
constexpr double kCharWidth = 7;  // of the 12 px labels, on average
constexpr double kLabelGap = 8;   // between two labels of an axis
constexpr std::size_t kLongestSessionLabel = 12;
constexpr std::size_t kLongestLabel = 32;
constexpr std::size_t kLongestLegend = 20;
constexpr double kTitleHeight = 28;
constexpr double kBarHeight = 18;
constexpr double kBarGap = 8;
constexpr double kAxisHeight = 42;
constexpr double kValueRoom = 110;  // right of the plot, for the values
constexpr double kLineHeight = 320;
constexpr double kLineLeft = 72;
constexpr double kLegendWidth = 170;

std::string Px(double value) {
  char text[32];
  std::snprintf(text, sizeof text, "%.1f", value);
  return text;
}

// A label no longer than `longest`; the whole text is its tooltip.
std::string ShortLabel(const std::string& label,
                       std::size_t longest = kLongestLabel) {
  if (label.size() <= longest) return label;
  return CutAtCharacter(label, longest - 3) + "...";
}

std::string Text(double x, double y, const std::string& cls,
                 const std::string& text, const char* anchor = "start") {
  return "<text x=\"" + Px(x) + "\" y=\"" + Px(y) + "\" class=\"" + cls +
         "\" text-anchor=\"" + anchor + "\">" + EscapeXml(text) + "</text>";
}

std::string Line(double x1, double y1, double x2, double y2,
                 const std::string& cls) {
  return "<line x1=\"" + Px(x1) + "\" y1=\"" + Px(y1) + "\" x2=\"" + Px(x2) +
         "\" y2=\"" + Px(y2) + "\" class=\"" + cls + "\"/>";
}

// The vertical axis's title, turned to read upwards beside [top, bottom].
std::string VerticalTitle(double top, double bottom, const std::string& text) {
  return "<text class=\"axis-title\" text-anchor=\"middle\" transform=\""
         "translate(14 " +
         Px((top + bottom) / 2) + ") rotate(-90)\">" + EscapeXml(text) +
         "</text>";
}

// Maps [0, max] onto [from, to] pixels.
struct Scale {
  double max;
  double from;
  double to;
  double operator()(double v) const {
    return from + (max > 0 ? v / max : 0) * (to - from);
  }
};

// The value itself, for a reader of the page that wants it.
std::string Exact(double value) {
  char text[32];
  const auto result = std::to_chars(text, text + sizeof text, value);
  return std::string(text, result.ptr);
}

bool Finite(const std::optional<double>& v) { return v && std::isfinite(*v); }

std::string Open(double height, const std::string& title) {
  return "<svg class=\"chart\" xmlns=\"http://www.w3.org/2000/svg\" "
         "width=\"" +
         Px(kWidth) + "\" height=\"" + Px(height) + "\" viewBox=\"0 0 " +
         Px(kWidth) + " " + Px(height) + "\" role=\"img\" aria-label=\"" +
         EscapeXml(title) + "\">" + "<title>" + EscapeXml(title) + "</title>" +
         Text(0, 18, "chart-title", title);
}

// A tick's number: as the table shows it, without trailing zeros.
std::string TickLabel(double value) {
  std::string text = ReadableNumber(value);
  if (text.find('.') == std::string::npos) return text;
  text.erase(text.find_last_not_of('0') + 1);
  if (text.back() == '.') text.pop_back();
  return text;
}

// The value axis along the bottom (or the left) of a plot.
std::string HorizontalAxis(const Scale& x, const std::vector<double>& ticks,
                           double top, double bottom, const std::string& unit) {
  std::string svg = Line(x.from, bottom, x.to, bottom, "axis");
  for (const double tick : ticks) {
    svg += Line(x(tick), top, x(tick), bottom, "grid");
    svg += Text(x(tick), bottom + 15, "tick", TickLabel(tick), "middle");
  }
  svg += Text((x.from + x.to) / 2, bottom + 33, "axis-title", unit, "middle");
  return svg;
}

}  // namespace

std::string EscapeXml(const std::string& text) {
  std::string escaped;
  // Valid UTF-8 throughout: stray bytes and control characters shown as
  // \xHH (a copy only where there are any).
  std::string shown;
  const std::string& source =
      PrintableAsIs(text) ? text : (shown = Printable(text));
  escaped.reserve(source.size());
  for (const char c : source) {
    switch (c) {
      case '&':
        escaped += "&amp;";
        break;
      case '<':
        escaped += "&lt;";
        break;
      case '>':
        escaped += "&gt;";
        break;
      case '"':
        escaped += "&quot;";
        break;
      case '\'':
        escaped += "&#39;";
        break;
      default:
        // Control bytes are not allowed in XML at all.
        if (static_cast<unsigned char>(c) >= 0x20 || c == '\t') escaped += c;
    }
  }
  return escaped;
}

std::vector<double> NiceTicks(double max, int wanted, double smallestStep) {
  if (!(max > 0) || !std::isfinite(max)) return {0, 1};
  const double rough = max / wanted;
  const double power = std::pow(10, std::floor(std::log10(rough)));
  double step = power;
  for (const double factor : {1.0, 2.0, 5.0, 10.0}) {
    step = factor * power;
    if (step >= rough) break;
  }
  step = std::max(step, smallestStep);
  // Values near the ends of the doubles' range (a denormal, where the power
  // of ten rounds to 0; a maximum near overflow) get one step to the top.
  if (!(step > 0) || !std::isfinite(step) || max / step > 2.0 * wanted + 2) {
    step = max;
  }
  std::vector<double> ticks;
  ticks.push_back(0);
  for (int i = 1; ticks.back() < max && i <= 2 * wanted + 3; ++i) {
    ticks.push_back(i * step);
  }
  if (ticks.back() < max || !std::isfinite(ticks.back())) ticks.back() = max;
  return ticks;
}

std::string DrawBarChart(const BarChart& chart) {
  std::size_t longest = 0;
  std::size_t longestNote = 0;
  double top = 0;
  for (const Bar& bar : chart.bars) {
    longest = std::max(longest, ShortLabel(bar.label).size());
    longestNote = std::max(longestNote, bar.note.size());
    for (const auto& v : {bar.value, bar.high, bar.highest, bar.ceiling}) {
      if (Finite(v)) top = std::max(top, *v);
    }
  }
  // Room right of the plot for the value and its note.
  const double valueRoom =
      kValueRoom + static_cast<double>(longestNote) * kCharWidth;
  if (Finite(chart.baseline)) top = std::max(top, *chart.baseline);
  const std::vector<double> ticks = NiceTicks(top);
  const double labelWidth = static_cast<double>(longest) * kCharWidth + 12;
  const Scale x{ticks.back(), labelWidth,
                std::max(labelWidth + 100, kWidth - valueRoom)};
  const double plotTop = kTitleHeight + (chart.baseline ? 14 : 0);
  const double plotBottom =
      plotTop + static_cast<double>(chart.bars.size()) * (kBarHeight + kBarGap);
  std::string svg = Open(plotBottom + kAxisHeight, chart.title);
  svg += HorizontalAxis(x, ticks, plotTop, plotBottom, chart.unit);

  double y = plotTop + kBarGap / 2;
  for (const Bar& bar : chart.bars) {
    const double middle = y + kBarHeight / 2;
    svg += "<g class=\"c" + std::to_string(bar.colour % kPaletteSize) + "\">";
    svg += "<text x=\"" + Px(labelWidth - 6) + "\" y=\"" + Px(middle + 4) +
           "\" class=\"label\" text-anchor=\"end\">" +
           EscapeXml(ShortLabel(bar.label)) + "<title>" + EscapeXml(bar.label) +
           "</title></text>";
    if (!Finite(bar.value)) {
      const std::string why =
          bar.value ? ReadableNumber(*bar.value) + ": not drawn" : bar.missing;
      svg += Text(x.from + 4, middle + 4, "missing", why);
    } else {
      const double end = x(*bar.value);
      svg += "<rect class=\"bar\" x=\"" + Px(x.from) + "\" y=\"" + Px(y) +
             "\" width=\"" + Px(end - x.from) + "\" height=\"" +
             Px(kBarHeight) + "\" data-value=\"" + Exact(*bar.value) + "\"/>";
      double textX = end;
      if (Finite(bar.lowest) && Finite(bar.highest)) {
        svg += Line(x(*bar.lowest), middle, x(*bar.highest), middle, "range");
        textX = std::max(textX, x(*bar.highest));
      }
      if (Finite(bar.low) && Finite(bar.high)) {
        const double low = x(*bar.low);
        const double high = x(*bar.high);
        svg += Line(low, middle, high, middle, "whisker");
        svg += Line(low, middle - 5, low, middle + 5, "whisker");
        svg += Line(high, middle - 5, high, middle + 5, "whisker");
        textX = std::max(textX, high);
      }
      if (Finite(bar.ceiling)) {
        const double at = x(*bar.ceiling);
        svg += "<line class=\"ceiling\" x1=\"" + Px(at) + "\" y1=\"" +
               Px(y - 2) + "\" x2=\"" + Px(at) + "\" y2=\"" +
               Px(y + kBarHeight + 2) + "\"><title>the drive's own ceiling: " +
               EscapeXml(ReadableNumber(*bar.ceiling)) + "</title></line>";
      }
      std::string value = "<text x=\"" + Px(textX + 5) + "\" y=\"" +
                          Px(middle + 4) + "\" class=\"value\">" +
                          EscapeXml(ReadableNumber(*bar.value));
      if (!bar.note.empty()) {
        value +=
            "<tspan class=\"verdict\"> " + EscapeXml(bar.note) + "</tspan>";
      }
      if (!bar.tooltip.empty()) {
        value += "<title>" + EscapeXml(bar.tooltip) + "</title>";
      }
      svg += value + "</text>";
    }
    svg += "</g>";
    y += kBarHeight + kBarGap;
  }
  if (Finite(chart.baseline)) {
    const double at = x(*chart.baseline);
    svg += Line(at, plotTop - 4, at, plotBottom, "baseline");
    svg += Text(at, plotTop - 7, "baseline-label",
                "baseline: " + chart.baselineLabel, "middle");
  }
  return svg + "</svg>";
}

std::string DrawLineChart(const LineChart& chart) {
  double maxX = 0;
  double maxY = 0;
  for (const Series& s : chart.series) {
    for (const auto& [px, py] : s.points) {
      if (std::isfinite(px)) maxX = std::max(maxX, px);
      if (std::isfinite(py)) maxY = std::max(maxY, py);
    }
  }
  // Thread counts are whole numbers.
  const std::vector<double> xTicks = NiceTicks(maxX, 8, 1);
  const std::vector<double> yTicks = NiceTicks(maxY);
  const double plotTop = kTitleHeight + 6;
  const double plotBottom = kLineHeight - kAxisHeight;
  const Scale x{xTicks.back(), kLineLeft, kWidth - kLegendWidth};
  const Scale y{yTicks.back(), plotBottom, plotTop};
  std::string svg = Open(kLineHeight, chart.title);
  svg += HorizontalAxis(x, xTicks, plotTop, plotBottom, chart.xUnit);
  svg += Line(x.from, plotTop, x.from, plotBottom, "axis");
  for (const double tick : yTicks) {
    svg += Line(x.from, y(tick), x.to, y(tick), "grid");
    svg += Text(x.from - 6, y(tick) + 4, "tick", TickLabel(tick), "end");
  }
  svg += VerticalTitle(plotTop, plotBottom, chart.yUnit);

  double legendY = plotTop + 8;
  for (const Series& s : chart.series) {
    const std::string cls = "c" + std::to_string(s.colour % kPaletteSize);
    std::string points;
    for (const auto& [px, py] : s.points) {
      if (!std::isfinite(px) || !std::isfinite(py)) continue;
      points += (points.empty() ? "" : " ") + Px(x(px)) + "," + Px(y(py));
    }
    svg += "<g class=\"" + cls + "\">";
    svg += "<polyline class=\"" + std::string(s.ideal ? "ideal" : "series") +
           "\" points=\"" + points + "\"/>";
    if (!s.ideal) {
      for (const auto& [px, py] : s.points) {
        if (!std::isfinite(px) || !std::isfinite(py)) continue;
        svg += "<circle class=\"point\" cx=\"" + Px(x(px)) + "\" cy=\"" +
               Px(y(py)) + "\" r=\"3.5\"><title>" +
               EscapeXml(s.name + ": " + ReadableNumber(py) + " at " +
                         ReadableNumber(px)) +
               "</title></circle>";
      }
    }
    const double legendX = x.to + 14;
    svg += Line(legendX, legendY, legendX + 18, legendY,
                s.ideal ? "ideal" : "series");
    svg += "<text x=\"" + Px(legendX + 24) + "\" y=\"" + Px(legendY + 4) +
           "\" class=\"legend\">" +
           EscapeXml(ShortLabel(s.name, kLongestLegend)) + "<title>" +
           EscapeXml(s.name) + "</title></text>";
    svg += "</g>";
    legendY += 18;
  }
  return svg + "</svg>";
}

std::vector<std::size_t> SpacedLabels(const std::vector<double>& centres,
                                      const std::vector<double>& widths) {
  std::vector<std::size_t> shown;
  const auto right = [&](std::size_t i) { return centres[i] + widths[i] / 2; };
  const auto left = [&](std::size_t i) { return centres[i] - widths[i] / 2; };
  for (std::size_t i = 0; i < centres.size(); ++i) {
    if (shown.empty() || left(i) >= right(shown.back()) + kLabelGap) {
      shown.push_back(i);
    }
  }
  const std::size_t last = centres.size() - 1;
  if (!shown.empty() && shown.back() != last) {
    if (shown.size() > 1 && left(last) < right(shown.back()) + kLabelGap) {
      shown.pop_back();
    }
    if (shown.empty() || left(last) >= right(shown.back()) + kLabelGap) {
      shown.push_back(last);
    }
  }
  return shown;
}

std::string DrawTimeChart(const TimeChart& chart) {
  double maxY = 0;
  for (const TimeSeries& s : chart.series) {
    for (const TimePoint& p : s.points) {
      for (const auto& v : {std::optional<double>(p.value), p.high}) {
        if (Finite(v)) maxY = std::max(maxY, *v);
      }
    }
  }
  const std::vector<double> yTicks = NiceTicks(maxY);
  const double plotTop = kTitleHeight + 6;
  const double plotBottom = kLineHeight - kAxisHeight;
  const double count =
      static_cast<double>(std::max<std::size_t>(chart.xLabels.size(), 2) - 1);
  const Scale x{count, kLineLeft + 10, kWidth - kLegendWidth - 10};
  const Scale y{yTicks.back(), plotBottom, plotTop};
  const auto at = [&](std::size_t i) { return x(static_cast<double>(i)); };
  std::string svg = Open(kLineHeight, chart.title);
  svg += Line(x.from - 10, plotBottom, x.to + 10, plotBottom, "axis");
  svg += Line(x.from - 10, plotTop, x.from - 10, plotBottom, "axis");
  for (const double tick : yTicks) {
    svg += Line(x.from - 10, y(tick), x.to + 10, y(tick), "grid");
    svg += Text(x.from - 16, y(tick) + 4, "tick", TickLabel(tick), "end");
  }
  // As many session labels as fit, the first and the last among them.
  std::vector<double> centres;
  std::vector<double> widths;
  std::vector<std::string> shown;
  for (std::size_t i = 0; i < chart.xLabels.size(); ++i) {
    shown.push_back(ShortLabel(chart.xLabels[i], kLongestSessionLabel));
    centres.push_back(at(i));
    widths.push_back(kCharWidth * static_cast<double>(shown.back().size()));
  }
  for (const std::size_t i : SpacedLabels(centres, widths)) {
    svg += Text(at(i), plotBottom + 15, "tick", shown[i], "middle");
  }
  svg += Text((x.from + x.to) / 2, plotBottom + 33, "axis-title",
              "sessions, oldest first", "middle");
  svg += VerticalTitle(plotTop, plotBottom, chart.unit);
  double legendY = plotTop + 8;
  for (const TimeSeries& s : chart.series) {
    svg += "<g class=\"c" + std::to_string(s.colour % kPaletteSize) + "\">";
    std::string band;
    std::string backward;
    std::string line;
    for (const TimePoint& p : s.points) {
      if (!Finite(p.value)) continue;
      const std::string px = Px(at(p.x));
      line += (line.empty() ? "" : " ") + px;
      line += "," + Px(y(p.value));
      if (Finite(p.low) && Finite(p.high)) {
        band += (band.empty() ? "" : " ") + px;
        band += "," + Px(y(*p.high));
        // The lower edge runs back from the last session to the first.
        std::string low = px;
        low += "," + Px(y(*p.low));
        if (!backward.empty()) low += " ";
        backward.insert(0, low);
      }
    }
    if (!band.empty()) {
      svg += "<polygon class=\"band\" points=\"";
      svg += band + " ";
      svg += backward + "\"/>";
    }
    svg += "<polyline class=\"series\" points=\"" + line + "\"/>";
    for (const TimePoint& p : s.points) {
      if (!Finite(p.value)) continue;
      svg += "<circle class=\"point\" cx=\"" + Px(at(p.x)) + "\" cy=\"" +
             Px(y(p.value)) + "\" r=\"3\"><title>" +
             EscapeXml(s.name + ", " + chart.xLabels[p.x] + ": " +
                       ReadableNumber(p.value)) +
             "</title></circle>";
    }
    if (s.trend) {
      svg += Line(at(s.trend->fromX), y(s.trend->from), at(s.trend->toX),
                  y(s.trend->to), "trend");
    }
    for (const std::size_t step : s.steps) {
      if (step == 0 || step >= s.points.size()) continue;
      const double between =
          (at(s.points[step - 1].x) + at(s.points[step].x)) / 2;
      svg += Line(between, plotTop, between, plotBottom, "step");
    }
    const double legendX = x.to + 24;
    svg += Line(legendX, legendY, legendX + 18, legendY, "series");
    svg += "<text x=\"" + Px(legendX + 24) + "\" y=\"" + Px(legendY + 4) +
           "\" class=\"legend\">" +
           EscapeXml(ShortLabel(s.name, kLongestLegend)) + "</text>";
    svg += "</g>";
    legendY += 18;
  }
  return svg + "</svg>";
}
