// What the channel, matrix and segment families share: a grouping of the numbers (a channel, a
// matrix column or row, a segment) held as a 256-entry table, so that any byte 0..255 of a
// combination has a group and no lookup leaves the table; the number of different groups among
// the five numbers; the count of numbers in one group; the occupancy list (one (group, count) value
// per listed group); and the tuple members, which take the groups of two, three or four positions
// either over every set of positions ("Mix") or over neighbouring positions only ("Seq").
//
// Each helper computes its values once plainly (the reference the filter test is held to) and,
// where it pays, once more in a faster form for the fast filter and counting kernels; both forms
// agree for every byte value. Most also give their values as a column program, which the vector
// kernels run on combinations of the numbers 1..45.
#pragma once

#include <array>
#include <bit>
#include <cstdint>
#include <cstring>
#include <span>
#include <string>
#include <string_view>
#include <utility>

#include "core/SysFormat.h"
#include "stats/CustomStat.h"
#include "stats/Swar.h"

namespace kivra {

// The group of each byte value.
using TGroupTable = std::array<uint8_t, 256>;

// The number of set bits (without assuming a popcount instruction).
constexpr int BitCount(uint64_t x) {
  x = x - ((x >> 1) & 0x5555'5555'5555'5555ull);
  x = (x & 0x3333'3333'3333'3333ull) + ((x >> 2) & 0x3333'3333'3333'3333ull);
  x = (x + (x >> 4)) & 0x0F0F'0F0F'0F0F'0F0Full;
  return static_cast<int>((x * 0x0101'0101'0101'0101ull) >> 56);
}

constexpr int LowestBit(uint64_t x) { return std::countr_zero(x); }

// --- Column programs ---
// A program runs on combinations of the numbers 1..45 only (ColumnProgram.h); its tables follow
// the group table there and are 0 where the program never reads them.

// Registers holding the group of each of the five positions.
struct TGroupColumns {
  int G[CombSize];

  TGroupColumns(TColumnProgram& prog, const TGroupTable& table) : G{} {
    const int t = prog.Table([&](int n) { return table[n]; });
    for (int k = 0; k < CombSize; ++k) G[k] = prog.Lut(k, t);
  }
};

// The different groups of the numbers 1..45, in the order the numbers reach them, and for each
// number the place of its group in that list.
struct TNumberGroups {
  int Count = 0;
  std::array<uint8_t, MaxNumber> Groups{};
  std::array<uint8_t, 64> Place{};  // by number; 0 outside 1..45

  explicit TNumberGroups(const TGroupTable& table) {
    std::array<int, 256> place;
    place.fill(-1);
    for (int n = 1; n <= MaxNumber; ++n) {
      int& p = place[table[n]];
      if (p < 0) {
        p = Count;
        Groups[Count++] = table[n];
      }
      Place[n] = static_cast<uint8_t>(p);
    }
  }
};

// The groups of the five numbers, in position order.
struct TCombGroups {
  uint8_t G[CombSize];

  static TCombGroups Of(const TComb& c, const TGroupTable& table) {
    return {{table[c[0]], table[c[1]], table[c[2]], table[c[3]], table[c[4]]}};
  }
  // How many different groups the five numbers fall into (1..5).
  constexpr int Distinct() const {
    const uint8_t a = G[0], b = G[1], c = G[2], d = G[3], e = G[4];
    return 1 + (b != a) + ((c != a) & (c != b)) + ((d != a) & (d != b) & (d != c)) +
           ((e != a) & (e != b) & (e != c) & (e != d));
  }
  // How many of the five numbers fall into group g (any int: groups are 0..255).
  constexpr int CountOf(int g) const { return (G[0] == g) + (G[1] == g) + (G[2] == g) + (G[3] == g) + (G[4] == g); }
};

// How many different groups the five numbers fall into. The fast form gives every group that
// occurs among the 256 byte values its own bit, so the groups of the five combine with OR; it
// needs at most 64 such groups (true of the usual configurations) and compares otherwise.
class TDistinctGroups {
 public:
  // `table` must outlive this object (both belong to one statistic).
  void Build(const TGroupTable& table) {
    table_ = &table;
    std::array<int, 256> index;
    index.fill(-1);
    int next = 0;
    bits_ = true;
    for (int n = 0; n < 256; ++n) {
      int& i = index[table[n]];
      if (i < 0) {
        if (next == 64) {
          bits_ = false;
          return;
        }
        i = next++;
      }
      bit_[n] = uint64_t{1} << i;
    }
  }
  int Count(const TComb& c) const { return TCombGroups::Of(c, *table_).Distinct(); }
  // The count as a column program; returns its register. With up to 11 different groups among
  // the numbers 1..45, the first 8 are bits of a byte, counted by the popcount of their OR, and
  // the others are base-6 digits holding their counts (0..5), counted by the digits that are not
  // 0; with more groups each position is compared with the ones before it.
  int Columns(TColumnProgram& prog) const {
    const TNumberGroups groups(*table_);
    if (groups.Count <= 11) {
      auto popcount = [](int m) { return std::popcount(static_cast<unsigned>(m)); };
      auto digits = [](int x) { return (x % 6 != 0) + (x / 6 % 6 != 0) + (x / 36 != 0); };
      auto placeOf = [&](int n) { return n >= 1 && n <= MaxNumber ? groups.Place[n] : -1; };
      const int bits = prog.Table([&](int n) { return placeOf(n) >= 0 && placeOf(n) < 8 ? 1 << placeOf(n) : 0; });
      int any = prog.Lut(0, bits);
      for (int k = 1; k < CombSize; ++k) any = prog.Or(any, prog.Lut(k, bits));
      // Up to six groups (and two base-6 digits) stay below 64, which one table covers.
      int count = groups.Count <= 6 ? prog.Lut(any, prog.Table(popcount)) : prog.Lut256(any, prog.Table256(popcount));
      if (groups.Count > 8) {
        const int counts = prog.LutSum(prog.Table([&](int n) {
          const int p = placeOf(n) - 8;
          return p == 0 ? 1 : p == 1 ? 6 : p == 2 ? 36 : 0;
        }));
        count = prog.Add(count, groups.Count <= 10 ? prog.Lut(counts, prog.Table(digits))
                                                   : prog.Lut256(counts, prog.Table256(digits)));
      }
      return count;
    }
    const TGroupColumns g(prog, *table_);
    // A position whose group occurred before adds 0xFF, taking 1 off the 5.
    int count = prog.Const(CombSize);
    for (int k = 1; k < CombSize; ++k) {
      int seen = prog.CmpEq(g.G[k], g.G[0]);
      for (int j = 1; j < k; ++j) seen = prog.Or(seen, prog.CmpEq(g.G[k], g.G[j]));
      count = prog.Add(count, seen);
    }
    return count;
  }
  int FastCount(const TComb& c) const {
    if (!bits_) return Count(c);
    return BitCount(bit_[c[0]] | bit_[c[1]] | bit_[c[2]] | bit_[c[3]] | bit_[c[4]]);
  }

 private:
  const TGroupTable* table_ = nullptr;
  bool bits_ = false;
  std::array<uint64_t, 256> bit_{};
};

// How many of the five numbers fall into one group. The fast form works on the combination as a
// word (Swar.h) when the bytes of the group form one range lo..hi with hi below 127 (channels, matrix
// rows and contiguous segments do), and adds up a 0/1 table otherwise.
class TGroupMembers {
 public:
  void Build(const TGroupTable& table, int32_t group) {
    int lo = 256, hi = -1, count = 0;
    for (int n = 0; n < 256; ++n) {
      member_[n] = table[n] == group;
      if (member_[n]) {
        lo = n < lo ? n : lo;
        hi = n;
        ++count;
      }
    }
    if (count == 0) {  // an empty range: nothing is ever counted
      lo = 1;
      hi = 0;
    }
    range_ = (count == 0 || count == hi - lo + 1) && hi < 127;
    loTimesLows_ = static_cast<uint64_t>(lo) * swar::Lows5;
    aboveTimesLows_ = static_cast<uint64_t>(hi + 1) * swar::Lows5;
  }
  int Count(const TComb& c) const {
    return member_[c[0]] + member_[c[1]] + member_[c[2]] + member_[c[3]] + member_[c[4]];
  }
  // The count as a column program; returns its register.
  int Columns(TColumnProgram& prog) const {
    return prog.LutSum(prog.Table([&](int n) { return member_[n]; }));
  }
  int CountWord(uint64_t w) const {
    if (range_) {
      // Bit 7 of each byte that is at least k, as swar::BytesAtLeast computes it (k = 0 gives all).
      const uint64_t bytes = w & swar::Bytes5, high = bytes | swar::Highs5;
      const uint64_t atLeastLo = ((high - loTimesLows_) | bytes) & swar::Highs5;
      const uint64_t above = ((high - aboveTimesLows_) | bytes) & swar::Highs5;
      return swar::CountLowBits((atLeastLo & ~above) >> 7);
    }
    TComb c;
    std::memcpy(c.data(), &w, sizeof c);
    return Count(c);
  }

 private:
  bool range_ = false;
  uint64_t loTimesLows_ = 0;     // lo * 0x0101010101
  uint64_t aboveTimesLows_ = 0;  // (hi + 1) * 0x0101010101
  std::array<uint8_t, 256> member_{};
};

// An occupancy list: the groups a member lists, in its order, and for each byte value the place of
// its group in the list (None when the group is not listed). At most 255 groups.
class TGroupSlots {
 public:
  static constexpr uint8_t None = 255;

  // `groups` must be distinct; groups past the 255th are dropped.
  void Build(const TGroupTable& table, std::span<const uint8_t> groups) {
    size_ = static_cast<int>(groups.size() < None ? groups.size() : None);
    std::array<uint8_t, 256> slotOfGroup;
    slotOfGroup.fill(None);
    for (int i = 0; i < size_; ++i) {
      groups_[i] = groups[i];
      slotOfGroup[groups[i]] = static_cast<uint8_t>(i);
    }
    for (int n = 0; n < 256; ++n) {
      slot_[n] = slotOfGroup[table[n]];
      slotBit_[n] = slot_[n] < 64 ? uint64_t{1} << slot_[n] : 0;
    }
    listed_ = size_ >= 64 ? ~uint64_t{0} : (uint64_t{1} << size_) - 1;
  }

  int Size() const { return size_; }
  uint8_t Group(int i) const { return groups_[i]; }

  // Calls f(group, count) for every listed group, in list order, until f returns true; true when
  // it did. Counts come from comparing the five slots with each place, so nothing is cleared.
  template <class F>
  bool AnyCount(const TComb& c, F&& f) const {
    const uint8_t s0 = slot_[c[0]], s1 = slot_[c[1]], s2 = slot_[c[2]], s3 = slot_[c[3]], s4 = slot_[c[4]];
    for (int i = 0; i < size_; ++i) {
      const int count = (s0 == i) + (s1 == i) + (s2 == i) + (s3 == i) + (s4 == i);
      if (f(groups_[i], static_cast<uint16_t>(count))) return true;
    }
    return false;
  }

  // True when a (group, count) value of the combination is selected. The fast form (lists of up
  // to 64 groups) looks up the empty groups first, whose values (group, 0) are the cheapest keys,
  // then the at most five occupied ones.
  template <class Sel>
  bool AnySelected(const TComb& c, const Sel& sel) const {
    if constexpr (IsFastPath<Sel>) {
      if (size_ <= 64) {
        const uint8_t s0 = slot_[c[0]], s1 = slot_[c[1]], s2 = slot_[c[2]], s3 = slot_[c[3]], s4 = slot_[c[4]];
        const uint64_t occupied = slotBit_[c[0]] | slotBit_[c[1]] | slotBit_[c[2]] | slotBit_[c[3]] | slotBit_[c[4]];
        for (uint64_t empty = listed_ & ~occupied; empty != 0; empty &= empty - 1)
          if (sel.Key(groups_[LowestBit(empty)])) return true;
        for (uint64_t occ = occupied; occ != 0; occ &= occ - 1) {
          const int i = LowestBit(occ);
          const int count = (s0 == i) + (s1 == i) + (s2 == i) + (s3 == i) + (s4 == i);
          if (sel.Key(groups_[i], static_cast<uint16_t>(count))) return true;
        }
        return false;
      }
    }
    return AnyCount(c, [&](uint8_t g, uint16_t count) { return sel.Key(g, count); });
  }

  // Column programs. Lists of up to 10 groups: output i is 8 * i + the count of group i, so the
  // outputs are the values AnyCount gives, in its order, each telling its group (for counting as
  // well). Longer lists of up to 30 groups, for filtering only: output j holds the counts of
  // groups 3j, 3j + 1 and 3j + 2 as base-6 digits (a count is 0..5).
  bool Columns(TColumnProgram& prog, bool counting) const {
    if (size_ <= TColumnProgram::MaxOutputs) {
      for (int i = 0; i < size_; ++i) {
        // Five entries of `base` add up to 8 * i modulo 256 (205 is the inverse of 5).
        const int base = (8 * i * 205) & 255;
        prog.Output(prog.LutSum(prog.Table([&](int n) { return base + (slot_[n] == i ? 1 : 0); })));
      }
      return true;
    }
    if (counting || size_ > 3 * TColumnProgram::MaxOutputs) return false;
    for (int j = 0; 3 * j < size_; ++j)
      prog.Output(prog.LutSum(prog.Table([&](int n) {
        const int digit = slot_[n] - 3 * j;
        return digit == 0 ? 1 : digit == 1 ? 6 : digit == 2 ? 36 : 0;
      })));
    return true;
  }
  template <class Sel>
  bool ColumnMatch(int output, uint8_t v, const Sel& sel) const {
    if (size_ <= TColumnProgram::MaxOutputs) return v >> 3 == output && sel.Key(groups_[output], v & 7);
    for (int i = 3 * output; i < 3 * output + 3 && i < size_; ++i, v /= 6)
      if (sel.Key(groups_[i], v % 6)) return true;
    return false;
  }
  TStatKey ColumnKey(uint8_t v) const { return TStatKey::Words(groups_[v >> 3], v & 7); }

 private:
  int size_ = 0;
  uint64_t listed_ = 0;
  std::array<uint8_t, 256> groups_{};
  std::array<uint8_t, 256> slot_{};
  std::array<uint64_t, 256> slotBit_{};
};

// "%0:d x %1:d" of K1 and K2, for example 3 x 2.
inline std::string GroupCountCaption(const TStatDrawRec& rec) {
  return SysFormat("%0:d x %1:d", {rec.Key.K1(), rec.Key.K2()});
}

// --- Tuple members ---

namespace group_tuples {

// Positions 0..4 of each tuple, in the order the tuples are taken: for Mix every set of K
// positions in lexicographic order (10, 10 and 5 sets for K = 2, 3, 4), for Seq every run of K
// neighbouring positions (6 - K runs).
// (Plain arrays: the tuples are built in the inner loop, also in unoptimised builds.)
template <bool Mix, int K>
struct TPositionSets {
  static constexpr int Count = Mix ? (K == 2 ? 10 : K == 3 ? 10 : 5) : CombSize + 1 - K;
  int P[Count][K] = {};

  constexpr TPositionSets() {
    if constexpr (Mix) {
      int p[K] = {};
      for (int i = 0; i < K; ++i) p[i] = i;
      for (int n = 0; n < Count; ++n) {
        for (int j = 0; j < K; ++j) P[n][j] = p[j];
        // The next set: raise the rightmost position that can still move, the ones after it follow.
        int i = K - 1;
        while (i >= 0 && p[i] == CombSize - K + i) --i;
        if (i < 0) break;
        ++p[i];
        for (int j = i + 1; j < K; ++j) p[j] = p[j - 1] + 1;
      }
    } else {
      for (int s = 0; s < Count; ++s)
        for (int j = 0; j < K; ++j) P[s][j] = s + j;
    }
  }
};

}  // namespace group_tuples

// Class name, code, caption and, for a member with a parameter, help code of one member of a
// grouping's statistics.
struct TStatNames {
  std::string_view ClassName;
  std::string_view Code;
  std::string_view Caption;
  std::string_view HelpCode = {};
};
using TTupleNames = TStatNames;

// The tuples of a grouping: Mix or Seq, K = 2, 3, 4. Each tuple is one value, the groups in
// K1..K<K> in position order and zeros after them (not sorted: (3, 1) and (1, 3) differ). Every
// tuple of a draw is added with Track set, so a tuple that occurs twice in one draw counts twice.
// No values for bare combinations (no full-set comparison).
//
// Grouping provides: Base (the family base class), Group (the group number), Table(base) (its
// TGroupTable) and Names[Mix ? 0 : 1][K - 2].
template <class Grouping, bool Mix, int K>
class TstGroupTuples final : public TStatImpl<TstGroupTuples<Grouping, Mix, K>, typename Grouping::Base> {
  static_assert(K >= 2 && K <= 4);
  using Impl = TStatImpl<TstGroupTuples<Grouping, Mix, K>, typename Grouping::Base>;
  static constexpr group_tuples::TPositionSets<Mix, K> Sets{};
  static constexpr TStatNames Names = Grouping::Names[Mix ? 0 : 1][K - 2];

 public:
  static constexpr std::string_view ClassName = Names.ClassName;
  static constexpr std::string_view Code = Names.Code;
  static constexpr std::string_view Caption = Names.Caption;
  static constexpr int Group = Grouping::Group;
  static constexpr uint8_t Options = OptS;
  static constexpr bool IsNumeric = false;
  static constexpr int TupleCount = Sets.Count;

  TstGroupTuples(const TStatClass& cls, const TStatEnv& env, int32_t param)
      : Impl(cls, env, param), groups_(Grouping::Table(*this)) {}

  // Tuple s as a raw key.
  static constexpr uint64_t Tuple(const TCombGroups& g, int s) {
    uint64_t raw = 0;
    for (int j = 0; j < K; ++j) raw |= uint64_t{g.G[Sets.P[s][j]]} << (16 * j);
    return raw;
  }

  template <class Sel>
  bool Match(const TComb& c, const Sel& sel, const TMatchContext&) const {
    const TCombGroups g = TCombGroups::Of(c, Grouping::Table(*this));
    if constexpr (IsFastPath<Sel>) {
      // Five numbers of one group (every combination, with a map of one segment) show one tuple.
      if (((g.G[0] ^ g.G[1]) | (g.G[0] ^ g.G[2]) | (g.G[0] ^ g.G[3]) | (g.G[0] ^ g.G[4])) == 0)
        return sel.KeyRaw(Tuple(g, 0));
      // A selected tuple starting with the group x has K1 = x: the word bitmap of the selection
      // tells cheaply which positions may start a selected tuple, and only the tuples starting
      // there are looked up whole, in order, until one is selected.
      unsigned first = 0;
      for (int p = 0; p <= CombSize - K; ++p) first |= unsigned{sel.Word(1, g.G[p])} << p;
      return [&]<size_t... S>(std::index_sequence<S...>) {
        return ((((first >> Sets.P[S][0]) & 1) && sel.KeyRaw(Tuple(g, S))) || ...);
      }
      (std::make_index_sequence<TupleCount>{});
    } else {
      for (int s = 0; s < TupleCount; ++s) {
        const TStatKey k(Tuple(g, s));
        if (sel.Key(k.K1(), k.K2(), k.K3(), k.K4())) return true;
      }
      return false;
    }
  }
  // A column program with one output per tuple. When every tuple fits a byte, the places of its K
  // groups among the D groups of the numbers 1..45 are the digits of a base-D number
  // (D^K <= 256) and the test is exact. Otherwise the tuple's groups are hashed into a byte, and
  // the combinations whose hashes meet the hashes of the selected tuples are tested whole.
  bool Columns(TColumnProgram& prog, const TMatchContext* ctx) const {
    if (Hashed()) {
      if (ctx == nullptr) return false;
      prog.Exact = false;
      const TGroupTable& t = Grouping::Table(*this);
      int hashed[K][CombSize];
      for (int j = 0; j < K; ++j) {
        const int table = prog.Table([&](int n) { return TupleHash(j, t[n]); });
        for (int p = 0; p < CombSize; ++p) hashed[j][p] = -1;
        for (int s = 0; s < TupleCount; ++s)
          if (const int p = Sets.P[s][j]; hashed[j][p] < 0) hashed[j][p] = prog.Lut(p, table);
      }
      for (int s = 0; s < TupleCount; ++s) {
        int h = hashed[0][Sets.P[s][0]];
        for (int j = 1; j < K; ++j) h = prog.Add(h, hashed[j][Sets.P[s][j]]);
        prog.Output(h);
      }
      return true;
    }
    int digit[K][CombSize];  // the register of position p as digit j, once it is computed
    int table[K];
    for (int j = 0; j < K; ++j) {
      const int weight = Power(groups_.Count, K - 1 - j);
      table[j] = prog.Table([&](int n) { return groups_.Place[n] * weight; });
      for (int p = 0; p < CombSize; ++p) digit[j][p] = -1;
    }
    for (int s = 0; s < TupleCount; ++s) {
      int value = -1;
      for (int j = 0; j < K; ++j) {
        const int p = Sets.P[s][j];
        if (digit[j][p] < 0) digit[j][p] = prog.Lut(p, table[j]);
        value = value < 0 ? digit[j][p] : prog.Add(value, digit[j][p]);
      }
      prog.Output(value);
    }
    return true;
  }
  void ColumnSets(uint64_t (*sets)[4], const TFastSelection& sel) const {
    if (!Hashed()) {
      for (int s = 0; s < TupleCount; ++s)
        for (int v = 0; v < 256; ++v)
          if (ColumnMatch(s, static_cast<uint8_t>(v), sel)) sets[s][v >> 6] |= uint64_t{1} << (v & 63);
      return;
    }
    for (const TStatDrawRec& r : sel.Records()) {
      int h = 0;
      bool fits = true;
      for (int j = 1; j <= 4; ++j) {
        const int g = r.Key.K(j);
        if (j > K ? g != 0 : g > 255) fits = false;  // no tuple of groups has this key
        if (j <= K) h += TupleHash(j - 1, g);
      }
      if (!fits) continue;
      h &= 255;
      for (int s = 0; s < TupleCount; ++s) sets[s][h >> 6] |= uint64_t{1} << (h & 63);
    }
  }
  template <class Sel>
  bool ColumnMatch(int, uint8_t v, const Sel& sel) const {
    const int d = groups_.Count;
    int rest = v;
    uint64_t raw = 0;
    for (int j = K - 1; j >= 0; --j, rest /= d) raw |= uint64_t{groups_.Groups[rest % d]} << (16 * j);
    return rest == 0 && sel.KeyRaw(raw);
  }

  template <TValueSink Sink>
  void FilterValues(const TComb& c, const TMatchContext&, Sink&& sink) const {
    const TCombGroups g = TCombGroups::Of(c, Grouping::Table(*this));
    for (int s = 0; s < TupleCount; ++s) sink(TStatKey(Tuple(g, s)), true);
  }

  // Codes of the tuples of numbers 1..45: the places of the K groups among the D groups of the
  // numbers as the digits of a base-D number.
  uint64_t CodeSpace() const { return static_cast<uint64_t>(Power(groups_.Count, K)); }
  template <class F>
  void ValueCodes(const TComb& c, F&& f) const {
    const uint32_t d = static_cast<uint32_t>(groups_.Count);
    const uint32_t p[CombSize] = {groups_.Place[c[0]], groups_.Place[c[1]], groups_.Place[c[2]], groups_.Place[c[3]],
                                  groups_.Place[c[4]]};
    for (int s = 0; s < TupleCount; ++s) {
      uint32_t code = 0;
      for (int j = 0; j < K; ++j) code = code * d + p[Sets.P[s][j]];
      f(code);
    }
  }
  // With few groups (D^5 up to SignatureLimit), the tuples of a combination of numbers 1..45
  // follow from the places of its five groups, its signature: the list is counted by signatures
  // first, then each signature that occurs adds its count to its tuples' codes, each code once.
  static constexpr uint64_t SignatureLimit = uint64_t{1} << 18;
  bool CountShownRows(std::span<const TComb> in, const TMatchContext& ctx, const TRowKeyIndex& index,
                      uint32_t* counts) const override {
    const auto d = static_cast<uint32_t>(groups_.Count);
    uint64_t signatures = 1;
    for (int k = 0; k < CombSize; ++k) signatures *= d;
    if (signatures > SignatureLimit) return Impl::CountShownRows(in, ctx, index, counts);
    std::vector<uint32_t> hist(signatures);
    std::vector<TComb> others;
    for (const TComb& c : in) {
      if (!NumbersInRange(c)) {
        others.push_back(c);
        continue;
      }
      uint32_t sig = 0;
      for (uint8_t n : c) sig = sig * d + groups_.Place[n];
      ++hist[sig];
    }
    if (!others.empty()) Impl::CountShownRows(others, ctx, index, counts);
    std::vector<uint32_t> codeCounts(CodeSpace());
    for (uint32_t sig = 0; sig < signatures; ++sig) {
      if (hist[sig] == 0) continue;
      uint32_t p[CombSize];
      for (int k = CombSize - 1, rest = static_cast<int>(sig); k >= 0; --k, rest /= static_cast<int>(d))
        p[k] = static_cast<uint32_t>(rest) % d;
      uint32_t codes[TupleCount];
      for (int t = 0; t < TupleCount; ++t) {
        uint32_t code = 0;
        for (int j = 0; j < K; ++j) code = code * d + p[Sets.P[t][j]];
        codes[t] = code;
        bool seen = false;
        for (int u = 0; u < t; ++u) seen |= codes[u] == code;
        if (!seen) codeCounts[code] += hist[sig];
      }
    }
    for (size_t id = 0; id < index.Size(); ++id) {
      uint32_t code;
      if (CodeOfKey(TStatKey(index.Key(static_cast<int32_t>(id))), code)) counts[id] += codeCounts[code];
    }
    return true;
  }

  bool CodeOfKey(TStatKey key, uint32_t& code) const {
    code = 0;
    for (int j = 1; j <= 4; ++j) {
      const uint16_t g = key.K(j);
      if (j > K) {
        if (g != 0) return false;
        continue;
      }
      int place = 0;
      while (place < groups_.Count && groups_.Groups[place] != g) ++place;
      if (place == groups_.Count) return false;
      code = code * static_cast<uint32_t>(groups_.Count) + static_cast<uint32_t>(place);
    }
    return true;
  }
  void DrawValues(int index, int refIndex, bool sorted, TStatDrawArray& values, TStatWork& work,
                  TLastValueArray& lastSeen) override {
    TCustomStat::DrawValues(index, refIndex, sorted, values, work, lastSeen);
    FilterValues(this->Cur.Nums, TMatchContext{}, [&](TStatKey key, bool track) {
      this->Val.Key = key;
      AddStatValue(values, this->Val, track);
    });
  }
  // The K groups joined by ":", for example 2:7.
  std::string ValueCaption(const TStatDrawRec& rec) const override {
    std::string text = std::to_string(rec.Key.K1());
    for (int j = 2; j <= K; ++j) text += ':' + std::to_string(rec.Key.K(j));
    return text;
  }

 private:
  bool Hashed() const { return Power(groups_.Count, K) > 256; }
  // The byte group g adds to a tuple's hash as its j-th part (odd multipliers spread small values).
  static constexpr int TupleHash(int j, int g) {
    constexpr int Multipliers[4] = {1, 37, 101, 151};
    return g * Multipliers[j] & 255;
  }
  static constexpr int Power(int base, int exp) {
    int r = 1;
    for (int i = 0; i < exp; ++i) r *= base;
    return r;
  }

  TNumberGroups groups_;  // of the numbers 1..45, for the column program
};

}  // namespace kivra
