#include "stats/SF_Comb.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "AgreementHarness.h"
#include "TestDraws.h"
#include "stats/StatFamilies.h"
#include "stats/StatList.h"
#include "stats/StatPasses.h"

namespace kivra {
namespace {

using Texts = std::vector<std::string>;

using test::MakeDraw;
using test::Selected;

// The values of a combination as the filter sees them, in the order they are taken.
Texts ShownValues(TCustomStat& stat, const TComb& c) {
  TStatDrawArray values;
  EXPECT_TRUE(stat.FilterViewValues(c, -1, false, values));
  Texts texts;
  for (const auto& v : values) {
    texts.push_back(stat.ValueCaption(v));
    if (v.Count != 1) texts.back() += " *" + std::to_string(v.Count);
  }
  return texts;
}

Texts Rows(const TCustomStat& stat, const TStatDrawArray& values) {
  Texts rows;
  for (const auto& v : values)
    rows.push_back(stat.ValueCaption(v) + " n=" + std::to_string(v.Count) + " last=" + std::to_string(v.LastDraw) +
                   " depth=" + std::to_string(v.Depth) + " per=" + std::to_string(v.MinPeriod) + "-" +
                   std::to_string(v.MaxPeriod));
  return rows;
}

class CombValueStats : public ::testing::Test {
 protected:
  std::unique_ptr<TCustomStat> Make(const TStatClass& cls, int32_t param = 0) { return cls.Create(env_, param); }

  // Sorted, the first draw is 4 9 17 30 41.
  TDrawsArray draws_ = {MakeDraw(20, {30, 4, 17, 9, 41}), MakeDraw(21, {1, 2, 3, 4, 5}),
                        MakeDraw(22, {4, 17, 30, 9, 41})};
  TStatEnv env_{&draws_, {}, {}};
};

TEST_F(CombValueStats, ClassListEntries) {
  struct Row {
    int No;
    std::string_view ClassName, Code, HelpCode, Flags, Caption;
    int Min, Max;  // parameter range; 0, 0 without a parameter
  };
  const Row expected[] = {
      {63, "TstCombValMix2", "KNM2", "KNM2", "S", "Сочетания из 2 чисел по всем числам тиража", 0, 0},
      {64, "TstCombValMix3", "KNM3", "KNM3", "S", "Сочетания из 3 чисел по всем числам тиража", 0, 0},
      {65, "TstCombValMix4", "KNM4", "KNM4", "S", "Сочетания из 4 чисел по всем числам тиража", 0, 0},
      {66, "TstCombValSeq2", "KNS2", "KNS2", "S", "Сочетания из 2 соседних чисел тиража", 0, 0},
      {67, "TstCombValSeq3", "KNS3", "KNS3", "S", "Сочетания из 3 соседних чисел тиража", 0, 0},
      {68, "TstCombValSeq4", "KNS4", "KNS4", "S", "Сочетания из 4 соседних чисел тиража", 0, 0},
      {69, "TstCombValPos2", "KNP2%d", "KNP2", "S", "Сочетания из 2-х чисел тиража начиная с %0:d позиции", 1, 4},
      {70, "TstCombValPos3", "KNP3%d", "KNP3", "S", "Сочетания из 3-х чисел тиража начиная с %0:d позиции", 1, 3},
      {71, "TstCombValPos4", "KNP4%d", "KNP4", "S", "Сочетания из 4-х чисел тиража начиная с %0:d позиции", 1, 2},
      {72, "TstCombValSort2", "KNO2", "KNO2", "", "Сочетания из 2 чисел тиража по возрастанию", 0, 0},
      {73, "TstCombValSort3", "KNO3", "KNO3", "", "Сочетания из 3 чисел тиража по возрастанию", 0, 0},
      {74, "TstCombValSort4", "KNO4", "KNO4", "", "Сочетания из 4 чисел тиража по возрастанию", 0, 0},
  };
  const auto entries = CombValueStatClasses();
  ASSERT_EQ(entries.size(), std::size(expected));
  for (size_t i = 0; i < entries.size(); ++i) {
    const Row& row = expected[i];
    const TStatClass& cls = *entries[i].Class;
    SCOPED_TRACE(row.ClassName);
    EXPECT_EQ(entries[i].No, row.No);
    EXPECT_EQ(StatClassList()[row.No], &cls);
    EXPECT_EQ(cls.ClassName(), row.ClassName);
    EXPECT_EQ(cls.GetCode(), row.Code);
    EXPECT_EQ(cls.GetHelpCode(), row.HelpCode);
    EXPECT_EQ(cls.GetCaption(), row.Caption);
    EXPECT_EQ(OptionLetters(cls.GetFlags()), row.Flags);
    EXPECT_EQ(cls.GetGroup(), 0);
    EXPECT_FALSE(cls.IsNumeric());
    EXPECT_FALSE(cls.IsGraph());
    EXPECT_FALSE(cls.CanPrefetch());
    EXPECT_EQ(cls.IsAvailable(env_), row.No <= 71);
    EXPECT_EQ(cls.HasParam(), row.Min != 0);
    EXPECT_EQ(cls.GetParamRange(env_), std::make_pair(row.Min, row.Max));
  }
  EXPECT_EQ(StatClassOf<TstCombValPos3>().CodeFor(2), "KNP32");
  EXPECT_EQ(StatClassOf<TstCombValPos3>().CaptionFor(2), "Сочетания из 3-х чисел тиража начиная с 2 позиции");
}

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
    EXPECT_EQ(ShownValues(*stat, {30, 4, 17, 9, 41}), c.Values);
    // A draw adds the same sub-combinations (tracked) and nothing else.
    draws_[0].Nums = {30, 4, 17, 9, 41};
    const TStatDrawArray window = ComputeWindow(*stat, 0, 0, false);
    EXPECT_EQ(window.size(), c.Values.size());
    for (const auto& v : window) EXPECT_EQ(v.Count, 1);
  }
  // Equal numbers give equal sub-combinations, counted as often as they occur.
  EXPECT_EQ(ShownValues(*Make(StatClassOf<TstCombValSeq2>()), {7, 7, 7, 8, 8}), (Texts{"7:7 *2", "7:8", "8:8"}));
}

TEST_F(CombValueStats, WindowInDrawnAndSortedOrder) {
  auto seq2 = Make(StatClassOf<TstCombValSeq2>());
  // No value domain: only what the draws show, in the order first shown.
  EXPECT_EQ(
      Rows(*seq2, ComputeWindow(*seq2, 0, 2, false)),
      (Texts{"30:4 n=1 last=20 depth=3 per=0-0", "4:17 n=2 last=22 depth=1 per=2-2", "17:9 n=1 last=20 depth=3 per=0-0",
             "9:41 n=2 last=22 depth=1 per=2-2", "1:2 n=1 last=21 depth=2 per=0-0", "2:3 n=1 last=21 depth=2 per=0-0",
             "3:4 n=1 last=21 depth=2 per=0-0", "4:5 n=1 last=21 depth=2 per=0-0", "17:30 n=1 last=22 depth=1 per=0-0",
             "30:9 n=1 last=22 depth=1 per=0-0"}));
  EXPECT_EQ(Rows(*seq2, ComputeWindow(*seq2, 2, 2, true)),
            (Texts{"4:9 n=1 last=22 depth=1 per=0-0", "9:17 n=1 last=22 depth=1 per=0-0",
                   "17:30 n=1 last=22 depth=1 per=0-0", "30:41 n=1 last=22 depth=1 per=0-0"}));
  // The ascending kind ignores the order the draw is read in.
  auto sort2 = Make(StatClassOf<TstCombValSort2>());
  EXPECT_EQ(Rows(*sort2, ComputeWindow(*sort2, 2, 2, false)), Rows(*seq2, ComputeWindow(*seq2, 2, 2, true)));
  auto pos3 = Make(StatClassOf<TstCombValPos3>(), 2);
  EXPECT_EQ(Rows(*pos3, ComputeWindow(*pos3, 0, 2, false)),
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
