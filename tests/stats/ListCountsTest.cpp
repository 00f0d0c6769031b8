// The column "В списке": every row's count against a real keep by that row, for every registry
// entry, on a small list, a list of odd combinations and the full set; the index of row keys.
#include "stats/ListCounts.h"
#include "stats/StatTestUtil.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "stats/RowKeyIndex.h"
#include "stats/StatList.h"
#include "stats/StatPasses.h"

namespace kivra {
namespace {

// A registry over a seeded random archive of 300 draws, with five segments of nine numbers.
struct TRegistry {
  TDrawsArray draws;
  TStatList list;
  TRegistry() : draws(test::RandomDraws(300, 4520)) {
    TConfigData config;
    for (int n = 0; n < MaxNumber; ++n) config.Segments[n] = static_cast<uint8_t>(n / 9 + 1);
    list.SetDraws(&draws);
    list.SetConfig(config, TShreddingConfig{});
    list.Build();
  }
};

const TRegistry& Registry() {
  static const TRegistry registry;
  return registry;
}

// Every 29th combination of the full set, every 7th of them with its numbers in reverse order.
const TCombsArray& SmallList() {
  static const TCombsArray list = [] {
    TCombsArray l;
    const TCombsArray& all = FullCombinationSet();
    for (size_t i = 0; i < all.size(); i += 29) {
      TComb c = all[i];
      if (l.size() % 7 == 3) std::reverse(c.begin(), c.end());
      l.push_back(c);
    }
    return l;
  }();
  return list;
}

// Combinations a list file may hold besides those of the full set: numbers outside 1..45 (0, 46,
// 255), repeated numbers, and their mixes with ordinary ones; each also with its numbers reversed.
const TCombsArray& OddList() {
  static const TCombsArray list = [] {
    TCombsArray l;
    const TCombsArray& all = FullCombinationSet();
    const uint8_t odd[] = {0, 46, 255};
    for (size_t i = 0; i < all.size(); i += 997) {
      TComb c = all[i];
      switch (l.size() % 4) {
        case 0: c[i % 5] = odd[i % 3]; break;
        case 1: c[(i + 1) % 5] = c[i % 5]; break;
        case 2: c = {odd[i % 3], c[1], c[1], odd[(i + 1) % 3], c[4]}; break;
        default: break;
      }
      l.push_back(c);
      std::reverse(c.begin(), c.end());
      l.push_back(c);
    }
    return l;
  }();
  return list;
}

size_t RealKeep(TCustomStat& stat, std::span<const TComb> list, const TStatDrawArray& selected, int refIndex,
                bool sorted) {
  std::vector<TComb> out(list.size());
  return FilterCombs(stat, list, out.data(), selected, refIndex, sorted, false, 1);
}

// At most `n` positions of 0..size-1, evenly spread, the first and the last included.
std::vector<size_t> Sample(size_t size, size_t n) {
  std::vector<size_t> at;
  if (size == 0) return at;
  if (size <= n) {
    for (size_t i = 0; i < size; ++i) at.push_back(i);
    return at;
  }
  for (size_t k = 0; k < n; ++k) at.push_back(k * (size - 1) / (n - 1));
  return at;
}

enum class TListKind { Small, Odd, Full };

struct TCase {
  const char* Name;
  TListKind List;
  int RefBack;  // the newest draw in use: this many before the last
  bool Sorted;
  size_t Rows;  // rows compared with a real keep
  unsigned Threads;
};

class ListCounts : public ::testing::TestWithParam<int> {};

TEST_P(ListCounts, EveryRowEqualsARealKeepAndTheUnionToo) {
  const TRegistry& reg = Registry();
  const int entry = GetParam();
  const auto stat = reg.list.CreateStat(entry);
  const int high = static_cast<int>(reg.draws.size()) - 1;
  const TCase cases[] = {
      {"small list", TListKind::Small, 0, false, 40, 1},
      {"small list, offset 5, sorted draws", TListKind::Small, 5, true, 40, 2},
      {"odd combinations", TListKind::Odd, 0, false, 40, 1},
      {"full set", TListKind::Full, 0, false, 5, 2},  // every 13th combination under the sanitizers
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    const std::span<const TComb> list = c.List == TListKind::Full  ? test::CrossCheckCombinations()
                                        : c.List == TListKind::Odd ? OddList()
                                                                   : SmallList();
    const int ref = high - c.RefBack;
    // The table's records: a 200-draw window ending at the newest draw in use.
    const TStatDrawArray rows = ComputeWindow(*stat, ref - 199, ref, c.Sorted);
    const std::vector<uint32_t> counts = CountRowsInList(*stat, list, rows, ref, c.Sorted, c.Threads);
    ASSERT_EQ(counts.size(), rows.size());
    for (size_t i : Sample(rows.size(), c.Rows))
      ASSERT_EQ(counts[i], RealKeep(*stat, list, {rows[i]}, ref, c.Sorted))
          << "row " << i << " " << stat->ValueCaption(rows[i]);
    // Three rows at once: the combinations that show several of them count once.
    TStatDrawArray selected;
    for (size_t i : Sample(rows.size(), 3)) selected.push_back(rows[i]);
    EXPECT_EQ(CountSelectedInList(*stat, list, selected, ref, c.Sorted, c.Threads),
              RealKeep(*stat, list, selected, ref, c.Sorted));
  }
}

std::string EntryName(const ::testing::TestParamInfo<int>& info) {
  std::string name = Registry().list.Code(info.param);
  for (char& ch : name)
    if (!std::isalnum(static_cast<unsigned char>(ch))) ch = '_';
  return name + "_" + std::to_string(info.param);
}

INSTANTIATE_TEST_SUITE_P(Registry, ListCounts, ::testing::Range(0, Registry().list.Count()), EntryName);

TEST(ListCountsEdges, EmptyListsAndRowsCountNothing) {
  const TRegistry& reg = Registry();
  const auto nums = reg.list.CreateStat(reg.list.FindCode("NUMS"));
  const TStatDrawArray rows = ComputeWindow(*nums, 0, 10, false);
  EXPECT_EQ(CountRowsInList(*nums, {}, rows, 10, false), std::vector<uint32_t>(rows.size(), 0));
  EXPECT_TRUE(CountRowsInList(*nums, SmallList(), {}, 10, false).empty());
  EXPECT_EQ(CountSelectedInList(*nums, SmallList(), {}, 10, false), 0u);
  // Two rows with the same value count the same.
  const TStatDrawArray twice = {rows[0], rows[0]};
  const auto counts = CountRowsInList(*nums, SmallList(), twice, 10, false);
  EXPECT_EQ(counts[0], counts[1]);
  EXPECT_EQ(counts[0], RealKeep(*nums, SmallList(), {rows[0]}, 10, false));
}

// Keys of every kind (dense, pairs of byte words, wider) are found under the id of their first
// row and nothing else is; cells exist exactly when no key is wider than a pair.
TEST(ListCountsEdges, RowKeyIndexFindsEveryKeyAndNothingElse) {
  std::vector<TStatKey> keys = {TStatKey::Words(7),          TStatKey::Words(3, 9),   TStatKey::Words(255, 255),
                                TStatKey::Words(65535),      TStatKey::Words(256, 1), TStatKey::Words(1, 2, 3),
                                TStatKey::Words(0, 0, 0, 1), TStatKey::Words(3, 9)};
  for (uint16_t a = 1; a <= 45; ++a)  // enough wide keys to fill the hash and its filter
    for (uint16_t b = 1; b <= 45; b += 2) keys.push_back(TStatKey::Words(a, b, static_cast<uint16_t>(a + b)));
  const TRowKeyIndex index(keys);
  for (size_t i = 0; i < keys.size(); ++i) {
    ASSERT_EQ(index.Find(keys[i].Raw()), index.RowId(i)) << i;
    ASSERT_EQ(index.Key(index.RowId(i)), keys[i].Raw());
  }
  EXPECT_EQ(index.RowId(7), index.RowId(1));
  EXPECT_EQ(index.Size(), keys.size() - 1);
  EXPECT_EQ(index.CellLimit(), 0u);
  for (uint16_t a = 1; a <= 45; ++a)
    for (uint16_t b = 1; b <= 45; ++b)
      ASSERT_EQ(index.Find(TStatKey::Words(a, b, static_cast<uint16_t>(a + b + 100)).Raw()), TRowKeyIndex::None);
  for (const TStatKey absent : {TStatKey::Words(8), TStatKey::Words(9, 3), TStatKey::Words(3, 9, 1),
                                TStatKey::Words(1, 256), TStatKey::Words(1, 2, 4), TStatKey::Words(0, 0, 1)})
    EXPECT_EQ(index.Find(absent.Raw()), TRowKeyIndex::None) << absent.Raw();

  const std::vector<TStatKey> narrow = {TStatKey::Words(7), TStatKey::Words(3, 9), TStatKey::Words(40)};
  const TRowKeyIndex cells(narrow);
  size_t cell = 0;
  ASSERT_TRUE(TRowKeyIndex::CellOf(TStatKey::Words(3, 9).Raw(), cell));
  EXPECT_EQ(cells.CellLimit(), cell + 1);
  EXPECT_FALSE(TRowKeyIndex::CellOf(TStatKey::Words(1, 2, 3).Raw(), cell));
  EXPECT_EQ(cells.Find(TStatKey::Words(9, 3).Raw()), TRowKeyIndex::None);
  EXPECT_EQ(TRowKeyIndex({}).CellLimit(), 0u);
}

}  // namespace
}  // namespace kivra
