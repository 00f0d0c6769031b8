#include "stats/SF_Rpts.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "AgreementHarness.h"
#include "StatTestUtil.h"
#include "TestDraws.h"
#include "stats/StatFamilies.h"
#include "stats/StatList.h"
#include "stats/StatPasses.h"

namespace kivra {
namespace {

using test::Captions;
using test::FilterValue;
using test::MakeDraw;
using test::Rows;
using test::Texts;

// Five draws in drawn order (index: number).
TDrawsArray RepeatArchive() {
  return {
      MakeDraw(11, {45, 1, 2, 3, 4}),    // 0
      MakeDraw(12, {1, 5, 6, 7, 8}),     // 1
      MakeDraw(13, {2, 6, 7, 9, 44}),    // 2
      MakeDraw(14, {7, 6, 10, 11, 12}),  // 3
      MakeDraw(15, {8, 7, 6, 13, 14}),   // 4
  };
}

TStatDrawArray Selected(std::initializer_list<uint16_t> keys) {
  TStatDrawArray sel;
  for (uint16_t k : keys) sel.push_back(TStatDrawRec{.Key = TStatKey::Words(k)});
  return sel;
}

class RepeatStats : public test::TStatFixture {
 protected:
  RepeatStats() : TStatFixture(RepeatArchive()) {}

  std::unique_ptr<TCustomStat> Make(std::string_view code) {
    for (const auto& e : RepeatStatClasses())
      if (e.Class->GetCode() == code) return e.Class->Create(env_, 0);
    ADD_FAILURE() << "no class " << code;
    return nullptr;
  }
};

// Each repeat class compares the draw with the one Gap draws before it, its numbers moved by Shift;
// the classes over three draws or "not more than" have neither.
TEST_F(RepeatStats, ShiftAndGapOfEachClass) {
  struct Row {
    std::string_view Code;
    int Shift, Gap;  // -9: no such slots
  };
  const Row expected[] = {
      {"RPV2", 0, 1},   {"RPV3", -9, -9}, {"PRL2", -9, -9}, {"PRV2O1", 0, 2}, {"PRV2O2", 0, 3},
      {"PRV2O3", 0, 4}, {"PRV+1", 1, 1},  {"PRV-1", -1, 1}, {"PRV+2", 2, 1},  {"PRV-2", -2, 1},
      {"RPC2", 0, 1},   {"RPC3", -9, -9}, {"PRB2", -9, -9}, {"RPO1", 0, 2},   {"PRC2O2", 0, 3},
      {"PRC2O3", 0, 4}, {"PRC+1", 1, 1},  {"PRC-1", -1, 1}, {"PRC+2", 2, 1},  {"PRC-2", -2, 1},
  };
  ASSERT_EQ(RepeatStatClasses().size(), std::size(expected));
  for (const Row& row : expected) {
    SCOPED_TRACE(row.Code);
    auto stat = Make(row.Code);
    ASSERT_NE(stat, nullptr);
    int shift = -9, gap = -9;
    if (auto* v = dynamic_cast<TCustomRepValues2Stat*>(stat.get())) shift = v->GetShift(), gap = v->GetGap();
    if (auto* c = dynamic_cast<TCustomRepCount2Stat*>(stat.get())) shift = c->GetShift(), gap = c->GetGap();
    EXPECT_EQ(shift, row.Shift);
    EXPECT_EQ(gap, row.Gap);
  }
}

// Distributions over the whole archive (RefIndex 4, the newest draw 8 7 6 13 14), worked out by
// hand. The oldest draws compare with draws before the archive, which read as five zeros.
TEST_F(RepeatStats, WindowsOverTheArchive) {
  struct Case {
    std::string_view Code;
    Texts Rows;
  };
  const Case cases[] = {
      // Numbers of the newest draw that came in a draw and in the one before it.
      {"RPV2",
       {"8 n=0 last=0 depth=0", "7 n=3 last=15 depth=1", "6 n=3 last=15 depth=1", "13 n=0 last=0 depth=0",
        "14 n=0 last=0 depth=0"}},
      {"PRV2O1",
       {"8 n=0 last=0 depth=0", "7 n=2 last=15 depth=1", "6 n=2 last=15 depth=1", "13 n=0 last=0 depth=0",
        "14 n=0 last=0 depth=0"}},
      // The newest draw plus one (9 8 7 14 15); the earlier draw plus one must be in the draw.
      {"PRV+1",
       {"9 n=1 last=13 depth=3", "8 n=1 last=15 depth=1", "7 n=3 last=15 depth=1", "14 n=0 last=0 depth=0",
        "15 n=0 last=0 depth=0"}},
      {"RPV3",
       {"8 n=0 last=0 depth=0", "7 n=2 last=15 depth=1", "6 n=2 last=15 depth=1", "13 n=0 last=0 depth=0",
        "14 n=0 last=0 depth=0"}},
      {"PRL2",
       {"8 n=0 last=0 depth=0", "7 n=1 last=13 depth=3", "6 n=1 last=13 depth=3", "13 n=0 last=0 depth=0",
        "14 n=0 last=0 depth=0"}},
      // Counts 0, 1, 2, 2, 2: the value 0 follows the enumerated 1..5.
      {"RPC2",
       {"1 n=1 last=12 depth=4", "2 n=3 last=15 depth=1", "3 n=0 last=0 depth=0", "4 n=0 last=0 depth=0",
        "5 n=0 last=0 depth=0", "0 n=1 last=11 depth=5"}},
      // Counts 5 (the zeros shifted are five 1s, and draw 11 holds 1), 2, 4, 2, 3.
      {"PRC+1",
       {"1 n=0 last=0 depth=0", "2 n=2 last=14 depth=2", "3 n=1 last=15 depth=1", "4 n=1 last=13 depth=3",
        "5 n=1 last=11 depth=5"}},
      // Shifted by -1 the zeros are five 44s: counts 0, 1, 2, 1, 1.
      {"PRC-1",
       {"1 n=3 last=15 depth=1", "2 n=1 last=13 depth=3", "3 n=0 last=0 depth=0", "4 n=0 last=0 depth=0",
        "5 n=0 last=0 depth=0", "0 n=1 last=11 depth=5"}},
      {"RPC3",
       {"1 n=0 last=0 depth=0", "2 n=2 last=15 depth=1", "3 n=0 last=0 depth=0", "4 n=0 last=0 depth=0",
        "5 n=0 last=0 depth=0", "0 n=3 last=13 depth=3"}},
      {"PRB2",
       {"1 n=1 last=12 depth=4", "2 n=1 last=13 depth=3", "3 n=0 last=0 depth=0", "4 n=0 last=0 depth=0",
        "5 n=0 last=0 depth=0", "0 n=3 last=15 depth=1"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Code);
    auto stat = Make(c.Code);
    EXPECT_EQ(Rows(*stat, ComputeWindow(*stat, 0, 4, false)), c.Rows);
    // The order of the numbers does not change a repeat.
    EXPECT_EQ(Rows(*stat, ComputeWindow(*stat, 0, 4, true)), c.Rows);
  }
}

// The list members enumerate the newest draw's numbers in drawn order, shifted cyclically, also
// when the numbers are sorted.
TEST_F(RepeatStats, EnumeratedNewestDraw) {
  struct Case {
    std::string_view Code;
    int RefIndex;
    Texts Values;
  };
  const Case cases[] = {
      {"RPV2", 3, {"7", "6", "10", "11", "12"}},  {"RPV3", 3, {"7", "6", "10", "11", "12"}},
      {"PRL2", 3, {"7", "6", "10", "11", "12"}},  {"PRV+1", 0, {"1", "2", "3", "4", "5"}},
      {"PRV-2", 0, {"43", "44", "45", "1", "2"}}, {"PRV+2", 0, {"2", "3", "4", "5", "6"}},
      {"PRV-1", 0, {"44", "45", "1", "2", "3"}},  {"PRV2O3", 4, {"8", "7", "6", "13", "14"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Code);
    auto stat = Make(c.Code);
    for (bool sorted : {false, true}) {
      TStatDrawArray values;
      stat->EnumValues(c.RefIndex, values);
      EXPECT_EQ(Captions(*stat, values), c.Values);
      for (const auto& v : values) EXPECT_EQ(v.Count, 0);
      // The window of the newest draw alone starts from the same list.
      const Texts window = Captions(*stat, ComputeWindow(*stat, c.RefIndex, c.RefIndex, sorted));
      EXPECT_TRUE(std::equal(c.Values.begin(), c.Values.end(), window.begin()));
    }
  }
  // Counts enumerate 1..5.
  EXPECT_EQ(Captions(*Make("RPO1"), ComputeWindow(*Make("RPO1"), 4, 4, false)).front(), "1");
}

// The first draws compare with draws before the archive: five zeros, shifted.
TEST_F(RepeatStats, DrawsBeforeTheArchiveReadAsZeros) {
  auto prc1 = Make("PRC+1");
  EXPECT_EQ(Rows(*prc1, ComputeWindow(*prc1, 0, 0, false)).back(), "5 n=1 last=11 depth=1");
  draws_[0].Nums = {45, 9, 2, 3, 4};  // no 1: the five 1s find nothing
  EXPECT_EQ(Rows(*prc1, ComputeWindow(*prc1, 0, 0, false)).back(), "0 n=1 last=11 depth=1");
  draws_[0].Nums = {45, 1, 2, 3, 4};

  // Shifted by -2 the zeros are 43s; a gap of 4 reaches before the archive from the first four.
  auto prcn2 = Make("PRC-2");
  draws_[0].Nums = {43, 1, 2, 3, 4};
  EXPECT_EQ(Rows(*prcn2, ComputeWindow(*prcn2, 0, 0, false)).back(), "5 n=1 last=11 depth=1");
  auto prc2o3 = Make("PRC2O3");
  EXPECT_EQ(Rows(*prc2o3, ComputeWindow(*prc2o3, 0, 3, false)).back(), "0 n=4 last=14 depth=1");
  // The list members add a zero value never: no draw holds 0.
  auto rpv2 = Make("PRV2O3");
  EXPECT_EQ(Rows(*rpv2, ComputeWindow(*rpv2, 0, 3, false)),
            (Texts{"7 n=0 last=0 depth=0", "6 n=0 last=0 depth=0", "10 n=0 last=0 depth=0", "11 n=0 last=0 depth=0",
                   "12 n=0 last=0 depth=0"}));
  // "PRV+1" at the first draw: the zeros shifted are 1, in the newest draw plus one (45 + 1 = 1)
  // and in the draw itself, so 1 is added once for each of the five.
  draws_[0].Nums = {45, 1, 2, 3, 4};
  auto prv1 = Make("PRV+1");
  EXPECT_EQ(Rows(*prv1, ComputeWindow(*prv1, 0, 0, false)).front(), "1 n=5 last=11 depth=1");
}

// The filter treats a combination as the draw after RefIndex.
TEST_F(RepeatStats, CountFilterForTheDrawAfterRefIndex) {
  struct Case {
    std::string_view Code;
    int RefIndex;
    TComb Comb;
    int Count;
  };
  const Case cases[] = {
      {"RPC2", 4, {6, 7, 8, 20, 30}, 3},    // 8 7 6 13 14
      {"RPO1", 4, {6, 7, 8, 20, 30}, 2},    // 7 6 10 11 12
      {"PRC2O2", 4, {6, 7, 8, 20, 30}, 2},  // 2 6 7 9 44
      {"PRC2O3", 4, {6, 7, 8, 20, 30}, 3},  // 1 5 6 7 8
      {"PRC+1", 4, {6, 7, 8, 20, 30}, 2},   // 9 8 7 14 15
      {"PRC-2", 4, {6, 7, 8, 20, 30}, 1},   // 6 5 4 11 12
      {"RPC3", 4, {6, 7, 8, 20, 30}, 2},    // in 8 7 6 13 14 and in 7 6 10 11 12
      {"PRB2", 4, {6, 7, 8, 20, 30}, 1},    // 8 only
      {"RPC3", 0, {1, 2, 3, 40, 41}, 0},    // the draw before the archive holds nothing
      {"PRB2", 0, {1, 2, 3, 40, 41}, 3},    // 45 1 2 3 4, none of them in the zero draw
      {"RPO1", 0, {1, 2, 3, 40, 41}, 0},    // zeros
      {"PRC+1", -1, {1, 2, 3, 40, 41}, 5},  // empty window: five zeros plus one
      {"PRC-1", -1, {1, 2, 3, 44, 45}, 5},  // five 44s
      {"PRC-1", -1, {1, 2, 3, 43, 45}, 0},
      {"RPC2", 4, {8, 8, 8, 8, 8}, 1},  // a number written five times is one number
      {"RPC3", 4, {7, 7, 7, 1, 2}, 3},  // but each position of the combination counts
      {"PRC+1", -1, {1, 1, 1, 1, 1}, 5},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.Code) + " at " + std::to_string(c.RefIndex) + ": " + CombToText(c.Comb));
    auto stat = Make(c.Code);
    EXPECT_EQ(FilterValue(*stat, c.Comb, c.RefIndex, false, MaxNumber), c.Count);
    EXPECT_EQ(FilterValue(*stat, c.Comb, c.RefIndex, true, MaxNumber), c.Count);
    TStatDrawArray shown;
    ASSERT_TRUE(stat->FilterViewValues(c.Comb, c.RefIndex, false, shown));
    EXPECT_EQ(Captions(*stat, shown), Texts{std::to_string(c.Count)});
  }
}

// The list members keep a combination when one of its numbers is selected; shift and gap do not
// enter (the selection already holds the shifted numbers).
TEST_F(RepeatStats, ListFilterLooksAtTheNumbers) {
  for (std::string_view code : {"RPV2", "PRV-2", "PRV2O3", "RPV3", "PRL2"}) {
    SCOPED_TRACE(code);
    auto stat = Make(code);
    const TComb c = {3, 9, 17, 30, 44};
    EXPECT_EQ(FilterValue(*stat, c, 4, false, MaxNumber), -3);  // five numbers, five matching values
    for (int ref : {-1, 0, 4}) {
      EXPECT_TRUE(stat->CombMatches(c, Selected({44, 45}), ref, false, false));
      EXPECT_FALSE(stat->CombMatches(c, Selected({45, 1}), ref, false, false));
    }
    TStatDrawArray shown;
    ASSERT_TRUE(stat->FilterViewValues(c, 4, false, shown));
    EXPECT_EQ(Captions(*stat, shown), (Texts{"3", "9", "17", "30", "44"}));
  }
}

// FindNextDraw walks past RefIndex to the end of the archive, each draw against its own earlier
// draws.
TEST_F(RepeatStats, FindNextDrawPastTheWindow) {
  auto rpc2 = Make("RPC2");
  EXPECT_EQ(rpc2->FindNextDraw(TStatDrawRec{.Key = TStatKey::Words(2)}, 0, 1, false), 13);
  EXPECT_EQ(rpc2->FindNextDraw(TStatDrawRec{.Key = TStatKey::Words(1)}, 2, 2, false), -1);
  auto rpv2 = Make("RPV2");
  // Against the draw at RefIndex 2 (2 6 7 9 44): draw 14 repeats 6 and 7 of draw 13, nothing
  // repeats 9.
  EXPECT_EQ(rpv2->FindNextDraw(TStatDrawRec{.Key = TStatKey::Words(7)}, 3, 2, false), 14);
  EXPECT_EQ(rpv2->FindNextDraw(TStatDrawRec{.Key = TStatKey::Words(9)}, 3, 2, false), -1);
  EXPECT_EQ(rpv2->FindNextDraw(TStatDrawRec{.Key = TStatKey::Words(6)}, 0, 4, false), 13);
}

// --- Fast kernels against the reference ---

// RefIndex at the newest draw (every combination), inside, at the first draw (earlier draws
// before the archive) and before the archive (every 11th).
const test::TAgreementSetup& RepeatAgreement() {
  static const test::TAgreementSetup setup = [] {
    test::TAgreementSetup s;
    s.Name = "Repeats";
    s.Families = {RepeatStatClasses()};
    s.Draws = RepeatArchive();
    s.Passes = {{.RefIndex = 4},
                {.RefIndex = 2, .Sorted = true, .Step = 11},
                {.RefIndex = 0, .Step = 11},
                {.RefIndex = -1, .Sorted = true, .Step = 11}};
    // Counts and numbers, some of which no list shows, and the newest draw's values (its numbers
    // and the counts 1..5).
    for (uint16_t k : {0, 1, 2, 3, 4, 5, 45, 8, 7, 6, 13, 14}) s.ManyKeys.push_back(TStatKey::Words(k));
    // Also on their own in every pass: two small key sets and the newest draw's values.
    s.ExtraSelections = {test::Keys({TStatKey::Words(1), TStatKey::Words(3)}),
                         test::Keys({TStatKey::Words(0), TStatKey::Words(2), TStatKey::Words(45)}),
                         test::Enumerated(4)};
    return s;
  }();
  return setup;
}

using test::StatAgreement;
INSTANTIATE_TEST_SUITE_P(Repeats, StatAgreement, ::testing::ValuesIn(test::AgreementMembers(RepeatAgreement())),
                         test::AgreementName);

}  // namespace
}  // namespace kivra
