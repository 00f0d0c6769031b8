#include "stats/SF_Comb.h"

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

using test::MakeDraw;
using test::PeriodRows;
using test::Selected;
using test::ShownValueList;
using test::Texts;

class CombValueStats : public test::TStatFixture {
 protected:
  // Sorted, the first draw is 4 9 17 30 41.
  CombValueStats()
      : TStatFixture(
            {MakeDraw(20, {30, 4, 17, 9, 41}), MakeDraw(21, {1, 2, 3, 4, 5}), MakeDraw(22, {4, 17, 30, 9, 41})}) {}
};

TEST_F(CombValueStats, RegistryEntries) {
  TStatList list;
  list.SetDraws(&draws_);
  list.Build();
  std::vector<std::string> codes;
  for (int i = 0; i < list.Count(); ++i)
    if (list.Item(i).StatClass->GetGroup() == 0 && list.Code(i).starts_with("KN")) codes.push_back(list.Code(i));
  EXPECT_EQ(codes, (std::vector<std::string>{"KNM2", "KNM3", "KNM4", "KNS2", "KNS3", "KNS4", "KNP21", "KNP22", "KNP23",
                                             "KNP24", "KNP31", "KNP32", "KNP33", "KNP41", "KNP42"}));
  EXPECT_EQ(list.ListCaption(list.FindCode("KNP42"), true),
            "{ num } Сочетания из 4-х чисел тиража начиная с 2 позиции [ S ]");
  EXPECT_EQ(list.FindCode("KNO2"), -1);  // in the class list, never offered
}

// The sub-combinations of one combination (drawn order 30 4 17 9 41) in the order they are taken.
TEST_F(CombValueStats, SubCombinationsInOrder) {
  struct Case {
    const TStatClass* Class;
    int32_t Param;
    Texts Values;
  };
  const Case cases[] = {
      {&StatClassOf<TstCombValMix2>(),
       0,
       {"30:4", "30:17", "30:9", "30:41", "4:17", "4:9", "4:41", "17:9", "17:41", "9:41"}},
      {&StatClassOf<TstCombValMix3>(),
       0,
       {"30:4:17", "30:4:9", "30:4:41", "30:17:9", "30:17:41", "30:9:41", "4:17:9", "4:17:41", "4:9:41", "17:9:41"}},
      {&StatClassOf<TstCombValMix4>(), 0, {"30:4:17:9", "30:4:17:41", "30:4:9:41", "30:17:9:41", "4:17:9:41"}},
      {&StatClassOf<TstCombValSeq2>(), 0, {"30:4", "4:17", "17:9", "9:41"}},
      {&StatClassOf<TstCombValSeq3>(), 0, {"30:4:17", "4:17:9", "17:9:41"}},
      {&StatClassOf<TstCombValSeq4>(), 0, {"30:4:17:9", "4:17:9:41"}},
      {&StatClassOf<TstCombValPos2>(), 1, {"30:4"}},
      {&StatClassOf<TstCombValPos2>(), 4, {"9:41"}},
      {&StatClassOf<TstCombValPos3>(), 2, {"4:17:9"}},
      {&StatClassOf<TstCombValPos3>(), 3, {"17:9:41"}},
      {&StatClassOf<TstCombValPos4>(), 2, {"4:17:9:41"}},
      // Outside the parameter range: nothing.
      {&StatClassOf<TstCombValPos2>(), 5, {}},
      {&StatClassOf<TstCombValPos4>(), 0, {}},
      // The ascending kind sorts first.
      {&StatClassOf<TstCombValSort2>(), 0, {"4:9", "9:17", "17:30", "30:41"}},
      {&StatClassOf<TstCombValSort3>(), 0, {"4:9:17", "9:17:30", "17:30:41"}},
      {&StatClassOf<TstCombValSort4>(), 0, {"4:9:17:30", "9:17:30:41"}},
  };
  for (const Case& c : cases) {
    auto stat = Make(*c.Class, c.Param);
    SCOPED_TRACE(c.Class->CodeFor(c.Param));
    EXPECT_EQ(ShownValueList(*stat, {30, 4, 17, 9, 41}), c.Values);
    // A draw adds the same sub-combinations (tracked) and nothing else.
    draws_[0].Nums = {30, 4, 17, 9, 41};
    const TStatDrawArray window = ComputeWindow(*stat, 0, 0, false);
    EXPECT_EQ(window.size(), c.Values.size());
    for (const auto& v : window) EXPECT_EQ(v.Count, 1);
  }
  // Equal numbers give equal sub-combinations, counted as often as they occur.
  EXPECT_EQ(ShownValueList(*Make(StatClassOf<TstCombValSeq2>()), {7, 7, 7, 8, 8}), (Texts{"7:7 *2", "7:8", "8:8"}));
}

TEST_F(CombValueStats, WindowInDrawnAndSortedOrder) {
  auto seq2 = Make(StatClassOf<TstCombValSeq2>());
  // No value domain: only what the draws show, in the order first shown.
  EXPECT_EQ(
      PeriodRows(*seq2, ComputeWindow(*seq2, 0, 2, false)),
      (Texts{"30:4 n=1 last=20 depth=3 per=0-0", "4:17 n=2 last=22 depth=1 per=2-2", "17:9 n=1 last=20 depth=3 per=0-0",
             "9:41 n=2 last=22 depth=1 per=2-2", "1:2 n=1 last=21 depth=2 per=0-0", "2:3 n=1 last=21 depth=2 per=0-0",
             "3:4 n=1 last=21 depth=2 per=0-0", "4:5 n=1 last=21 depth=2 per=0-0", "17:30 n=1 last=22 depth=1 per=0-0",
             "30:9 n=1 last=22 depth=1 per=0-0"}));
  EXPECT_EQ(PeriodRows(*seq2, ComputeWindow(*seq2, 2, 2, true)),
            (Texts{"4:9 n=1 last=22 depth=1 per=0-0", "9:17 n=1 last=22 depth=1 per=0-0",
                   "17:30 n=1 last=22 depth=1 per=0-0", "30:41 n=1 last=22 depth=1 per=0-0"}));
  // The ascending kind ignores the order the draw is read in.
  auto sort2 = Make(StatClassOf<TstCombValSort2>());
  EXPECT_EQ(PeriodRows(*sort2, ComputeWindow(*sort2, 2, 2, false)),
            PeriodRows(*seq2, ComputeWindow(*seq2, 2, 2, true)));
  auto pos3 = Make(StatClassOf<TstCombValPos3>(), 2);
  EXPECT_EQ(PeriodRows(*pos3, ComputeWindow(*pos3, 0, 2, false)),
            (Texts{"4:17:9 n=1 last=20 depth=3 per=0-0", "2:3:4 n=1 last=21 depth=2 per=0-0",
                   "17:30:9 n=1 last=22 depth=1 per=0-0"}));
}

// The filter looks each sub-combination up whole (all four words), in the combination's own order.
TEST_F(CombValueStats, FilterMatchesWholeSubCombinations) {
  struct Case {
    const TStatClass* Class;
    int32_t Param;
    TStatKey Key;
    bool Match;
  };
  const Case cases[] = {
      {&StatClassOf<TstCombValMix2>(), 0, TStatKey::Words(9, 30), true},
      {&StatClassOf<TstCombValMix2>(), 0, TStatKey::Words(30, 9), false},  // order matters
      {&StatClassOf<TstCombValMix2>(), 0, TStatKey::Words(9, 30, 1), false},
      {&StatClassOf<TstCombValSeq2>(), 0, TStatKey::Words(9, 30), false},
      {&StatClassOf<TstCombValSeq2>(), 0, TStatKey::Words(17, 30), true},
      {&StatClassOf<TstCombValMix3>(), 0, TStatKey::Words(4, 30, 41), true},
      {&StatClassOf<TstCombValSeq3>(), 0, TStatKey::Words(4, 30, 41), false},
      {&StatClassOf<TstCombValMix4>(), 0, TStatKey::Words(4, 9, 30, 41), true},
      {&StatClassOf<TstCombValSeq4>(), 0, TStatKey::Words(9, 17, 30, 41), true},
      {&StatClassOf<TstCombValPos2>(), 3, TStatKey::Words(17, 30), true},
      {&StatClassOf<TstCombValPos2>(), 2, TStatKey::Words(17, 30), false},
      {&StatClassOf<TstCombValPos3>(), 1, TStatKey::Words(4, 9, 17), true},
      {&StatClassOf<TstCombValPos4>(), 2, TStatKey::Words(9, 17, 30, 41), true},
      {&StatClassOf<TstCombValPos2>(), 5, TStatKey::Words(0, 0), false},
      {&StatClassOf<TstCombValSort2>(), 0, TStatKey::Words(4, 9), true},
  };
  const TComb c = {4, 9, 17, 30, 41};
  for (const Case& t : cases) {
    auto stat = Make(*t.Class, t.Param);
    SCOPED_TRACE(t.Class->CodeFor(t.Param) + " " + stat->ValueCaption(TStatDrawRec{.Key = t.Key}));
    const TStatDrawArray sel = Selected({TStatKey::Words(1, 1), t.Key});
    EXPECT_EQ(stat->CombMatches(c, sel, 2, false, false), t.Match);
    TComb out;
    EXPECT_EQ(FilterCombs(*stat, {&c, 1}, &out, sel, 2, false, false) == 1, t.Match);
  }
  // The ascending kind matches a combination written in any order.
  EXPECT_TRUE(Make(StatClassOf<TstCombValSort2>())
                  ->CombMatches({41, 30, 17, 9, 4}, Selected({TStatKey::Words(9, 17)}), 2, false, false));
}

// --- Fast kernels against the reference ---

// Every parameter value; with pairs starting at every number, so that each first number and its
// encoding takes part.
const test::TAgreementSetup& CombValueAgreement() {
  static const test::TAgreementSetup setup = [] {
    test::TAgreementSetup s;
    s.Name = "CombValues";
    s.Families = {CombValueStatClasses()};
    s.EveryParam = true;
    // Sub-combinations of every width, and one number alone.
    s.ManyKeys = {TStatKey::Words(1, 2),   TStatKey::Words(1, 2, 3),    TStatKey::Words(1, 2, 3, 4),
                  TStatKey::Words(0, 0),   TStatKey::Words(3),          TStatKey::Words(255, 255, 255, 255),
                  TStatKey::Words(44, 45), TStatKey::Words(43, 44, 45), TStatKey::Words(42, 43, 44, 45)};
    TStatDrawArray spread;
    for (uint16_t a = 1; a <= MaxNumber; ++a)
      for (uint16_t b : {static_cast<uint16_t>(a % MaxNumber + 1), static_cast<uint16_t>(a * 7 % MaxNumber + 1)})
        spread.push_back(TStatDrawRec{.Key = TStatKey::Words(a, b)});
    // Also on their own: what three combinations show, and the sub-combinations above.
    s.ExtraSelections = {
        [spread](TCustomStat&, const test::TFilterPass&) { return spread; },
        test::ShownBy({{1, 2, 3, 4, 5}, {41, 30, 17, 9, 4}, {20, 22, 24, 40, 45}}),
        test::Keys({TStatKey::Words(1, 2), TStatKey::Words(1, 2, 3), TStatKey::Words(1, 2, 3, 4), TStatKey::Words(0, 0),
                    TStatKey::Words(3), TStatKey::Words(255, 255, 255, 255), TStatKey::Words(44, 45),
                    TStatKey::Words(43, 44, 45), TStatKey::Words(42, 43, 44, 45)})};
    return s;
  }();
  return setup;
}

using test::StatAgreement;
INSTANTIATE_TEST_SUITE_P(CombValues, StatAgreement, ::testing::ValuesIn(test::AgreementMembers(CombValueAgreement())),
                         test::AgreementName);

}  // namespace
}  // namespace kivra
