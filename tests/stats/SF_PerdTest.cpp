#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "StatTestUtil.h"
#include "TestDraws.h"
#include "stats/SF_Serl.h"
#include "stats/StatPasses.h"

namespace kivra {
namespace {

using test::MakeDraw;
using test::Rows;
using test::ShownValueList;
using test::Texts;

class PeriodStats : public test::TStatFixture {
 protected:
  // 5 in #100, #103 and #107 (the numbers jump from 103 to 107); 5 and 4 share channel 1.
  PeriodStats()
      : TStatFixture({MakeDraw(100, {5, 10, 20, 30, 40}), MakeDraw(101, {6, 11, 21, 31, 41}),
                      MakeDraw(102, {7, 12, 22, 32, 42}), MakeDraw(103, {5, 13, 23, 33, 43}),
                      MakeDraw(107, {5, 4, 24, 34, 44})}) {}
};

// Distances in draw numbers between successive draws of a unit within the window; a unit met
// twice in one draw measures nothing the second time.
TEST_F(PeriodStats, DistancesBetweenOccurrences) {
  struct Case {
    const TStatClass* Class;
    int First;
    Texts Rows;
  };
  const Case cases[] = {
      {&StatClassOf<TstNumPeriods>(), 0, {"5 x 3 n=1 last=103 depth=2", "5 x 4 n=1 last=107 depth=1"}},
      {&StatClassOf<TstNumPeriods>(), 1, {"5 x 4 n=1 last=107 depth=1"}},
      {&StatClassOf<TstChnPeriods>(),
       0,
       {"02 x 1 n=2 last=102 depth=3", "03 x 1 n=2 last=103 depth=2", "05 x 1 n=2 last=103 depth=2",
        "07 x 1 n=2 last=103 depth=2", "09 x 1 n=2 last=103 depth=2", "01 x 3 n=1 last=103 depth=2",
        "01 x 4 n=1 last=107 depth=1", "05 x 4 n=1 last=107 depth=1", "07 x 4 n=1 last=107 depth=1",
        "09 x 4 n=1 last=107 depth=1"}},
      // Every number in segment 1: one period per draw after the first.
      {&StatClassOf<TstSgmPeriods>(), 0, {"1 x 1 n=3 last=103 depth=2", "1 x 4 n=1 last=107 depth=1"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.Class->GetCode()) + " from " + std::to_string(c.First));
    auto stat = Make(*c.Class);
    EXPECT_EQ(Rows(*stat, ComputeWindow(*stat, c.First, 4, false)), c.Rows);
  }
}

// For a selected (u, g) the filter looks at the draw g positions before the one the combination
// stands for: keeping, it matches when u is there, removing, when u is not there. A combination
// without u is never matched.
TEST_F(PeriodStats, FilterDependsOnRemove) {
  auto prdv = Make(StatClassOf<TstNumPeriods>());
  struct Case {
    int RefIndex;
    std::vector<TStatKey> Selected;
    TComb Comb;
    bool Keep, Remove;  // the answer of the test when keeping and when removing
  };
  const TComb with5 = {5, 8, 19, 29, 39}, without5 = {6, 8, 19, 29, 39};
  const Case cases[] = {
      {4, {TStatKey::Words(5, 3)}, with5, false, true},  // #102 has no 5
      {4, {TStatKey::Words(5, 2)}, with5, true, false},  // #103 has it
      {4, {TStatKey::Words(5, 5)}, with5, true, false},  // #100
      {4, {TStatKey::Words(5, 6)}, with5, false, true},  // before the archive: no draw, no 5
      {4, {TStatKey::Words(5, 2)}, without5, false, false},
      {4, {TStatKey::Words(5, 3)}, without5, false, false},
      // 5 drawn in #100 and #103: three draws before the draw after #102 is #100.
      {2, {TStatKey::Words(5, 3)}, with5, true, false},
      {3, {TStatKey::Words(5, 3)}, with5, false, true},
      // Several rows of one number: the first hit decides.
      {4, {TStatKey::Words(5, 3), TStatKey::Words(5, 2)}, with5, true, true},
      {4, {TStatKey::Words(6, 3), TStatKey::Words(5, 3)}, with5, false, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(CombToText(c.Comb) + " ref " + std::to_string(c.RefIndex) + " " + std::to_string(&c - cases));
    TStatDrawArray sel;
    for (TStatKey k : c.Selected) sel.push_back(TStatDrawRec{.Key = k});
    for (const bool remove : {false, true}) {
      const bool answer = remove ? c.Remove : c.Keep;
      EXPECT_EQ(prdv->CombMatches(c.Comb, sel, c.RefIndex, false, remove), answer) << remove;
      TComb out;
      EXPECT_EQ(FilterCombs(*prdv, {&c.Comb, 1}, &out, sel, c.RefIndex, false, remove), answer != remove ? 1u : 0u)
          << remove;
    }
  }
}

// The missing draws before the archive hold no segment, not even segment 0 of a map that uses 0.
TEST_F(PeriodStats, NoSegmentBeforeTheArchive) {
  for (int n = 1; n <= MaxNumber; ++n) env_.Config.Segments[n - 1] = static_cast<uint8_t>(n <= 9 ? 0 : 1);
  auto prdg = Make(StatClassOf<TstSgmPeriods>());
  const TComb comb = {1, 20, 30, 40, 45};
  const TStatDrawArray sel{TStatDrawRec{.Key = TStatKey::Words(0, 6)}};
  EXPECT_FALSE(prdg->CombMatches(comb, sel, 4, false, false));
  EXPECT_TRUE(prdg->CombMatches(comb, sel, 4, false, true));
  const TStatDrawArray inside{TStatDrawRec{.Key = TStatKey::Words(0, 1)}};  // #107 has 5 and 4
  EXPECT_TRUE(prdg->CombMatches(comb, inside, 4, false, false));
}

// What `values` shows: the period each unit of the combination would measure as the next draw,
// in draws as the filter counts them.
TEST_F(PeriodStats, FilterViewValues) {
  auto prdv = Make(StatClassOf<TstNumPeriods>());
  EXPECT_EQ(ShownValueList(*prdv, {5, 6, 7, 8, 44}, 4), (Texts{"5 x 1", "6 x 4", "7 x 3", "44 x 1"}));
  EXPECT_EQ(ShownValueList(*prdv, {5, 6, 7, 8, 44}, -1), Texts{});
}

}  // namespace
}  // namespace kivra
