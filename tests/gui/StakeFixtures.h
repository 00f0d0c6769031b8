// The archive and prize table the stakes, ratings and chance window tests play against.
#pragma once

#include <algorithm>
#include <set>
#include <string_view>

#include "TestDraws.h"
#include "core/DrawsArchive.h"
#include "stakes/StakeData.h"

namespace kivra::guitest {

// Draw i (1..40) holds i, i+7, i+14, i+21, i+28 (wrapped into 1..45).
inline TComb DrawNums(int i) {
  TComb c{};
  for (int k = 0; k < 5; ++k) c[k] = static_cast<uint8_t>((i - 1 + 7 * k) % 45 + 1);
  return c;
}

// Draws 1..count of that kind, all dated 2026-01-01.
inline TDrawsArray SampleDraws(int count) {
  TDrawsArray draws;
  for (int i = 1; i <= count; ++i) draws.push_back(test::MakeDraw(i, DrawNums(i), "2026-01-01"));
  return draws;
}

// Cost 10; prizes 0, 0, 0, 100, 1000, 100000 for 0..5 matches.
inline constexpr std::string_view RatingsPrizeConfig =
    "[STAKES]\nCost=10\nProfits=6\n"
    "Profit_0_Overlap=0\nProfit_0_Profit=0\nProfit_1_Overlap=1\nProfit_1_Profit=0\n"
    "Profit_2_Overlap=2\nProfit_2_Profit=0\nProfit_3_Overlap=3\nProfit_3_Profit=100\n"
    "Profit_4_Overlap=4\nProfit_4_Profit=1000\nProfit_5_Overlap=5\nProfit_5_Profit=100000\n";

// `count` numbers sharing exactly `matches` numbers with draw `draw`.
inline TStakeNumbers NumbersFor(int draw, int matches, int count) {
  const TComb d = DrawNums(draw);
  std::set<int> picked(d.begin(), d.begin() + matches);
  for (int n = 1; n <= 45 && static_cast<int>(picked.size()) < count; ++n)
    if (std::find(d.begin(), d.end(), n) == d.end()) picked.insert(n);
  TStakeNumbers numbers;
  numbers.Count = count;
  int i = 0;
  for (int n : picked) numbers.Values[static_cast<size_t>(i++)] = static_cast<uint8_t>(n);
  return numbers;
}

}  // namespace kivra::guitest
