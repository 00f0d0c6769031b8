#include "stats/SF_Serl.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "StatTestUtil.h"
#include "TestDraws.h"
#include "stats/StatFamilies.h"
#include "stats/StatPasses.h"

namespace kivra {
namespace {

using test::MakeDraw;
using test::Rows;
using test::Texts;

class SerialStats : public test::TStatFixture {
 protected:
  // 1 in every draw, 2 in all but #202, 13 in the last three; the newest is 1 2 13 14 15.
  SerialStats()
      : TStatFixture({MakeDraw(201, {1, 2, 3, 4, 5}), MakeDraw(202, {1, 6, 7, 13, 9}),
                      MakeDraw(203, {10, 1, 2, 13, 12}), MakeDraw(204, {1, 2, 13, 14, 15})}) {}
};

// Runs in each flavour, worked by hand (channels of 5; segments 0 for 1..9, 2 for 10..18, 5 above).
TEST_F(SerialStats, RunsOfPresenceAndAbsence) {
  for (int n = 1; n <= MaxNumber; ++n) env_.Config.Segments[n - 1] = static_cast<uint8_t>(n <= 9 ? 0 : n <= 18 ? 2 : 5);
  struct Case {
    const TStatClass* Class;
    int First;
    Texts Rows;
  };
  const Case cases[] = {
      // 2 finished a run of 1 at #201 and runs again since #203; 13 runs for the last three
      // draws. 3, 4 and 5 are not in the newest draw: no values.
      {&StatClassOf<TstNumGroups>(),
       0,
       {"2 x 1 n=1 last=201 depth=4", "1 x 4 n=1 last=204 depth=1", "2 x 2 n=1 last=204 depth=1",
        "13 x 3 n=1 last=204 depth=1", "14 x 1 n=1 last=204 depth=1", "15 x 1 n=1 last=204 depth=1"}},
      // The window starts the runs afresh.
      {&StatClassOf<TstNumGroups>(),
       1,
       {"1 x 3 n=1 last=204 depth=1", "2 x 2 n=1 last=204 depth=1", "13 x 3 n=1 last=204 depth=1",
        "14 x 1 n=1 last=204 depth=1", "15 x 1 n=1 last=204 depth=1"}},
      // Absences ended by a later draw; 1 was never missing.
      {&StatClassOf<TstNumPauses>(),
       0,
       {"13 x 1 n=1 last=201 depth=4", "2 x 1 n=1 last=202 depth=3", "14 x 3 n=1 last=203 depth=2",
        "15 x 3 n=1 last=203 depth=2"}},
      {&StatClassOf<TstChnGroups>(), 0, {"01 x 4 n=1 last=204 depth=1", "03 x 3 n=1 last=204 depth=1"}},
      {&StatClassOf<TstChnPauses>(), 0, {"03 x 1 n=1 last=201 depth=4"}},
      {&StatClassOf<TstSgmGroups>(), 0, {"0 x 4 n=1 last=204 depth=1", "2 x 3 n=1 last=204 depth=1"}},
      {&StatClassOf<TstSgmPauses>(), 0, {"2 x 1 n=1 last=201 depth=4"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.Class->GetCode()) + " from " + std::to_string(c.First));
    auto stat = Make(*c.Class);
    EXPECT_EQ(Rows(*stat, ComputeWindow(*stat, c.First, 3, false)), c.Rows);
  }
}

// The Work block keeps one 12-byte entry per unit: run length, draw number and depth of its last
// draw, little-endian; entry 0 is the first unit.
TEST_F(SerialStats, WorkEntries) {
  auto grpv = Make(StatClassOf<TstNumGroups>());
  TStatWork work{};
  TStatDrawArray values;
  TLastValueArray lastSeen;
  for (int index = 0; index <= 2; ++index) grpv->DrawValues(index, 3, false, values, work, lastSeen);
  const auto entry = [&](int unit) {
    std::array<int32_t, 3> e{};
    std::memcpy(e.data(), work.data() + 12 * (unit - 1), 12);
    return e;
  };
  EXPECT_EQ(entry(1), (std::array<int32_t, 3>{3, 203, 2}));
  EXPECT_EQ(entry(13), (std::array<int32_t, 3>{2, 203, 2}));
  EXPECT_EQ(entry(3), (std::array<int32_t, 3>{0, 0, 0}));
  EXPECT_EQ(entry(45), (std::array<int32_t, 3>{0, 0, 0}));

  // A map using 0..9 keeps its ten units in the first ten entries.
  for (int n = 1; n <= MaxNumber; ++n) env_.Config.Segments[n - 1] = static_cast<uint8_t>(n % 10);
  auto grsv = Make(StatClassOf<TstSgmGroups>());
  work = {};
  grsv->DrawValues(0, 3, false, values, work, lastSeen);  // 1 2 3 4 5: segments 1..5
  EXPECT_EQ(work[0], 0);
  for (int s = 1; s <= 5; ++s) EXPECT_EQ(work[static_cast<size_t>(12 * s)], 1) << s;
  EXPECT_EQ(work[12 * 6], 0);
}

TEST_F(SerialStats, FilterLooksAtTheUnitOnly) {
  auto grcv = Make(StatClassOf<TstChnGroups>());
  const TStatDrawArray sel{TStatDrawRec{.Key = TStatKey::Words(3, 99)}};
  for (const auto& [comb, match] : {std::pair{TComb{11, 20, 30, 40, 45}, true}, {TComb{1, 20, 30, 40, 45}, false}}) {
    EXPECT_EQ(grcv->CombMatches(comb, sel, 3, false, false), match) << CombToText(comb);
    TComb out;
    EXPECT_EQ(FilterCombs(*grcv, {&comb, 1}, &out, sel, 3, false, false), match ? 1u : 0u);
    EXPECT_EQ(FilterCombs(*grcv, {&comb, 1}, &out, sel, 3, false, true), match ? 0u : 1u);
  }
}

// What `values` shows: the run each unit of the combination would make as the next draw.
TEST_F(SerialStats, FilterViewValues) {
  const auto shown = [&](const TStatClass& cls, int refIndex) {
    return test::ShownValueList(*Make(cls), {1, 2, 3, 20, 13}, refIndex);
  };
  EXPECT_EQ(shown(StatClassOf<TstNumGroups>(), 3), (Texts{"1 x 5", "2 x 3", "3 x 1", "13 x 4", "20 x 1"}));
  EXPECT_EQ(shown(StatClassOf<TstNumPauses>(), 3), (Texts{"1 x 0", "2 x 0", "3 x 3", "13 x 0", "20 x 4"}));
  EXPECT_EQ(shown(StatClassOf<TstNumGroups>(), -1), (Texts{"1 x 1", "2 x 1", "3 x 1", "13 x 1", "20 x 1"}));
  EXPECT_EQ(shown(StatClassOf<TstChnGroups>(), 0), (Texts{"01 x 2", "03 x 1", "04 x 1"}));
}

}  // namespace
}  // namespace kivra
