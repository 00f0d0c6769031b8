// The draw chart ("Графики"): the value a chartable statistic gives each draw of a window of recent
// draws, with the window's mean and its most frequent value, as three chart series.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/ChartData.h"
#include "core/DrawsArchive.h"
#include "stats/CustomStat.h"

namespace kivra {

inline constexpr std::string_view DrawChartMeanTitle = "Среднее значение";
inline constexpr std::string_view DrawChartModeTitle = "Наиболее часто встречающееся значение";

struct TDrawChart {
  std::vector<int32_t> DrawNumbers;  // the window's draws, oldest first
  std::vector<int32_t> Values;       // DrawValue of each
  int64_t Sum = 0;
  int32_t Mode = 0;  // the most frequent value, the earliest first seen winning ties
  // Series 1 (the values), the mean and the most frequent value; no series for an empty archive.
  TChartData Chart;

  int Count() const { return static_cast<int>(Values.size()); }
  long double Mean() const { return Values.empty() ? 0.0L : static_cast<long double>(Sum) / Values.size(); }
};

// The window runs from max(0, a - length + 1) to a = AnalysisEnd; each draw i gets
// DrawValue(i, a, sorted). Series 1 is titled `title`: a green line of width 2 with 2 x 2 point
// marks outlined in magenta, value labels when `marks`; the mean (blue) and the most frequent
// value (red) are lines without marks over the same draws. Points: x and label the draw number.
TDrawChart BuildDrawChart(TCustomGraphStat& stat, const TDrawsArchive& archive, int length, bool sorted,
                          std::string_view title, bool marks);

// num / den as a decimal text of `decimals` digits, an exact half rounded away from zero; den > 0.
std::string RatioText(int64_t num, int64_t den, int decimals);

}  // namespace kivra
