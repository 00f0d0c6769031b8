// The layout ("Схема"): the numbers drawn in a window of recent draws grouped by how many draws of
// the window hold them (rows) and by the newest draw that holds them (columns), and the five
// compare tables of those counts over five window lengths.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/DrawsArchive.h"
#include "views/ViewColors.h"

namespace kivra {

// One number seen in the window.
struct TShemaRow {
  int32_t Number = 0;
  int32_t Count = 0;       // draws of the window holding it
  int32_t NewestDraw = 0;  // draw number of the newest of them
  bool operator==(const TShemaRow&) const = default;
};
// Rows in the order their numbers are first met walking from the newest draw of the window back
// to the oldest, within a draw in stored order. Numbers outside 1..45 are skipped.
using TShemaArray = std::vector<TShemaRow>;

// The archive indexes of a view's window: from Newest = AnalysisEnd back to
// Oldest = max(0, Newest - length + 1). Nothing for an empty archive.
struct TViewWindow {
  int Newest = 0;
  int Oldest = 0;
};
std::optional<TViewWindow> ViewWindow(const TDrawsArchive& archive, int length);

TShemaArray BuildShemaArray(const TDrawsArchive& archive, const TViewWindow& window);

// A grid of texts, row 0 and column 0 the headers.
struct TTextGrid {
  int Rows = 0;
  int Columns = 0;
  std::vector<std::string> Cells;  // row by row

  TTextGrid() = default;
  TTextGrid(int rows, int columns) : Rows(rows), Columns(columns), Cells(size_t(rows) * size_t(columns)) {}
  const std::string& At(int row, int column) const { return Cells[size_t(row) * size_t(Columns) + size_t(column)]; }
  std::string& At(int row, int column) { return Cells[size_t(row) * size_t(Columns) + size_t(column)]; }
};

// The layout grid of the window of `length` draws: one row per distinct Count (descending) under
// the header row, one column per distinct NewestDraw (descending) after the header column; each
// number in the cell of its Count and NewestDraw, joined by ", " in array order, a number of
// `hidden` (the first hidden draw) as "[n]". Cleared 2 x 2 when nothing is shown.
TTextGrid BuildLayoutGrid(const TDrawsArchive& archive, int length, const TNumSet& hidden);

// Data cells (row, column >= 1): lime when the text holds "[", else the gradient or the
// checkerboard; header cells: the normal colour.
TCellColor LayoutCellColor(const TTextGrid& grid, int row, int column, bool gradient);
// RGB(255 - 155r/R, 255 - 155c/C, 100 + 155r/R), each part rounded half to even; R and C count the
// headers.
uint32_t LayoutGradientColor(int row, int column, int rows, int columns);
// 5 x 5 blocks: an index 1..5, 11..15, ..., 91..95 is marked; #FFEAEA when exactly one of row and
// column is marked, #EAFFEA otherwise.
uint32_t LayoutCheckerColor(int row, int column);

// A compare table: its second column's caption ("oldest - newest" draw numbers) and its rows
// ("Кол-во", numbers joined by ", "), in the order their counts are first met.
struct TCompareTable {
  std::string Caption;
  std::vector<std::array<std::string, 2>> Rows;
};
inline constexpr std::string_view CompareCountCaption = "Кол-во";
constexpr int CompareTableCount = 5;

// Empty (no rows, empty caption) for an empty archive.
TCompareTable BuildCompareTable(const TDrawsArchive& archive, int length);

// The order of a header click: both cells read as numbers ("," taken as the point): by value;
// otherwise as texts without regard to case. <0, 0, >0.
int CompareCells(std::string_view a, std::string_view b);
// Sorts the rows by the column, stably (equal rows keep their order), descending reversing the
// comparison.
void SortCompareTable(TCompareTable& table, int column, bool descending);

}  // namespace kivra
