#include "views/DrawChart.h"

#include <algorithm>
#include <cstdlib>

#include "stats/StatTypes.h"

namespace kivra {

TDrawChart BuildDrawChart(TCustomGraphStat& stat, const TDrawsArchive& archive, int length, bool sorted,
                          std::string_view title, bool marks) {
  TDrawChart result;
  if (archive.Empty()) return result;
  const int a = archive.AnalysisEnd();
  const int b = std::max(0, a - std::max(length, 1) + 1);
  TStatSimpleArray counts;
  for (int i = b; i <= a; ++i) {
    const int32_t v = stat.DrawValue(i, a, sorted);
    result.DrawNumbers.push_back(archive.Stored(i).Number);
    result.Values.push_back(v);
    result.Sum += v;
    AddSimpleValue(counts, v, 1);
  }
  const auto mode =
      std::max_element(counts.begin(), counts.end(),
                       [](const TStatSimpleRec& x, const TStatSimpleRec& y) { return x.Amount < y.Amount; });
  result.Mode = mode->Key;

  TChartSeries values;
  values.Title = std::string(title);
  values.Color = TRgb::FromRgb(0x008000);
  values.LineWidth = 2;
  values.PointMarks = true;
  values.PointSize = 2;
  values.PointOutline = TRgb::FromRgb(0xFF00FF);
  values.ValueLabels = marks;
  TChartSeries mean;
  mean.Title = std::string(DrawChartMeanTitle);
  mean.Color = TRgb::FromRgb(0x0000FF);
  TChartSeries often;
  often.Title = std::string(DrawChartModeTitle);
  often.Color = TRgb::FromRgb(0xFF0000);
  const long double meanValue = result.Mean();
  for (int k = 0; k < result.Count(); ++k) {
    const long double x = result.DrawNumbers[size_t(k)];
    const std::string label = std::to_string(result.DrawNumbers[size_t(k)]);
    values.Points.push_back({x, static_cast<long double>(result.Values[size_t(k)]), label});
    mean.Points.push_back({x, meanValue, label});
    often.Points.push_back({x, static_cast<long double>(result.Mode), label});
  }
  result.Chart.Series = {std::move(values), std::move(mean), std::move(often)};
  return result;
}

std::string RatioText(int64_t num, int64_t den, int decimals) {
  int64_t scale = 1;
  for (int d = 0; d < decimals; ++d) scale *= 10;
  const bool negative = (num < 0) != (den < 0) && num != 0;
  const __int128 n = static_cast<__int128>(num < 0 ? -num : num) * scale;
  const __int128 m = den < 0 ? -den : den;
  const __int128 q = (2 * n + m) / (2 * m);  // half away from zero on the magnitude
  const int64_t whole = static_cast<int64_t>(q / scale);
  const int64_t frac = static_cast<int64_t>(q % scale);
  std::string text = negative && q != 0 ? "-" : "";
  text += std::to_string(whole);
  if (decimals > 0) {
    std::string digits = std::to_string(frac);
    text += '.' + std::string(size_t(decimals) - digits.size(), '0') + digits;
  }
  return text;
}

}  // namespace kivra
