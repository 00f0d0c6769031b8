#include <gtest/gtest.h>

#include <bit>
#include <cstring>
#include <random>

#include "TempDir.h"
#include "stats/SF_Nums.h"
#include "stats/StatPasses.h"
#include "stats/Swar.h"

namespace kivra {
namespace {

TStatDrawRec Occurrence(TStatKey key, int32_t draw, int32_t depth) {
  TStatDrawRec r;
  r.Key = key;
  r.LastDraw = r.PrevDraw = draw;
  r.Depth = depth;
  r.Count = 1;
  return r;
}

TEST(StatValues, AddStatValueMergesAndMeasuresPeriods) {
  const TStatKey k = TStatKey::Words(7);
  TStatDrawArray values;
  TStatDrawRec enumerated;
  enumerated.Key = k;
  enumerated.Count = 0;
  AddStatValue(values, enumerated, false);
  ASSERT_EQ(values.size(), 1u);
  EXPECT_EQ(values[0], enumerated);  // enumerated, never drawn: all zero

  AddStatValue(values, Occurrence(k, 100, 11), true);  // first occurrence measures no period
  EXPECT_EQ(values[0].MinPeriod, 0);
  AddStatValue(values, Occurrence(k, 103, 8), true);
  AddStatValue(values, Occurrence(k, 110, 1), true);
  EXPECT_EQ(values[0].Count, 3);
  EXPECT_EQ(values[0].LastDraw, 110);
  EXPECT_EQ(values[0].Depth, 1);
  EXPECT_EQ(values[0].MinPeriod, 3);
  EXPECT_EQ(values[0].MaxPeriod, 7);

  // The same value twice in one draw: count 2, the period 0 reads as none and is replaced later.
  TStatDrawArray twice;
  AddStatValue(twice, Occurrence(k, 5, 3), true);
  AddStatValue(twice, Occurrence(k, 5, 3), true);
  EXPECT_EQ(twice[0].Count, 2);
  EXPECT_EQ(twice[0].MinPeriod, 0);
  AddStatValue(twice, Occurrence(k, 9, 1), true);
  EXPECT_EQ(twice[0].MinPeriod, 4);
  EXPECT_EQ(twice[0].MaxPeriod, 4);

  // Equal depth: the later merge sets LastDraw; untracked merges measure nothing.
  TStatDrawArray equal;
  AddStatValue(equal, Occurrence(k, 5, 2), false);
  AddStatValue(equal, Occurrence(k, 6, 2), false);
  EXPECT_EQ(equal[0].LastDraw, 6);
  EXPECT_EQ(equal[0].MaxPeriod, 0);
  EXPECT_EQ(equal[0].PrevDraw, 6);

  TStatDrawRec withNorm = Occurrence(TStatKey::Words(8), 1, 1);
  withNorm.Norm = 99;
  AddStatValue(values, withNorm, true);
  EXPECT_EQ(values[1].Norm, 0);
}

// Under a key index scope the merges give the records the scan gives, in the same order, also
// when the array gets records behind the index's back (a duplicate key stays with the first
// record) or a record's key is changed; arrays other than the scope's are scanned.
TEST(StatValues, KeyIndexScopeMergesAsTheScan) {
  std::mt19937 rng(77);
  std::vector<TStatDrawRec> occurrences;
  for (int i = 0; i < 4000; ++i) {
    const auto key = TStatKey::Words(static_cast<uint16_t>(rng() % 500), static_cast<uint16_t>(rng() % 3));
    occurrences.push_back(Occurrence(key, 1 + static_cast<int32_t>(rng() % 900), 1 + static_cast<int32_t>(rng() % 50)));
  }
  auto merge = [&](TStatDrawArray& values, TStatDrawArray& other, size_t from, size_t to) {
    for (size_t i = from; i < to; ++i) {
      AddStatValue(values, occurrences[i], i % 3 != 0);
      if (i % 100 == 0) AddStatValue(other, occurrences[i], true);
    }
  };
  auto behindTheIndex = [](TStatDrawArray& values) {
    values.push_back(Occurrence(values[5].Key, 3, 3));  // a second record of a key
    values.push_back(Occurrence(TStatKey::Words(9999), 4, 4));
  };
  TStatDrawArray scanned, scannedOther;
  merge(scanned, scannedOther, 0, 2000);
  behindTheIndex(scanned);
  merge(scanned, scannedOther, 2000, 3000);
  scanned[7].Key = TStatKey::Words(8888);
  merge(scanned, scannedOther, 3000, occurrences.size());

  TStatDrawArray indexed, indexedOther;
  {
    TStatKeyIndexScope scope(indexed);
    merge(indexed, indexedOther, 0, 2000);
    behindTheIndex(indexed);
    merge(indexed, indexedOther, 2000, 3000);
    indexed[7].Key = TStatKey::Words(8888);
    merge(indexed, indexedOther, 3000, occurrences.size());
  }
  EXPECT_EQ(indexed, scanned);
  EXPECT_EQ(indexedOther, scannedOther);
  EXPECT_GT(scanned.size(), 1000u);
}

TEST(StatValues, AggregateSortAndLastSeen) {
  const TStatAggregate empty = AggregateStats({});
  EXPECT_EQ(empty.MinCount, 2147483647);
  EXPECT_EQ(empty.MaxCount, 0);
  EXPECT_EQ(empty.Total, 0);
  EXPECT_EQ(empty.MaxDepth, 0);

  TStatDrawArray v(4);
  v[0].Key = TStatKey::Words(2, 1);
  v[0].Count = 5;
  v[0].Depth = 0;
  v[1].Key = TStatKey::Words(1, 0xFFFF);
  v[1].Count = 0;
  v[1].Depth = 9;
  v[2].Key = TStatKey::Words(1, 2);
  v[2].Count = 2;
  v[2].Depth = 3;
  v[3].Key = TStatKey::Words(2, 1);  // equal key: the stable sort keeps it after v[0]
  v[3].Count = 7;
  const TStatAggregate a = AggregateStats(v);
  EXPECT_EQ(a.MinCount, 0);
  EXPECT_EQ(a.MaxCount, 7);
  EXPECT_EQ(a.Total, 14);
  EXPECT_EQ(a.MaxDepth, 9);
  SortStatValues(v);
  EXPECT_EQ(v[0].Key, TStatKey::Words(1, 2));
  EXPECT_EQ(v[1].Key, TStatKey::Words(1, 0xFFFF));
  EXPECT_EQ(v[2].Count, 5);
  EXPECT_EQ(v[3].Count, 7);

  TLastValueArray seen;
  EXPECT_EQ(NoteLastSeen({10, 0, TStatKey::Words(3)}, seen), -1);
  EXPECT_EQ(NoteLastSeen({14, 0, TStatKey::Words(3)}, seen), 4);
  EXPECT_EQ(seen[0].Draw, 14);

  TStatSimpleArray simple;
  AddSimpleValue(simple, 5, 1);
  AddSimpleValue(simple, 2, 1);
  AddSimpleValue(simple, 5, 2);
  AddSimpleValue(simple, 5, 0);
  SortSimpleValues(simple);
  EXPECT_EQ(simple, (TStatSimpleArray{{2, 1}, {5, 3}}));
}

TEST(StatValues, KeyViews) {
  const TStatKey k = TStatKey::Words(0x0201, 0x0403, 0x0605, 0x0807);
  EXPECT_EQ(k.B(1), 1);
  EXPECT_EQ(k.B(8), 8);
  EXPECT_EQ(k.L1(), 0x04030201);
  EXPECT_EQ(k.L2(), 0x08070605);
  EXPECT_EQ(TStatKey::Longs(-1).K1(), 0xFFFF);
  EXPECT_EQ(TStatKey::Longs(-1).K3(), 0);
}

// The fast selection answers every test exactly as the linear scan does.
TEST(Selection, FastEqualsLinear) {
  std::mt19937 rng(7);
  for (int round = 0; round < 40; ++round) {
    TStatDrawArray sel(round % 6);
    for (auto& r : sel) {
      switch (rng() % 4) {
        case 0: r.Key = TStatKey::Words(static_cast<uint16_t>(rng() % 50)); break;
        case 1: r.Key = TStatKey::Words(static_cast<uint16_t>(rng() % 50), static_cast<uint16_t>(rng() % 3)); break;
        case 2:
          r.Key = TStatKey::Longs(static_cast<int32_t>(rng() % 400) - 200, static_cast<int32_t>(rng() % 3));
          break;
        default: r.Key = TStatKey(uint64_t{rng()} << 32 | rng()); break;
      }
    }
    const TLinearSelection lin(sel);
    const TFastSelection fast(sel);
    auto probe = [&](TStatKey k) {
      for (int w = 0; w <= 5; ++w) EXPECT_EQ(lin.Word(w, k.K1()), fast.Word(w, k.K1()));
      for (int b = 0; b <= 9; ++b) EXPECT_EQ(lin.Byte(b, k.B(1)), fast.Byte(b, k.B(1)));
      for (int l = 0; l <= 3; ++l) EXPECT_EQ(lin.Long(l, k.L1()), fast.Long(l, k.L1()));
      EXPECT_EQ(lin.Key(k.K1(), k.K2(), k.K3(), k.K4()), fast.Key(k.K1(), k.K2(), k.K3(), k.K4()));
      EXPECT_EQ(lin.Pair(k.K1(), k.K3()), fast.Pair(k.K1(), k.K3()));
    };
    for (const auto& r : sel) probe(r.Key);
    for (int i = 0; i < 200; ++i) {
      probe(TStatKey::Words(static_cast<uint16_t>(rng() % 60), static_cast<uint16_t>(rng() % 3)));
      probe(TStatKey::Longs(static_cast<int32_t>(rng() % 500) - 250));
      probe(TStatKey(uint64_t{rng()} << 32 | rng()));
    }
  }
}

TEST(StatFramework, CaptionsAndParsing) {
  EXPECT_EQ(MaskCaption(20, "Ч", "н"), "нЧнЧЧ (020)");
  EXPECT_EQ(MaskCaption(0, "Ч", "н"), "ЧЧЧЧЧ (000)");
  EXPECT_EQ(MaskCaption(31, "Ч", "н"), "ннннн (031)");
  EXPECT_EQ(ParseMask("нЧЧЧЧ (016)", "н"), 16);
  EXPECT_EQ(ParseMask("11122 (003)", "2"), 3);
  EXPECT_EQ(ParseMask("нн", "н"), 3);

  TDrawsArray draws;
  TStatEnv env{&draws, {}, {}};
  auto even = StatClassOf<TstEvenCount>().Create(env, 0);
  TStatDrawRec r;
  r.Key = TStatKey::Words(0);
  EXPECT_EQ(even->ValueCaption(r), "0:5");
  r.Key = TStatKey::Words(2);
  EXPECT_EQ(even->ValueCaption(r), "2:3");
  EXPECT_EQ(even->ParseValue("3:2"), 3);
  EXPECT_EQ(even->ParseValue(":2"), 0);
  EXPECT_EQ(even->ParseValue("x"), 0);
  EXPECT_EQ(DecimalOrZero(" 12 "), 12);
  EXPECT_EQ(DecimalOrZero("0x10"), 0);

  EXPECT_EQ(GroupTag(0), "num");
  EXPECT_EQ(GroupTag(12), "shr");
  EXPECT_EQ(GroupTag(13), "");
  EXPECT_EQ(OptionLetters(OptS | OptN | FlagG), "SNG");
  EXPECT_EQ(OptionLetters(OptD | OptP), "DP");
  EXPECT_EQ(StatClassOf<TstEvenCount>().GetFlags(), OptN | FlagG);
}

TEST(StatFramework, HelpTopics) {
  test::TTempDir dir;
  const TStatClass& cls = StatClassOf<TstEvenCount>();
  EXPECT_EQ(cls.HelpTopicFor(0, dir / "Sorta_RUS.chm"), "");
  EXPECT_EQ(cls.HelpTopicFor(0, ""), "");
  test::WriteBytes(dir / "Sorta_RUS.chm", "x");
  EXPECT_EQ(cls.HelpTopicFor(0, dir / "Sorta_RUS.chm"),
            "ms-its:" + (dir / "Sorta_RUS.chm").string() + "::/Filters_1049_EVEN.htm");
}

class WindowProtocol : public ::testing::Test {
 protected:
  void SetUp() override {
    const TComb nums[] = {{2, 4, 6, 8, 10}, {1, 3, 5, 7, 9}, {2, 3, 5, 7, 9}, {2, 4, 5, 7, 9}, {1, 4, 6, 8, 9}};
    for (int i = 0; i < 5; ++i) {
      TDraw d;
      d.Number = 101 + i;
      d.Nums = nums[i];
      draws.push_back(d);
    }
  }
  TDrawsArray draws;
  TStatEnv env{&draws, {}, {}};
};

TEST_F(WindowProtocol, ReadDrawAndFindNextDraw) {
  auto stat = StatClassOf<TstEvenCount>().Create(env, 0);
  EXPECT_EQ(stat->ReadDraw(-1, false).Number, 0);
  EXPECT_EQ(stat->ReadDraw(5, true).Nums, TComb{});
  EXPECT_EQ(stat->ReadDraw(2, false).Number, 103);

  TStatDrawRec r;
  r.Key = TStatKey::Words(1);  // one even number: draw 103 (2) comes first at or after index 1
  EXPECT_EQ(stat->FindNextDraw(r, 1, 4, false), 103);
  r.Key = TStatKey::Words(4);
  EXPECT_EQ(stat->FindNextDraw(r, 0, 4, false), -1);
  EXPECT_EQ(stat->FindNextDraw(r, 5, 4, false), -1);

  TDrawsArray empty;
  TStatEnv emptyEnv{&empty, {}, {}};
  EXPECT_EQ(StatClassOf<TstEvenCount>().Create(emptyEnv, 0)->ReadDraw(0, false).Number, 0);
}

TEST_F(WindowProtocol, ComputeWindowEnumeratesThenCountsOldestFirst) {
  auto stat = StatClassOf<TstEvenCount>().Create(env, 0);
  const TStatDrawArray values = ComputeWindow(*stat, 0, 4, false);
  // Domain 1..5 first (0 is not enumerated), then 0 when it occurs.
  ASSERT_EQ(values.size(), 6u);
  for (int k = 0; k < 5; ++k) EXPECT_EQ(values[k].Key, TStatKey::Words(static_cast<uint16_t>(k + 1)));
  EXPECT_EQ(values[5].Key, TStatKey::Words(0));
  EXPECT_EQ(values[4].Count, 1);  // 5 even: draw 101, depth 5
  EXPECT_EQ(values[4].Depth, 5);
  EXPECT_EQ(values[4].LastDraw, 101);
  EXPECT_EQ(values[2].Count, 1);  // 3 even: draw 105, the newest
  EXPECT_EQ(values[2].Depth, 1);
  EXPECT_EQ(values[3].Count, 0);  // 4 even never occurred
  EXPECT_EQ(values[3].Depth, 0);
  EXPECT_EQ(values[3].LastDraw, 0);
  EXPECT_EQ(values[5].LastDraw, 102);
  EXPECT_TRUE(ComputeWindow(*stat, 3, 2, false).empty());
}

// The parallel passes give byte-identical results to the serial ones, also in place.
TEST(StatPasses, ParallelEqualsSerial) {
  TDrawsArray draws;
  TStatEnv env{&draws, {}, {}};
  auto stat = StatClassOf<TstEvenCount>().Create(env, 0);
  const TCombsArray& all = FullCombinationSet();
  ASSERT_EQ(all.size(), FullSetSize);
  TStatDrawArray sel(2);
  sel[0].Key = TStatKey::Words(1);
  sel[1].Key = TStatKey::Words(4);
  for (bool remove : {false, true}) {
    TCombsArray serial(all.size()), parallel(all.size());
    const size_t n1 = FilterCombs(*stat, all, serial.data(), sel, -1, false, remove, 1);
    const size_t n2 = FilterCombs(*stat, all, parallel.data(), sel, -1, false, remove, 3);
    ASSERT_EQ(n1, n2);
    EXPECT_TRUE(std::equal(serial.begin(), serial.begin() + n1, parallel.begin()));
    TCombsArray inPlace = all;
    const size_t n3 = FilterCombs(*stat, inPlace, inPlace.data(), sel, -1, false, remove, 2);
    ASSERT_EQ(n3, n1);
    EXPECT_TRUE(std::equal(serial.begin(), serial.begin() + n1, inPlace.begin()));
  }
  EXPECT_EQ(FilterCombs(*stat, all, TCombsArray(all.size()).data(), {}, -1, false, false, 2), 0u);

  const TStatDrawArray counts1 = CountCombValues(*stat, all, 1);
  EXPECT_EQ(CountCombValues(*stat, all, 2), counts1);
  TStatDrawArray reference;
  for (size_t i = 0; i < 200000; ++i) stat->CombValues(all[i], reference);
  EXPECT_EQ(CountCombValues(*stat, std::span(all).first(200000), 3), reference);
}

TEST(StatPasses, KeyCounterKeepsFirstSeenOrderAcrossLanesAndParts) {
  TKeyCounter a, b, whole;
  const TStatKey keys[] = {TStatKey::Words(3, 1), TStatKey::Words(5), TStatKey(0xFFFFFFFFFFFFFFFFull),
                           TStatKey::Words(3, 1), TStatKey::Words(9, 9, 9, 9)};
  TStatDrawArray reference;
  for (int i = 0; i < 300; ++i) {  // enough wide keys to grow the hash a few times
    const TStatKey k = i % 5 == 0 ? TStatKey::Words(static_cast<uint16_t>(i), 7, i % 2) : keys[i % 5];
    const uint64_t first = uint64_t(i) << 4;
    (i < 150 ? a : b).Add(k, i % 3, first);
    whole.Add(k, (i * 7) % TKeyCounter::Lanes, first);
    TStatDrawRec r;
    r.Key = k;
    r.Count = 1;
    AddStatValue(reference, r, false);
  }
  b.Merge(a);  // merging in either order gives the same records
  EXPECT_EQ(b.Records(), reference);
  EXPECT_EQ(whole.Records(), reference);
}

// The word arithmetic of the fast kernels against plain byte loops, junk in the top three bytes.
TEST(Swar, MatchesByteLoops) {
  std::mt19937_64 rng(11);
  for (int round = 0; round < 20000; ++round) {
    uint64_t w = rng();
    if (round < 256) w = (w & ~0xFFull) | static_cast<uint64_t>(round);  // every value of a byte
    TComb c;
    std::memcpy(c.data(), &w, 5);
    uint32_t sum = 0, mask = 0, small = 0, large = 0;
    int even = 0;
    for (int p = 0; p < 5; ++p) {
      sum += c[p];
      even += c[p] % 2 == 0;
      mask = mask * 2 + (c[p] % 2);
      small += c[p] <= 22;
      large = large * 2 + (c[p] >= 23);
      EXPECT_EQ(swar::ByteAt(w, p), c[p]);
    }
    ASSERT_EQ(swar::SumBytes(w), sum) << std::hex << w;
    ASSERT_EQ(swar::CountLowBits(swar::EvenBits(w)), even) << std::hex << w;
    ASSERT_EQ(swar::CountLowBits(w), 5 - even) << std::hex << w;
    ASSERT_EQ(swar::PositionMask(w), mask) << std::hex << w;
    ASSERT_EQ(5 - std::popcount(swar::BytesAtLeast(w, 23)), static_cast<int>(small)) << std::hex << w;
    ASSERT_EQ(swar::PositionMask(swar::BytesAtLeast(w, 23) >> 7), large) << std::hex << w;
  }
}

}  // namespace
}  // namespace kivra
