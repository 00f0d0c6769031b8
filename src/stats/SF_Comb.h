// Combination value statistics (group 0): the numbers of a draw taken two, three or four at a
// time, each such sub-combination one value: the k numbers in K1..Kk in position order, the words
// after them 0, written joined by ":" (7:23, 3:15:40:44). Positions are the draw's own (drawn
// order unless the numbers are sorted), so 12:5 and 5:12 are different values.
//
// Three ways of choosing the positions: every set of k ("KNM2".."KNM4"), every run of k
// neighbouring positions ("KNS2".."KNS4") and the one run starting at a given position
// ("KNP2x".."KNP4x"). The Mix and Seq members are the tuple scheme of the channel, matrix and
// segment families over the numbers themselves. A fourth kind, the runs of the numbers sorted
// ascending ("KNO2".."KNO4"), exists in the class list but is never offered.
//
// No value domain and no values of bare combinations: a table lists what the draws showed.
#pragma once

#include "stats/GroupTuples.h"

namespace kivra {

// Class-list entries of the family.
std::span<const TStatListEntry> CombValueStatClasses();

class TCustomCombValuesStat : public TCustomStat {
 public:
  using TCustomStat::TCustomStat;
  static constexpr int Group = 0;
  static constexpr bool IsNumeric = false;  // "7:23" is not read back as a number
};

namespace comb_values {

// Every byte is its own group: the tuples are the numbers themselves.
constexpr TGroupTable IdentityTable = [] {
  TGroupTable t{};
  for (int n = 0; n < 256; ++n) t[n] = static_cast<uint8_t>(n);
  return t;
}();

// The K numbers of positions first..first+K-1 as a raw key.
template <int K>
constexpr uint64_t RunKey(const TComb& c, int first) {
  uint64_t raw = 0;
  for (int j = 0; j < K; ++j) raw |= uint64_t{c[first + j]} << (16 * j);
  return raw;
}

// The K words joined by ":".
template <int K>
std::string TupleCaption(const TStatDrawRec& rec) {
  std::string text = std::to_string(rec.Key.K1());
  for (int j = 2; j <= K; ++j) text += ':' + std::to_string(rec.Key.K(j));
  return text;
}

template <class Sel>
bool Selected(const Sel& sel, uint64_t raw) {
  if constexpr (IsFastPath<Sel>) {
    return sel.KeyRaw(raw);
  } else {
    const TStatKey k(raw);
    return sel.Key(k.K1(), k.K2(), k.K3(), k.K4());
  }
}

}  // namespace comb_values

// The grouping of the Mix and Seq members.
struct TCombValueGrouping {
  using Base = TCustomCombValuesStat;
  static constexpr int Group = 0;
  static const TGroupTable& Table(const Base&) { return comb_values::IdentityTable; }
  static constexpr TTupleNames Names[2][3] = {
      {{"TstCombValMix2", "KNM2", "Сочетания из 2 чисел по всем числам тиража"},
       {"TstCombValMix3", "KNM3", "Сочетания из 3 чисел по всем числам тиража"},
       {"TstCombValMix4", "KNM4", "Сочетания из 4 чисел по всем числам тиража"}},
      {{"TstCombValSeq2", "KNS2", "Сочетания из 2 соседних чисел тиража"},
       {"TstCombValSeq3", "KNS3", "Сочетания из 3 соседних чисел тиража"},
       {"TstCombValSeq4", "KNS4", "Сочетания из 4 соседних чисел тиража"}},
  };
};

using TstCombValMix2 = TstGroupTuples<TCombValueGrouping, true, 2>;
using TstCombValMix3 = TstGroupTuples<TCombValueGrouping, true, 3>;
using TstCombValMix4 = TstGroupTuples<TCombValueGrouping, true, 4>;
using TstCombValSeq2 = TstGroupTuples<TCombValueGrouping, false, 2>;
using TstCombValSeq3 = TstGroupTuples<TCombValueGrouping, false, 3>;
using TstCombValSeq4 = TstGroupTuples<TCombValueGrouping, false, 4>;

// "KNP2x", "KNP3x", "KNP4x": the K neighbouring numbers starting at position Param (1..6-K). A
// statistic created with another Param has no value and matches nothing.
template <int K>
class TstCombValPos final : public TStatImpl<TstCombValPos<K>, TCustomCombValuesStat> {
  static_assert(K >= 2 && K <= 4);
  using Impl = TStatImpl<TstCombValPos<K>, TCustomCombValuesStat>;

 public:
  static constexpr std::string_view ClassName = K == 2   ? "TstCombValPos2"
                                                : K == 3 ? "TstCombValPos3"
                                                         : "TstCombValPos4";
  static constexpr std::string_view Code = K == 2 ? "KNP2%d" : K == 3 ? "KNP3%d" : "KNP4%d";
  static constexpr std::string_view HelpCode = K == 2 ? "KNP2" : K == 3 ? "KNP3" : "KNP4";
  static constexpr std::string_view Caption = K == 2 ? "Сочетания из 2-х чисел тиража начиная с %0:d позиции"
                                              : K == 3 ? "Сочетания из 3-х чисел тиража начиная с %0:d позиции"
                                                       : "Сочетания из 4-х чисел тиража начиная с %0:d позиции";
  static constexpr int Group = 0;
  static constexpr uint8_t Options = OptS;
  static constexpr bool IsNumeric = false;
  static constexpr bool HasParam = true;
  static std::pair<int32_t, int32_t> GetParamRange(const TStatEnv&) { return {1, CombSize + 1 - K}; }

  TstCombValPos(const TStatClass& cls, const TStatEnv& env, int32_t param)
      : Impl(cls, env, param), first_(param >= 1 && param <= CombSize + 1 - K ? param - 1 : -1) {}

  template <class Sel>
  bool Match(const TComb& c, const Sel& sel, const TMatchContext&) const {
    return first_ >= 0 && comb_values::Selected(sel, comb_values::RunKey<K>(c, first_));
  }
  // A pair (a, b) of numbers 1..45 as a byte: a picks one of nine groups of five (a - 1 = 5g + i),
  // output g holds 46i + b (at most 229) when a is in group g, else 0xFF. Triples and quadruples do
  // not fit so few bytes: they are hashed into one, and the scalar test decides the candidates.
  static constexpr int PairGroups = 9, PairGroupSize = 5, PairStride = MaxNumber + 1;
  static constexpr int TupleHash(int j, int n) {
    constexpr int Multipliers[4] = {1, 37, 101, 151};
    return n * Multipliers[j] & 255;
  }
  bool Columns(TColumnProgram& prog, const TMatchContext* ctx) const {
    if (ctx == nullptr || first_ < 0) return false;
    if constexpr (K > 2) {
      prog.Exact = false;
      int h = first_;
      for (int j = 1; j < K; ++j)
        h = prog.Add(h, prog.Lut(first_ + j, prog.Table([j](int n) { return TupleHash(j, n); })));
      prog.Output(h);
      return true;
    }
    const int a = first_, b = first_ + 1;
    const int code =
        prog.Add(prog.Lut(a, prog.Table([](int n) { return n >= 1 ? (n - 1) % PairGroupSize * PairStride : 0; })), b);
    for (int g = 0; g < PairGroups; ++g) {
      const int outside =
          prog.Lut(a, prog.Table([&](int n) { return n >= 1 && (n - 1) / PairGroupSize == g ? 0 : 0xFF; }));
      prog.Output(prog.Or(outside, code));
    }
    return true;
  }
  void ColumnSets(uint64_t (*sets)[4], const TFastSelection& sel) const {
    if constexpr (K == 2) {
      for (int g = 0; g < PairGroups; ++g)
        for (int v = 0; v < 256; ++v)
          if (ColumnMatch(g, static_cast<uint8_t>(v), sel)) sets[g][v >> 6] |= uint64_t{1} << (v & 63);
    } else {
      for (const TStatDrawRec& r : sel.Records()) {
        int h = 0;
        bool fits = true;
        for (int j = 1; j <= 4; ++j) {
          const int n = r.Key.K(j);
          if (j > K ? n != 0 : n >= 64) fits = false;  // no tuple of numbers 1..45 has this key
          if (j <= K) h += TupleHash(j - 1, n);
        }
        if (fits) sets[0][(h & 255) >> 6] |= uint64_t{1} << (h & 63);
      }
    }
  }
  template <class Sel>
  bool ColumnMatch(int g, uint8_t v, const Sel& sel) const {
    if (v == 0xFF) return false;
    const uint64_t a = static_cast<uint64_t>(g * PairGroupSize + v / PairStride + 1), b = v % PairStride;
    return comb_values::Selected(sel, a | b << 16);
  }
  template <TValueSink Sink>
  void FilterValues(const TComb& c, const TMatchContext&, Sink&& sink) const {
    if (first_ >= 0) sink(TStatKey(comb_values::RunKey<K>(c, first_)), true);
  }
  void DrawValues(int index, int refIndex, bool sorted, TStatDrawArray& values, TStatWork& work,
                  TLastValueArray& lastSeen) override {
    TCustomStat::DrawValues(index, refIndex, sorted, values, work, lastSeen);
    FilterValues(this->Cur.Nums, TMatchContext{}, [&](TStatKey key, bool track) {
      this->Val.Key = key;
      AddStatValue(values, this->Val, track);
    });
  }
  std::string ValueCaption(const TStatDrawRec& rec) const override { return comb_values::TupleCaption<K>(rec); }

 private:
  int first_;  // position 0..5-K, or -1
};

using TstCombValPos2 = TstCombValPos<2>;
using TstCombValPos3 = TstCombValPos<3>;
using TstCombValPos4 = TstCombValPos<4>;

// "KNO2".."KNO4": the runs of K neighbouring positions of the numbers sorted ascending, for draws
// and combinations alike. Not offered (IsAvailable false) and not depending on the draw order.
template <int K>
class TstCombValSort final : public TStatImpl<TstCombValSort<K>, TCustomCombValuesStat> {
  static_assert(K >= 2 && K <= 4);
  using Impl = TStatImpl<TstCombValSort<K>, TCustomCombValuesStat>;

 public:
  static constexpr std::string_view ClassName = K == 2   ? "TstCombValSort2"
                                                : K == 3 ? "TstCombValSort3"
                                                         : "TstCombValSort4";
  static constexpr std::string_view Code = K == 2 ? "KNO2" : K == 3 ? "KNO3" : "KNO4";
  static constexpr std::string_view Caption = K == 2 ? "Сочетания из 2 чисел тиража по возрастанию"
                                              : K == 3 ? "Сочетания из 3 чисел тиража по возрастанию"
                                                       : "Сочетания из 4 чисел тиража по возрастанию";
  static constexpr int Group = 0;
  static constexpr uint8_t Options = 0;
  static constexpr bool IsNumeric = false;
  static bool IsAvailable(const TStatEnv&) { return false; }
  using Impl::Impl;

  template <class Sel>
  bool Match(const TComb& c, const Sel& sel, const TMatchContext&) const {
    TComb s = c;
    SortComb(s);
    for (int first = 0; first + K <= CombSize; ++first)
      if (comb_values::Selected(sel, comb_values::RunKey<K>(s, first))) return true;
    return false;
  }
  template <TValueSink Sink>
  void FilterValues(const TComb& c, const TMatchContext&, Sink&& sink) const {
    TComb s = c;
    SortComb(s);
    for (int first = 0; first + K <= CombSize; ++first) sink(TStatKey(comb_values::RunKey<K>(s, first)), true);
  }
  void DrawValues(int index, int refIndex, bool sorted, TStatDrawArray& values, TStatWork& work,
                  TLastValueArray& lastSeen) override {
    TCustomStat::DrawValues(index, refIndex, sorted, values, work, lastSeen);
    FilterValues(this->Cur.Nums, TMatchContext{}, [&](TStatKey key, bool track) {
      this->Val.Key = key;
      AddStatValue(values, this->Val, track);
    });
  }
  std::string ValueCaption(const TStatDrawRec& rec) const override { return comb_values::TupleCaption<K>(rec); }
};

using TstCombValSort2 = TstCombValSort<2>;
using TstCombValSort3 = TstCombValSort<3>;
using TstCombValSort4 = TstCombValSort<4>;

}  // namespace kivra
