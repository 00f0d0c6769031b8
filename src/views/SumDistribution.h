// The sum distribution ("Распределение сумм тиражей и всех возможных комбинаций"): how many of the
// C(45,5) combinations have each sum 15..215, how many archive draws have each sum, three levels
// of the combinations' counts and the sum range each level holds, as five chart series.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "core/ChartData.h"
#include "core/DrawsArchive.h"
#include "stats/StatTypes.h"

namespace kivra {

inline constexpr std::string_view SumDistributionCaption = "Распределение сумм тиражей и всех возможных комбинаций";
inline constexpr int MinCombSum = 1 + 2 + 3 + 4 + 5;
inline constexpr int MaxCombSum = 41 + 42 + 43 + 44 + 45;
inline constexpr int CombSumCount = MaxCombSum - MinCombSum + 1;

struct TSumLevel {
  int64_t Level = 0;
  int32_t Low = 0;   // the first sum from 15 up to the middle key whose count reaches the level; 0: none
  int32_t High = 0;  // the first sum from 215 down to the middle key whose count reaches the level; 0: none
};

struct TSumDistribution {
  std::array<int64_t, CombSumCount> Combs{};  // K(s) at [s - 15]
  int64_t MaxComb = 0, MinComb = 0;           // Mk, mk
  TStatSimpleArray Draws;                     // (sum, draws) ascending by sum, only the sums that occur
  int64_t MaxDraws = 0;                       // Md; 0 for an empty archive
  std::array<TSumLevel, 3> Levels;

  // The title of level k (0..2): "Диапазон %d (от %s и выше по оси Y) - суммы %d-%d".
  std::string LevelTitle(int k) const;
};

// K(s) by counting subsets over sums (exact, no enumeration); D(s) over the whole archive (the
// offset does not apply). Levels with w = Mk - mk + 1: trunc(mk + w/3), trunc(mk + w/2),
// trunc(mk + 2w/3).
TSumDistribution BuildSumDistribution(const TDrawsArchive& archive);

// The chart titled SumDistributionCaption: the draws (#FF0000, point marks and value labels), the
// combinations scaled to K(s) / Mk * Md (#800000) and the three level lines at l / Mk * Md over
// every sum 15..215 (#008000, #0000FF, #FF00FF), the last four without marks or labels.
TChartData SumDistributionChart(const TSumDistribution& d);

}  // namespace kivra
