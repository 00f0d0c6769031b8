// The repeats analysis ("Количество повторов в зависимости от тиража"): for each recent draw, how
// many earlier draws within a depth shared 1, 2, ... numbers with it, as list rows and one chart
// series per match count. It runs over the whole archive; the offset does not apply.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "core/ChartData.h"
#include "core/DrawsArchive.h"

namespace kivra {

inline constexpr std::array<std::string_view, 4> RepeatsCaptions = {"Тираж", "Совпадений", "Кол-во повторов",
                                                                    "Список тиражей"};

struct TRepeatsRow {
  int32_t Draw = 0;     // "Тираж"
  int32_t Matches = 0;  // "Совпадений"
  int32_t Count = 0;    // "Кол-во повторов"
  std::string List;     // "Список тиражей": the earlier draws' numbers, newest first, space separated
  bool operator==(const TRepeatsRow&) const = default;
};

struct TRepeatsResult {
  std::vector<TRepeatsRow> Rows;  // draw by draw from the newest, rows of one draw in first-found order
  int32_t MaxMatches = 0;         // the largest match count seen
};

// For p from High down to max(0, High - length + 1), every q from p - 1 down to max(0, p - deep)
// is compared with p (CommonCount); a count m > 0 adds q to p's row of m, created when missing.
// `progress`, when given, is called after each draw p with the number of draws done.
TRepeatsResult AnalyzeRepeats(const TDrawsArchive& archive, int length, int deep,
                              const std::function<void(int)>& progress = {});

// Series "Совпадений: k" for k = 1..MaxMatches: lines with random colours and point outlines,
// 2 x 2 point marks, no value labels; each row, from the last to the first, adds the point
// (its draw, its count) labelled with the draw to the series of its match count.
TChartData RepeatsChart(const TRepeatsResult& result, std::mt19937& random);

}  // namespace kivra
