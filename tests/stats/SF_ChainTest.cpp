#include "stats/SF_Chain.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "AgreementHarness.h"
#include "StatTestUtil.h"
#include "TestDraws.h"
#include "stats/SF_Tsmr.h"
#include "stats/StatFamilies.h"
#include "stats/StatList.h"
#include "stats/StatPasses.h"

namespace kivra {
namespace {

using test::MakeDraw;
using test::Matches;
using test::Rows;
using test::Selected;
using test::Texts;

// Five draws in drawn order; the newest of most windows is #104 = 12 7 30 17 3, the one before it
// #103 = 12 9 23 17 44.
class ChainStats : public ::testing::Test {
 protected:
  std::unique_ptr<TCustomStat> Make(std::string_view code) {
    registry_.SetDraws(&draws_);
    TConfigData config;
    config.ChannelSize = channelSize_;
    config.Segments = segments_;
    registry_.SetConfig(config, {});
    registry_.Build();
    const int index = registry_.FindCode(code);
    EXPECT_GE(index, 0) << code;
    return index >= 0 ? registry_.CreateStat(index) : nullptr;
  }

  TDrawsArray draws_ = {
      MakeDraw(101, {1, 11, 23, 34, 45}), MakeDraw(102, {12, 7, 30, 41, 2}),  MakeDraw(103, {12, 9, 23, 17, 44}),
      MakeDraw(104, {12, 7, 30, 17, 3}),  MakeDraw(105, {30, 8, 14, 17, 22}),
  };
  int32_t channelSize_ = 5;
  std::array<uint8_t, MaxNumber> segments_ = TConfigData::DefaultSegments();
  TStatList registry_;
};

// The count classes run over the channels or the segments the configuration has.
TEST_F(ChainStats, ParamRangesFollowTheConfiguration) {
  TStatEnv env{&draws_, {}, {}};
  env.Config.ChannelSize = 0;
  env.Config.Segments[4] = 0;
  env.Config.Segments[9] = 4;
  EXPECT_EQ(StatClassOf<TstChain3CnlCnt>().GetParamRange(env), std::make_pair(0, -1));
  EXPECT_EQ(StatClassOf<TstChain2SgmCnt>().GetParamRange(env), std::make_pair(0, 4));
  EXPECT_EQ(TstChainChannels2InsideBad::GetInsideMode(), 2);
}

// Windows over the fixture, worked by hand.
TEST_F(ChainStats, WindowValues) {
  struct Case {
    std::string_view Code;
    int First, Last;
    Texts Rows;
  };
  const Case cases[] = {
      // At the newest draw P is its own predecessor: 12 and 17 stand at the same positions.
      {"SDP2",
       0,
       3,
       {"12 -> 12 n=2 last=104 depth=1", "7 -> 9 n=1 last=103 depth=2", "30 -> 23 n=1 last=103 depth=2",
        "17 -> 17 n=1 last=104 depth=1"}},
      {"SDN2", 0, 3, {"7 -> 9 n=1 last=103 depth=2"}},
      {"SDN5", 0, 3, {}},
      // #102 follows #101, which shares no number with the newest draw; #101 has no predecessor.
      {"SDV2", 0, 1, {}},
      {"SDV2",
       3,
       3,
       {"12 -> 12 n=1 last=104 depth=1", "12 -> 7 n=1 last=104 depth=1", "12 -> 30 n=1 last=104 depth=1",
        "12 -> 17 n=1 last=104 depth=1", "12 -> 3 n=1 last=104 depth=1", "17 -> 12 n=1 last=104 depth=1",
        "17 -> 7 n=1 last=104 depth=1", "17 -> 30 n=1 last=104 depth=1", "17 -> 17 n=1 last=104 depth=1",
        "17 -> 3 n=1 last=104 depth=1"}},
      {"SDP3", 0, 3, {"23-30 -> 23 n=1 last=103 depth=2", "12-12 -> 12 n=1 last=104 depth=1"}},
      {"SDM1", 0, 3, {"12-12 -> 12 n=1 last=104 depth=1"}},
      {"SDP3", 0, 4, {"17-17 -> 17 n=1 last=105 depth=1"}},
      // Channels of size 5: 2 and 3 share channel 1, 12 and 14 channel 3.
      {"SCP2",
       0,
       3,
       {"03 -> 03 n=2 last=104 depth=1", "02 -> 02 n=2 last=104 depth=1", "06 -> 05 n=1 last=103 depth=2",
        "01 -> 09 n=1 last=103 depth=2", "04 -> 04 n=1 last=104 depth=1"}},
      {"SCN5", 0, 3, {"01 -> 09 n=1 last=103 depth=2"}},
      {"SCP3",
       0,
       3,
       {"05-06 -> 05 n=1 last=103 depth=2", "09-01 -> 09 n=1 last=103 depth=2", "03-03 -> 03 n=1 last=104 depth=1",
        "02-02 -> 02 n=1 last=104 depth=1"}},
      // Numbers in channel 1 (1..5): 1, 1, 0, 1, 0 per draw; the domain lists (#Ref, 0..size).
      {"SC2C1",
       0,
       3,
       {"1 -> 0 n=1 last=103 depth=2", "1 -> 1 n=1 last=102 depth=3", "1 -> 2 n=0 last=0 depth=0",
        "1 -> 3 n=0 last=0 depth=0", "1 -> 4 n=0 last=0 depth=0", "1 -> 5 n=0 last=0 depth=0"}},
      // Channel 2 (6..10): 0, 1, 1, 1, 1.
      {"SC3C2",
       0,
       4,
       {"1-1 -> 0 n=0 last=0 depth=0", "1-1 -> 1 n=2 last=105 depth=1", "1-1 -> 2 n=0 last=0 depth=0",
        "1-1 -> 3 n=0 last=0 depth=0", "1-1 -> 4 n=0 last=0 depth=0", "1-1 -> 5 n=0 last=0 depth=0"}},
      // Segments (all numbers in segment 1): the domain is (#Ref, 0) only.
      {"SS2C1", 1, 2, {"5 -> 0 n=0 last=0 depth=0", "5 -> 5 n=2 last=103 depth=1"}},
      {"SS3C1", 1, 2, {"5-5 -> 0 n=0 last=0 depth=0", "5-5 -> 5 n=1 last=103 depth=1"}},
      {"SSP2", 3, 3, {"1 -> 1 n=5 last=104 depth=1"}},
      // Within channels: 12 -> 12 and 17 -> 17 twice over, 7 -> 9 in channel 2, and 30 finds
      // nothing of 26..30 in #103.
      {"SDA2",
       0,
       3,
       {"12 -> 12 n=2 last=104 depth=1", "07 -> 09 n=1 last=103 depth=2", "30 -> 00 n=1 last=103 depth=2",
        "17 -> 17 n=1 last=104 depth=1"}},
      {"SDG2",
       0,
       3,
       {"12 -> 12 n=2 last=104 depth=1", "07 -> 09 n=1 last=103 depth=2", "17 -> 17 n=1 last=104 depth=1"}},
      {"SDZ2", 0, 3, {"30 -> 00 n=1 last=103 depth=2"}},
      {"SDC2",
       0,
       3,
       {"12 -> 1 n=2 last=104 depth=1", "7 -> 1 n=1 last=103 depth=2", "30 -> 0 n=1 last=103 depth=2",
        "17 -> 1 n=1 last=104 depth=1"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.Code) + " " + std::to_string(c.First) + ".." + std::to_string(c.Last));
    auto stat = Make(c.Code);
    ASSERT_TRUE(stat);
    EXPECT_EQ(Rows(*stat, ComputeWindow(*stat, c.First, c.Last, false)), c.Rows);
  }

  // #104 = 12 7 30 17 3 in channels 3 2 6 4 1 before #105 in 6 2 3 4 5: every channel of #104 but
  // 1 is one of #105, so 4 x 5 transitions, none from 01.
  auto scv2 = Make("SCV2");
  const TStatDrawArray all = ComputeWindow(*scv2, 4, 4, false);
  EXPECT_EQ(AggregateStats(all).Total, 20);
  EXPECT_EQ(scv2->ValueCaption(all[0]), "03 -> 06");
  EXPECT_TRUE(std::none_of(all.begin(), all.end(), [](const TStatDrawRec& v) { return v.Key.K1() == 1; }));
}

// The positions follow the order switch; the transitions within channels read P as drawn.
TEST_F(ChainStats, SortedDraws) {
  // Sorted, #102 = 2 7 12 30 41 has 7 and 12 at the positions of the newest 3 7 12 17 30, and
  // #103 = 9 12 17 23 44 holds 12 and 17 there; #103 itself shares no position with the newest.
  auto sdp2 = Make("SDP2");
  EXPECT_EQ(Rows(*sdp2, ComputeWindow(*sdp2, 0, 3, true)),
            (Texts{"7 -> 12 n=1 last=103 depth=2", "12 -> 17 n=1 last=103 depth=2"}));
  auto sda2 = Make("SDA2");
  EXPECT_EQ(Rows(*sda2, ComputeWindow(*sda2, 0, 3, true)), Rows(*sda2, ComputeWindow(*sda2, 0, 3, false)));
}

// The filter tests the successor only.
TEST_F(ChainStats, FilterLooksAtTheSuccessor) {
  struct Case {
    std::string_view Code;
    TStatKey Selected;
    TComb Comb;
    bool Match;
  };
  const Case cases[] = {
      {"SDV2", TStatKey::Words(12, 30), {1, 2, 3, 4, 30}, true},  // whatever the start
      {"SDV2", TStatKey::Words(44, 30), {30, 2, 3, 4, 5}, true},
      {"SDV2", TStatKey::Words(30, 12), {1, 2, 3, 4, 30}, false},
      {"SDP2", TStatKey::Words(12, 30), {30, 2, 3, 4, 5}, true},  // at any position
      {"SDP3", TStatKey::Words(1, 2, 30), {1, 2, 3, 4, 30}, true},
      {"SDP3", TStatKey::Words(1, 30, 2), {1, 9, 3, 4, 30}, false},
      {"SCP2", TStatKey::Words(3, 6), {26, 2, 3, 4, 5}, true},
      {"SCP2", TStatKey::Words(3, 6), {31, 2, 3, 4, 5}, false},
      {"SSM2", TStatKey::Words(1, 1, 1), {31, 2, 3, 4, 5}, true},
      {"SSM2", TStatKey::Words(1, 1, 2), {31, 2, 3, 4, 5}, false},
      // Counts of the combination in channel 1 (1..5).
      {"SC2C1", TStatKey::Words(1, 2), {1, 2, 13, 24, 35}, true},
      {"SC2C1", TStatKey::Words(1, 3), {1, 2, 13, 24, 35}, false},
      {"SC3C1", TStatKey::Words(0, 1, 2), {1, 2, 13, 24, 35}, true},
      // Within channels, against the newest draw 12 7 30 17 3: x -> 0 asks for x's channel,
      // x -> y for y itself, and a start not in the newest draw never matches.
      {"SDZ2", TStatKey::Words(17, 0), {1, 2, 3, 4, 16}, true},
      {"SDZ2", TStatKey::Words(17, 0), {1, 2, 3, 4, 21}, false},
      {"SDA2", TStatKey::Words(12, 14), {1, 2, 14, 33, 44}, true},
      {"SDA2", TStatKey::Words(12, 14), {1, 2, 13, 33, 44}, false},
      {"SDG2", TStatKey::Words(12, 40), {1, 2, 6, 33, 40}, true},  // y need not share x's channel
      {"SDA2", TStatKey::Words(9, 0), {6, 7, 8, 9, 10}, false},
      {"SDC2", TStatKey::Words(12, 4), {1, 2, 15, 33, 44}, true},  // the count is not compared
      {"SDC2", TStatKey::Words(12, 4), {1, 2, 16, 33, 44}, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.Code) + " " + CombToText(c.Comb));
    auto stat = Make(c.Code);
    ASSERT_TRUE(stat);
    EXPECT_EQ(Matches(*stat, c.Comb, Selected({c.Selected}), 3), c.Match);
  }
}

// What `values` shows: the transitions the combination makes as the draw after the newest one.
TEST_F(ChainStats, FilterViewValues) {
  const auto shown = [&](std::string_view code, int refIndex) {
    return test::ShownValueList(*Make(code), {13, 8, 31, 16, 4}, refIndex);
  };
  EXPECT_EQ(shown("SDP2", 3), (Texts{"12 -> 13", "7 -> 8", "30 -> 31", "17 -> 16", "3 -> 4"}));
  EXPECT_EQ(shown("SDM4", 3), (Texts{"17-17 -> 16"}));
  EXPECT_EQ(shown("SCN1", 3), (Texts{"03 -> 03"}));
  EXPECT_EQ(shown("SC2C1", 3), (Texts{"1 -> 1"}));
  EXPECT_EQ(shown("SDA2", 3), (Texts{"12 -> 13", "07 -> 08", "30 -> 00", "17 -> 16", "03 -> 04"}));
  EXPECT_EQ(shown("SDC2", 3), (Texts{"12 -> 1", "7 -> 1", "30 -> 0", "17 -> 1", "3 -> 1"}));
  // No draw before the first one: no transition.
  EXPECT_EQ(shown("SDP3", 0), Texts{});
  EXPECT_EQ(shown("SDV2", -1), Texts{});
}

// No chain statistic reads outside the archive: the oldest draws add nothing, and a segment map
// that uses 0 does not see segment 0 in the missing draws before the archive.
TEST_F(ChainStats, DrawsOutsideTheArchive) {
  for (const auto& e : ChainStatClasses()) {
    const int32_t param = e.Class->HasParam() ? 1 : 0;
    auto stat = e.Class->Create(registry_.Env(), param);
    SCOPED_TRACE(e.Class->CodeFor(param));
    const std::string_view code = e.Class->GetCode();
    const bool three = code.find('3') != std::string_view::npos || code.find('M') != std::string_view::npos;
    TStatDrawArray values;
    stat->EnumValues(0, values);
    const size_t domain = values.size();
    EXPECT_EQ(AggregateStats(ComputeWindow(*stat, 0, 0, false)).Total, 0);
    if (three) {
      EXPECT_EQ(AggregateStats(ComputeWindow(*stat, 0, 1, false)).Total, 0);
    }
    EXPECT_EQ(ComputeWindow(*stat, 0, 0, false).size(), domain);
  }

  segments_.fill(0);  // every number in segment 0
  auto ss3c = Make("SS3C0");
  EXPECT_EQ(Rows(*ss3c, ComputeWindow(*ss3c, 0, 0, false)), (Texts{"0-5 -> 0 n=0 last=0 depth=0"}));
  EXPECT_EQ(Rows(*ss3c, ComputeWindow(*ss3c, 0, 2, false)),
            (Texts{"5-5 -> 0 n=0 last=0 depth=0", "5-5 -> 5 n=1 last=103 depth=1"}));
  auto ssp3 = Make("SSP3");
  EXPECT_EQ(Rows(*ssp3, ComputeWindow(*ssp3, 0, 2, false)), (Texts{"0-0 -> 0 n=5 last=103 depth=1"}));
  // FindNextDraw walks on past the window; the 3-draw statistics still need the draw before Ref.
  EXPECT_EQ(ssp3->FindNextDraw(TStatDrawRec{.Key = TStatKey::Words(0, 0, 0)}, 1, 0, false), -1);
  EXPECT_EQ(ssp3->FindNextDraw(TStatDrawRec{.Key = TStatKey::Words(0, 0, 0)}, 1, 1, false), 103);
}

// Non-default configuration: channels of 10 and a segment map with gaps.
TEST_F(ChainStats, ConfiguredUnits) {
  channelSize_ = 10;
  for (int n = 1; n <= MaxNumber; ++n) segments_[n - 1] = static_cast<uint8_t>(n <= 15 ? 2 : n <= 30 ? 7 : 4);
  auto scp2 = Make("SCP2");
  // #103 = 12 9 23 17 44 -> channels 2 1 3 2 5, #104 = 12 7 30 17 3 -> 2 1 3 2 1.
  EXPECT_EQ(Rows(*scp2, ComputeWindow(*scp2, 3, 3, false)),
            (Texts{"02 -> 02 n=2 last=104 depth=1", "01 -> 01 n=1 last=104 depth=1", "03 -> 03 n=1 last=104 depth=1"}));
  auto sc2c = Make("SC2C1");
  EXPECT_EQ(Rows(*sc2c, ComputeWindow(*sc2c, 0, 3, false)),
            (Texts{"2 -> 0 n=0 last=0 depth=0", "2 -> 1 n=1 last=103 depth=2", "2 -> 2 n=0 last=0 depth=0",
                   "2 -> 3 n=0 last=0 depth=0", "2 -> 4 n=0 last=0 depth=0", "2 -> 5 n=0 last=0 depth=0",
                   "2 -> 6 n=0 last=0 depth=0", "2 -> 7 n=0 last=0 depth=0", "2 -> 8 n=0 last=0 depth=0",
                   "2 -> 9 n=0 last=0 depth=0", "2 -> 10 n=0 last=0 depth=0"}));
  // Segments of #103: 2 2 7 7 4, of #104: 2 2 7 7 2.
  auto ssp2 = Make("SSP2");
  EXPECT_EQ(Rows(*ssp2, ComputeWindow(*ssp2, 3, 3, false)),
            (Texts{"2 -> 2 n=2 last=104 depth=1", "7 -> 7 n=2 last=104 depth=1"}));
  // Entries for the segments 2..7, the unused 3..6 included.
  EXPECT_EQ(registry_.FindCode("SS2C1"), -1);
  EXPECT_GE(registry_.FindCode("SS2C3"), 0);
  EXPECT_EQ(registry_.FindCode("SS2C8"), -1);
  // Segment 7 (16..30) holds 1, 1, 2, 2 numbers of #101..#104.
  auto ss2c = Make("SS2C7");
  EXPECT_EQ(Rows(*ss2c, ComputeWindow(*ss2c, 0, 3, false)),
            (Texts{"2 -> 0 n=0 last=0 depth=0", "2 -> 2 n=1 last=104 depth=1"}));
}

// --- The fast kernels of the chain, serial, period and Tesmar statistics against their reference ---

struct TConfigCase {
  const char* Name;
  int32_t ChannelSize;
  std::array<uint8_t, MaxNumber> Segments;
  size_t Step;  // every Step-th combination of the cross-check sample
};

std::array<uint8_t, MaxNumber> SegmentsOf(uint8_t (*segment)(int n)) {
  std::array<uint8_t, MaxNumber> map{};
  for (int n = 1; n <= MaxNumber; ++n) map[n - 1] = segment(n);
  return map;
}

const TConfigCase ConfigCases[] = {
    {"Default", 5, TConfigData::DefaultSegments(), 1},
    {"Size7Map0to9", 7, SegmentsOf([](int n) { return static_cast<uint8_t>(n * 7 % 10); }), 4},
};

// A small archive: twelve draws of numbers spread over the range.
TDrawsArray KernelArchive() {
  TDrawsArray draws;
  uint32_t seed = 12345;
  for (int d = 0; d < 12; ++d) {
    TComb c{};
    for (int i = 0; i < CombSize;) {
      seed = seed * 1103515245u + 12345u;
      const auto n = static_cast<uint8_t>(1 + (seed >> 16) % MaxNumber);
      if (std::find(c.begin(), c.begin() + i, n) == c.begin() + i) c[i++] = n;
    }
    draws.push_back(MakeDraw(300 + d, c));
  }
  return draws;
}

// Under each configuration, against the newest draw, a draw inside the archive (sorted draws) and
// the first one. The period members' test depends on Remove.
const std::vector<test::TAgreementSetup>& NewFamilySetups() {
  static const std::vector<test::TAgreementSetup> setups = [] {
    std::vector<test::TAgreementSetup> all;
    for (const TConfigCase& config : ConfigCases) {
      test::TAgreementSetup s;
      s.Name = config.Name;
      s.Families = {SerialStatClasses(), ChainStatClasses(), TesmarStatClasses()};
      s.Draws = KernelArchive();
      s.Config.ChannelSize = config.ChannelSize;
      s.Config.Segments = config.Segments;
      s.Step = config.Step;
      const int high = static_cast<int>(s.Draws.size()) - 1;
      s.Passes = {{.RefIndex = high}, {.RefIndex = 6, .Sorted = true}, {.RefIndex = 0}};
      // In every pass: the whole window up to RefIndex with what the filter shows for a few
      // combinations (the newest draw among them), however many values that makes.
      s.ExtraSelections = {test::Joined(
          {test::WholeWindow(), test::ShownBy({{1, 2, 3, 4, 5}, {45, 12, 30, 7, 21}, s.Draws[size_t(high)].Nums})})};
      all.push_back(std::move(s));
    }
    return all;
  }();
  return setups;
}

std::vector<test::TAgreementMember> NewFamilyMembers() {
  std::vector<test::TAgreementMember> members;
  for (const test::TAgreementSetup& s : NewFamilySetups()) {
    auto more = test::AgreementMembers(s);
    members.insert(members.end(), more.begin(), more.end());
  }
  return members;
}

using test::StatAgreement;
INSTANTIATE_TEST_SUITE_P(SerialsChainsTesmar, StatAgreement, ::testing::ValuesIn(NewFamilyMembers()),
                         test::AgreementName);

}  // namespace
}  // namespace kivra
