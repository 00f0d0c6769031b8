// The week view ("Неделя"): how often each number was drawn on each day of the week over a window
// of recent draws, as a heat map (numbers across, weekdays down) and as chart points of one row or
// one column of it.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "core/ChartData.h"
#include "core/DrawsArchive.h"
#include "views/ViewColors.h"

namespace kivra {

constexpr int WeekRowCount = 8;  // header row and Monday..Sunday
constexpr int WeekColumnCount = MaxNumber + 1;
// Short weekday names, Monday first, whatever the locale.
inline constexpr std::array<std::string_view, 7> WeekdayNames = {"Пн", "Вт", "Ср", "Чт", "Пт", "Сб", "Вс"};

struct TWeekCounts {
  std::array<std::array<int32_t, 8>, MaxNumber + 1> Counts{};  // [number 1..45][weekday 1..7]
  int32_t Max = 0;

  int32_t At(int number, int weekday) const {
    return number >= 1 && number <= MaxNumber && weekday >= 1 && weekday <= 7 ? Counts[size_t(number)][size_t(weekday)]
                                                                              : 0;
  }
};

// The ISO weekday (Monday 1 .. Sunday 7) of the draw's date; 0 for an undated draw (empty date text
// or one that does not read as a date).
int DrawWeekday(const TDraw& draw);

// The counts over the window AnalysisEnd back to max(0, AnalysisEnd - length + 1): every number
// 1..45 of every dated draw adds 1 to its weekday. All zero for an empty archive.
TWeekCounts CountWeekdays(const TDrawsArchive& archive, int length);

// The grid of 8 rows x 46 columns: row 0 the numbers, column 0 the weekday names, the corner
// empty; a data cell holds its count, or nothing for 0.
std::string WeekCellText(const TWeekCounts& counts, int row, int column);
// Non-empty data cells while Max > 0: RGB(255, g, g) with g = 255 - v*255/Max rounded half to
// even; every other cell the normal colour.
TCellColor WeekCellColor(const TWeekCounts& counts, int row, int column);

// The chart of the grid cell (column, row): mode 1 the seven weekdays of the cell's number
// (x 1..7, labelled with the weekday names), mode 0 the 45 numbers of the cell's weekday (x and
// label the number). A green bar series, or with `line` a green line of width 2 with 2 x 2 point
// marks outlined in magenta; no value labels.
TChartSeries WeekChart(const TWeekCounts& counts, int column, int row, int mode, bool line);

}  // namespace kivra
