#include "views/SumDistribution.h"

#include <algorithm>

#include "core/SortaUtils.h"
#include "core/SysFormat.h"

namespace kivra {

namespace {

constexpr std::array<std::string_view, 3> LevelFractions = {"1/3", "1/2", "2/3"};
constexpr std::array<uint32_t, 3> LevelColors = {0x008000, 0x0000FF, 0xFF00FF};

// ways[k][s]: subsets of k distinct numbers 1..45 with sum s.
std::array<int64_t, CombSumCount> CountCombSums() {
  std::array<std::array<int64_t, MaxCombSum + 1>, CombSize + 1> ways{};
  ways[0][0] = 1;
  for (int n = 1; n <= MaxNumber; ++n)
    for (int k = CombSize; k >= 1; --k)
      for (int s = MaxCombSum; s >= n; --s) ways[size_t(k)][size_t(s)] += ways[size_t(k - 1)][size_t(s - n)];
  std::array<int64_t, CombSumCount> counts{};
  for (int s = MinCombSum; s <= MaxCombSum; ++s) counts[size_t(s - MinCombSum)] = ways[CombSize][size_t(s)];
  return counts;
}

}  // namespace

TSumDistribution BuildSumDistribution(const TDrawsArchive& archive) {
  static const std::array<int64_t, CombSumCount> combs = CountCombSums();
  TSumDistribution d;
  d.Combs = combs;
  d.MaxComb = *std::max_element(combs.begin(), combs.end());
  d.MinComb = *std::min_element(combs.begin(), combs.end());
  for (const TDraw& draw : archive.StoredDraws()) {
    int32_t sum = 0;
    for (uint8_t n : draw.Nums) sum += n;
    AddSimpleValue(d.Draws, sum, 1);
  }
  SortSimpleValues(d.Draws);
  for (const auto& r : d.Draws) d.MaxDraws = std::max<int64_t>(d.MaxDraws, r.Amount);

  const int64_t mk = d.MinComb, w = d.MaxComb - d.MinComb + 1;
  // trunc(mk + w * num / den) for the positive values here.
  const std::array<int64_t, 3> levels = {mk + w / 3, mk + w / 2, mk + 2 * w / 3};
  const int middle = CombSumCount / 2;
  for (size_t k = 0; k < levels.size(); ++k) {
    TSumLevel& level = d.Levels[k];
    level.Level = levels[k];
    for (int i = 0; i <= middle; ++i)
      if (combs[size_t(i)] >= level.Level) {
        level.Low = MinCombSum + i;
        break;
      }
    for (int i = CombSumCount - 1; i >= middle; --i)
      if (combs[size_t(i)] >= level.Level) {
        level.High = MinCombSum + i;
        break;
      }
  }
  return d;
}

std::string TSumDistribution::LevelTitle(int k) const {
  const TSumLevel& l = Levels[size_t(k)];
  return SysFormat("Диапазон %d (от %s и выше по оси Y) - суммы %d-%d",
                   {k + 1, std::string(LevelFractions[size_t(k)]), l.Low, l.High});
}

TChartData SumDistributionChart(const TSumDistribution& d) {
  TChartData chart;
  chart.Title = std::string(SumDistributionCaption);
  auto series = [](std::string title, uint32_t rgb, bool marks) {
    TChartSeries s;
    s.Title = std::move(title);
    s.Color = TRgb::FromRgb(rgb);
    s.LineWidth = 2;
    s.PointMarks = marks;
    s.PointSize = marks ? 3 : 0;
    s.ValueLabels = marks;
    return s;
  };
  auto point = [](int32_t s, long double y) { return TChartPoint{static_cast<long double>(s), y, std::to_string(s)}; };
  const long double scale = static_cast<long double>(d.MaxDraws) / static_cast<long double>(d.MaxComb);

  TChartSeries draws = series("Фактическое распределение сумм (по тиражам)", 0xFF0000, true);
  for (const auto& r : d.Draws) draws.Points.push_back(point(r.Key, r.Amount));
  TChartSeries combs = series("Теоретическое распределение сумм (по комбинациям)", 0x800000, false);
  for (int i = 0; i < CombSumCount; ++i) combs.Points.push_back(point(MinCombSum + i, d.Combs[size_t(i)] * scale));
  chart.Series = {std::move(draws), std::move(combs)};
  for (int k = 0; k < 3; ++k) {
    TChartSeries line = series(d.LevelTitle(k), LevelColors[size_t(k)], false);
    for (int i = 0; i < CombSumCount; ++i)
      line.Points.push_back(point(MinCombSum + i, d.Levels[size_t(k)].Level * scale));
    chart.Series.push_back(std::move(line));
  }
  return chart;
}

}  // namespace kivra
