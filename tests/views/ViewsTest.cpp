// The card, layout and week computations: the texts and colours of their grids, the compare tables
// and their order, the week counts and chart points, on small archives built here.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "TestDraws.h"
#include "core/DrawsArchive.h"
#include "views/CardView.h"
#include "views/LayoutView.h"
#include "views/WeekView.h"

using namespace kivra;
using test::MakeDraw;

namespace {

TDrawsArchive Archive(std::initializer_list<TDraw> draws, int offset = 0) {
  TDrawsArchive a;
  for (const TDraw& d : draws) a.Append(d);
  a.SetDrawsOffset(offset);
  return a;
}

std::vector<std::string> GridRow(const TTextGrid& g, int row) {
  std::vector<std::string> cells;
  for (int c = 0; c < g.Columns; ++c) cells.push_back(g.At(row, c));
  return cells;
}

using Row = std::vector<std::string>;
constexpr TCellColor Normal = std::nullopt;

// Draws 10, 11, 12 used by the layout tests.
TDrawsArchive LayoutArchive(int offset) {
  return Archive({MakeDraw(10, {1, 2, 3, 4, 5}), MakeDraw(11, {3, 6, 7, 8, 9}), MakeDraw(12, {1, 3, 10, 11, 12})},
                 offset);
}

}  // namespace

// --- Colours ---

TEST(ViewColors, RoundHalfEvenAndText) {
  struct Case {
    int64_t num, den, expected;
  } cases[] = {{5, 2, 2}, {7, 2, 4}, {-5, 2, -2}, {-7, 2, -4}, {10, 4, 2}, {11, 4, 3}, {9, 4, 2}, {0, 3, 0}};
  for (const Case& c : cases) EXPECT_EQ(RoundHalfEven(c.num, c.den), c.expected) << c.num << "/" << c.den;
  EXPECT_EQ(ColorText(0x00FF0A), "#00FF0A");
  EXPECT_EQ(ColorText(Normal), "");
}

// --- Card ---

// Draw 100 = 1 2 3 20 45 followed by draw 101 = 2 3 4 30 44; draw 99 shares none of them.
TEST(CardView, ExampleOfThreeDrawsTextsAndColours) {
  const TDrawsArchive a =
      Archive({MakeDraw(99, {10, 12, 25, 33, 40}), MakeDraw(100, {1, 2, 3, 20, 45}), MakeDraw(101, {30, 2, 44, 3, 4})});
  ASSERT_EQ(CardRowCount(a), 4);
  EXPECT_EQ(CardCellText(a, 0, 0), "");
  EXPECT_EQ(CardCellText(a, 0, 1), "1");
  EXPECT_EQ(CardCellText(a, 0, 45), "45");
  EXPECT_EQ(CardCellText(a, 1, 0), "101");
  EXPECT_EQ(CardCellText(a, 3, 0), "99");
  EXPECT_EQ(CardCellText(a, 1, 30), "30");
  EXPECT_EQ(CardCellText(a, 1, 31), "");
  EXPECT_EQ(CardCellText(a, 2, 45), "45");

  const TCardOptions all{true, true, 5};
  struct Case {
    int row, column;
    TCellColor expected;
  } cases[] = {
      // Draw 101: repeats with a neighbour, a neighbour only, and channel colours (the header's
      // "30" and "44" above them are no repeats).
      {1, 2, RgbYellow},
      {1, 3, RgbYellow},
      {1, 4, RgbAqua},
      {1, 30, 0xFFD5AA},
      {1, 44, 0xAAD5FF},
      // Draw 100.
      {2, 1, RgbAqua},
      {2, 2, RgbYellow},
      {2, 3, RgbYellow},
      {2, 20, 0xFFAAAA},
      {2, 45, 0xAAD5FF},
      // Empty cells show the channel bands; the headers are the grid's own.
      {1, 1, 0xAAFFAA},
      {3, 5, 0xAAFFAA},
      {0, 2, Normal},
      {2, 0, Normal},
  };
  for (const Case& c : cases) EXPECT_EQ(CardCellColor(a, c.row, c.column, all), c.expected) << c.row << "," << c.column;

  // Sequences off: channel colours only; channels off too: the normal colour, sequences still win.
  EXPECT_EQ(CardCellColor(a, 1, 2, {true, false, 5}), 0xAAFFAA);
  EXPECT_EQ(CardCellColor(a, 1, 30, {false, true, 5}), Normal);
  EXPECT_EQ(CardCellColor(a, 1, 2, {false, true, 5}), RgbYellow);
  EXPECT_EQ(CardCellColor(a, 1, 2, {false, false, 5}), Normal);
  // The channel size comes from the configuration.
  EXPECT_EQ(CardCellColor(a, 1, 30, {true, false, 10}), 0xAAFFFF);
}

TEST(CardView, DrawNumberColumnIsNoNeighbourAndOddBytesAreSkipped) {
  // Draw number 1 in column 0 beside number 1; bytes outside 1..45 are not shown or compared.
  const TDrawsArchive a = Archive({MakeDraw(1, {1, 10, 0, 46, 255}), MakeDraw(2, {1, 44, 0, 46, 200})});
  const TCardOptions all{true, true, 5};
  EXPECT_EQ(CardCellColor(a, 2, 10, all), 0xFFFFAA);  // alone in its row
  EXPECT_EQ(CardCellColor(a, 1, 44, all), 0xAAD5FF);  // 45 is not held (46 and 200 are no numbers)
  EXPECT_EQ(CardCellColor(a, 2, 1, all), RgbLime);    // repeated in draw 2, column 0 is no neighbour
  for (int c = 0; c < CardColumnCount; ++c) {
    const std::string t = CardCellText(a, 1, c);
    EXPECT_TRUE(c == 0 ? t == "2" : (c == 1 || c == 44) == !t.empty()) << c << ": " << t;
  }
}

TEST(CardView, EmptyArchiveHasAClearedRow) {
  const TDrawsArchive a;
  EXPECT_EQ(CardRowCount(a), 2);
  for (int c = 0; c < CardColumnCount; ++c) EXPECT_EQ(CardCellText(a, 1, c), "");
  EXPECT_EQ(CardCellColor(a, 1, 1, {true, true, 5}), 0xAAFFAA);
  EXPECT_EQ(CardCellText(a, 0, 7), "7");
}

// --- Layout ---

TEST(LayoutView, ShemaArrayInFirstMetOrder) {
  const TDrawsArchive a = LayoutArchive(0);
  const TShemaArray s = BuildShemaArray(a, {2, 1});
  const TShemaArray expected = {{1, 1, 12}, {3, 2, 12}, {10, 1, 12}, {11, 1, 12}, {12, 1, 12},
                                {6, 1, 11}, {7, 1, 11}, {8, 1, 11},  {9, 1, 11}};
  EXPECT_EQ(s, expected);
}

TEST(LayoutView, GridWithAndWithoutTheHiddenDraw) {
  struct Case {
    int offset, length;
    std::vector<Row> rows;
  } cases[] = {
      {0,
       3,
       {{"", "12", "11", "10"}, {"3", "3", "", ""}, {"2", "1", "", ""}, {"1", "10, 11, 12", "6, 7, 8, 9", "2, 4, 5"}}},
      // Offset 1: draw 12 is hidden; its numbers are bracketed wherever they occur.
      {1, 3, {{"", "11", "10"}, {"2", "[3]", ""}, {"1", "6, 7, 8, 9", "[1], 2, 4, 5"}}},
      // A window of one draw: one row, one column, its five numbers in stored order.
      {0, 1, {{"", "12"}, {"1", "1, 3, 10, 11, 12"}}},
      // An offset beyond the archive analyses draw 0 alone; nothing is hidden.
      {5, 100, {{"", "10"}, {"1", "1, 2, 3, 4, 5"}}},
  };
  for (const Case& c : cases) {
    const TDrawsArchive a = LayoutArchive(c.offset);
    const TTextGrid g = BuildLayoutGrid(a, c.length, a.HiddenDrawSet());
    ASSERT_EQ(g.Rows, static_cast<int>(c.rows.size())) << c.offset << "/" << c.length;
    for (int r = 0; r < g.Rows; ++r) EXPECT_EQ(GridRow(g, r), c.rows[size_t(r)]) << c.offset << "/" << c.length;
  }
  // The bracketed cells are lime; the others follow the gradient or the checkerboard.
  const TDrawsArchive a = LayoutArchive(1);
  const TTextGrid g = BuildLayoutGrid(a, 3, a.HiddenDrawSet());
  EXPECT_EQ(LayoutCellColor(g, 1, 1, true), RgbLime);
  EXPECT_EQ(LayoutCellColor(g, 2, 2, false), RgbLime);
  EXPECT_EQ(LayoutCellColor(g, 2, 1, true), LayoutGradientColor(2, 1, 3, 3));
  EXPECT_EQ(LayoutCellColor(g, 1, 2, false), 0xEAFFEA);
  EXPECT_EQ(LayoutCellColor(g, 0, 1, true), Normal);
  EXPECT_EQ(LayoutCellColor(g, 1, 0, true), Normal);
}

TEST(LayoutView, EmptyOrNumberlessWindowLeavesTheGridCleared) {
  const TDrawsArchive empty;
  const TDrawsArchive odd = Archive({MakeDraw(1, {0, 46, 50, 99, 255})});
  for (const TDrawsArchive* a : {&empty, &odd}) {
    const TTextGrid g = BuildLayoutGrid(*a, 100, {});
    EXPECT_EQ(g.Rows, 2);
    EXPECT_EQ(g.Columns, 2);
    for (const std::string& cell : g.Cells) EXPECT_EQ(cell, "");
  }
  const TCompareTable t = BuildCompareTable(empty, 50);
  EXPECT_EQ(t.Caption, "");
  EXPECT_TRUE(t.Rows.empty());
}

TEST(LayoutView, GradientAndCheckerboardAtBlockEdges) {
  struct Case {
    int row, column;
    uint32_t gradient, checker;
  } cases[] = {
      {0, 0, 0xFFFF64, 0xEAFFEA},  {1, 1, 0xFDFD66, 0xEAFFEA},   {5, 6, 0xF7F56C, 0xFFEAEA},
      {6, 5, 0xF5F76E, 0xFFEAEA},  {95, 96, 0x6766FC, 0xFFEAEA}, {96, 95, 0x6667FD, 0xFFEAEA},
      {6, 96, 0xF5666E, 0xEAFFEA}, {95, 1, 0x67FDFC, 0xEAFFEA},  {0, 5, 0xFFF764, 0xFFEAEA},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(LayoutGradientColor(c.row, c.column, 97, 97), c.gradient) << c.row << "," << c.column;
    EXPECT_EQ(LayoutCheckerColor(c.row, c.column), c.checker) << c.row << "," << c.column;
  }
  // Exact halves go to the even neighbour: 255 - 46.5 = 208.5 -> 208, 100 + 46.5 -> 146,
  // 255 - 77.5 -> 178 (a half up to the even one).
  EXPECT_EQ(LayoutGradientColor(3, 1, 10, 2), 0xD0B292u);
}

TEST(LayoutView, CompareTablesCaptionsAndRows) {
  struct Case {
    int offset, length;
    std::string caption;
    std::vector<std::array<std::string, 2>> rows;
  } cases[] = {
      {0, 2, "11 - 12", {{"1", "1, 10, 11, 12, 6, 7, 8, 9"}, {"2", "3"}}},
      // Longer than the archive: from the oldest draw on.
      {0, 400, "10 - 12", {{"2", "1"}, {"3", "3"}, {"1", "10, 11, 12, 6, 7, 8, 9, 2, 4, 5"}}},
      // The hidden draw is not bracketed in the tables.
      {1, 50, "10 - 11", {{"2", "3"}, {"1", "6, 7, 8, 9, 1, 2, 4, 5"}}},
  };
  for (const Case& c : cases) {
    const TCompareTable t = BuildCompareTable(LayoutArchive(c.offset), c.length);
    EXPECT_EQ(t.Caption, c.caption);
    EXPECT_EQ(t.Rows, c.rows) << c.offset << "/" << c.length;
  }
}

TEST(LayoutView, CompareCellsOrder) {
  struct Case {
    const char *a, *b;
    int sign;
  } cases[] = {
      {"10", "9", 1},    {"2,5", "10", -1}, {"2,5", "2.5", 0},   {"-1", "0", -1}, {"abc", "ABD", -1},
      {"Abc", "abc", 0}, {"3, 9", "12", 1}, {"12", "12, 3", -1}, {"", "1", -1},   {"7", "7", 0},
  };
  for (const Case& c : cases) {
    const int r = CompareCells(c.a, c.b);
    EXPECT_EQ((r > 0) - (r < 0), c.sign) << c.a << " ? " << c.b;
  }
}

TEST(LayoutView, SortIsStableAndDescendingReversesTheComparison) {
  TCompareTable t;
  t.Rows = {{"1", "a"}, {"10", "B"}, {"2", "a"}, {"1", "c"}};
  SortCompareTable(t, 0, false);
  EXPECT_EQ(t.Rows, (std::vector<std::array<std::string, 2>>{{"1", "a"}, {"1", "c"}, {"2", "a"}, {"10", "B"}}));
  SortCompareTable(t, 0, true);
  EXPECT_EQ(t.Rows, (std::vector<std::array<std::string, 2>>{{"10", "B"}, {"2", "a"}, {"1", "a"}, {"1", "c"}}));
  SortCompareTable(t, 1, false);
  EXPECT_EQ(t.Rows, (std::vector<std::array<std::string, 2>>{{"2", "a"}, {"1", "a"}, {"10", "B"}, {"1", "c"}}));
}

// --- Week ---

TEST(WeekView, WeekdaysOfDates) {
  struct Case {
    const char* date;
    int weekday;
  } cases[] = {{"2026-01-05", 1}, {"2026-01-07", 3}, {"2026-01-11", 7}, {"1899-12-30", 6}, {"1800-01-01", 3},
               {"", 0},           {"   ", 0},        {"2026-02-30", 0}, {"abc", 0}};
  for (const Case& c : cases) EXPECT_EQ(DrawWeekday(MakeDraw(1, {1, 2, 3, 4, 5}, c.date)), c.weekday) << c.date;
}

TEST(WeekView, WednesdayDrawIsPureRed) {
  const TDrawsArchive a = Archive({MakeDraw(1, {1, 2, 3, 4, 5}, "2026-01-07")});
  const TWeekCounts w = CountWeekdays(a, 1);
  EXPECT_EQ(w.Max, 1);
  for (int row = 0; row < WeekRowCount; ++row)
    for (int col = 0; col < WeekColumnCount; ++col) {
      const bool marked = row == 3 && col >= 1 && col <= 5;
      const std::string text = WeekCellText(w, row, col);
      if (row == 0) EXPECT_EQ(text, col == 0 ? "" : std::to_string(col));
      else if (col == 0) EXPECT_EQ(text, std::string(WeekdayNames[size_t(row - 1)]));
      else EXPECT_EQ(text, marked ? "1" : "") << row << "," << col;
      EXPECT_EQ(WeekCellColor(w, row, col), marked ? TCellColor(0xFF0000) : Normal) << row << "," << col;
    }
  EXPECT_EQ(WeekCellText(w, 3, 0), "Ср");
}

TEST(WeekView, WindowUndatedDrawsOddBytesAndScale) {
  // Oldest first: Sunday 7 and 8, Sunday 7 again, an undated draw, a bad date, Monday 7 with odd
  // bytes, then a Sunday hidden by the offset.
  const TDrawsArchive a =
      Archive({MakeDraw(1, {7, 8, 1, 2, 3}, "2026-01-11"), MakeDraw(2, {7, 9, 10, 11, 12}, "2026-01-18"),
               MakeDraw(3, {7, 8, 9, 10, 11}, ""), MakeDraw(4, {7, 8, 9, 10, 11}, "2026-13-01"),
               MakeDraw(5, {7, 0, 46, 255, 20}, "2026-01-19"), MakeDraw(6, {7, 8, 1, 2, 3}, "2026-01-25")},
              1);
  struct Case {
    int length;
    int sunday7, monday7, sunday8, max;
  } cases[] = {{1, 0, 1, 0, 1}, {2, 0, 1, 0, 1}, {4, 1, 1, 0, 1}, {5, 2, 1, 1, 2}, {1000, 2, 1, 1, 2}};
  for (const Case& c : cases) {
    const TWeekCounts w = CountWeekdays(a, c.length);
    EXPECT_EQ(w.At(7, 7), c.sunday7) << c.length;
    EXPECT_EQ(w.At(7, 1), c.monday7) << c.length;
    EXPECT_EQ(w.At(8, 7), c.sunday8) << c.length;
    EXPECT_EQ(w.Max, c.max) << c.length;
    int total = 0;
    for (int n = 1; n <= MaxNumber; ++n)
      for (int d = 1; d <= 7; ++d) total += w.At(n, d);
    // Undated draws and bytes outside 1..45 add nothing (draw 5 adds 7 and 20).
    EXPECT_EQ(total, c.length == 1 || c.length == 2 ? 2 : c.length == 4 ? 7 : 12) << c.length;
  }
  // White to red: 255 - v * 255 / Max, halves to even.
  const TWeekCounts w = CountWeekdays(a, 1000);
  EXPECT_EQ(WeekCellColor(w, 7, 7), TCellColor(0xFF0000));
  EXPECT_EQ(WeekCellColor(w, 1, 7), TCellColor(0xFF8080));  // 127.5 -> 128
  EXPECT_EQ(WeekCellColor(w, 1, 8), Normal);                // no count

  const TWeekCounts empty = CountWeekdays(TDrawsArchive(), 1000);
  EXPECT_EQ(empty.Max, 0);
  EXPECT_EQ(WeekCellText(empty, 1, 1), "");
  EXPECT_EQ(WeekCellColor(empty, 1, 1), Normal);
}

TEST(WeekView, ChartOfNumberSevenOnSundayInBothModes) {
  const TDrawsArchive a =
      Archive({MakeDraw(1, {7, 8, 1, 2, 3}, "2026-01-11"), MakeDraw(2, {7, 9, 10, 11, 12}, "2026-01-18"),
               MakeDraw(3, {7, 8, 9, 10, 11}, "2026-01-20")});
  const TWeekCounts w = CountWeekdays(a, 100);

  const TChartSeries byDay = WeekChart(w, 7, 7, 1, false);
  ASSERT_EQ(byDay.Points.size(), 7u);
  EXPECT_TRUE(byDay.Bars);
  EXPECT_EQ(byDay.Color, TRgb::FromRgb(0x008000));
  EXPECT_FALSE(byDay.ValueLabels);
  const std::vector<int> days = {0, 1, 0, 0, 0, 0, 2};
  for (int d = 1; d <= 7; ++d) {
    EXPECT_EQ(byDay.Points[size_t(d - 1)],
              (TChartPoint{static_cast<long double>(d), static_cast<long double>(days[size_t(d - 1)]),
                           std::string(WeekdayNames[size_t(d - 1)])}));
  }

  const TChartSeries byNumber = WeekChart(w, 7, 7, 0, true);
  ASSERT_EQ(byNumber.Points.size(), 45u);
  EXPECT_FALSE(byNumber.Bars);
  EXPECT_EQ(byNumber.LineWidth, 2);
  EXPECT_TRUE(byNumber.PointMarks);
  EXPECT_EQ(byNumber.PointSize, 2);
  EXPECT_EQ(byNumber.PointOutline, TRgb::FromRgb(0xFF00FF));
  for (int n = 1; n <= 45; ++n) {
    const TChartPoint& p = byNumber.Points[size_t(n - 1)];
    EXPECT_EQ(p, (TChartPoint{static_cast<long double>(n), static_cast<long double>(w.At(n, 7)), std::to_string(n)}));
  }
  EXPECT_EQ(byNumber.Points[6].Y, 2);
  EXPECT_EQ(byNumber.Points[8].Y, 1);
}
