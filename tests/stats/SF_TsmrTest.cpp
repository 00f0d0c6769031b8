#include "stats/SF_Tsmr.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "StatTestUtil.h"
#include "TestDraws.h"
#include "stats/StatFamilies.h"
#include "stats/StatPasses.h"

namespace kivra {
namespace {

using test::MakeDraw;
using test::Matches;
using test::Rows;
using test::Texts;

class TesmarStats : public test::TStatFixture {
 protected:
  // #1: the triangle ends in 1 and 2 (the pair 3); #3: in 0 and 7; #4: in 22 and 24; #5: 0.
  TesmarStats()
      : TStatFixture({MakeDraw(1, {1, 2, 3, 5, 10}), MakeDraw(2, {27, 3, 9, 40, 41}), MakeDraw(3, {1, 2, 3, 4, 12}),
                      MakeDraw(4, {14, 42, 7, 1, 2}), MakeDraw(5, {1, 2, 3, 4, 5})}) {}
};

TEST_F(TesmarStats, TriangleInItsThreeModes) {
  struct Case {
    TComb Comb;
    int32_t Mode0, Mode1;
    TTesmarResult Mode2;
  };
  const Case cases[] = {
      {{1, 2, 3, 4, 5}, 0, 0, {0, false}},      // 1 1 1 1 -> 0 0 0 -> 0 0
      {{3, 10, 22, 30, 41}, 0, 2, {2, false}},  // 7 12 8 11 -> 5 4 3 -> 1 1
      {{1, 2, 3, 5, 11}, 2, 2, {2, false}},     // 1 1 2 6 -> 0 1 4 -> 1 3
      {{1, 2, 3, 5, 10}, 1, 3, {3, true}},      // 1 1 2 5 -> 0 1 3 -> 1 2
      {{1, 2, 3, 4, 12}, 7, 7, {7, false}},     // 1 1 1 8 -> 0 0 7 -> 0 7
      {{10, 3, 22, 30, 41}, 7, 7, {7, false}},  // 7 19 8 11 -> 12 11 3 -> 1 8
      {{45, 1, 44, 2, 43}, 0, 0, {0, false}},   // 44 43 42 41 -> 1 1 1 -> 0 0
  };
  auto hct1 = Make(StatClassOf<TstTesmar1>());
  auto hct2 = Make(StatClassOf<TstTesmar2>());
  for (const Case& c : cases) {
    SCOPED_TRACE(CombToText(c.Comb));
    EXPECT_EQ(TesmarTriangle(c.Comb, 0).Value, c.Mode0);
    EXPECT_EQ(TesmarTriangle(c.Comb, 1).Value, c.Mode1);
    EXPECT_EQ(TesmarTriangle(c.Comb, 2).Value, c.Mode2.Value);
    EXPECT_EQ(TesmarTriangle(c.Comb, 2).Pair, c.Mode2.Pair);
    EXPECT_EQ(static_cast<TCustomGraphStat&>(*hct1).CombValue(c.Comb, 0, 0, false), c.Mode0);
    EXPECT_EQ(static_cast<TCustomGraphStat&>(*hct2).CombValue(c.Comb, 0, 0, false), c.Mode1);
    TStatDrawArray values;
    hct2->CombValues(c.Comb, values);
    ASSERT_EQ(values.size(), 1u);
    EXPECT_EQ(values[0].Key, TStatKey::Words(static_cast<uint16_t>(c.Mode1)));
    EXPECT_TRUE(Matches(*hct1, c.Comb, TStatKey::Words(static_cast<uint16_t>(c.Mode0)), 4));
    EXPECT_FALSE(Matches(*hct1, c.Comb, TStatKey::Words(static_cast<uint16_t>(c.Mode0 + 1)), 4));
  }
}

// The triangle runs over the numbers in position order: drawn or, with the switch, ascending.
TEST_F(TesmarStats, DrawOrder) {
  draws_[0].Nums = {10, 3, 22, 30, 41};
  auto hct1 = Make(StatClassOf<TstTesmar1>());
  EXPECT_EQ(Rows(*hct1, ComputeWindow(*hct1, 0, 0, false)), (Texts{"7 n=1 last=1 depth=1"}));
  EXPECT_EQ(Rows(*hct1, ComputeWindow(*hct1, 0, 0, true)), (Texts{"0 n=1 last=1 depth=1"}));
}

// Only the newest draw of the window gives values; each counts 1 when the draw after the window
// holds it.
TEST_F(TesmarStats, DynamicNumbersOfTheNewestDraw) {
  struct Case {
    int First, Last;
    bool Sorted;
    Texts Rows;
  };
  const Case cases[] = {
      // The pair 3 (1) with the multiples 27 down to 6; #2 holds 3, 27 and 9.
      {0,
       0,
       false,
       {"3 (1) n=1 last=1 depth=1", "27 n=1 last=1 depth=1", "24 n=0 last=1 depth=1", "21 n=0 last=1 depth=1",
        "18 n=0 last=1 depth=1", "15 n=0 last=1 depth=1", "12 n=0 last=1 depth=1", "9 n=1 last=1 depth=1",
        "6 n=0 last=1 depth=1"}},
      // f = 7 starts at 49 (7^2 >= 45); #4 holds 7, 42 and 14. The older draws give nothing.
      {0,
       2,
       false,
       {"7 n=1 last=3 depth=1", "42 n=1 last=3 depth=1", "35 n=0 last=3 depth=1", "28 n=0 last=3 depth=1",
        "21 n=0 last=3 depth=1", "14 n=1 last=3 depth=1"}},
      // f = 2 starts at 2^3 = 8; #5 holds 2 and 4.
      {3, 3, false, {"2 n=1 last=4 depth=1", "8 n=0 last=4 depth=1", "6 n=0 last=4 depth=1", "4 n=1 last=4 depth=1"}},
      // Sorted 1 2 7 14 42 gives 17, and 289 - 15 * 17 = 34.
      {3, 3, true, {"17 n=0 last=4 depth=1", "34 n=0 last=4 depth=1"}},
      // At the end of the archive no draw follows: f = 0 is not "held" by the missing draw.
      {0, 4, false, {"0 n=0 last=5 depth=1"}},
  };
  auto hct3 = Make(StatClassOf<TstTesmar3>());
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.First) + ".." + std::to_string(c.Last));
    EXPECT_EQ(Rows(*hct3, ComputeWindow(*hct3, c.First, c.Last, c.Sorted)), c.Rows);
  }
  draws_.pop_back();  // now #4 (f = 2) is the last draw
  EXPECT_EQ(Rows(*hct3, ComputeWindow(*hct3, 3, 3, false)),
            (Texts{"2 n=0 last=4 depth=1", "8 n=0 last=4 depth=1", "6 n=0 last=4 depth=1", "4 n=0 last=4 depth=1"}));
}

TEST_F(TesmarStats, DynamicFilterKeepsTheSelectedNumbers) {
  auto hct3 = Make(StatClassOf<TstTesmar3>());
  EXPECT_TRUE(Matches(*hct3, {1, 2, 27, 40, 44}, TStatKey::Words(27), 0));
  EXPECT_TRUE(Matches(*hct3, {3, 20, 30, 40, 44}, TStatKey::Words(3, 1, 0, 2), 0));  // the pair: K1 only
  EXPECT_FALSE(Matches(*hct3, {4, 20, 30, 40, 44}, TStatKey::Words(3, 1, 0, 2), 0));
  TStatDrawArray shown;
  ASSERT_TRUE(hct3->FilterViewValues({4, 20, 30, 40, 44}, 0, false, shown));
  Texts captions;
  for (const auto& v : shown) captions.push_back(hct3->ValueCaption(v));
  EXPECT_EQ(captions, (Texts{"4", "20", "30", "40", "44"}));
}

}  // namespace
}  // namespace kivra
