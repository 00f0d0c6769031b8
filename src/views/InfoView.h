// The information window ("Подробная информация"): a draw's or a combination's numbers placed on
// the number matrix, and the value every chartable statistic gives it.
#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "core/DrawsArchive.h"
#include "stats/StatList.h"
#include "views/LayoutView.h"
#include "views/ViewColors.h"

namespace kivra {

inline constexpr std::string_view InfoPropertyCaption = "Свойство";
inline constexpr std::string_view InfoValueCaption = "Значение";

using TInfoRows = std::vector<std::pair<std::string, std::string>>;

// What one opening shows: the draw number (-1: none), the date text (empty: none), the five
// numbers and the archive positions the statistics are evaluated at.
struct TInfoSubject {
  int32_t DrawNumber = -1;
  std::string Date;
  TComb Nums{};
  int Index = 0;
  int RefIndex = 0;
  bool Sorted = false;
};

// The draw at archive position `index`: its number, date and numbers, evaluated at its own
// position; with `sorted` its numbers are sorted first, as the draw chart reads them.
TInfoSubject DrawInfoSubject(const TDrawsArchive& archive, int index, bool sorted);
// A combination, evaluated at the position after the newest visible draw (AnalysisEnd + 1), so
// that statistics comparing with the previous draw compare with the last draw in use.
TInfoSubject CombInfoSubject(const TDrawsArchive& archive, const TComb& comb, bool sorted);

// "Номер тиража:" and "Дата тиража:" when given, then, in registry order, one row per entry whose
// class is chartable and enabled (favourite or not): its GetTitle and its CombValue in decimal.
TInfoRows BuildInfoRows(const TStatList& stats, const TInfoSubject& subject);

// The placement on `columns` columns (1..45) and GroupCount(1, 45, columns) rows: each number n of
// 1..45 in the cell ((n - 1) div columns, (n - 1) mod columns); other numbers are skipped.
TTextGrid PlaceNumbers(const TComb& nums, int columns);
// The cell's background: NumberColor of its number when that lies within 1..45, else normal.
TCellColor PlacementCellColor(int row, int column, int columns, int channelSize);

}  // namespace kivra
