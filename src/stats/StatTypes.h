// Value records of the statistics and the routines that merge and search them.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace kivra {

// The 8-byte identity of a statistic value with its overlapping little-endian views: four 16-bit
// words K1..K4, eight bytes B1..B8 and two signed 32-bit integers L1 (= K1, K2) and L2 (= K3, K4).
class TStatKey {
 public:
  constexpr TStatKey() = default;
  constexpr explicit TStatKey(uint64_t raw) : raw_(raw) {}

  static constexpr TStatKey Words(uint16_t k1, uint16_t k2 = 0, uint16_t k3 = 0, uint16_t k4 = 0) {
    return TStatKey(uint64_t{k1} | uint64_t{k2} << 16 | uint64_t{k3} << 32 | uint64_t{k4} << 48);
  }
  static constexpr TStatKey Longs(int32_t l1, int32_t l2 = 0) {
    return TStatKey(uint64_t{static_cast<uint32_t>(l1)} | uint64_t{static_cast<uint32_t>(l2)} << 32);
  }

  constexpr uint64_t Raw() const { return raw_; }
  constexpr uint16_t K(int which) const { return static_cast<uint16_t>(raw_ >> (16 * (which - 1))); }  // 1..4
  constexpr uint8_t B(int which) const { return static_cast<uint8_t>(raw_ >> (8 * (which - 1))); }     // 1..8
  constexpr int32_t L(int which) const {                                                               // 1..2
    return static_cast<int32_t>(static_cast<uint32_t>(raw_ >> (32 * (which - 1))));
  }
  constexpr uint16_t K1() const { return K(1); }
  constexpr uint16_t K2() const { return K(2); }
  constexpr uint16_t K3() const { return K(3); }
  constexpr uint16_t K4() const { return K(4); }
  constexpr int32_t L1() const { return L(1); }
  constexpr int32_t L2() const { return L(2); }

  // The sort order of values: K1, then K2, K3, K4, each as an unsigned word.
  constexpr uint64_t SortKey() const {
    return uint64_t{K1()} << 48 | uint64_t{K2()} << 32 | uint64_t{K3()} << 16 | K4();
  }

  constexpr bool operator==(const TStatKey&) const = default;

 private:
  uint64_t raw_ = 0;
};

// One value of a distribution with its counters (32 bytes).
struct TStatDrawRec {
  int32_t LastDraw = 0;    // draw number of the newest occurrence; 0 when it never occurred
  int32_t Depth = 0;       // RefIndex - Index + 1 of that occurrence; 0 when it never occurred
  int32_t PrevDraw = 0;    // draw number of the occurrence merged last (for periods)
  uint16_t MinPeriod = 0;  // smallest distance between consecutive occurrences; 0 = none
  uint16_t MaxPeriod = 0;  // largest such distance; 0 = none
  int32_t Count = 0;       // occurrences
  int32_t Norm = 0;        // expected count from the full-set comparison
  TStatKey Key;

  bool operator==(const TStatDrawRec&) const = default;
};
static_assert(sizeof(TStatDrawRec) == 32);

using TStatDrawArray = std::vector<TStatDrawRec>;

// Where a key was last seen (the period statistics).
struct TLastSeenRec {
  int32_t Draw = 0;
  int32_t Unused = 0;
  TStatKey Key;
};
static_assert(sizeof(TLastSeenRec) == 16);
using TLastValueArray = std::vector<TLastSeenRec>;

// (key, amount) pairs: chart counts and scratch (group, count) lists.
struct TStatSimpleRec {
  int32_t Key = 0;
  int32_t Amount = 0;
  bool operator==(const TStatSimpleRec&) const = default;
};
using TStatSimpleArray = std::vector<TStatSimpleRec>;

// Adds amount to the pair with that key when amount > 0, or appends (key, amount) when there is none.
void AddSimpleValue(TStatSimpleArray& values, int32_t key, int32_t amount);
void SortSimpleValues(TStatSimpleArray& values);  // ascending by key, stable

// Scratch that persists across the draws of one window pass (the serial statistics use it).
using TStatWork = std::array<uint8_t, 540>;

// Merges one occurrence into the distribution (linear search by key, or the index of an open
// TStatKeyIndexScope over the array). With Track set, the distance from the previous merged
// occurrence updates the periods.
void AddStatValue(TStatDrawArray& values, const TStatDrawRec& v, bool track);

// While open, AddStatValue on this thread finds the keys of the one array given by a hash index
// instead of scanning it: a window pass merges thousands of occurrences into as many distinct
// values. The index follows the array as AddStatValue appends to it; records appended by other
// means are taken in at the next call (the first record of a key keeps it, as the scan finds it),
// and a record found under another key than indexed makes it index the array again. An inner
// scope takes over until it closes.
class TStatKeyIndexScope {
 public:
  explicit TStatKeyIndexScope(TStatDrawArray& values);
  ~TStatKeyIndexScope();
  TStatKeyIndexScope(const TStatKeyIndexScope&) = delete;
  TStatKeyIndexScope& operator=(const TStatKeyIndexScope&) = delete;

  // The record with the key (first of them), or null; `values` must be the scope's array.
  TStatDrawRec* Find(TStatDrawArray& values, uint64_t key);
  // Records that values.back() has just been appended with its key, absent before.
  void Appended(const TStatDrawArray& values);
  const TStatDrawArray* Array() const { return values_; }

 private:
  void Insert(uint64_t key, uint32_t position);
  void Rebuild();
  void Catch();  // indexes records appended since the last call

  TStatDrawArray* values_;
  TStatKeyIndexScope* outer_;
  std::vector<uint64_t> keys_;       // open addressing, a power of two slots
  std::vector<uint32_t> positions_;  // position + 1; 0 = empty slot
  size_t used_ = 0;
  size_t indexed_ = 0;  // records of the array taken in
};

struct TStatAggregate {
  int32_t MinCount = 2147483647;
  int32_t MaxCount = 0;
  int64_t Total = 0;
  int32_t MaxDepth = 0;
};
TStatAggregate AggregateStats(const TStatDrawArray& values);

void SortStatValues(TStatDrawArray& values);  // stable, by K1, K2, K3, K4 ascending

// Stores the record's draw in the entry with its key and returns the distance from the draw stored
// before, or appends the record and returns -1.
int32_t NoteLastSeen(const TLastSeenRec& rec, TLastValueArray& seen);

// The selected-set tests: a linear scan that stops at the first hit; false for an empty array or a
// view index out of range.
bool ContainsKey(const TStatDrawArray& sel, uint16_t k1, uint16_t k2, uint16_t k3, uint16_t k4);
bool ContainsWord(const TStatDrawArray& sel, int which, uint16_t w);
bool ContainsByte(const TStatDrawArray& sel, int which, uint8_t b);
bool ContainsLong(const TStatDrawArray& sel, int which, int32_t v);
bool ContainsPair(const TStatDrawArray& sel, uint16_t a, uint16_t b);

}  // namespace kivra
