// The draw chart, the repeats analysis, the sum distribution and the information window's rows
// and placement, on small archives built here.
#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "TestDraws.h"
#include "core/DrawsArchive.h"
#include "core/SortaUtils.h"
#include "stats/StatList.h"
#include "views/DrawChart.h"
#include "views/InfoView.h"
#include "views/RepeatsView.h"
#include "views/SumDistribution.h"

using namespace kivra;
using test::MakeDraw;

namespace {

TDrawsArchive Archive(std::initializer_list<TDraw> draws, int offset = 0) { return test::MakeArchive(draws, offset); }

// A registry reading the archive's stored draws, as the workspace sets it up.
struct TRegistry {
  explicit TRegistry(const TDrawsArchive& archive) {
    list.SetDraws(&archive.StoredDraws());
    list.Build();
  }
  std::unique_ptr<TCustomGraphStat> Graph(std::string_view code) const {
    auto stat = list.CreateStat(list.FindCode(code));
    auto* graph = dynamic_cast<TCustomGraphStat*>(stat.get());
    if (graph == nullptr) return nullptr;
    stat.release();
    return std::unique_ptr<TCustomGraphStat>(graph);
  }
  TStatList list;
};

std::vector<long double> Ys(const TChartSeries& s) {
  std::vector<long double> ys;
  for (const auto& p : s.Points) ys.push_back(p.Y);
  return ys;
}

}  // namespace

// --- Draw chart ---

// Draws 1..5; the window follows the offset and the length, and series 1 carries the values.
TEST(DrawChart, WindowMeanAndMostFrequentValue) {
  const TDraw draws[] = {MakeDraw(1, {1, 2, 3, 4, 5}), MakeDraw(2, {2, 4, 6, 8, 11}), MakeDraw(3, {1, 3, 5, 7, 10}),
                         MakeDraw(4, {2, 4, 5, 7, 9}), MakeDraw(5, {2, 4, 6, 8, 10})};
  // EVEN (even numbers per draw): 2, 4, 1, 2, 5.
  struct Case {
    int offset, length;
    std::vector<int32_t> numbers, values;
    int32_t mode;
    std::string mean;
  } cases[] = {
      {0, 100, {1, 2, 3, 4, 5}, {2, 4, 1, 2, 5}, 2, "2.8000"},
      {0, 3, {3, 4, 5}, {1, 2, 5}, 1, "2.6667"},  // all once: the first seen wins
      {1, 2, {3, 4}, {1, 2}, 1, "1.5000"},
      {2, 3, {1, 2, 3}, {2, 4, 1}, 2, "2.3333"},
      {9, 5, {1}, {2}, 2, "2.0000"},  // offset beyond the archive: the window ends at draw 0
  };
  for (const Case& c : cases) {
    TDrawsArchive a;
    for (const TDraw& d : draws) a.Append(d);
    a.SetDrawsOffset(c.offset);
    TRegistry reg(a);
    auto stat = reg.Graph("EVEN");
    const TDrawChart chart = BuildDrawChart(*stat, a, c.length, false, "{ num } Чётные", true);
    SCOPED_TRACE(c.offset * 100 + c.length);
    EXPECT_EQ(chart.DrawNumbers, c.numbers);
    EXPECT_EQ(chart.Values, c.values);
    EXPECT_EQ(chart.Mode, c.mode);
    EXPECT_EQ(RatioText(chart.Sum, chart.Count(), 4), c.mean);
    ASSERT_EQ(chart.Chart.Series.size(), 3u);
    const auto& s1 = chart.Chart.Series[0];
    EXPECT_EQ(s1.Title, "{ num } Чётные");
    std::vector<long double> values(c.values.begin(), c.values.end());
    EXPECT_EQ(Ys(s1), values);
    EXPECT_EQ(s1.Points.front().Label, std::to_string(c.numbers.front()));
    EXPECT_EQ(Ys(chart.Chart.Series[1]), std::vector<long double>(c.numbers.size(), chart.Mean()));
    EXPECT_EQ(Ys(chart.Chart.Series[2]), std::vector<long double>(c.numbers.size(), c.mode));
  }
}

TEST(DrawChart, SeriesStyleSortedReadAndConstantStatistic) {
  const TDrawsArchive a = Archive({MakeDraw(7, {30, 2, 44, 3, 4}), MakeDraw(8, {9, 1, 20, 35, 40})});
  TRegistry reg(a);
  auto pos1 = reg.Graph("POS1");
  EXPECT_EQ(BuildDrawChart(*pos1, a, 10, false, "t", false).Values, (std::vector<int32_t>{30, 9}));
  const TDrawChart sorted = BuildDrawChart(*pos1, a, 10, true, "t", false);
  EXPECT_EQ(sorted.Values, (std::vector<int32_t>{2, 1}));
  const auto& s = sorted.Chart.Series;
  EXPECT_EQ(s[0].Color, TRgb::FromRgb(0x008000));
  EXPECT_EQ(s[0].LineWidth, 2);
  EXPECT_TRUE(s[0].PointMarks);
  EXPECT_EQ(s[0].PointSize, 2);
  EXPECT_EQ(s[0].PointOutline, TRgb::FromRgb(0xFF00FF));
  EXPECT_FALSE(s[0].ValueLabels);
  EXPECT_EQ(s[1].Title, "Среднее значение");
  EXPECT_EQ(s[1].Color, TRgb::FromRgb(0x0000FF));
  EXPECT_EQ(s[2].Title, "Наиболее часто встречающееся значение");
  EXPECT_EQ(s[2].Color, TRgb::FromRgb(0xFF0000));
  EXPECT_FALSE(s[1].PointMarks || s[2].PointMarks || s[1].ValueLabels || s[2].ValueLabels);

  // A statistic constant over the window: the mean and most frequent lines coincide with it.
  auto lens = reg.Graph("SMAL");  // both draws hold 3 numbers of the first half
  const TDrawChart constant = BuildDrawChart(*lens, a, 10, false, "t", true);
  ASSERT_EQ(constant.Values[0], constant.Values[1]);
  EXPECT_EQ(Ys(constant.Chart.Series[1]), Ys(constant.Chart.Series[0]));
  EXPECT_EQ(Ys(constant.Chart.Series[2]), Ys(constant.Chart.Series[0]));

  EXPECT_TRUE(BuildDrawChart(*pos1, TDrawsArchive(), 10, false, "t", true).Chart.Series.empty());
}

TEST(DrawChart, RatioTextRoundsHalvesAwayFromZero) {
  struct Case {
    int64_t num, den;
    int decimals;
    const char* text;
  } cases[] = {{1, 8, 2, "0.13"},       {-1, 8, 2, "-0.13"},      {3, 2, 0, "2"},        {5, 3, 4, "1.6667"},
               {1, 20000, 4, "0.0001"}, {-1, 30000, 4, "0.0000"}, {28, 10, 4, "2.8000"}, {7, 1, 4, "7.0000"}};
  for (const Case& c : cases) EXPECT_EQ(RatioText(c.num, c.den, c.decimals), c.text) << c.num << "/" << c.den;
}

// --- Repeats ---

TEST(Repeats, RowsPerMatchCountOverTheWholeArchive) {
  struct Case {
    std::vector<TDraw> draws;
    int length, deep, offset;
    std::vector<TRepeatsRow> rows;
    int max;
  };
  const Case cases[] = {
      // Two draws sharing 2 numbers, lengths 1 and 1.
      {{MakeDraw(10, {1, 2, 3, 4, 5}), MakeDraw(11, {1, 2, 30, 40, 45})}, 1, 1, 0, {{11, 2, 1, "10"}}, 2},
      // The offset does not apply; rows of one draw in first-found order, lists newest first.
      {{MakeDraw(1, {1, 2, 3, 4, 5}), MakeDraw(2, {1, 10, 11, 12, 13}), MakeDraw(3, {1, 2, 20, 21, 22}),
        MakeDraw(4, {1, 2, 3, 30, 31}), MakeDraw(5, {42, 2, 40, 41, 1})},
       2,
       3,
       2,
       {{5, 2, 2, "4 3"}, {5, 1, 1, "2"}, {4, 2, 1, "3"}, {4, 1, 1, "2"}, {4, 3, 1, "1"}},
       3},
      // Damaged records count pairs of equal numbers: a doubled 7 matches twice, 0 matches 0.
      {{MakeDraw(1, {7, 8, 9, 10, 11}), MakeDraw(2, {7, 7, 1, 2, 3})}, 1, 1, 0, {{2, 2, 1, "1"}}, 2},
      {{MakeDraw(1, {0, 5, 6, 7, 8}), MakeDraw(2, {0, 1, 2, 3, 4})}, 1, 1, 0, {{2, 1, 1, "1"}}, 1},
      // Depth 0 compares nothing; no draw shares a number.
      {{MakeDraw(1, {1, 2, 3, 4, 5}), MakeDraw(2, {6, 7, 8, 9, 10})}, 5, 0, 0, {}, 0},
      {{MakeDraw(1, {1, 2, 3, 4, 5}), MakeDraw(2, {6, 7, 8, 9, 10})}, 5, 5, 0, {}, 0},
  };
  for (size_t i = 0; i < std::size(cases); ++i) {
    const Case& c = cases[i];
    TDrawsArchive a;
    for (const TDraw& d : c.draws) a.Append(d);
    a.SetDrawsOffset(c.offset);
    std::vector<int> progress;
    const TRepeatsResult r = AnalyzeRepeats(a, c.length, c.deep, [&](int done) { progress.push_back(done); });
    SCOPED_TRACE(i);
    EXPECT_EQ(r.Rows, c.rows);
    EXPECT_EQ(r.MaxMatches, c.max);
    std::vector<int> steps(size_t(std::min<int>(c.length, a.Count())));
    for (size_t k = 0; k < steps.size(); ++k) steps[k] = int(k) + 1;
    EXPECT_EQ(progress, steps);
  }
}

TEST(Repeats, OneSeriesPerMatchCountFilledFromTheLastRow) {
  TRepeatsResult r;
  r.Rows = {{5, 2, 2, "4 3"}, {5, 1, 1, "2"}, {4, 2, 1, "3"}, {4, 3, 1, "1"}};
  r.MaxMatches = 3;
  std::mt19937 random(1);
  const TChartData chart = RepeatsChart(r, random);
  ASSERT_EQ(chart.Series.size(), 3u);
  const std::vector<std::vector<TChartPoint>> points = {{{5, 1, "5"}}, {{4, 1, "4"}, {5, 2, "5"}}, {{4, 1, "4"}}};
  for (size_t k = 0; k < 3; ++k) {
    EXPECT_EQ(chart.Series[k].Title, "Совпадений: " + std::to_string(k + 1));
    EXPECT_EQ(chart.Series[k].Points, points[k]);
    EXPECT_TRUE(chart.Series[k].PointMarks);
    EXPECT_EQ(chart.Series[k].PointSize, 2);
    EXPECT_FALSE(chart.Series[k].ValueLabels);
  }
}

// --- Sum distribution ---

TEST(SumDistribution, CountsEqualTheEnumerationOfTheFullSet) {
  std::array<int64_t, CombSumCount> enumerated{};
  for (int a = 1; a <= 41; ++a)
    for (int b = a + 1; b <= 42; ++b)
      for (int c = b + 1; c <= 43; ++c)
        for (int d = c + 1; d <= 44; ++d)
          for (int e = d + 1; e <= 45; ++e) ++enumerated[size_t(a + b + c + d + e - MinCombSum)];
  const TSumDistribution d = BuildSumDistribution(TDrawsArchive());
  EXPECT_EQ(d.Combs, enumerated);
}

TEST(SumDistribution, FullSetLevelsAndRanges) {
  const TSumDistribution d = BuildSumDistribution(TDrawsArchive());
  EXPECT_EQ(d.MaxComb, 17053);
  EXPECT_EQ(d.Combs[115 - MinCombSum], 17053);
  EXPECT_EQ(d.MinComb, 1);
  struct Case {
    int64_t level;
    int32_t low, high;
    const char* title;
  } cases[] = {{5685, 73, 157, "Диапазон 1 (от 1/3 и выше по оси Y) - суммы 73-157"},
               {8527, 81, 149, "Диапазон 2 (от 1/2 и выше по оси Y) - суммы 81-149"},
               {11369, 89, 141, "Диапазон 3 (от 2/3 и выше по оси Y) - суммы 89-141"}};
  for (int k = 0; k < 3; ++k) {
    EXPECT_EQ(d.Levels[size_t(k)].Level, cases[k].level);
    EXPECT_EQ(d.Levels[size_t(k)].Low, cases[k].low);
    EXPECT_EQ(d.Levels[size_t(k)].High, cases[k].high);
    EXPECT_EQ(d.LevelTitle(k), cases[k].title);
  }
}

TEST(SumDistribution, ChartSeriesForAnEmptyAndASmallArchive) {
  const TChartData empty = SumDistributionChart(BuildSumDistribution(TDrawsArchive()));
  EXPECT_EQ(empty.Title, "Распределение сумм тиражей и всех возможных комбинаций");
  ASSERT_EQ(empty.Series.size(), 5u);
  EXPECT_TRUE(empty.Series[0].Points.empty());
  for (size_t k = 1; k < 5; ++k) EXPECT_EQ(Ys(empty.Series[k]), std::vector<long double>(CombSumCount, 0)) << k;

  // Sums 15, 115, 115 (a damaged record's sum 300 counts too): Md = 2.
  const TDrawsArchive a = Archive({MakeDraw(1, {1, 2, 3, 4, 5}), MakeDraw(2, {45, 10, 20, 30, 10}),
                                   MakeDraw(3, {5, 10, 20, 35, 45}), MakeDraw(4, {60, 60, 60, 60, 60})});
  const TSumDistribution d = BuildSumDistribution(a);
  EXPECT_EQ(d.Draws, (TStatSimpleArray{{15, 1}, {115, 2}, {300, 1}}));
  EXPECT_EQ(d.MaxDraws, 2);
  const TChartData chart = SumDistributionChart(d);
  const auto& s = chart.Series;
  EXPECT_EQ(s[0].Title, "Фактическое распределение сумм (по тиражам)");
  EXPECT_EQ(s[0].Color, TRgb::FromRgb(0xFF0000));
  EXPECT_TRUE(s[0].PointMarks && s[0].ValueLabels);
  EXPECT_EQ(s[0].Points, (std::vector<TChartPoint>{{15, 1, "15"}, {115, 2, "115"}, {300, 1, "300"}}));
  EXPECT_EQ(s[1].Title, "Теоретическое распределение сумм (по комбинациям)");
  EXPECT_EQ(s[1].Color, TRgb::FromRgb(0x800000));
  EXPECT_EQ(s[1].Points[115 - MinCombSum].Y, 2);
  EXPECT_EQ(s[1].Points.front().X, 15);
  EXPECT_EQ(s[1].Points.back().X, 215);
  const uint32_t colors[] = {0x008000, 0x0000FF, 0xFF00FF};
  for (int k = 0; k < 3; ++k) {
    const auto& line = s[size_t(2 + k)];
    EXPECT_EQ(line.Title, d.LevelTitle(k));
    EXPECT_EQ(line.Color, TRgb::FromRgb(colors[k]));
    EXPECT_FALSE(line.PointMarks || line.ValueLabels);
    EXPECT_EQ(Ys(line), std::vector<long double>(CombSumCount, d.Levels[size_t(k)].Level * 2.0L / 17053));
  }
}

// --- Information window ---

TEST(InfoView, PlacementOnFiveAndNineColumns) {
  const TComb nums = {4, 7, 12, 33, 40};
  struct Case {
    int columns, rows;
    std::vector<std::pair<int, int>> cells;  // (row, column) of 4, 7, 12, 33, 40
  } cases[] = {{5, 9, {{0, 3}, {1, 1}, {2, 1}, {6, 2}, {7, 4}}},
               {9, 5, {{0, 3}, {0, 6}, {1, 2}, {3, 5}, {4, 3}}},
               {45, 1, {{0, 3}, {0, 6}, {0, 11}, {0, 32}, {0, 39}}}};
  for (const Case& c : cases) {
    const TTextGrid g = PlaceNumbers(nums, c.columns);
    EXPECT_EQ(g.Rows, c.rows);
    EXPECT_EQ(g.Columns, c.columns);
    int filled = 0;
    for (const auto& cell : g.Cells) filled += !cell.empty();
    EXPECT_EQ(filled, 5);
    for (size_t k = 0; k < 5; ++k)
      EXPECT_EQ(g.At(c.cells[k].first, c.cells[k].second), std::to_string(nums[k])) << c.columns << " " << k;
  }
  // Numbers outside 1..45 of a damaged record are skipped.
  const TTextGrid damaged = PlaceNumbers({0, 46, 255, 45, 1}, 5);
  int filled = 0;
  for (const auto& cell : damaged.Cells) filled += !cell.empty();
  EXPECT_EQ(filled, 2);
  EXPECT_EQ(damaged.At(8, 4), "45");
  // Cells past 45 keep the normal colour; the others take their number's channel colour.
  EXPECT_EQ(PlacementCellColor(0, 0, 5, 5), ColorToRgb(NumberColor(1, 5)));
  EXPECT_EQ(PlacementCellColor(6, 2, 5, 5), ColorToRgb(NumberColor(33, 5)));
  EXPECT_EQ(PlacementCellColor(4, 0, 10, 5), ColorToRgb(NumberColor(41, 5)));
  EXPECT_EQ(PlacementCellColor(4, 5, 10, 5), TCellColor{});  // 46
}

// Wraps a chartable class and reports it disabled.
class TDisabledClass : public TStatClass {
 public:
  explicit TDisabledClass(const TStatClass& base) : base_(base) {}
  std::string_view ClassName() const override { return base_.ClassName(); }
  std::string_view GetCode() const override { return base_.GetCode(); }
  std::string_view GetCaption() const override { return base_.GetCaption(); }
  std::string_view GetHelpCode() const override { return base_.GetHelpCode(); }
  int GetGroup() const override { return base_.GetGroup(); }
  uint8_t GetOptions() const override { return base_.GetOptions(); }
  bool IsAvailable(const TStatEnv& env) const override { return base_.IsAvailable(env); }
  bool IsEnabled() const override { return false; }
  bool IsGraph() const override { return base_.IsGraph(); }
  bool IsNumeric() const override { return base_.IsNumeric(); }
  bool HasParam() const override { return base_.HasParam(); }
  std::pair<int32_t, int32_t> GetParamRange(const TStatEnv& env) const override { return base_.GetParamRange(env); }
  std::unique_ptr<TCustomStat> Create(const TStatEnv& env, int32_t param) const override {
    return base_.Create(env, param);
  }

 private:
  const TStatClass& base_;
};

TEST(InfoView, RowsForADrawAndACombination) {
  TDrawsArchive a =
      Archive({MakeDraw(20, {10, 20, 30, 40, 45}, "2020-01-01"), MakeDraw(21, {30, 2, 44, 3, 4}, "2020-01-04"),
               MakeDraw(22, {1, 2, 3, 4, 6}, "2020-01-08")},
              1);
  TRegistry reg(a);
  reg.list.Item(reg.list.FindCode("SUMS")).Favorite = false;  // favourites do not matter
  reg.list.AllFavorites = false;

  std::vector<std::string> expectedTitles;
  for (int i = 0; i < reg.list.Count(); ++i)
    if (reg.list.Item(i).StatClass->IsGraph()) expectedTitles.push_back(reg.list.CreateStat(i)->GetTitle());

  auto find = [](const TInfoRows& rows, const std::string& title) -> std::optional<std::string> {
    for (const auto& [p, v] : rows)
      if (p == title) return v;
    return std::nullopt;
  };
  const std::string pos1 = reg.list.CreateStat(reg.list.FindCode("POS1"))->GetTitle();
  const std::string sumc = reg.list.CreateStat(reg.list.FindCode("SUMC"))->GetTitle();
  const std::string sums = reg.list.CreateStat(reg.list.FindCode("SUMS"))->GetTitle();

  // The draw 21 at its own position; sorted, its numbers are sorted first.
  struct Case {
    bool sorted;
    const char* pos1;
  } cases[] = {{false, "30"}, {true, "2"}};
  for (const Case& c : cases) {
    const TInfoRows rows = BuildInfoRows(reg.list, DrawInfoSubject(a, 1, c.sorted));
    ASSERT_EQ(rows.size(), expectedTitles.size() + 2);
    EXPECT_EQ(rows[0], (std::pair<std::string, std::string>{"Номер тиража:", "21"}));
    EXPECT_EQ(rows[1], (std::pair<std::string, std::string>{"Дата тиража:", "2020-01-04"}));
    for (size_t k = 0; k < expectedTitles.size(); ++k) EXPECT_EQ(rows[k + 2].first, expectedTitles[k]);
    EXPECT_EQ(find(rows, pos1), c.pos1);
    EXPECT_EQ(find(rows, sums), "83");
    EXPECT_EQ(find(rows, sumc), "-62");  // 83 - 145 (draw 20)
  }

  // A combination: no draw rows; evaluated at AnalysisEnd + 1 = 2, so SUMC compares with draw 21.
  const TInfoRows comb = BuildInfoRows(reg.list, CombInfoSubject(a, {5, 1, 9, 10, 11}, false));
  ASSERT_EQ(comb.size(), expectedTitles.size());
  EXPECT_EQ(comb[0].first, expectedTitles[0]);
  EXPECT_EQ(find(comb, sumc), "-47");  // 36 - 83
  EXPECT_EQ(find(comb, pos1), "5");

  // Non-chartable entries get no row (the titles above hold only chartable ones); a disabled
  // class loses its row.
  const int index = reg.list.FindCode("SUMS");
  const TDisabledClass disabled(*reg.list.Item(index).StatClass);
  reg.list.Item(index).StatClass = &disabled;
  const TInfoRows without = BuildInfoRows(reg.list, CombInfoSubject(a, {5, 1, 9, 10, 11}, false));
  EXPECT_EQ(without.size(), comb.size() - 1);
  EXPECT_FALSE(find(without, sums));
  EXPECT_LT(expectedTitles.size(), size_t(reg.list.Count()));
}
