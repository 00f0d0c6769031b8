// Charts as data: titled line series of points with their colour, line, point marks and value
// labels. Engine code fills them; the shell draws them.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace kivra {

struct TRgb {
  uint8_t R = 0, G = 0, B = 0;
  static constexpr TRgb FromRgb(uint32_t rgb) {
    return {static_cast<uint8_t>(rgb >> 16), static_cast<uint8_t>(rgb >> 8), static_cast<uint8_t>(rgb)};
  }
  bool operator==(const TRgb&) const = default;
};

struct TChartPoint {
  long double X = 0;
  long double Y = 0;
  std::string Label;
  bool operator==(const TChartPoint&) const = default;
};

// A chart series as data; the shell paints it.
struct TChartSeries {
  std::string Title;
  TRgb Color;
  bool AutoColor = false;  // the chart picks the colour instead of Color
  int LineWidth = 1;
  bool PointMarks = false;  // point marks of PointSize x PointSize outlined in PointOutline
  int PointSize = 0;
  TRgb PointOutline;
  bool ValueLabels = false;
  bool Bars = false;  // drawn as bars over the points' labels instead of a line
  std::vector<TChartPoint> Points;
};

// A chart of the chart window: its title and series, filled by series title.
struct TChartData {
  std::string Title;
  std::vector<TChartSeries> Series;
  // Shown above the chart when given: a table of figures (its first row the header) and lines of
  // text that explain them.
  std::vector<std::vector<std::string>> Table;
  std::vector<std::string> Notes;

  // The first series whose title equals `title` without regard to letter case, or null.
  TChartSeries* Find(std::string_view title);
  // Adds the point (x, y), labelled with x as an integer, to the series of that title; a missing
  // series is created as the chart window creates it: line width 2, point marks of 3 x 3 shown or
  // not, value labels shown or not, the given colour (0xRRGGBB) or, when `rgb` < 0, an automatic one.
  void Add(std::string_view title, long double x, long double y, bool showPoints, bool showMarks, int64_t rgb = -1);
};

}  // namespace kivra
