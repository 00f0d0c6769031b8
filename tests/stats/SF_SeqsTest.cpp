#include "stats/SF_Seqs.h"

#include <gtest/gtest.h>

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
using test::ShownValues;
using test::Texts;

class SequenceStats : public test::TStatFixture {
 protected:
  // Drawn order; sorted, the first draw is 11 12 30 31 40.
  SequenceStats()
      : TStatFixture({MakeDraw(1, {12, 11, 30, 31, 40}), MakeDraw(2, {4, 5, 6, 20, 21}),
                      MakeDraw(3, {7, 9, 11, 13, 15}), MakeDraw(4, {21, 20, 19, 44, 45})}) {}
};

// Each statistic on hand-worked combinations: the table/filter values and the chart values.
TEST_F(SequenceStats, ValuesOfHandWorkedCombinations) {
  struct Case {
    TComb Comb;
    std::string Lengths;  // SEQL, in run order
    int Sequences, Longest, ChartSequences, ChartLongest;
  };
  const Case cases[] = {
      {{4, 5, 6, 20, 21}, "3, 2", 2, 3, 2, 3},
      {{1, 3, 5, 7, 9}, "1 *5", 0, 1, 0, 0},
      {{1, 2, 10, 11, 20}, "2 *2, 1", 2, 2, 2, 2},
      {{1, 5, 6, 7, 20}, "1 *2, 3", 1, 3, 1, 3},
      {{1, 2, 3, 4, 5}, "5", 1, 5, 1, 5},
      // Drawn order: only 30 31 ascends by one; the chart also takes 12 11.
      {{12, 11, 30, 31, 40}, "1 *3, 2", 1, 2, 2, 2},
      {{5, 4, 3, 2, 1}, "1 *5", 0, 1, 1, 5},
      {{44, 45, 1, 2, 3}, "2, 3", 2, 3, 2, 3},
      // Bytes no draw holds: differences are taken as integers (255 0 is no pair).
      {{0, 1, 2, 255, 0}, "3, 1 *2", 1, 3, 1, 3},
      {{0, 0, 0, 0, 0}, "1 *5", 0, 1, 0, 0},
  };
  auto seql = Make(StatClassOf<TstSequenceLen>());
  auto seqs = MakeGraph(StatClassOf<TstSequenceCnt>());
  auto lens = MakeGraph(StatClassOf<TstSequenceLenMax>());
  for (const Case& c : cases) {
    SCOPED_TRACE(CombToText(c.Comb));
    EXPECT_EQ(ShownValues(*seql, c.Comb), c.Lengths);
    EXPECT_EQ(ShownValues(*seqs, c.Comb), std::to_string(c.Sequences));
    EXPECT_EQ(ShownValues(*lens, c.Comb), std::to_string(c.Longest));
    EXPECT_EQ(seqs->CombValue(c.Comb, 0, 0, false), c.ChartSequences);
    EXPECT_EQ(lens->CombValue(c.Comb, 0, 0, false), c.ChartLongest);
  }
}

TEST_F(SequenceStats, WindowInDrawnAndSortedOrder) {
  auto seqs = MakeGraph(StatClassOf<TstSequenceCnt>());
  // 0..2 are listed first; draw 4 (21 20 19 44 45) has one ascending pair in drawn order.
  EXPECT_EQ(PeriodRows(*seqs, ComputeWindow(*seqs, 0, 3, false)),
            (Texts{"0 n=1 last=3 depth=2 per=0-0", "1 n=2 last=4 depth=1 per=3-3", "2 n=1 last=2 depth=3 per=0-0"}));
  // Sorted: 11 12 30 31 40 and 19 20 21 44 45 have two sequences each.
  EXPECT_EQ(PeriodRows(*seqs, ComputeWindow(*seqs, 0, 3, true)),
            (Texts{"0 n=1 last=3 depth=2 per=0-0", "1 n=0 last=0 depth=0 per=0-0", "2 n=3 last=4 depth=1 per=1-2"}));
  // The chart of a draw: either direction counts.
  EXPECT_EQ(seqs->DrawValue(0, 3, false), 2);
  EXPECT_EQ(seqs->DrawValue(3, 3, false), 2);

  auto seql = Make(StatClassOf<TstSequenceLen>());
  EXPECT_EQ(PeriodRows(*seql, ComputeWindow(*seql, 1, 2, false)),
            (Texts{"1 n=5 last=3 depth=1 per=0-0", "2 n=1 last=2 depth=2 per=0-0", "3 n=1 last=2 depth=2 per=0-0",
                   "4 n=0 last=0 depth=0 per=0-0", "5 n=0 last=0 depth=0 per=0-0"}));
  auto lens = MakeGraph(StatClassOf<TstSequenceLenMax>());
  EXPECT_EQ(PeriodRows(*lens, ComputeWindow(*lens, 2, 2, false)),
            (Texts{"1 n=1 last=3 depth=1 per=0-0", "2 n=0 last=0 depth=0 per=0-0", "3 n=0 last=0 depth=0 per=0-0",
                   "4 n=0 last=0 depth=0 per=0-0", "5 n=0 last=0 depth=0 per=0-0"}));
  EXPECT_EQ(lens->DrawValue(2, 3, false), 0);
  EXPECT_EQ(lens->DrawValue(3, 3, false), 3);
}

TEST_F(SequenceStats, FilterTestsK1) {
  const auto sel = [](std::initializer_list<TStatKey> keys) {
    TStatDrawArray s;
    for (TStatKey k : keys) s.push_back(TStatDrawRec{.Key = k});
    return s;
  };
  auto seql = Make(StatClassOf<TstSequenceLen>());
  auto seqs = Make(StatClassOf<TstSequenceCnt>());
  auto lens = Make(StatClassOf<TstSequenceLenMax>());
  const TComb c = {4, 5, 6, 20, 21};
  for (bool fast : {false, true}) {
    const auto matches = [&](TCustomStat& stat, const TStatDrawArray& s) {
      if (!fast) return stat.CombMatches(c, s, 3, false, false);
      TComb out;
      return FilterCombs(stat, {&c, 1}, &out, s, 3, false, false) == 1;
    };
    SCOPED_TRACE(fast ? "fast" : "reference");
    EXPECT_TRUE(matches(*seql, sel({TStatKey::Words(2)})));
    EXPECT_TRUE(matches(*seql, sel({TStatKey::Words(3)})));
    EXPECT_FALSE(matches(*seql, sel({TStatKey::Words(1), TStatKey::Words(5)})));
    EXPECT_TRUE(matches(*seqs, sel({TStatKey::Words(2, 7)})));  // only K1 is compared
    EXPECT_FALSE(matches(*seqs, sel({TStatKey::Words(0), TStatKey::Words(1)})));
    EXPECT_TRUE(matches(*lens, sel({TStatKey::Words(3)})));
    EXPECT_FALSE(matches(*lens, sel({TStatKey::Words(2)})));
    EXPECT_FALSE(matches(*lens, sel({})));
  }
}

// --- Fast kernels against the reference ---

// Single run lengths and counts, and sets of them.
const test::TAgreementSetup& SequenceAgreement() {
  static const test::TAgreementSetup setup = [] {
    test::TAgreementSetup s;
    s.Name = "Sequences";
    s.Families = {SequenceStatClasses()};
    s.ExtraSelections = {test::Keys({TStatKey::Words(2)}), test::Keys({TStatKey::Words(1), TStatKey::Words(4)}),
                         test::Keys({TStatKey::Words(0), TStatKey::Words(3), TStatKey::Words(5)}),
                         test::Keys({TStatKey::Words(5)})};
    return s;
  }();
  return setup;
}

using test::StatAgreement;
INSTANTIATE_TEST_SUITE_P(Sequences, StatAgreement, ::testing::ValuesIn(test::AgreementMembers(SequenceAgreement())),
                         test::AgreementName);

// The counting program of SEQL gives the run lengths in the order Values adds them, 0 (no value)
// after the last run, on every ordering of numbers 1..45 (all 4-bit run patterns).
TEST(SequenceColumns, RunLengthProgramGivesTheValuesInOrder) {
  TDrawsArray draws;
  const TStatEnv env{&draws, {}, {}};
  auto made = StatClassOf<TstSequenceLen>().Create(env, 0);
  const auto& seql = static_cast<const TstSequenceLen&>(*made);
  TColumnProgram prog;
  ASSERT_TRUE(seql.Columns(prog, nullptr));
  ASSERT_TRUE(prog.Valid);
  ASSERT_EQ(prog.OutputCount, CombSize);
  TCombsArray combs;
  for (unsigned bits = 0; bits < 16; ++bits) {  // pair i continues a run when bit i is set
    TComb c{20, 0, 0, 0, 0};
    for (int i = 0; i + 1 < CombSize; ++i)
      c[i + 1] = static_cast<uint8_t>(c[i] + ((bits >> i & 1) ? 1 : (i % 2 ? -3 : 5)));
    combs.push_back(c);
  }
  const TCombsArray& all = test::CrossCheckCombinations();
  for (size_t i = 0; i < all.size(); i += 31) combs.push_back(all[i]);
  for (const TComb& c : combs) {
    std::vector<uint16_t> expected, got;
    seql.Values(c, [&](TStatKey k, bool) { expected.push_back(k.K1()); });
    uint8_t out[TColumnProgram::MaxOutputs];
    prog.Run(c.data(), out);
    for (int o = 0; o < prog.OutputCount; ++o)
      if (out[o] != 0) got.push_back(seql.ColumnKey(out[o]).K1());
    EXPECT_EQ(got, expected) << CombToText(c);
  }
}

}  // namespace
}  // namespace kivra
