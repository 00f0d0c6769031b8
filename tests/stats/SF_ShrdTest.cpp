#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "AgreementHarness.h"
#include "StatTestUtil.h"
#include "TestDraws.h"
#include "stats/SF_Shrd.h"
#include "stats/StatFamilies.h"
#include "stats/StatList.h"
#include "stats/StatPasses.h"

namespace kivra {
namespace {

using test::FilterValue;
using test::MakeDraw;
using test::Rows;
using test::Selected;

// Four draws in drawn order; sorted they are {3 7 12 25 40}, {2 5 11 30 44}, {1 9 18 21 33},
// {4 8 15 27 39}.
TDrawsArray ShredArchive() {
  return {
      MakeDraw(101, {7, 3, 40, 12, 25}),
      MakeDraw(102, {30, 5, 11, 2, 44}),
      MakeDraw(103, {9, 21, 1, 33, 18}),
      MakeDraw(104, {15, 8, 27, 4, 39}),
  };
}

// n1 + p2 + t3 (below 100) as the value: each input read from another draw and position. The
// added 0.001 keeps the truncation of the two digits clear of the rounding of the division.
constexpr std::string_view Probe = "(n1+p2+t3)/100+0.001";

TStatEnv EnvWith(const TDrawsArray& draws, std::array<std::string, 3> formulas, std::array<int32_t, 3> digits) {
  TStatEnv env{&draws, {}, {}};
  env.Shredding.Formulas = std::move(formulas);
  env.Shredding.Digits = digits;
  return env;
}

std::unique_ptr<TstShreddingStat> MakeShred(const TStatEnv& env, int32_t param) {
  auto stat = StatClassOf<TstShreddingStat>().Create(env, param);
  return std::unique_ptr<TstShreddingStat>(static_cast<TstShreddingStat*>(stat.release()));
}

TEST(ShreddingStat, ClassEntryAndRegistry) {
  const auto entries = ShreddingStatClasses();
  ASSERT_EQ(entries.size(), 1u);
  EXPECT_EQ(entries[0].No, 143);
  const TStatClass& cls = *entries[0].Class;
  EXPECT_EQ(StatClassList()[143], &cls);
  EXPECT_EQ(cls.ClassName(), "TstShreddingStat");
  EXPECT_EQ(cls.GetGroup(), 12);
  EXPECT_EQ(OptionLetters(cls.GetFlags()), "SNG");
  EXPECT_EQ(cls.GetOptions(), OptS | OptN);
  EXPECT_TRUE(cls.HasParam());
  EXPECT_EQ(cls.CodeFor(3), "SHR3");
  EXPECT_EQ(cls.GetHelpCode(), "SHRx");
  EXPECT_EQ(cls.CaptionFor(1), "Метод шинковки 1: %s");

  // The registry names each member with its formula.
  TDrawsArray draws;
  TStatList list;
  list.SetDraws(&draws);
  const TStatEnv env = EnvWith(draws, {"(n1+n2+n3)/(n4+n5)", "SQRT(n1) % 2", "p1/7"}, {2, 2, 2});
  list.SetConfig({}, env.Shredding);
  list.Build();
  EXPECT_EQ(cls.GetParamRange(list.Env()), std::make_pair(1, 3));
  for (const auto& [code, caption] : {std::pair{"SHR1", "{ shr } Метод шинковки 1: (n1+n2+n3)/(n4+n5) [ SNG ]"},
                                      {"shr2", "{ shr } Метод шинковки 2: SQRT(n1) % 2 [ SNG ]"},
                                      {"SHR3", "{ shr } Метод шинковки 3: p1/7 [ SNG ]"}}) {
    const int index = list.FindCode(code);
    ASSERT_GE(index, 0) << code;
    EXPECT_EQ(list.ListCaption(index, true), caption);
  }
}

TEST(ShreddingStat, EachMemberTakesItsFormulaAndDigits) {
  TDrawsArray draws;
  const TStatEnv env = EnvWith(draws, {"n1/8", "n1/16", "n1/32"}, {1, 3, 5});
  const TComb c = {3, 1, 1, 1, 1};
  const std::string expected[] = {"", "3", "187", "9375"};  // 0.375, 0.1875, 0.09375
  for (int32_t param = 1; param <= 3; ++param) {
    auto stat = MakeShred(env, param);
    EXPECT_EQ(stat->Formula(), env.Shredding.Formulas[param - 1]);
    EXPECT_EQ(stat->Digits(), env.Shredding.Digits[param - 1]);
    EXPECT_EQ(stat->GetTitle(), "Метод шинковки " + std::to_string(param) + ": %s");
    TStatDrawArray values;
    stat->CombValues(c, values);
    ASSERT_EQ(values.size(), 1u);
    EXPECT_EQ(stat->ValueCaption(values[0]), expected[param]);
  }
  EXPECT_EQ(MakeShred(env, 4)->CombValue(c, 0, 0, false), 0);  // no such formula
}

// A draw is read with the draw before it (p) and the one before that (t), also when those lie
// outside the window; before the archive they read as zeros. Sorting applies to all three.
TEST(ShreddingStat, DrawValuesReadTheTwoPreviousDraws) {
  const TDrawsArray draws = ShredArchive();
  const TStatEnv env = EnvWith(draws, {std::string(Probe), "", ""}, {2, 2, 2});
  auto stat = MakeShred(env, 1);
  EXPECT_EQ(Rows(*stat, ComputeWindow(*stat, 0, 3, false)),
            (std::vector<std::string>{"7 n=1 last=101 depth=4", "33 n=1 last=102 depth=3", "54 n=1 last=103 depth=2",
                                      "47 n=1 last=104 depth=1"}));
  EXPECT_EQ(Rows(*stat, ComputeWindow(*stat, 2, 3, false)),
            (std::vector<std::string>{"54 n=1 last=103 depth=2", "47 n=1 last=104 depth=1"}));
  EXPECT_EQ(Rows(*stat, ComputeWindow(*stat, 0, 3, true)),
            (std::vector<std::string>{"3 n=1 last=101 depth=4", "9 n=1 last=102 depth=3", "18 n=1 last=103 depth=2",
                                      "24 n=1 last=104 depth=1"}));

  // Charts: a combination in place of the draw at index.
  EXPECT_EQ(stat->CombValue({20, 1, 1, 1, 1}, 3, 3, false), 20 + 21 + 11);
  EXPECT_EQ(stat->DrawValue(3, 3, false), 47);
  EXPECT_EQ(stat->DrawValue(1, 3, true), 9);
  EXPECT_EQ(stat->DrawValue(0, 3, false), 7);
}

TEST(ShreddingStat, FilterReadsTheNewestDrawAndTheOneBefore) {
  const TDrawsArray draws = ShredArchive();
  const TStatEnv env = EnvWith(draws, {std::string(Probe), "", ""}, {2, 2, 2});
  auto stat = MakeShred(env, 1);
  const TComb c = {20, 1, 1, 1, 1};
  EXPECT_EQ(FilterValue(*stat, c, 3, false, 99), 20 + 8 + 1);
  EXPECT_EQ(FilterValue(*stat, c, 3, true, 99), 20 + 8 + 18);
  EXPECT_EQ(FilterValue(*stat, c, 0, false, 99), 20 + 3);
  EXPECT_EQ(FilterValue(*stat, c, -1, false, 99), 20);
  // Only K1 is compared.
  EXPECT_TRUE(stat->CombMatches(c, Selected({TStatKey::Words(29, 5, 1)}), 3, false, false));

  // Bare combinations read zeros for p and t.
  TStatDrawArray values;
  stat->CombValues(c, values);
  ASSERT_EQ(values.size(), 1u);
  EXPECT_EQ(values[0].Key, TStatKey::Words(20));
}

TEST(ShreddingStat, ValuesFromFiveDigitsKeepTheLow16Bits) {
  const TDrawsArray draws = ShredArchive();
  const TStatEnv env = EnvWith(draws, {"n1/10", "", ""}, {5, 2, 2});
  auto stat = MakeShred(env, 1);
  const TComb c = {7, 1, 2, 3, 4};
  EXPECT_EQ(stat->CombValue(c, 3, 3, false), 70000);  // the chart keeps the whole value
  TStatDrawArray values;
  stat->CombValues(c, values);
  ASSERT_EQ(values.size(), 1u);
  EXPECT_EQ(values[0].Key, TStatKey::Words(4464));
  EXPECT_EQ(stat->ValueCaption(values[0]), "4464");
  EXPECT_TRUE(stat->CombMatches(c, Selected({TStatKey::Words(4464)}), 3, false, false));
  EXPECT_EQ(stat->ValueKey(uint64_t{7} | uint64_t{1} << 8), 4464u);
}

// A formula that divides by p1 gives 0 for every bare combination.
TEST(ShreddingStat, FullSetOfAFormulaOverPreviousDrawsIsAllZero) {
  const TDrawsArray draws = ShredArchive();
  const TStatEnv env = EnvWith(draws, {"(n1+n2)/p1", "", ""}, {2, 2, 2});
  auto stat = MakeShred(env, 1);
  const TCombsArray& combs = test::CrossCheckCombinations();
  const TStatDrawArray counts = CountCombValues(*stat, combs, 2);
  ASSERT_EQ(counts.size(), 1u);
  EXPECT_EQ(counts[0].Key, TStatKey::Words(0));
  EXPECT_EQ(counts[0].Count, static_cast<int32_t>(combs.size()));
}

// --- The fast kernels (compiled formula) against the reference (substituted text) ---

struct TShredCase {
  std::string Name;
  std::string Formula;
  int32_t Digits;
  size_t Stride;  // every combination of the cross-check set, or every Stride-th (slow functions)
};

void PrintTo(const TShredCase& c, std::ostream* os) { *os << c.Formula << " / " << c.Digits; }

const TShredCase ShredCases[] = {
    {"Default1", "(n1+n2+n3)/(n4+n5)", 2, 1},
    {"Default2", "(n4+n5)/(n1+n2+n3)", 2, 1},
    {"Default3", "(n1+n2)/(n3+n4+n5)", 2, 1},
    {"FunctionsAndPrevious", "SQRT(n1*n2+p1)/(n3+t5) - ln(n4+1)*Sin(n5)", 4, 5},
    {"PowersAndSign", "-n1^2/(n2+n3)*1.5E-1+2^(n5/9)", 5, 5},
    {"MergedNumbers", "n1n2/(n3+1)", 3, 5},      // substituted each time
    {"NameFromADigit", "nn1+n2/7+t1/13", 2, 5},  // substituted each time; fails for most n1
};

class ShreddingKernels : public ::testing::TestWithParam<TShredCase> {
 protected:
  TDrawsArray draws_ = ShredArchive();
  TStatEnv env_ = EnvWith(draws_, {GetParam().Formula, "", ""}, {GetParam().Digits, 2, 2});
};

// Every combination, bare (as the counting kernel takes it) and with the two newest draws (as the
// filter pass does): the compiled formula gives the values of the substituted text, and the word
// form of the kernels the values of Values.
TEST_P(ShreddingKernels, SameValueForEveryCombination) {
  const TShredCase& f = GetParam();
  auto stat = MakeShred(env_, 1);
  const TCombsArray& combs = test::AgreementCombinations(f.Stride);
  const TShreddingFormula compiled(f.Formula, f.Digits);
  const TComb p = draws_[3].Nums, t = draws_[2].Nums;
  for (const TComb& c : combs) {
    uint64_t word = 0;
    std::memcpy(&word, c.data(), sizeof c);
    uint64_t reference = ~uint64_t{0};
    stat->Values(c, [&](TStatKey k, bool) { reference = k.Raw(); });
    ASSERT_EQ(stat->ValueKey(word), reference) << CombToText(c);
    const TShreddingInputs in = ShreddingInputs(c, p, t);
    ASSERT_EQ(compiled.Value(in), ShreddingValue(in, f.Digits, f.Formula)) << CombToText(c);
  }
}

INSTANTIATE_TEST_SUITE_P(Formulas, ShreddingKernels, ::testing::ValuesIn(ShredCases),
                         [](const ::testing::TestParamInfo<TShredCase>& info) { return info.param.Name; });

// The fast filter and counting passes of each formula against the reference, filtering against
// the newest draw, with the values of some combinations selected (drawn order; the sorted draws
// are read by the same code).
const std::vector<test::TAgreementSetup>& ShreddingSetups() {
  static const std::vector<test::TAgreementSetup> setups = [] {
    std::vector<test::TAgreementSetup> all;
    for (const TShredCase& f : ShredCases) {
      test::TAgreementSetup s;
      s.Name = f.Name;
      s.Families = {ShreddingStatClasses()};
      s.OnlyParams = {1};
      s.Draws = ShredArchive();
      s.Shredding.Formulas = {f.Formula, "", ""};
      s.Shredding.Digits = {f.Digits, 2, 2};
      s.Step = f.Stride;
      s.Passes = {{.RefIndex = 3}};
      // The formulas differ in how values are computed, which the test above checks for every
      // combination; the lookups of the selections are checked with the first one.
      s.GenericSelections = all.empty();
      const TComb p = s.Draws[3].Nums, t = s.Draws[2].Nums;
      s.ExtraSelections = {[f, p, t](TCustomStat&, const test::TFilterPass&) {
        const TCombsArray& combs = test::AgreementCombinations(f.Stride);
        TStatDrawArray sel = Selected({TStatKey::Words(0)});
        for (size_t i = 0; i < combs.size(); i += combs.size() / 40)
          sel.push_back(TStatDrawRec{.Key = TStatKey::Words(static_cast<uint16_t>(
                                         ShreddingValue(ShreddingInputs(combs[i], p, t), f.Digits, f.Formula)))});
        return sel;
      }};
      all.push_back(std::move(s));
    }
    return all;
  }();
  return setups;
}

std::vector<test::TAgreementMember> ShreddingMembers() {
  std::vector<test::TAgreementMember> members;
  for (const test::TAgreementSetup& s : ShreddingSetups()) {
    auto more = test::AgreementMembers(s);
    members.insert(members.end(), more.begin(), more.end());
  }
  return members;
}

using test::StatAgreement;
INSTANTIATE_TEST_SUITE_P(Shredding, StatAgreement, ::testing::ValuesIn(ShreddingMembers()), test::AgreementName);

}  // namespace
}  // namespace kivra
