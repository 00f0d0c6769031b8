#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "StatTestUtil.h"
#include "TestDraws.h"
#include "stats/SF_Diff.h"
#include "stats/StatPasses.h"

namespace kivra {
namespace {

using test::MakeDraw;
using test::ShownValues;
using test::Texts;

// The values a window shows (Count > 0): caption, count, newest draw, depth and periods.
Texts ShownRows(const TCustomStat& stat, const TStatDrawArray& values) {
  return test::PeriodRows(stat, values, /*drawnOnly=*/true);
}

class DiffStats : public test::TStatFixture {};

TEST_F(DiffStats, ValuesOfCombinations) {
  struct Case {
    const TStatClass& Class;
    TComb Comb;
    const char* Shown;
  };
  const TStatClass& difa = StatClassOf<TstDiffTotal>();
  const TStatClass& difm = StatClassOf<TstDiffMax>();
  const TStatClass& difd = StatClassOf<TstMinMaxDiffs>();
  const TStatClass& difo = StatClassOf<TstDiffSame>();
  const TStatClass& difk = StatClassOf<TstDiffSameCnt>();
  const TStatClass& kds2 = StatClassOf<TstCombDiffSeq2>();
  const TStatClass& kds3 = StatClassOf<TstCombDiffSeq3>();
  const TStatClass& kds4 = StatClassOf<TstCombDiffSeq4>();
  const Case cases[] = {
      // Ascending: four gaps of 1.
      {difa, {1, 2, 3, 4, 5}, "1 *4"},
      {difm, {1, 2, 3, 4, 5}, "1"},
      {difd, {1, 2, 3, 4, 5}, "4"},
      {difo, {1, 2, 3, 4, 5}, "1 x 4"},
      {difk, {1, 2, 3, 4, 5}, "4"},
      // The same numbers in drawn order: differences 4, 3, 2, 1.
      {difa, {5, 1, 4, 2, 3}, "4, 3, 2, 1"},
      {difm, {5, 1, 4, 2, 3}, "4"},
      {difd, {5, 1, 4, 2, 3}, "4"},
      {difo, {5, 1, 4, 2, 3}, "4 x 1, 3 x 1, 2 x 1, 1 x 1"},
      {difk, {5, 1, 4, 2, 3}, "1"},
      // Differences 3, 3, 5, 3: pairs in first-seen order.
      {difo, {1, 4, 7, 12, 15}, "3 x 3, 5 x 1"},
      {difk, {1, 4, 7, 12, 15}, "3"},
      {difo, {10, 20, 10, 20, 30}, "10 x 4"},
      // Differences 3, 12, 1, 12.
      {kds2, {5, 8, 20, 21, 33}, "3:12, 12:1, 1:12"},
      {kds3, {5, 8, 20, 21, 33}, "3:12:1, 12:1:12"},
      {kds4, {5, 8, 20, 21, 33}, "3:12:1:12"},
      // Bytes no valid combination has.
      {difa, {0, 255, 255, 46, 0}, "255, 0, 209, 46"},
      {difd, {46, 255, 0, 7, 7}, "255"},
      {kds4, {7, 7, 7, 7, 7}, "0:0:0:0"},
  };
  for (const Case& c : cases) {
    auto stat = Make(c.Class);
    SCOPED_TRACE(std::string(c.Class.GetCode()) + " " + CombToText(c.Comb));
    EXPECT_EQ(ShownValues(*stat, c.Comb), c.Shown);
  }
}

// The ordered-numbers switch changes the members that depend on positions, not the spread.
TEST_F(DiffStats, DrawnOrderAndAscendingOrder) {
  draws_ = {MakeDraw(7, {5, 1, 4, 2, 3})};
  auto difm = Make(StatClassOf<TstDiffMax>());
  auto difd = Make(StatClassOf<TstMinMaxDiffs>());
  EXPECT_EQ(ShownRows(*difm, ComputeWindow(*difm, 0, 0, false)), Texts{"4 n=1 last=7 depth=1 per=0-0"});
  EXPECT_EQ(ShownRows(*difm, ComputeWindow(*difm, 0, 0, true)), Texts{"1 n=1 last=7 depth=1 per=0-0"});
  EXPECT_EQ(ShownRows(*difd, ComputeWindow(*difd, 0, 0, false)), ShownRows(*difd, ComputeWindow(*difd, 0, 0, true)));
}

TEST_F(DiffStats, EnumeratedDomains) {
  struct Case {
    const TStatClass& Class;
    size_t Size;
    uint16_t First, Last;
  };
  const Case cases[] = {
      {StatClassOf<TstDiffTotal>(), 44, 1, 44},   {StatClassOf<TstDiffMax>(), 44, 1, 44},
      {StatClassOf<TstMinMaxDiffs>(), 44, 1, 44}, {StatClassOf<TstDiffSameCnt>(), 4, 1, 4},
      {StatClassOf<TstDiffSame>(), 0, 0, 0},      {StatClassOf<TstCombDiffSeq2>(), 0, 0, 0},
      {StatClassOf<TstCombDiffSeq3>(), 0, 0, 0},  {StatClassOf<TstCombDiffSeq4>(), 0, 0, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Class.GetCode());
    auto stat = Make(c.Class);
    TStatDrawArray values;
    stat->EnumValues(0, values);
    ASSERT_EQ(values.size(), c.Size);
    if (c.Size == 0) continue;
    EXPECT_EQ(values.front().Key, TStatKey::Words(c.First));
    EXPECT_EQ(values.back().Key, TStatKey::Words(c.Last));
    EXPECT_EQ(AggregateStats(values).Total, 0);
  }
}

// Only the first value a draw adds measures periods; the others still count and move LastDraw.
TEST_F(DiffStats, OnlyTheFirstValueOfADrawMeasuresPeriods) {
  draws_ = {MakeDraw(10, {1, 2, 9, 20, 30}), MakeDraw(13, {1, 2, 9, 20, 30}), MakeDraw(20, {1, 2, 9, 20, 30})};
  auto difa = Make(StatClassOf<TstDiffTotal>());
  EXPECT_EQ(ShownRows(*difa, ComputeWindow(*difa, 0, 2, false)),
            (Texts{"1 n=3 last=20 depth=1 per=3-7", "7 n=3 last=20 depth=1 per=0-0", "10 n=3 last=20 depth=1 per=0-0",
                   "11 n=3 last=20 depth=1 per=0-0"}));

  draws_ = {MakeDraw(1, {5, 8, 20, 21, 33}), MakeDraw(4, {5, 8, 20, 21, 33})};
  auto kds2 = Make(StatClassOf<TstCombDiffSeq2>());
  auto kds3 = Make(StatClassOf<TstCombDiffSeq3>());
  auto kds4 = Make(StatClassOf<TstCombDiffSeq4>());
  auto difo = Make(StatClassOf<TstDiffSame>());
  EXPECT_EQ(
      ShownRows(*kds2, ComputeWindow(*kds2, 0, 1, false)),
      (Texts{"3:12 n=2 last=4 depth=1 per=3-3", "12:1 n=2 last=4 depth=1 per=0-0", "1:12 n=2 last=4 depth=1 per=0-0"}));
  EXPECT_EQ(ShownRows(*kds3, ComputeWindow(*kds3, 0, 1, false)),
            (Texts{"3:12:1 n=2 last=4 depth=1 per=3-3", "12:1:12 n=2 last=4 depth=1 per=0-0"}));
  EXPECT_EQ(ShownRows(*kds4, ComputeWindow(*kds4, 0, 1, false)), Texts{"3:12:1:12 n=2 last=4 depth=1 per=3-3"});
  // Every pair of "DIFO" measures periods.
  EXPECT_EQ(ShownRows(*difo, ComputeWindow(*difo, 0, 1, false)),
            (Texts{"3 x 1 n=2 last=4 depth=1 per=3-3", "12 x 2 n=2 last=4 depth=1 per=3-3",
                   "1 x 1 n=2 last=4 depth=1 per=3-3"}));
}

TEST_F(DiffStats, RunSelectionMatchesAnyRunExactly) {
  const TStatDrawArray run3_12 = {TStatDrawRec{.Key = TStatKey::Words(3, 12)}};
  auto kds2 = Make(StatClassOf<TstCombDiffSeq2>());
  auto kds3 = Make(StatClassOf<TstCombDiffSeq3>());
  struct Case {
    TComb Comb;
    bool Matches;
  };
  const Case cases[] = {
      {{5, 8, 20, 21, 33}, true},    // first run
      {{1, 2, 5, 17, 30}, true},     // run starting at position 2
      {{8, 5, 17, 18, 30}, true},    // differences are distances: |5 - 8| = 3
      {{1, 13, 16, 30, 31}, false},  // 12:3, the other way round
      {{1, 4, 10, 22, 30}, false},   // 3 and 12 not adjacent
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(CombToText(c.Comb));
    EXPECT_EQ(kds2->CombMatches(c.Comb, run3_12, -1, false, false), c.Matches);
    // A key with more words than the run never matches it.
    EXPECT_FALSE(kds3->CombMatches(c.Comb, run3_12, -1, false, false));
  }
}

TEST_F(DiffStats, SameDifferenceSelectionNeedsDifferenceAndMultiplicity) {
  auto difo = Make(StatClassOf<TstDiffSame>());
  const TComb comb = {1, 4, 7, 12, 15};  // 3 x 3, 5 x 1
  EXPECT_TRUE(difo->CombMatches(comb, {TStatDrawRec{.Key = TStatKey::Words(3, 3)}}, -1, false, false));
  EXPECT_TRUE(difo->CombMatches(comb, {TStatDrawRec{.Key = TStatKey::Words(5, 1)}}, -1, false, false));
  EXPECT_FALSE(difo->CombMatches(comb, {TStatDrawRec{.Key = TStatKey::Words(3, 1)}}, -1, false, false));
  EXPECT_FALSE(difo->CombMatches(comb, {TStatDrawRec{.Key = TStatKey::Words(3)}}, -1, false, false));
}

}  // namespace
}  // namespace kivra
