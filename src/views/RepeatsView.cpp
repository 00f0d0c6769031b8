#include "views/RepeatsView.h"

#include <algorithm>

#include "core/SortaUtils.h"

namespace kivra {

TRepeatsResult AnalyzeRepeats(const TDrawsArchive& archive, int length, int deep,
                              const std::function<void(int)>& progress) {
  TRepeatsResult result;
  if (archive.Empty()) return result;
  const int a = archive.High();
  const int b = std::max(0, a - std::max(length, 1) + 1);
  for (int p = a; p >= b; --p) {
    const TDraw& drawP = archive.Stored(p);
    const size_t r0 = result.Rows.size();
    const int e = std::max(0, p - deep);
    for (int q = p - 1; q >= e; --q) {
      const TDraw& drawQ = archive.Stored(q);
      const int m = CommonCount(drawP.Nums, drawQ.Nums);
      result.MaxMatches = std::max(result.MaxMatches, m);
      if (m <= 0) continue;
      auto row = std::find_if(result.Rows.begin() + std::ptrdiff_t(r0), result.Rows.end(),
                              [m](const TRepeatsRow& r) { return r.Matches == m; });
      if (row != result.Rows.end()) {
        ++row->Count;
        row->List += ' ';
        row->List += std::to_string(drawQ.Number);
      } else {
        result.Rows.push_back({drawP.Number, m, 1, std::to_string(drawQ.Number)});
      }
    }
    if (progress) progress(a - p + 1);
  }
  return result;
}

TChartData RepeatsChart(const TRepeatsResult& result, std::mt19937& random) {
  TChartData chart;
  std::uniform_int_distribution<int> part(0, 255);
  auto color = [&] {
    const int r = part(random), g = part(random), b = part(random);
    return TRgb{uint8_t(r), uint8_t(g), uint8_t(b)};
  };
  for (int k = 1; k <= result.MaxMatches; ++k) {
    TChartSeries s;
    s.Title = "Совпадений: " + std::to_string(k);
    s.Color = color();
    s.PointOutline = color();
    s.PointMarks = true;
    s.PointSize = 2;
    chart.Series.push_back(std::move(s));
  }
  for (auto row = result.Rows.rbegin(); row != result.Rows.rend(); ++row) {
    if (row->Matches < 1 || row->Matches > result.MaxMatches) continue;
    chart.Series[size_t(row->Matches - 1)].Points.push_back(
        {static_cast<long double>(row->Draw), static_cast<long double>(row->Count), std::to_string(row->Draw)});
  }
  return chart;
}

}  // namespace kivra
