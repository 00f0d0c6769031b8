#include "stats/SF_Chns.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "AgreementHarness.h"
#include "StatTestUtil.h"
#include "TestDraws.h"
#include "stats/SF_Mtxs.h"
#include "stats/SF_Segm.h"
#include "stats/StatList.h"
#include "stats/StatPasses.h"

namespace kivra {
namespace {

using test::Captions;
using test::MakeDraw;
using test::PeriodRows;
using test::ShownValues;
using test::Texts;

class ChannelStats : public test::TStatFixture {
 protected:
  ChannelStats() : TStatFixture({MakeDraw(10, {41, 3, 8, 12, 14}), MakeDraw(13, {41, 3, 8, 12, 14})}) {}
  void SetSize(int32_t size) { env_.Config.ChannelSize = size; }
};

TEST_F(ChannelStats, ValuesOfADrawWithTheSize5) {
  const TComb draw = {3, 8, 12, 14, 41};
  EXPECT_EQ(ShownValues(*Make(StatClassOf<TstChannels>()), draw), "01 [1-5], 02 [6-10], 03 [11-15] *2, 09 [41-45]");
  EXPECT_EQ(ShownValues(*Make(StatClassOf<TstChanValues>()), draw),
            "01 [1-5] x 1, 02 [6-10] x 1, 03 [11-15] x 2, 04 [16-20] x 0, 05 [21-25] x 0, 06 [26-30] x 0, "
            "07 [31-35] x 0, 08 [36-40] x 0, 09 [41-45] x 1");
  EXPECT_EQ(MakeGraph(StatClassOf<TstChanCount>())->CombValue(draw, 0, 0, false), 4);
  EXPECT_EQ(MakeGraph(StatClassOf<TstChnValCnt>(), 3)->CombValue(draw, 0, 0, false), 2);
  EXPECT_EQ(MakeGraph(StatClassOf<TstChnValCnt>(), 4)->CombValue(draw, 0, 0, false), 0);
  EXPECT_EQ(ShownValues(*Make(StatClassOf<TstChnValCnt>(), 9), draw), "1");
}

TEST_F(ChannelStats, CaptionsAndParsing) {
  const auto rec = [](TStatKey k) { return TStatDrawRec{.Key = k}; };
  auto chan = Make(StatClassOf<TstChannels>());
  EXPECT_EQ(chan->ValueCaption(rec(TStatKey::Words(2))), "02 [6-10]");
  EXPECT_EQ(chan->ValueCaption(rec(TStatKey::Words(9))), "09 [41-45]");
  EXPECT_EQ(chan->ValueCaption(rec(TStatKey::Words(12))), "12 [56-60]");
  EXPECT_EQ(chan->ParseValue("02 [6-10]"), 2);
  EXPECT_EQ(chan->ParseValue("  11 [51-55]"), 11);
  EXPECT_EQ(chan->ParseValue("[6-10]"), 0);
  EXPECT_EQ(chan->ValueFromText("09 [41-45]"), 9);

  SetSize(7);  // the last channel keeps its full width: 43-49
  auto chan7 = Make(StatClassOf<TstChannels>());
  EXPECT_EQ(chan7->ValueCaption(rec(TStatKey::Words(7))), "07 [43-49]");
  EXPECT_EQ(Make(StatClassOf<TstChanValues>())->ValueCaption(rec(TStatKey::Words(2, 1))), "02 [8-14] x 1");
  EXPECT_EQ(Make(StatClassOf<TstChanValues>())->ValueFromText("02 [8-14] x 1"), 0);  // not numeric
  EXPECT_EQ(Make(StatClassOf<TstCombChnMix3>())->ValueCaption(rec(TStatKey::Words(2, 7, 1))), "2:7:1");
  EXPECT_EQ(Make(StatClassOf<TstCombChnSeq4>())->ValueCaption(rec(TStatKey::Words(1, 1, 2, 3))), "1:1:2:3");
}

// Tuples in position order over the numbers as drawn (41 3 8 12 14), or ascending when sorted.
TEST_F(ChannelStats, TuplesFollowTheDrawnOrder) {
  const TComb drawn = draws_[0].Nums;
  const auto sequence = [&](const auto& stat) {
    Texts tuples;
    stat.FilterValues(drawn, TMatchContext{}, [&](TStatKey k, bool track) {
      EXPECT_TRUE(track);
      tuples.push_back(stat.ValueCaption(TStatDrawRec{.Key = k}));
    });
    return tuples;
  };
  auto mix2 = Make(StatClassOf<TstCombChnMix2>());
  auto seq2 = Make(StatClassOf<TstCombChnSeq2>());
  EXPECT_EQ(sequence(static_cast<TstCombChnMix2&>(*mix2)),
            (Texts{"9:1", "9:2", "9:3", "9:3", "1:2", "1:3", "1:3", "2:3", "2:3", "3:3"}));
  EXPECT_EQ(sequence(static_cast<TstCombChnSeq2&>(*seq2)), (Texts{"9:1", "1:2", "2:3", "3:3"}));
  EXPECT_EQ(sequence(static_cast<const TstCombChnMix3&>(*Make(StatClassOf<TstCombChnMix3>()))),
            (Texts{"9:1:2", "9:1:3", "9:1:3", "9:2:3", "9:2:3", "9:3:3", "1:2:3", "1:2:3", "1:3:3", "2:3:3"}));
  EXPECT_EQ(sequence(static_cast<const TstCombChnMix4&>(*Make(StatClassOf<TstCombChnMix4>()))),
            (Texts{"9:1:2:3", "9:1:2:3", "9:1:3:3", "9:2:3:3", "1:2:3:3"}));
  EXPECT_EQ(sequence(static_cast<const TstCombChnSeq3&>(*Make(StatClassOf<TstCombChnSeq3>()))),
            (Texts{"9:1:2", "1:2:3", "2:3:3"}));
  EXPECT_EQ(sequence(static_cast<const TstCombChnSeq4&>(*Make(StatClassOf<TstCombChnSeq4>()))),
            (Texts{"9:1:2:3", "1:2:3:3"}));

  // Draws #10 and #13 both show the draw: a tuple twice in a draw counts twice, and since every
  // tuple is tracked its second add measures a period of 0.
  EXPECT_EQ(
      PeriodRows(*mix2, ComputeWindow(*mix2, 0, 1, false)),
      (Texts{"9:1 n=2 last=13 depth=1 per=3-3", "9:2 n=2 last=13 depth=1 per=3-3", "9:3 n=4 last=13 depth=1 per=0-3",
             "1:2 n=2 last=13 depth=1 per=3-3", "1:3 n=4 last=13 depth=1 per=0-3", "2:3 n=4 last=13 depth=1 per=0-3",
             "3:3 n=2 last=13 depth=1 per=3-3"}));
  EXPECT_EQ(Captions(*seq2, ComputeWindow(*seq2, 0, 0, true)), (Texts{"1:2", "2:3", "3:3", "3:9"}));

  // The filter looks the tuples up in the combination's own order.
  TStatDrawArray sel{TStatDrawRec{.Key = TStatKey::Words(9, 1)}};
  EXPECT_TRUE(mix2->CombMatches(drawn, sel, 1, false, false));
  EXPECT_FALSE(mix2->CombMatches({3, 8, 12, 14, 41}, sel, 1, false, false));
  sel[0].Key = TStatKey::Words(1, 3);  // positions 1 and 3 of 3 8 12 14 41, not neighbours
  EXPECT_TRUE(mix2->CombMatches({3, 8, 12, 14, 41}, sel, 1, false, false));
  EXPECT_FALSE(seq2->CombMatches({3, 8, 12, 14, 41}, sel, 1, false, false));
  sel[0].Key = TStatKey::Words(1, 3, 1);  // a third word of a pair never matches
  EXPECT_FALSE(mix2->CombMatches({3, 8, 12, 14, 41}, sel, 1, false, false));
}

TEST_F(ChannelStats, EnumeratedDomains) {
  auto chan = Make(StatClassOf<TstChannels>());
  EXPECT_EQ(Captions(*chan, ComputeWindow(*chan, 0, 0, false)),
            (Texts{"01 [1-5]", "02 [6-10]", "03 [11-15]", "04 [16-20]", "05 [21-25]", "06 [26-30]", "07 [31-35]",
                   "08 [36-40]", "09 [41-45]"}));
  auto chnv = Make(StatClassOf<TstChanValues>());
  const TStatDrawArray occupancy = ComputeWindow(*chnv, 0, 0, false);
  ASSERT_EQ(occupancy.size(), 9u * 6u);  // (c, 0..5) for the nine channels
  EXPECT_EQ(chnv->ValueCaption(occupancy[5]), "01 [1-5] x 5");
  EXPECT_EQ(PeriodRows(*chnv, {occupancy[13]})[0], "03 [11-15] x 1 n=0 last=0 depth=0 per=0-0");
  EXPECT_EQ(PeriodRows(*chnv, {occupancy[14]})[0], "03 [11-15] x 2 n=1 last=10 depth=1 per=0-0");

  struct Case {
    int32_t Size;
    Texts ChanCounts, ChnThree;
  };
  const Case cases[] = {
      {5, {"1", "2", "3", "4", "5"}, {"1", "2", "3", "4", "5"}},
      {10, {"1", "2", "3", "4", "5"}, {"1", "2", "3", "4", "5", "6", "7", "8", "9", "10"}},
      {15, {"1", "2", "3"}, {"1", "2", "3", "4", "5", "6", "7", "8", "9", "10", "11", "12", "13", "14", "15"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Size);
    SetSize(c.Size);
    TStatDrawArray values;
    Make(StatClassOf<TstChanCount>())->EnumValues(0, values);
    EXPECT_EQ(Captions(*Make(StatClassOf<TstChanCount>()), values), c.ChanCounts);
    values.clear();
    Make(StatClassOf<TstChnValCnt>(), 3)->EnumValues(0, values);  // no 0: it shows once it occurs
    EXPECT_EQ(Captions(*Make(StatClassOf<TstChnValCnt>(), 3), values), c.ChnThree);
  }
  SetSize(3);
  TStatDrawArray values;
  Make(StatClassOf<TstChanValues>())->EnumValues(0, values);
  EXPECT_EQ(values.size(), 15u * 4u);  // (c, 0..3) for fifteen channels
}

// The size is copied when a statistic is created: a change applies to statistics created later
// and, after the registry is rebuilt, to the "CHN%d" entries.
TEST_F(ChannelStats, ChannelSizeFromTheConfiguration) {
  const TComb comb = {3, 8, 12, 14, 41};
  auto before = Make(StatClassOf<TstChannels>());
  struct Case {
    int32_t Size;
    std::string Channels, Occupancy;
    int Distinct;
    int Entries;
  };
  const Case cases[] = {
      {3, "01 [1-3], 03 [7-9], 04 [10-12], 05 [13-15], 14 [40-42]",
       "01 [1-3] x 1, 02 [4-6] x 0, 03 [7-9] x 1, 04 [10-12] x 1, 05 [13-15] x 1, 06 [16-18] x 0, "
       "07 [19-21] x 0, 08 [22-24] x 0, 09 [25-27] x 0, 10 [28-30] x 0, 11 [31-33] x 0, 12 [34-36] x 0, "
       "13 [37-39] x 0, 14 [40-42] x 1, 15 [43-45] x 0",
       5, 15},
      {7, "01 [1-7], 02 [8-14] *3, 06 [36-42]",
       "01 [1-7] x 1, 02 [8-14] x 3, 03 [15-21] x 0, 04 [22-28] x 0, 05 [29-35] x 0, 06 [36-42] x 1, 07 [43-49] x 0", 3,
       7},
      {10, "01 [1-10] *2, 02 [11-20] *2, 05 [41-50]",
       "01 [1-10] x 2, 02 [11-20] x 2, 03 [21-30] x 0, 04 [31-40] x 0, 05 [41-50] x 1", 3, 5},
      // Not a channel size: everything falls into channel 0 and no "CHN%d" entry exists.
      {0, "00 [1-0] *5", "00 [1-0] x 5", 1, 0},
      {-4, "00 [5-0] *5", "00 [5-0] x 5", 1, 0},
  };
  TStatList registry;
  registry.SetDraws(&draws_);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Size);
    SetSize(c.Size);
    EXPECT_EQ(ShownValues(*Make(StatClassOf<TstChannels>()), comb), c.Channels);
    EXPECT_EQ(ShownValues(*Make(StatClassOf<TstChanValues>()), comb), c.Occupancy);
    EXPECT_EQ(MakeGraph(StatClassOf<TstChanCount>())->CombValue(comb, 0, 0, false), c.Distinct);
    // Whatever the size, a window adds for each draw the values the filter sees.
    for (const auto& e : ChannelStatClasses()) {
      auto stat = Make(*e.Class, 1);
      TStatDrawArray shown;
      ASSERT_TRUE(stat->FilterViewValues(draws_[0].Nums, -1, false, shown));
      EXPECT_EQ(AggregateStats(ComputeWindow(*stat, 0, 1, false)).Total, 2 * AggregateStats(shown).Total)
          << e.Class->ClassName();
    }

    TConfigData config;
    config.ChannelSize = c.Size;
    registry.SetConfig(config, {});
    registry.Build();
    Texts entries;
    for (int i = 0; i < registry.Count(); ++i)
      if (registry.Item(i).StatClass == &StatClassOf<TstChnValCnt>()) entries.push_back(registry.Code(i));
    ASSERT_EQ(static_cast<int>(entries.size()), c.Entries);
    if (c.Entries > 0) {
      EXPECT_EQ(entries.back(), "CHN" + std::to_string(c.Entries));
    }
  }
  EXPECT_EQ(ShownValues(*before, comb), "01 [1-5], 02 [6-10], 03 [11-15] *2, 09 [41-45]");
}

// --- Fast kernels against the reference test, for every member of groups 3, 4 and 5 ---

// A configuration the families are cross-checked under.
struct TConfigCase {
  const char* Name;
  int32_t ChannelSize;
  int32_t MatrixCols;
  std::array<uint8_t, MaxNumber> Segments;
  size_t SampleStep;  // every n-th combination of the cross-check sample
};

std::array<uint8_t, MaxNumber> SegmentsOf(uint8_t (*segment)(int n)) {
  std::array<uint8_t, MaxNumber> map{};
  for (int n = 1; n <= MaxNumber; ++n) map[n - 1] = segment(n);
  return map;
}

const TConfigCase ConfigCases[] = {
    {"Default", 5, 5, TConfigData::DefaultSegments(), 1},
    // Uneven channels and rows, a map that uses 0 and is not contiguous.
    {"Size7Width7", 7, 7, SegmentsOf([](int n) { return static_cast<uint8_t>(n * 7 % 10); }), 3},
    // 45 rows and 15 channels (more values per combination than one counter slot holds), segment
    // numbers up to 255.
    {"Size3Width1", 3, 1, SegmentsOf([](int n) { return static_cast<uint8_t>(n * 37 % 256); }), 5},
    // Values outside what the configuration dialog allows.
    {"Size0Width0", 0, 0, SegmentsOf([](int n) { return static_cast<uint8_t>(n % 2 ? 0 : 9); }), 11},
};

TConfigData ConfigOf(const TConfigCase& c) {
  TConfigData config;
  config.ChannelSize = c.ChannelSize;
  config.MatrixCols = c.MatrixCols;
  config.Segments = c.Segments;
  return config;
}

// Every member of the three families under each configuration. The families ignore Remove:
// removing keeps exactly what keeping drops.
const std::vector<test::TAgreementSetup>& GroupFamilySetups() {
  static const std::vector<test::TAgreementSetup> setups = [] {
    std::vector<test::TAgreementSetup> all;
    for (const TConfigCase& config : ConfigCases) {
      test::TAgreementSetup s;
      s.Name = config.Name;
      s.Families = {ChannelStatClasses(), MatrixStatClasses(), SegmentStatClasses()};
      s.Config = ConfigOf(config);
      s.Step = config.SampleStep;
      s.ManyKeys = {TStatKey::Words(3, 2),       TStatKey::Longs(30),   TStatKey::Words(0),   TStatKey::Words(1, 1, 1),
                    TStatKey::Words(2, 2, 2, 2), TStatKey::Words(9, 0), TStatKey::Longs(449), TStatKey::Words(257)};
      // What one combination shows, and what two show (one of bytes outside 1..45) with keys of
      // other views.
      s.ExtraSelections = {
          test::ShownBy({{3, 8, 12, 14, 41}}),
          test::Joined({test::ShownBy({{45, 1, 44, 2, 43}, {0, 46, 99, 128, 255}}),
                        test::Keys({TStatKey::Words(3, 2), TStatKey::Longs(30), TStatKey::Words(0),
                                    TStatKey::Words(1, 1, 1), TStatKey::Words(2, 2, 2, 2), TStatKey::Words(9, 0),
                                    TStatKey::Longs(449), TStatKey::Words(257)})})};
      all.push_back(std::move(s));
    }
    return all;
  }();
  return setups;
}

std::vector<test::TAgreementMember> GroupFamilyMembers() {
  std::vector<test::TAgreementMember> members;
  for (const test::TAgreementSetup& s : GroupFamilySetups()) {
    auto more = test::AgreementMembers(s);
    members.insert(members.end(), more.begin(), more.end());
  }
  return members;
}

using test::StatAgreement;
INSTANTIATE_TEST_SUITE_P(ChannelsMatricesSegments, StatAgreement, ::testing::ValuesIn(GroupFamilyMembers()),
                         test::AgreementName);

// For counting, a program's outputs on a combination of 1..45 are the statistic's values in the
// order Values gives them, each key told by ColumnKey (members without a counting program pass).
template <class T>
void ExpectCountingOutputsAreTheValues(const TStatEnv& env, const TCombsArray& combs) {
  const TStatClass& cls = StatClassOf<T>();
  const auto [lo, hi] = cls.HasParam() ? cls.GetParamRange(env) : std::pair{0, 0};
  for (int32_t param : {lo, hi}) {
    if (lo > hi) break;
    const auto stat = cls.Create(env, param);
    const T& self = static_cast<const T&>(*stat);
    TColumnProgram prog;
    if (!self.Columns(prog, nullptr)) continue;
    ASSERT_TRUE(prog.Valid) << cls.CodeFor(param);
    for (const TComb& c : combs) {
      if (std::any_of(c.begin(), c.end(), [](uint8_t n) { return n < 1 || n > MaxNumber; })) continue;
      uint8_t out[TColumnProgram::MaxOutputs];
      prog.Run(c.data(), out);
      std::vector<uint64_t> got, expected;
      for (int o = 0; o < prog.OutputCount; ++o) got.push_back(self.ColumnKey(out[o]).Raw());
      self.Values(c, [&](TStatKey k, bool) { expected.push_back(k.Raw()); });
      ASSERT_EQ(got, expected) << cls.CodeFor(param) << " " << CombToText(c);
    }
  }
}

TEST(ChannelMatrixSegmentColumns, CountingOutputsAreTheValuesInOrder) {
  TDrawsArray none;
  for (const TConfigCase& config : ConfigCases) {
    SCOPED_TRACE(config.Name);
    const TStatEnv env{&none, ConfigOf(config), {}};
    const TCombsArray& combs = test::AgreementCombinations(config.SampleStep * 7);
    [&]<class... T>() {
      (ExpectCountingOutputsAreTheValues<T>(env, combs), ...);
    }.template
    operator()<TstChannels, TstChanValues, TstChanCount, TstChnValCnt, TstColumns, TstRows, TstColValues, TstRowValues,
               TstColCount, TstRowCount, TstColMask, TstRowMask, TstColAjacentCnt, TstRowAjacentCnt, TstColValCnt,
               TstRowValCnt, TstSegments, TstSegmValues, TstSegmCount, TstSgmValCnt>();
  }
}

// The program of the occupied-group count takes a different form for up to 6, 8, 10 and 11 groups
// and for more; each agrees with the plain count.
TEST(ChannelMatrixSegmentColumns, OccupiedGroupCountForEveryNumberOfGroups) {
  const TCombsArray& combs = test::AgreementCombinations(5);
  for (int groups = 1; groups <= 13; ++groups) {
    TGroupTable table{};
    for (int n = 0; n < 256; ++n) table[n] = static_cast<uint8_t>(200 - n * 7 % groups);
    TDistinctGroups distinct;
    distinct.Build(table);
    TColumnProgram prog;
    prog.Output(distinct.Columns(prog));
    ASSERT_TRUE(prog.Valid) << groups;
    for (const TComb& c : combs) {
      if (std::any_of(c.begin(), c.end(), [](uint8_t n) { return n < 1 || n > MaxNumber; })) continue;
      uint8_t out[TColumnProgram::MaxOutputs];
      prog.Run(c.data(), out);
      ASSERT_EQ(out[0], distinct.Count(c)) << groups << " groups, " << CombToText(c);
    }
  }
}

}  // namespace
}  // namespace kivra
