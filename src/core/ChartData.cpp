#include "core/ChartData.h"

#include <cmath>

#include "core/TextCodec.h"

namespace kivra {

TChartSeries* TChartData::Find(std::string_view title) {
  const std::string key = FoldCaseCp1251(Utf8ToCp1251(title));
  for (TChartSeries& s : Series)
    if (FoldCaseCp1251(Utf8ToCp1251(s.Title)) == key) return &s;
  return nullptr;
}

void TChartData::Add(std::string_view title, long double x, long double y, bool showPoints, bool showMarks,
                     int64_t rgb) {
  TChartSeries* s = Find(title);
  if (!s) {
    TChartSeries created;
    created.Title = std::string(title);
    created.LineWidth = 2;
    created.PointMarks = showPoints;
    created.PointSize = 3;
    created.ValueLabels = showMarks;
    created.AutoColor = rgb < 0;
    if (rgb >= 0) created.Color = created.PointOutline = TRgb::FromRgb(static_cast<uint32_t>(rgb));
    Series.push_back(std::move(created));
    s = &Series.back();
  }
  s->Points.push_back({x, y, std::to_string(static_cast<long long>(std::llround(x)))});
}

}  // namespace kivra
