#include "stats/SF_Nums.h"

#include <gtest/gtest.h>

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "AgreementHarness.h"
#include "StatTestUtil.h"
#include "TestDraws.h"
#include "stats/StatPasses.h"

namespace kivra {
namespace {

using test::MakeDraw;

// A small archive, oldest first; draw 104 is stored in drawn (unsorted) order.
TDrawsArray Archive() {
  constexpr std::string_view Date = "01.01.2024";
  return {
      MakeDraw(100, {4, 7, 12, 33, 40}, Date),    // index 0
      MakeDraw(101, {2, 4, 6, 8, 10}, Date),      // index 1
      MakeDraw(102, {11, 13, 21, 31, 41}, Date),  // index 2: all odd
      MakeDraw(103, {1, 2, 3, 5, 7}, Date),       // index 3
      MakeDraw(104, {45, 3, 22, 15, 38}, Date),   // index 4
  };
}

class NumberStatsTest : public test::TStatFixture {
 protected:
  NumberStatsTest() : TStatFixture(Archive()) {}
};

// The captions of a combination's values, in the order CombValues adds them, joined by blanks.
std::string CombCaptions(TCustomStat& stat, const TComb& comb) {
  TStatDrawArray values;
  stat.CombValues(comb, values);
  std::string text;
  for (const auto& v : values) {
    if (!text.empty()) text += ' ';
    text += stat.ValueCaption(v);
    if (v.Count != 1) {
      text += 'x';
      text += std::to_string(v.Count);
    }
  }
  return text;
}

const TStatDrawRec* FindKey(const TStatDrawArray& values, TStatKey key) {
  for (const auto& v : values)
    if (v.Key == key) return &v;
  return nullptr;
}

TEST_F(NumberStatsTest, ValuesAndCaptionsOfCombinations) {
  struct Case {
    const TStatClass* Class;
    int32_t Param;
    TComb Comb;
    std::string Captions;
  };
  const Case cases[] = {
      {&StatClassOf<TstValues>(), 0, {4, 7, 12, 33, 40}, "4 7 12 33 40"},
      {&StatClassOf<TstValues>(), 0, {7, 7, 1, 45, 7}, "7x3 1 45"},
      {&StatClassOf<TstEvenCount>(), 0, {2, 4, 6, 8, 10}, "5:0"},
      {&StatClassOf<TstEvenCount>(), 0, {4, 7, 12, 33, 40}, "3:2"},
      {&StatClassOf<TstEvenCount>(), 0, {11, 13, 21, 31, 41}, "0:5"},
      {&StatClassOf<TstEvenValues>(), 0, {2, 4, 6, 8, 10}, "ЧЧЧЧЧ (000)"},
      {&StatClassOf<TstEvenValues>(), 0, {4, 7, 12, 33, 40}, "ЧнЧнЧ (010)"},
      {&StatClassOf<TstEvenValues>(), 0, {1, 3, 5, 7, 9}, "ннннн (031)"},
      {&StatClassOf<TstSmallCount>(), 0, {2, 4, 6, 8, 10}, "5:0"},
      {&StatClassOf<TstSmallCount>(), 0, {22, 23, 1, 45, 30}, "2:3"},
      {&StatClassOf<TstSmallValues>(), 0, {4, 7, 12, 33, 40}, "11122 (003)"},
      {&StatClassOf<TstSmallValues>(), 0, {23, 22, 45, 1, 30}, "21212 (021)"},
      {&StatClassOf<TstPrimeCount>(), 0, {2, 4, 6, 8, 10}, "1:4"},
      {&StatClassOf<TstPrimeCount>(), 0, {1, 2, 3, 5, 7}, "5:0"},
      {&StatClassOf<TstPrimeCount>(), 0, {9, 15, 21, 25, 45}, "0:5"},
      {&StatClassOf<TstPrimeValues>(), 0, {4, 7, 12, 33, 40}, "СПССС (008)"},
      {&StatClassOf<TstPrimeValues>(), 0, {1, 4, 41, 42, 43}, "ПСПСП (021)"},
      {&StatClassOf<TstPosVal>(), 1, {3, 15, 22, 38, 45}, "3"},
      {&StatClassOf<TstPosVal>(), 1, {45, 3, 22, 15, 38}, "45"},
      {&StatClassOf<TstPosVal>(), 5, {45, 3, 22, 15, 38}, "38"},
      // Without option N a statistic adds no values for a bare combination.
      {&StatClassOf<TstPosExt>(), 1, {45, 3, 22, 15, 38}, ""},
  };
  for (const Case& c : cases) {
    auto stat = c.Class->Create(env_, c.Param);
    SCOPED_TRACE(std::string(c.Class->ClassName()) + " " + CombToText(c.Comb));
    EXPECT_EQ(CombCaptions(*stat, c.Comb), c.Captions);
    if (auto* graph = dynamic_cast<TCustomGraphStat*>(stat.get()); graph && !c.Captions.empty()) {
      TStatDrawArray values;
      stat->CombValues(c.Comb, values);
      EXPECT_EQ(graph->CombValue(c.Comb, -1, -1, false), values[0].Key.K1());
    }
  }
}

TEST_F(NumberStatsTest, DigitsCountEveryOccurrenceInWrittenOrder) {
  auto stat = Make<TstDigits>();
  // 11 13 21 31 41: digit 1 six times, 3 twice (13 and 31), 2 and 4 once; no 0.
  const TStatDrawArray window = ComputeWindow(*stat, 2, 2, false);
  std::map<int, int> counts;
  for (const auto& v : window) counts[v.Key.K1()] = v.Count;
  EXPECT_EQ(counts, (std::map<int, int>{{1, 6}, {2, 1}, {3, 2}, {4, 1}}));

  // Numbers in position order, digits left to right, also for bytes outside 1..45.
  std::vector<int> order;
  static_cast<TstDigits&>(*stat).Values(TComb{0, 5, 100, 255, 40},
                                        [&](TStatKey key, bool) { order.push_back(key.K1()); });
  EXPECT_EQ(order, (std::vector<int>{0, 5, 1, 0, 0, 2, 5, 5, 4, 0}));

  TStatDrawArray sel(1);
  sel[0].Key = TStatKey::Words(3);
  EXPECT_TRUE(stat->CombMatches({11, 13, 21, 31, 41}, sel, 4, false, false));
  sel[0].Key = TStatKey::Words(0);
  EXPECT_FALSE(stat->CombMatches({11, 13, 21, 31, 41}, sel, 4, false, false));
  EXPECT_TRUE(stat->CombMatches({11, 13, 20, 31, 41}, sel, 4, false, false));
}

TEST_F(NumberStatsTest, EnumeratedDomains) {
  struct Case {
    const TStatClass* Class;
    std::vector<TStatKey> Keys;
  };
  auto words = [](uint16_t first, uint16_t last) {
    std::vector<TStatKey> keys;
    for (uint16_t k = first; k <= last; ++k) keys.push_back(TStatKey::Words(k));
    return keys;
  };
  std::vector<TStatKey> masks;
  for (int32_t m = 0; m < 32; ++m) masks.push_back(TStatKey::Longs(m));
  const Case cases[] = {
      {&StatClassOf<TstValues>(), words(1, 45)},    {&StatClassOf<TstDigits>(), {}},
      {&StatClassOf<TstEvenCount>(), words(1, 5)},  {&StatClassOf<TstEvenValues>(), masks},
      {&StatClassOf<TstSmallCount>(), words(1, 5)}, {&StatClassOf<TstSmallValues>(), {}},
      {&StatClassOf<TstPrimeCount>(), words(1, 5)}, {&StatClassOf<TstPrimeValues>(), masks},
      {&StatClassOf<TstPosVal>(), words(1, 45)},    {&StatClassOf<TstPosExt>(), {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Class->ClassName());
    auto stat = c.Class->Create(env_, 1);
    TStatDrawArray values;
    stat->EnumValues(4, values);
    std::vector<TStatKey> keys;
    for (const auto& v : values) {
      keys.push_back(v.Key);
      EXPECT_EQ(v, (TStatDrawRec{.Key = v.Key}));  // every counter 0
    }
    EXPECT_EQ(keys, c.Keys);
  }
}

TEST_F(NumberStatsTest, WindowListsZeroCountOnlyWhenItOccurs) {
  auto even = Make<TstEvenCount>();
  // Draws 100 and 101 (3 and 5 even numbers): no all-odd draw, so no 0:5 row.
  TStatDrawArray w = ComputeWindow(*even, 0, 1, false);
  EXPECT_EQ(FindKey(w, TStatKey::Words(0)), nullptr);
  ASSERT_EQ(w.size(), 5u);
  EXPECT_EQ(FindKey(w, TStatKey::Words(2))->Count, 0);
  EXPECT_EQ(FindKey(w, TStatKey::Words(5))->LastDraw, 101);
  // Draw 102 is all odd: the 0:5 row appears after the enumerated ones.
  w = ComputeWindow(*even, 0, 2, false);
  ASSERT_EQ(w.size(), 6u);
  EXPECT_EQ(even->ValueCaption(w.back()), "0:5");
  EXPECT_EQ(w.back().Count, 1);
  EXPECT_EQ(w.back().Depth, 1);

  // All 32 even/odd masks are listed; the small/large masks only as they occur.
  auto evnv = Make<TstEvenValues>();
  auto smlv = Make<TstSmallValues>();
  const TStatDrawArray we = ComputeWindow(*evnv, 0, 4, false);
  const TStatDrawArray ws = ComputeWindow(*smlv, 0, 4, false);
  EXPECT_EQ(we.size(), 32u);
  EXPECT_EQ(FindKey(we, TStatKey::Longs(0b01010))->Count, 1);  // 4 7 12 33 40
  EXPECT_EQ(FindKey(we, TStatKey::Longs(0b00000))->Count, 1);  // 2 4 6 8 10
  EXPECT_EQ(FindKey(we, TStatKey::Longs(0b11111))->Count, 1);  // 11 13 21 31 41
  EXPECT_EQ(FindKey(we, TStatKey::Longs(0b10101))->Count, 0);
  // In first-seen order: 00011 (draws 100 and 102), 00000 (101 and 103), 10001 (45 3 22 15 38).
  std::vector<std::pair<int32_t, int32_t>> seen;
  for (const auto& v : ws) seen.emplace_back(v.Key.L1(), v.Count);
  EXPECT_EQ(seen, (std::vector<std::pair<int32_t, int32_t>>{{0b00011, 2}, {0b00000, 2}, {0b10001, 1}}));
}

TEST_F(NumberStatsTest, WindowMeasuresPeriodsOfNumbers) {
  auto nums = Make<TstValues>();
  const TStatDrawArray w = ComputeWindow(*nums, 0, 4, false);
  ASSERT_EQ(w.size(), 45u);
  const TStatDrawRec& seven = *FindKey(w, TStatKey::Words(7));  // draws 100 and 103
  EXPECT_EQ(seven.Count, 2);
  EXPECT_EQ(seven.LastDraw, 103);
  EXPECT_EQ(seven.Depth, 2);
  EXPECT_EQ(seven.MinPeriod, 3);
  EXPECT_EQ(seven.MaxPeriod, 3);
  const TStatDrawRec& two = *FindKey(w, TStatKey::Words(2));  // draws 101 and 103
  EXPECT_EQ(two.MinPeriod, 2);
  EXPECT_EQ(FindKey(w, TStatKey::Words(9))->Count, 0);
}

TEST_F(NumberStatsTest, PositionFollowsDrawnOrSortedOrder) {
  auto pos1 = Make<TstPosVal>(1);
  auto pos2 = Make<TstPosVal>(2);
  const auto keysOf = [](const TStatDrawArray& w) {
    std::vector<int> keys;
    for (const auto& v : w)
      if (v.Count > 0) keys.push_back(v.Key.K1());
    return keys;
  };
  // Draw 104 was drawn as 45 3 22 15 38.
  EXPECT_EQ(keysOf(ComputeWindow(*pos1, 4, 4, false)), std::vector<int>{45});
  EXPECT_EQ(keysOf(ComputeWindow(*pos1, 4, 4, true)), std::vector<int>{3});
  EXPECT_EQ(keysOf(ComputeWindow(*pos2, 4, 4, false)), std::vector<int>{3});
  EXPECT_EQ(keysOf(ComputeWindow(*pos2, 4, 4, true)), std::vector<int>{15});
  auto& graph = static_cast<TCustomGraphStat&>(*pos1);
  EXPECT_EQ(graph.DrawValue(4, 4, false), 45);
  EXPECT_EQ(graph.DrawValue(4, 4, true), 3);

  // A combination is tested in the order the list holds it, whatever the switch.
  TStatDrawArray sel(1);
  sel[0].Key = TStatKey::Words(45);
  EXPECT_TRUE(pos1->CombMatches({45, 3, 22, 15, 38}, sel, 4, true, false));
  EXPECT_FALSE(pos1->CombMatches({3, 15, 22, 38, 45}, sel, 4, true, false));
}

// Numbers and digits are looked up by the whole key; counts, masks and positions by one view of it.
TEST_F(NumberStatsTest, SelectedSetTestUsesTheKeyView) {
  struct Case {
    const TStatClass* Class;
    int32_t Param;
    TStatKey Selected;
    bool Matches;
  };
  const TComb comb{4, 7, 12, 33, 40};  // EVEN 3, EVNV 01010, position 2 = 7
  const Case cases[] = {
      {&StatClassOf<TstValues>(), 0, TStatKey::Words(7), true},
      {&StatClassOf<TstValues>(), 0, TStatKey::Words(4, 1), false},
      {&StatClassOf<TstValues>(), 0, TStatKey::Words(40, 0, 0, 1), false},
      {&StatClassOf<TstDigits>(), 0, TStatKey::Words(7, 0, 0, 1), false},
      {&StatClassOf<TstEvenCount>(), 0, TStatKey::Words(3, 9, 9, 9), true},
      {&StatClassOf<TstEvenValues>(), 0, TStatKey::Longs(0b01010, 77), true},
      {&StatClassOf<TstEvenValues>(), 0, TStatKey::Words(0b01010, 1), false},
      {&StatClassOf<TstPosVal>(), 2, TStatKey::Words(7, 5, 5, 5), true},
      {&StatClassOf<TstPosVal>(), 2, TStatKey::Words(4), false},
      {&StatClassOf<TstPosExt>(), 1, TStatKey::Words(10), false},  // 10 is its value for every draw here
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.Class->ClassName()) + " " + std::to_string(c.Selected.Raw()));
    auto stat = c.Class->Create(env_, c.Param);
    TStatDrawArray sel(1);
    sel[0].Key = c.Selected;
    EXPECT_EQ(stat->CombMatches(comb, sel, 4, false, false), c.Matches);
    EXPECT_EQ(stat->CombMatches(comb, sel, 4, false, true), c.Matches);  // Remove does not change the test
    TCombsArray out(1);
    EXPECT_EQ(FilterCombs(*stat, std::span(&comb, 1), out.data(), sel, 4, false, false), c.Matches ? 1u : 0u);
  }
}

TEST_F(NumberStatsTest, CaptionsParseBackToTheirValues) {
  const std::pair<const TStatClass*, std::vector<TStatKey>> domains[] = {
      {&StatClassOf<TstValues>(), {TStatKey::Words(1), TStatKey::Words(45)}},
      {&StatClassOf<TstDigits>(), {TStatKey::Words(0), TStatKey::Words(9)}},
      {&StatClassOf<TstEvenCount>(), {TStatKey::Words(0), TStatKey::Words(3), TStatKey::Words(5)}},
      {&StatClassOf<TstSmallCount>(), {TStatKey::Words(0), TStatKey::Words(5)}},
      {&StatClassOf<TstPrimeCount>(), {TStatKey::Words(2)}},
      {&StatClassOf<TstPosVal>(), {TStatKey::Words(1), TStatKey::Words(38)}},
  };
  for (const auto& [cls, keys] : domains) {
    auto stat = cls->Create(env_, 1);
    for (TStatKey key : keys) {
      const std::string caption = stat->ValueCaption(TStatDrawRec{.Key = key});
      SCOPED_TRACE(std::string(cls->ClassName()) + " " + caption);
      EXPECT_EQ(stat->ParseValue(caption), key.K1());
      EXPECT_EQ(stat->ValueFromText(caption), key.K1());
    }
  }
  for (const TStatClass* cls :
       {&StatClassOf<TstEvenValues>(), &StatClassOf<TstSmallValues>(), &StatClassOf<TstPrimeValues>()}) {
    auto stat = cls->Create(env_, 0);
    for (int32_t mask = 0; mask < 32; ++mask) {
      const std::string caption = stat->ValueCaption(TStatDrawRec{.Key = TStatKey::Longs(mask)});
      ASSERT_EQ(stat->ParseValue(caption), mask) << cls->ClassName() << " " << caption;
    }
  }
  EXPECT_EQ(Make<TstEvenValues>()->ParseValue("нЧЧЧЧ (016)"), 16);
  EXPECT_EQ(Make<TstPrimeValues>()->ParseValue("СПССС"), 8);
  EXPECT_EQ(Make<TstSmallValues>()->ParseValue("11122 (003)"), 3);
  EXPECT_EQ(Make<TstEvenCount>()->ParseValue("3:2"), 3);
  EXPECT_EQ(Make<TstEvenCount>()->ParseValue(":2"), 0);
}

TEST_F(NumberStatsTest, ExtraPositionReadsTheBytesAfterTheNumbers) {
  draws_[1].DateLen = 10;
  draws_[1].Date = {'0', '5', '.', '0', '3', '.', '2', '0', '2', static_cast<char>(0xC0)};
  struct Case {
    int32_t Param;
    int Index;
    int32_t Value;
  };
  const Case cases[] = {
      {1, 1, 10}, {2, 1, '0'}, {3, 1, '5'}, {11, 1, 0xC0},
      {12, 1, 0}, {0, 1, 0},   {1, -1, 0},  {1, 5, 0},  // outside the archive: a zero draw
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.Param) + " @" + std::to_string(c.Index));
    auto stat = Make<TstPosExt>(c.Param);
    auto& graph = static_cast<TCustomGraphStat&>(*stat);
    EXPECT_EQ(graph.CombValue({1, 2, 3, 4, 5}, c.Index, 4, false), c.Value);
    EXPECT_EQ(graph.DrawValue(c.Index, 4, true), c.Value);
  }
  auto stat = Make<TstPosExt>(11);
  const TStatDrawArray w = ComputeWindow(*stat, 0, 1, false);
  ASSERT_EQ(w.size(), 2u);
  EXPECT_EQ(w[0].Key, TStatKey::Words('4'));  // the last byte of "01.01.2024"
  EXPECT_EQ(w[1].Key, TStatKey::Words(0xC0));
  EXPECT_EQ(w[1].LastDraw, 101);
}

// --- The fast kernels against the reference semantics ---

const test::TAgreementSetup& NumberAgreement() {
  static const test::TAgreementSetup setup = [] {
    test::TAgreementSetup s;
    s.Name = "Numbers";
    s.Families = {NumberStatClasses()};
    s.Draws = Archive();
    s.Passes = {{.RefIndex = 4}};
    // Narrow keys around the number range and keys of the other views, each set alone.
    s.ExtraSelections = {
        test::Keys(
            {TStatKey::Words(0), TStatKey::Words(5), TStatKey::Words(17), TStatKey::Words(45), TStatKey::Words(200)}),
        test::Keys({TStatKey::Words(3, 1), TStatKey::Longs(10), TStatKey::Words(255), TStatKey::Words(1),
                    TStatKey::Longs(-1, 7)}),
        test::Keys({}),  // nothing selected, over the whole input
    };
    return s;
  }();
  return setup;
}

using test::StatAgreement;
INSTANTIATE_TEST_SUITE_P(Numbers, StatAgreement, ::testing::ValuesIn(test::AgreementMembers(NumberAgreement())),
                         test::AgreementName);

// The filter test must see the values CombValues gives: a one-value selection matches exactly
// when the combination has that value.
TEST_F(NumberStatsTest, CombMatchesTestsTheCombinationsOwnValues) {
  const TCombsArray& all = FullCombinationSet();
  TCombsArray sample = test::OddCombinations();
  for (size_t i = 0; i < all.size(); i += 4999) sample.push_back(all[i]);
  for (const test::TAgreementMember& m : test::AgreementMembers(NumberAgreement())) {
    if (!m.Class->CanPrefetch()) continue;
    auto stat = m.Class->Create(env_, m.Param);
    for (const TComb& c : sample) {
      TStatDrawArray values;
      stat->CombValues(c, values);
      TStatDrawArray sel(1);
      for (uint16_t k = 0; k < 256; ++k) {
        sel[0].Key = TStatKey::Words(k);
        ASSERT_EQ(stat->CombMatches(c, sel, 4, false, false), FindKey(values, sel[0].Key) != nullptr)
            << m.Class->ClassName() << " param " << m.Param << " " << CombToText(c) << " value " << k;
      }
    }
  }
}

}  // namespace
}  // namespace kivra
