#include "views/RepeatsView.h"

#include <algorithm>
#include <bit>
#include <charconv>

#include "core/SortaUtils.h"

namespace kivra {

namespace {

// The bit set of a draw's numbers when they are distinct and within 1..63 (then the popcount of two
// sets' intersection is CommonCount); 0 for a record that is not (damaged), which takes CommonCount.
uint64_t NumberMask(const TComb& nums) {
  uint64_t mask = 0;
  for (uint8_t n : nums) {
    if (n < 1 || n > 63 || (mask >> n & 1) != 0) return 0;
    mask |= uint64_t{1} << n;
  }
  return mask;
}

void AppendNumber(std::string& text, int32_t n) {
  char buf[16];
  const auto end = std::to_chars(buf, buf + sizeof buf, n).ptr;
  text.append(buf, end);
}

}  // namespace

TRepeatsResult AnalyzeRepeats(const TDrawsArchive& archive, int length, int deep,
                              const std::function<void(int)>& progress) {
  TRepeatsResult result;
  if (archive.Empty()) return result;
  const int a = archive.High();
  const int b = std::max(0, a - std::max(length, 1) + 1);
  const int first = std::max(0, b - std::max(deep, 0));
  std::vector<uint64_t> masks(size_t(a - first + 1));
  for (int i = first; i <= a; ++i) masks[size_t(i - first)] = NumberMask(archive.Stored(i).Nums);
  for (int p = a; p >= b; --p) {
    const TDraw& drawP = archive.Stored(p);
    const size_t r0 = result.Rows.size();
    const int e = std::max(0, p - deep);
    for (int q = p - 1; q >= e; --q) {
      const TDraw& drawQ = archive.Stored(q);
      const uint64_t maskP = masks[size_t(p - first)], maskQ = masks[size_t(q - first)];
      const int m = maskP != 0 && maskQ != 0 ? std::popcount(maskP & maskQ) : CommonCount(drawP.Nums, drawQ.Nums);
      result.MaxMatches = std::max(result.MaxMatches, m);
      if (m <= 0) continue;
      auto row = std::find_if(result.Rows.begin() + std::ptrdiff_t(r0), result.Rows.end(),
                              [m](const TRepeatsRow& r) { return r.Matches == m; });
      if (row != result.Rows.end()) {
        ++row->Count;
        row->List += ' ';
        AppendNumber(row->List, drawQ.Number);
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
