#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "stats/SF_Diff.h"
#include "AgreementHarness.h"
#include "StatTestUtil.h"
#include "TestDraws.h"
#include "stats/SF_Sums.h"
#include "stats/StatPasses.h"

namespace kivra {
namespace {

using test::MakeDraw;

// Draws #101..#109 with the sums 121, 80, 100, 112, 100, 93, 100, 112, 100. The newest draw (index
// 8) has the sum 100; the draws after a sum of 100 are #104 (+12), #106 (-7) and #108 (+12).
TDrawsArray SumArchive() {
  return {
      MakeDraw(101, {10, 20, 30, 40, 21}),  // 121
      MakeDraw(102, {5, 10, 15, 20, 30}),   // 80
      MakeDraw(103, {30, 10, 15, 20, 25}),  // 100, drawn out of order
      MakeDraw(104, {12, 20, 24, 26, 30}),  // 112
      MakeDraw(105, {1, 9, 20, 30, 40}),    // 100
      MakeDraw(106, {3, 10, 20, 25, 35}),   // 93
      MakeDraw(107, {10, 15, 20, 25, 30}),  // 100
      MakeDraw(108, {30, 26, 24, 20, 12}),  // 112
      MakeDraw(109, {40, 30, 20, 9, 1}),    // 100
  };
}

// An ascending combination of numbers 1..45 with the given sum (15..215).
TComb CombWithSum(int s) {
  const int a = (s - 10) / 5, r = (s - 10) % 5;
  return {uint8_t(a), uint8_t(a + 1), uint8_t(a + 2), uint8_t(a + 3), uint8_t(a + 4 + r)};
}

using test::PeriodRows;
using test::Selected;
using test::ShownValues;

class SumStats : public test::TStatFixture {
 protected:
  SumStats() : TStatFixture(SumArchive()) {}
};

TEST_F(SumStats, RangeMembersCodesCaptionsAndHelpCode) {
  const TStatClass& cls = StatClassOf<TstSumRanges>();
  EXPECT_EQ(cls.GetParamRange(env_), std::make_pair(1, 3));
  EXPECT_EQ(cls.CodeFor(2), "SUM2");
  EXPECT_EQ(cls.GetHelpCode(), "SUM%d");  // formatted per member: "SUM1".."SUM3"
  EXPECT_EQ(cls.CaptionFor(1), "Сумма тиража: диапазон 1 (1/3)");
  EXPECT_EQ(cls.CaptionFor(2), "Сумма тиража: диапазон 2 (1/2)");
  EXPECT_EQ(cls.CaptionFor(3), "Сумма тиража: диапазон 3 (2/3)");
  EXPECT_EQ(Make<TstSumRanges>(3)->GetTitle(), "Сумма тиража: диапазон 3 (2/3)");
}

TEST_F(SumStats, RangeMembershipAtTheBounds) {
  struct Case {
    int Sum;
    int In1, In2, In3;
  };
  const Case cases[] = {
      {15, 0, 0, 0},  {92, 0, 0, 0},  {93, 1, 0, 0},  {101, 1, 0, 0}, {102, 1, 1, 0}, {109, 1, 1, 0}, {110, 1, 1, 1},
      {166, 1, 1, 1}, {167, 1, 1, 0}, {174, 1, 1, 0}, {175, 1, 0, 0}, {183, 1, 0, 0}, {184, 0, 0, 0}, {215, 0, 0, 0},
  };
  const char* inside[] = {"", "93-183", "102-174", "110-166"};
  for (int r = 1; r <= 3; ++r) {
    auto stat = MakeGraph<TstSumRanges>(r);
    for (const Case& c : cases) {
      const int in = r == 1 ? c.In1 : r == 2 ? c.In2 : c.In3;
      const TComb comb = CombWithSum(c.Sum);
      SCOPED_TRACE("SUM" + std::to_string(r) + " sum " + std::to_string(c.Sum));
      ASSERT_EQ(CombNumbersSum(comb), c.Sum);
      EXPECT_EQ(stat->CombValue(comb, 0, 0, false), in);
      EXPECT_EQ(ShownValues(*stat, comb), in ? inside[r] : "Остальные");
    }
    EXPECT_EQ(ShownValues(*stat, {20, 21, 22, 23, 24}), inside[r]);
    EXPECT_EQ(ShownValues(*stat, {1, 2, 3, 4, 5}), "Остальные");
  }
}

// Selecting "1" asks for the sums inside the range, selecting only "Остальные" for the others.
TEST_F(SumStats, RangeSelectionRuleOverTheFullSet) {
  auto stat = Make<TstSumRanges>(2);
  const auto& all = FullCombinationSet();
  struct Case {
    TStatDrawArray Sel;
    bool Remove;
    bool KeepsInside;
  };
  const Case cases[] = {
      {Selected({TStatKey::Words(0)}), false, false},
      {Selected({TStatKey::Words(0)}), true, true},
      {Selected({TStatKey::Words(1)}), false, true},
      {Selected({TStatKey::Words(0), TStatKey::Words(1)}), false, true},
      {Selected({TStatKey::Words(1), TStatKey::Words(0)}), true, false},
  };
  for (const Case& c : cases) {
    TCombsArray expected;
    std::copy_if(all.begin(), all.end(), std::back_inserter(expected),
                 [&](const TComb& comb) { return SumRangeBounds(2).Contains(CombNumbersSum(comb)) == c.KeepsInside; });
    TCombsArray out(all.size());
    out.resize(FilterCombs(*stat, all, out.data(), c.Sel, 8, false, c.Remove, 2));
    EXPECT_TRUE(out == expected) << "selected " << c.Sel.size() << ", remove " << c.Remove << ": kept " << out.size()
                                 << ", expected " << expected.size();
  }
}

TEST_F(SumStats, AllSumsAreEnumerated) {
  auto stat = Make<TstSumValues>();
  const TStatDrawArray values = ComputeWindow(*stat, 0, 8, false);
  ASSERT_EQ(values.size(), 201u);
  EXPECT_EQ(values.front().Key, TStatKey::Longs(15));
  EXPECT_EQ(values.back().Key, TStatKey::Longs(215));
  EXPECT_EQ(AggregateStats(values).Total, 9);
  const auto at100 = std::find_if(values.begin(), values.end(), [](const auto& v) { return v.Key.L1() == 100; });
  EXPECT_EQ(PeriodRows(*stat, {*at100})[0], "100 n=4 last=109 depth=1 per=2-2");
  EXPECT_EQ(values[16].Count, 0);  // 31 never drawn
}

TEST_F(SumStats, EvenPrimeAndTwoPlusOneValues) {
  auto even = Make<TstSumEvenValues>();
  auto prime = Make<TstSumPrimeValues>();
  auto s2t3 = Make<TstSum2To3>();
  struct Case {
    TComb Comb;
    const char *Even, *Prime, *TwoPlusOne;
  };
  const Case cases[] = {
      {{1, 2, 3, 4, 5}, "6", "11", "4"},  // 1 counts as prime; 1+2=3, 1+3=4, 1+4=5, 2+3=5
      {{2, 4, 6, 8, 10}, "30", "2", "4"},
      {{1, 9, 15, 21, 45}, "0", "1", "0"},  // five odd numbers
      {{3, 5, 8, 13, 21}, "8", "21", "3"},  // 3+5=8, 5+8=13, 8+13=21
      {{21, 13, 3, 8, 5}, "8", "21", "3"},  // position order does not matter
      {{41, 43, 44, 45, 42}, "86", "84", "0"},
      {{0, 0, 0, 0, 0}, "0", "0", "30"},       // every pair of the other four, at each position
      {{255, 254, 1, 2, 3}, "256", "6", "2"},  // 254+1=255, 1+2=3
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(CombToText(c.Comb));
    EXPECT_EQ(ShownValues(*even, c.Comb), c.Even);
    EXPECT_EQ(ShownValues(*prime, c.Comb), c.Prime);
    EXPECT_EQ(ShownValues(*s2t3, c.Comb), c.TwoPlusOne);
  }
}

TEST_F(SumStats, ChangeCaptions) {
  auto change = Make<TstSumChange>();
  auto some = Make<TstSumChangeSome>();
  auto trend = Make<TstSumTrend>();
  const auto rec = [](TStatKey k) { return TStatDrawRec{.Key = k}; };
  EXPECT_EQ(change->ValueCaption(rec(TStatKey::Longs(100, 112))), "+12 : 100 + 12 = 112");
  EXPECT_EQ(change->ValueCaption(rec(TStatKey::Longs(112, 105))), "- 07 : 112 - 7 = 105");
  EXPECT_EQ(change->ValueCaption(rec(TStatKey::Longs(100, 100))), "+00 : 100 + 0 = 100");
  EXPECT_EQ(change->ValueCaption(rec(TStatKey::Longs(200, 15))), "- 185 : 200 - 185 = 15");
  EXPECT_EQ(some->ValueCaption(rec(TStatKey::Longs(-3))), "- 03");
  EXPECT_EQ(some->ValueCaption(rec(TStatKey::Longs(15))), "+15");
  EXPECT_EQ(some->ValueCaption(rec(TStatKey::Longs(0))), "+00");
  EXPECT_EQ(some->ValueCaption(rec(TStatKey::Longs(-20))), "- 20");
  EXPECT_EQ(trend->ValueCaption(rec(TStatKey::Longs(0))), "=");
  EXPECT_EQ(trend->ValueCaption(rec(TStatKey::Longs(1))), "+");
  EXPECT_EQ(trend->ValueCaption(rec(TStatKey::Longs(-1))), "-");
}

// Window #102..#109: the previous draw of #102 (#101) lies outside the window and still counts.
TEST_F(SumStats, ChangesAreCountedOnlyAfterSumsLikeTheNewestDraw) {
  auto change = Make<TstSumChange>();
  EXPECT_EQ(PeriodRows(*change, ComputeWindow(*change, 1, 8, false)),
            (std::vector<std::string>{"+12 : 100 + 12 = 112 n=2 last=108 depth=2 per=4-4",
                                      "- 07 : 100 - 7 = 93 n=1 last=106 depth=4 per=0-0"}));

  auto trend = Make<TstSumTrend>();
  EXPECT_EQ(PeriodRows(*trend, ComputeWindow(*trend, 1, 8, true)),
            (std::vector<std::string>{"= n=0 last=0 depth=0 per=0-0", "+ n=2 last=108 depth=2 per=4-4",
                                      "- n=1 last=106 depth=4 per=0-0"}));

  // Within 20 of the previous sum: #102 follows 121 (21 away, not counted), #103 follows 80 (20 away).
  auto some = Make<TstSumChangeSome>();
  EXPECT_EQ(PeriodRows(*some, ComputeWindow(*some, 1, 8, false)),
            (std::vector<std::string>{"+20 n=1 last=103 depth=7 per=0-0", "+12 n=2 last=108 depth=2 per=4-4",
                                      "- 12 n=2 last=109 depth=1 per=4-4", "- 07 n=1 last=106 depth=4 per=0-0",
                                      "+07 n=1 last=107 depth=3 per=0-0"}));

  // Newest draw #102 (sum 80): no earlier draw of the window has that sum.
  EXPECT_TRUE(ComputeWindow(*change, 0, 1, false).empty());
  EXPECT_EQ(AggregateStats(ComputeWindow(*trend, 0, 1, false)).Total, 0);
}

TEST_F(SumStats, ChangeChartsCompareWithThePreviousDraw) {
  auto change = MakeGraph<TstSumChange>();
  auto trend = MakeGraph<TstSumTrend>();
  EXPECT_EQ(change->DrawValue(3, 8, false), 12);
  EXPECT_EQ(change->DrawValue(5, 8, true), -7);
  EXPECT_EQ(change->DrawValue(0, 8, false), 121);  // before the first draw: a zero draw
  EXPECT_EQ(trend->DrawValue(5, 8, false), -1);
  EXPECT_EQ(trend->DrawValue(7, 3, false), 1);
  EXPECT_EQ(trend->CombValue({10, 15, 20, 25, 30}, 7, 8, false), 0);
}

// The filter tests a combination against the sum of the draw at RefIndex.
TEST_F(SumStats, ChangeFiltersUseTheNewestDrawInUse) {
  auto change = Make<TstSumChange>();
  auto some = Make<TstSumChangeSome>();
  auto trend = Make<TstSumTrend>();
  const TComb sum15 = {1, 2, 3, 4, 5}, sum112 = {12, 20, 24, 26, 30}, sum124 = {20, 21, 22, 30, 31};

  EXPECT_EQ(ShownValues(*change, sum15, 8), "- 85 : 100 - 85 = 15");
  EXPECT_EQ(ShownValues(*some, sum15, 8), "- 85");
  EXPECT_EQ(ShownValues(*trend, sum15, 8), "-");
  EXPECT_EQ(ShownValues(*trend, sum112, 7), "=");
  EXPECT_EQ(ShownValues(*some, sum15, -1), "+15");  // no draw in use: reference sum 0

  const TStatDrawArray plus12 = Selected({TStatKey::Longs(12)});
  EXPECT_TRUE(some->CombMatches(sum112, plus12, 8, false, false));
  EXPECT_FALSE(some->CombMatches(sum112, plus12, 7, false, false));
  EXPECT_TRUE(some->CombMatches(sum124, plus12, 7, false, false));

  // "SUMC" looks only at this sum (L2): the selected pair's previous sum is not compared.
  const TStatDrawArray to112 = Selected({TStatKey::Longs(93, 112)});
  EXPECT_TRUE(change->CombMatches(sum112, to112, 8, false, false));
  EXPECT_FALSE(change->CombMatches(sum124, to112, 8, false, false));

  const TStatDrawArray up = Selected({TStatKey::Longs(1)});
  EXPECT_TRUE(trend->CombMatches(sum112, up, 8, false, false));
  EXPECT_FALSE(trend->CombMatches(sum112, up, 7, false, false));
}

// --- Fast kernels against the reference test, for every member of groups 1 and 2 ---

// Each parameter value of the range sums; against the newest draw, whose sum the change members
// compare with.
const test::TAgreementSetup& SumAndDiffAgreement() {
  static const test::TAgreementSetup setup = [] {
    test::TAgreementSetup s;
    s.Name = "SumsDiffs";
    s.Families = {SumStatClasses(), DiffStatClasses()};
    s.Draws = SumArchive();
    s.EveryParam = true;
    s.Passes = {{.RefIndex = 8}};
    s.ManyKeys = {TStatKey::Words(7, 3),     TStatKey::Longs(-1),   TStatKey::Words(0),
                  TStatKey::Longs(100, 112), TStatKey::Words(1, 4), TStatKey::Words(12, 1, 12)};
    // What a combination shows, inside and outside the ranges, and the shown values of three more
    // combinations with keys of other views.
    s.ExtraSelections = {
        test::ShownBy({{5, 8, 20, 21, 33}}), test::ShownBy({{20, 21, 22, 23, 24}}),
        test::Joined({test::ShownBy({{1, 2, 3, 4, 5}, {45, 1, 44, 2, 43}, {7, 7, 8, 9, 9}}),
                      test::Keys({TStatKey::Words(7, 3), TStatKey::Longs(-1), TStatKey::Words(0),
                                  TStatKey::Longs(100, 112), TStatKey::Words(1, 4), TStatKey::Words(12, 1, 12)})})};
    return s;
  }();
  return setup;
}

using test::StatAgreement;
INSTANTIATE_TEST_SUITE_P(SumsDiffs, StatAgreement, ::testing::ValuesIn(test::AgreementMembers(SumAndDiffAgreement())),
                         test::AgreementName);

}  // namespace
}  // namespace kivra
