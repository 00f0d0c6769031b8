#include "stats/SF_Segm.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "StatTestUtil.h"
#include "stats/StatList.h"
#include "stats/StatPasses.h"

namespace kivra {
namespace {

using test::Captions;
using test::ShownValues;
using test::Texts;

// The map written as the configuration file holds it, one digit per number.
std::array<uint8_t, MaxNumber> Map(std::string_view digits) { return ParseSegments(digits); }

// Numbers 1-9 in segment 1, 10-18 in 2, 19-27 in 3, 28-36 in 4, 37-45 in 5.
const std::string NineWide = "111111111222222222333333333444444444555555555";

class SegmentStats : public test::TStatFixture {
 protected:
  void SetMap(std::string_view digits) { env_.Config.Segments = Map(digits); }
};

// The values of one draw under several maps; "SGM%d" as SGM<param>=<count>.
TEST_F(SegmentStats, ValuesUnderSeveralMaps) {
  struct Case {
    std::string Map;
    TComb Comb;
    std::string Segments, Occupancy, Distinct, Seq2;
    int32_t Param;
    int Count;
  };
  const Case cases[] = {
      // No map: everything in segment 1.
      {"", {3, 8, 12, 14, 41}, "1 *5", "1 x 5", "1", "1:1 *4", 1, 5},
      {NineWide,
       {3, 8, 12, 14, 41},
       "1 *2, 2 *2, 5",
       "1 x 2, 2 x 2, 3 x 0, 4 x 0, 5 x 1",
       "3",
       "1:1, 1:2, 2:2, 2:5",
       2,
       2},
      // Only segments 1 and 3 are used: 2 lies between them and never holds a number.
      {"131313131313131313131313131313131313131313131",
       {1, 2, 3, 4, 5},
       "1 *3, 3 *2",
       "1 x 3, 3 x 2",
       "2",
       "1:3 *2, 3:1 *2",
       2,
       0},
      // Segments listed as the numbers 1..45 first reach them: 3, then 0, then 7.
      {"300000000000000000000000000000000000000000007",
       {45, 2, 1, 3, 44},
       "7, 0 *3, 3",
       "3 x 1, 0 x 3, 7 x 1",
       "3",
       "7:0, 0:3, 3:0, 0:0",
       0,
       3},
      // Bytes outside 1..45 are taken as segment 0.
      {NineWide, {0, 46, 255, 9, 10}, "0 *3, 1, 2", "1 x 1, 2 x 1, 3 x 0, 4 x 0, 5 x 0", "3", "0:0 *2, 0:1, 1:2", 0, 3},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Map + " " + CombToText(c.Comb));
    SetMap(c.Map);
    EXPECT_EQ(ShownValues(*Make(StatClassOf<TstSegments>()), c.Comb), c.Segments);
    EXPECT_EQ(ShownValues(*Make(StatClassOf<TstSegmValues>()), c.Comb), c.Occupancy);
    EXPECT_EQ(ShownValues(*Make(StatClassOf<TstSegmCount>()), c.Comb), c.Distinct);
    EXPECT_EQ(ShownValues(*Make(StatClassOf<TstCombSegmSeq2>()), c.Comb), c.Seq2);
    auto count = Make(StatClassOf<TstSgmValCnt>(), c.Param);
    EXPECT_EQ(static_cast<TCustomGraphStat&>(*count).CombValue(c.Comb, -1, -1, false), c.Count);
  }

  SetMap("");  // "KGM2" adds 1:1 ten times per draw
  EXPECT_EQ(ShownValues(*Make(StatClassOf<TstCombSegmMix2>()), {3, 8, 12, 14, 41}), "1:1 *10");
  auto mix3 = Make(StatClassOf<TstCombSegmMix3>());
  EXPECT_EQ(mix3->ValueCaption(TStatDrawRec{.Key = TStatKey::Words(1, 2, 1)}), "1:2:1");
}

TEST_F(SegmentStats, EnumeratedDomains) {
  struct Case {
    std::string Map;
    Texts Segments;
  };
  const Case cases[] = {
      {"", {"1"}},
      {NineWide, {"1", "2", "3", "4", "5"}},
      {"131313131313131313131313131313131313131313131", {"1", "3"}},
      {"977777777777777777777777777777777777777777770", {"9", "7", "0"}},
  };
  draws_ = {TDraw{.Number = 5, .Nums = {3, 8, 12, 14, 41}}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Map);
    SetMap(c.Map);
    auto segments = Make(StatClassOf<TstSegments>());
    TStatDrawArray values;
    segments->EnumValues(0, values);
    EXPECT_EQ(Captions(*segments, values), c.Segments);
    // The others list only what occurs: one occupancy value per used segment each draw.
    for (const TStatClass* cls : {&StatClassOf<TstSegmValues>(), &StatClassOf<TstSegmCount>(),
                                  &StatClassOf<TstSgmValCnt>(), &StatClassOf<TstCombSegmMix2>()}) {
      values.clear();
      Make(*cls, 1)->EnumValues(0, values);
      EXPECT_TRUE(values.empty()) << cls->ClassName();
    }
    auto occupancy = Make(StatClassOf<TstSegmValues>());
    EXPECT_EQ(ComputeWindow(*occupancy, 0, 0, false).size(), c.Segments.size());
  }
}

// The map is copied when a statistic is created: a change applies to statistics created later
// and, after the registry is rebuilt, to the "SGM%d" entries, which run from the smallest to the
// largest segment of the map (from 0 when the map uses 0).
TEST_F(SegmentStats, MapFromTheConfiguration) {
  const TComb comb = {3, 8, 12, 14, 41};
  auto before = Make(StatClassOf<TstSegments>());
  struct Case {
    std::string Map;
    Texts Entries;
  };
  const Case cases[] = {
      {"", {"SGM1"}},
      {NineWide, {"SGM1", "SGM2", "SGM3", "SGM4", "SGM5"}},
      {"131313131313131313131313131313131313131313131", {"SGM1", "SGM2", "SGM3"}},
      {"555555555555555555555555555555555555555555555", {"SGM5"}},
      {"999999999999999999999999999999999999999999999", {"SGM9"}},
      {"000000000000000000000000000000000000000000000", {"SGM0", "SGM1"}},
      {"1203", {"SGM0", "SGM1", "SGM2", "SGM3"}},
  };
  TStatList registry;
  registry.SetDraws(&draws_);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Map);
    TConfigData config;
    config.Segments = Map(c.Map);
    registry.SetConfig(config, {});
    registry.Build();
    Texts entries;
    for (int i = 0; i < registry.Count(); ++i)
      if (registry.Item(i).StatClass == &StatClassOf<TstSgmValCnt>()) entries.push_back(registry.Code(i));
    EXPECT_EQ(entries, c.Entries);
  }
  SetMap(NineWide);
  EXPECT_EQ(ShownValues(*Make(StatClassOf<TstSegments>()), comb), "1 *2, 2 *2, 5");
  EXPECT_EQ(ShownValues(*before, comb), "1 *5");

  // Segment numbers beyond the digits are carried as they are.
  env_.Config.Segments.fill(200);
  env_.Config.Segments[0] = 17;
  EXPECT_EQ(StatClassOf<TstSgmValCnt>().GetParamRange(env_), std::make_pair(9, 200));
  EXPECT_EQ(ShownValues(*Make(StatClassOf<TstSegmValues>()), {1, 2, 3, 4, 5}), "17 x 1, 200 x 4");
  EXPECT_EQ(ShownValues(*Make(StatClassOf<TstCombSegmSeq4>()), {1, 2, 3, 4, 5}), "17:200:200:200, 200:200:200:200");
}

}  // namespace
}  // namespace kivra
