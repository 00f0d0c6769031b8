#include <gtest/gtest.h>

#include "StatTestUtil.h"
#include "core/SysFormat.h"
#include "stats/StatCache.h"
#include "stats/StatList.h"
#include "stats/StatPasses.h"
#include "stats/StatView.h"

namespace kivra {
namespace {

std::string Joined(const TStatRow& row) {
  std::string s;
  for (const auto& c : row.Cells) s += (s.empty() ? "" : ";") + c;
  return s;
}

class StatViewTest : public ::testing::Test {
 protected:
  // Draws 101..108; the last two are hidden by an offset of 2 in most tests.
  void SetUp() override {
    const std::vector<TComb> nums = {{1, 2, 3, 4, 12},    {1, 6, 7, 8, 9},      {10, 11, 12, 13, 14},
                                     {1, 2, 15, 16, 17},  {18, 19, 20, 21, 22}, {23, 24, 25, 26, 27},
                                     {1, 28, 29, 30, 31}, {2, 32, 33, 34, 35}};
    TDrawsArray draws(nums.size());
    for (size_t i = 0; i < nums.size(); ++i) {
      draws[i].Number = static_cast<int32_t>(101 + i);
      draws[i].Nums = nums[i];
    }
    archive.Assign(std::move(draws));
    list.SetDraws(&archive.StoredDraws());
    list.Build();
  }
  void TearDown() override { SetDecimalSeparator('.'); }

  std::unique_ptr<TCustomStat> Stat(std::string_view code) { return list.CreateStat(list.FindCode(code)); }
  const TStatRow& Row(std::string_view caption) const {
    for (const auto& r : view.Rows())
      if (r.Cells[ColValue] == caption) return r;
    throw std::runtime_error("no row " + std::string(caption));
  }

  TDrawsArchive archive;
  TStatList list;
  TStatView view;
};

TEST_F(StatViewTest, RowTextsWithoutComparison) {
  SetDecimalSeparator(',');
  auto nums = Stat("NUMS");
  view.Compute(*nums, archive, {.Offset = 2, .WindowLength = 100}, nullptr);
  EXPECT_EQ(view.First(), 0);  // the window is longer than the visible archive
  EXPECT_EQ(view.Last(), 5);
  EXPECT_EQ(view.DrawCount(), 6);
  EXPECT_FALSE(view.ComparisonActive());
  ASSERT_EQ(view.Rows().size(), 45u);
  // 1: draws 101, 102, 104 (depth 3 of the deepest 6), next in the hidden draw 107.
  EXPECT_EQ(Joined(Row("1")), "1;3;10,00000;-;-;-;3;50,00;3,00;104;1;2,0000;2;106;139;131;107;-1;+32;+24");
  // 12: draws 101 and 103; СТФ 3 * 103 / 2 = 154.5 rounds to the even 154; never again.
  EXPECT_EQ(Joined(Row("12")), "12;2;6,66667;-;-;-;4;66,67;4,00;103;2;3,0000;2;106;154;139;-;-;-;-");
  // Exactly once: no periods, no ПРД; СТФ and КРН are shown.
  EXPECT_EQ(Joined(Row("10")), "10;1;3,33333;-;-;-;4;66,67;4,00;103;-;-;-;-;206;156;-;-;-;-");
  // Only in a hidden draw, and never: "-" from "Глубина" on.
  EXPECT_EQ(Joined(Row("28")), "28;0;0,00000;-;-;-;-;-;-;-;-;-;-;-;-;-;-;-;-;-");
  EXPECT_EQ(Joined(Row("45")), "45;0;0,00000;-;-;-;-;-;-;-;-;-;-;-;-;-;-;-;-;-");

  // Offset 0: nothing comes after the window.
  view.Compute(*nums, archive, {.Offset = 0, .WindowLength = 3}, nullptr);
  EXPECT_EQ(view.First(), 5);
  for (const auto& r : view.Rows())
    for (int c = ColActual; c <= ColDiffKrn; ++c) EXPECT_EQ(r.Cells[c], "-") << Joined(r);
  // An offset beyond the archive: an empty window, no rows.
  view.Compute(*nums, archive, {.Offset = 20, .WindowLength = 3}, nullptr);
  EXPECT_TRUE(view.Rows().empty());
  EXPECT_TRUE(view.Series().empty());
}

TEST_F(StatViewTest, ComparisonNormsDeviationsAndWeight) {
  auto nums = Stat("NUMS");
  // Window max count 3 (the number 1), file max 24: R = 0.125. 20 * R = 2.5 rounds to the even 2.
  TCacheData cache;
  cache.Records = {
      {TStatKey::Words(1), 24}, {TStatKey::Words(2), 20}, {TStatKey::Words(12), 12}, {TStatKey::Words(99), 5}};
  cache.MinCount = 5;
  cache.MaxCount = 24;
  view.Compute(*nums, archive, {.Offset = 2, .WindowLength = 100, .IdealLine = true}, &cache);
  ASSERT_TRUE(view.ComparisonActive());
  // Norm 3; weight = depth - deviation.
  EXPECT_EQ(Joined(Row("1")), "1;3;10.00000;3;0;0.00000;3;50.00;3.00;104;1;2.0000;2;106;139;131;107;-1;+32;+24");
  EXPECT_EQ(Row("2").Cells[ColNorm], "2");
  EXPECT_EQ(Row("2").Cells[ColWeight], "3.00");  // depth 3, deviation 0
  EXPECT_EQ(Row("12").Cells[ColNorm], "2");      // 1.5 -> 2
  // Norm 0: 0.00000 with count 0, 100.00000 with a count.
  EXPECT_EQ(Row("45").Cells[ColDeviationPct], "0.00000");
  EXPECT_EQ(Row("10").Cells[ColDeviationPct], "100.00000");
  EXPECT_EQ(Row("10").Cells[ColWeight], "3.00");  // depth 4 - deviation 1

  // Percent and absolute weights: |kC * 10| ... with coefficients 1, 2, 0.5.
  TStatViewParams params{.Offset = 2, .WindowLength = 100};
  params.Coefs = {.Count = 1, .Deviation = 2, .Level = 0.5L, .UsePercents = true, .UseAbsValues = true};
  cache.Records[0].Count = 48;  // norm of 1 becomes 6: deviation -50 %
  view.Compute(*nums, archive, params, &cache);
  EXPECT_EQ(Row("1").Cells[ColWeight], "135.00");  // 10 + 2 * 50 + 0.5 * 50

  // The chart: the file records in file order, the actual series where the value occurred; the
  // full-set series only with the ideal line.
  ASSERT_EQ(view.Series().size(), 1u);
  EXPECT_EQ(view.Series()[0].Points.size(), 3u);
  view.Compute(*nums, archive, {.Offset = 2, .WindowLength = 100, .IdealLine = true}, &cache);
  ASSERT_EQ(view.Series().size(), 2u);
  const TChartSeries& actual = view.Series()[0];
  const TChartSeries& ideal = view.Series()[1];
  EXPECT_EQ(actual.Title, "Фактические данные");
  EXPECT_EQ(actual.Color, (TRgb{0, 128, 0}));
  EXPECT_EQ(ideal.Title, "Все возможные комбинации");
  ASSERT_EQ(ideal.Points.size(), 4u);
  EXPECT_EQ(ideal.Points[3], (TChartPoint{4, 5 * view.Scale(), "99"}));
  ASSERT_EQ(actual.Points.size(), 3u);
  EXPECT_EQ(actual.Points[2], (TChartPoint{3, 2, "12"}));

  // A uniform file: R = (window min + max) / 2 / file max = 1.5 / 8.
  TCacheData uniform;
  for (uint16_t n = 1; n <= 45; ++n) uniform.Records.push_back({TStatKey::Words(n), 8});
  uniform.MinCount = uniform.MaxCount = 8;
  view.Compute(*nums, archive, {.Offset = 2, .WindowLength = 100}, &uniform);
  EXPECT_EQ(Row("45").Cells[ColNorm], "2");
  // A file with a zero maximum gives no comparison.
  TCacheData empty;
  view.Compute(*nums, archive, {.Offset = 2, .WindowLength = 100}, &empty);
  EXPECT_FALSE(view.ComparisonActive());
  EXPECT_EQ(Row("1").Cells[ColNorm], "-");
}

TEST_F(StatViewTest, SortingAndSelection) {
  struct TCase {
    const char* A;
    const char* B;
    int Order;
  };
  for (const TCase& c : std::vector<TCase>{{"12", "7", 1},
                                           {"1,5", "1.25", 1},
                                           {"-", "0", -1},
                                           {"-", "-6", -1},
                                           {"+4", "-6", 1},
                                           {"Чёт", "чёт", 0},
                                           {"abc", "ABD", -1},
                                           {"ЧЧН (012)", "чнн (010)", 1}})
    EXPECT_EQ(CompareStatCells(c.A, c.B), c.Order) << c.A << " vs " << c.B;

  auto nums = Stat("NUMS");
  view.Compute(*nums, archive, {.Offset = 2, .WindowLength = 100}, nullptr);
  auto captions = [&] {
    std::vector<std::string> s;
    for (const auto& r : view.Rows()) s.push_back(r.Cells[ColValue]);
    return s;
  };
  // Count ascending; equal counts by the caption as text ("10" before "6").
  std::vector<std::string> s = captions();
  EXPECT_EQ(s.back(), "1");
  EXPECT_LT(std::find(s.begin(), s.end(), "10"), std::find(s.begin(), s.end(), "6"));
  view.ClickColumn(ColCount);  // the same column again: the whole order reversed
  EXPECT_TRUE(view.SortDescending());
  std::vector<std::string> r = captions();
  EXPECT_EQ(std::vector<std::string>(r.rbegin(), r.rend()), s);
  view.ClickColumn(ColValue);  // a new column: ascending, numbers as numbers
  EXPECT_EQ(captions().front(), "1");
  EXPECT_EQ(captions()[1], "2");
  // The column stays for the next computation.
  view.Compute(*nums, archive, {.Offset = 2, .WindowLength = 100}, nullptr);
  EXPECT_EQ(captions()[2], "3");

  const std::vector<size_t> rows = {11, 0, 1, 0, 99};
  EXPECT_EQ(view.SelectedText(rows), "1; 2; 12");
  const TStatDrawArray sel = view.SelectedValues(rows);
  ASSERT_EQ(sel.size(), 3u);
  EXPECT_EQ(sel[2].Key, TStatKey::Words(12));
  EXPECT_EQ(sel[2].Count, 2);

  // The recompute key.
  const TStatViewKey key{8, 2, 100, 0};
  EXPECT_TRUE(view.NeedsCompute(key, false));
  view.SetLastKey(key);
  EXPECT_FALSE(view.NeedsCompute(key, false));
  EXPECT_TRUE(view.NeedsCompute(key, true));
  EXPECT_TRUE(view.NeedsCompute({8, 2, 99, 0}, false));
}

// The shared walk for "Факт" gives what FindNextDraw gives record by record, for every entry
// (statistics that keep state in the Work block included).
TEST_F(StatViewTest, NextDrawsEqualFindNextDrawForEveryEntry) {
  TDrawsArray draws = test::RandomDraws(60, 45);
  for (size_t i = 0; i < draws.size(); ++i) draws[i].Number = static_cast<int32_t>(500 + i + (i > 30 ? 3 : 0));
  archive.Assign(std::move(draws));
  list.Build();
  for (int e = 0; e < list.Count(); ++e) {
    if (!list.Item(e).StatClass->IsAvailable(list.Env())) continue;
    auto stat = list.CreateStat(e);
    for (bool sorted : {false, true}) {
      const int last = archive.High() - 12;
      const TStatDrawArray values = ComputeWindow(*stat, last - 29, last, sorted);
      const std::vector<int32_t> fast = FindNextDraws(*stat, archive, values, last, sorted);
      for (size_t i = 0; i < values.size(); ++i) {
        const int32_t expected =
            values[i].Depth == 0
                ? -1
                : stat->FindNextDraw(values[i], 1 + archive.FindDrawIndex(values[i].LastDraw), last, sorted);
        ASSERT_EQ(fast[i], expected) << list.Code(e) << " " << stat->ValueCaption(values[i]);
      }
    }
  }
}

TEST(StatCache, FileLayout) {
  EXPECT_EQ(CacheFileName("/d", "Kivra_5x45", "POS3"), std::filesystem::path("/d/Prefetchs/Kivra_5x45_POS3.dfc"));
  TDrawsArray none;
  TStatList list;
  list.SetDraws(&none);
  list.Build();
  // Even numbers among 1..45: 22. k evens in C(22, k) * C(23, 5 - k) combinations.
  const auto even = list.CreateStat(list.FindCode("EVEN"));
  const std::string bytes = CacheBytes(FullSetDistribution(*even, 2));
  ASSERT_EQ(bytes.size(), 7 * CacheRecordSize);
  const int32_t expected[6] = {33649, 194810, 409101, 389620, 168245, 26334};
  const TCacheData data = ParseCacheBytes(bytes);
  ASSERT_EQ(data.Records.size(), 6u);
  for (int k = 0; k < 6; ++k) EXPECT_EQ(data.Records[k], (TCacheRecord{TStatKey::Words(k), expected[k]}));
  EXPECT_EQ(data.MinCount, 26334);
  EXPECT_EQ(data.MaxCount, 409101);
  EXPECT_EQ(bytes.substr(12, 12), std::string("\x01\0\0\0\0\0\0\0\xFA\xF8\x02\0", 12));  // 194810 = 0x2F8FA
  EXPECT_EQ(bytes.substr(bytes.size() - 4), std::string(4, '\0'));

  // Untrusted sizes: a partial record before the trailer is skipped; under 12 bytes nothing.
  const TCacheData odd = ParseCacheBytes(bytes.substr(0, 12) + "xyz" + bytes.substr(bytes.size() - 12));
  EXPECT_EQ(odd.Records.size(), 1u);
  EXPECT_EQ(odd.MaxCount, 409101);
  const TCacheData tiny = ParseCacheBytes("abc");
  EXPECT_TRUE(tiny.Records.empty());
  EXPECT_EQ(tiny.MaxCount, 0);
}

}  // namespace
}  // namespace kivra
