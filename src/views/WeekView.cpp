#include "views/WeekView.h"

#include <cmath>

#include "views/LayoutView.h"

namespace kivra {

int DrawWeekday(const TDraw& draw) {
  const std::string text = draw.DateText();
  if (Trim(text).empty()) return 0;
  TDateTime date = 0;
  try {
    date = TextToDate(text);
  } catch (const TConvertError&) {
    return 0;
  }
  // Day 0 (30 December 1899) was a Saturday.
  const int64_t day = static_cast<int64_t>(std::floor(date));
  return static_cast<int>(((day + 5) % 7 + 7) % 7) + 1;
}

TWeekCounts CountWeekdays(const TDrawsArchive& archive, int length) {
  TWeekCounts counts;
  const auto window = ViewWindow(archive, length);
  if (!window) return counts;
  for (int i = window->Oldest; i <= window->Newest; ++i) {
    const TDraw& d = archive.Stored(i);
    const int weekday = DrawWeekday(d);
    if (weekday == 0) continue;
    for (uint8_t n : d.Nums)
      if (n >= 1 && n <= MaxNumber) ++counts.Counts[n][size_t(weekday)];
  }
  for (int n = 1; n <= MaxNumber; ++n)
    for (int w = 1; w <= 7; ++w) counts.Max = std::max(counts.Max, counts.Counts[size_t(n)][size_t(w)]);
  return counts;
}

std::string WeekCellText(const TWeekCounts& counts, int row, int column) {
  if (row < 0 || row >= WeekRowCount || column < 0 || column >= WeekColumnCount) return {};
  if (row == 0) return column == 0 ? std::string() : std::to_string(column);
  if (column == 0) return std::string(WeekdayNames[size_t(row - 1)]);
  const int32_t v = counts.At(column, row);
  return v == 0 ? std::string() : std::to_string(v);
}

TCellColor WeekCellColor(const TWeekCounts& counts, int row, int column) {
  if (row < 1 || column < 1 || counts.Max <= 0) return std::nullopt;
  const int32_t v = counts.At(column, row);
  if (v == 0) return std::nullopt;
  const auto g = static_cast<uint32_t>(RoundHalfEven(255 * int64_t{counts.Max} - int64_t{v} * 255, counts.Max));
  return 0xFF0000u | g << 8 | g;
}

TChartSeries WeekChart(const TWeekCounts& counts, int column, int row, int mode, bool line) {
  TChartSeries s;
  s.Color = TRgb::FromRgb(0x008000);
  s.Bars = !line;
  if (line) {
    s.LineWidth = 2;
    s.PointMarks = true;
    s.PointSize = 2;
    s.PointOutline = TRgb::FromRgb(0xFF00FF);
  }
  if (mode == 1) {
    for (int d = 1; d <= 7; ++d)
      s.Points.push_back({static_cast<long double>(d), static_cast<long double>(counts.At(column, d)),
                          std::string(WeekdayNames[size_t(d - 1)])});
  } else {
    for (int n = 1; n <= MaxNumber; ++n)
      s.Points.push_back({static_cast<long double>(n), static_cast<long double>(counts.At(n, row)), std::to_string(n)});
  }
  return s;
}

}  // namespace kivra
