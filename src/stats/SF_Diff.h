// Difference statistics (group 2): the differences between neighbouring positions of a draw, their
// maximum, the spread from the smallest to the largest number, repeated differences, and runs of
// two, three or four consecutive differences.
#pragma once

#include "stats/CustomStat.h"

namespace kivra {

// Class-list entries of the family.
std::span<const TStatListEntry> DiffStatClasses();

// d1..d4 = |x2 - x1|, |x3 - x2|, |x4 - x3|, |x5 - x4| in position order (any bytes, so 0..255).
struct TAdjacentDiffs {
  uint16_t D[4];

  static constexpr TAdjacentDiffs Of(const TComb& c) {
    const uint8_t* x = c.data();
    TAdjacentDiffs r{};
    for (int i = 0; i < 4; ++i) r.D[i] = static_cast<uint16_t>(x[i + 1] > x[i] ? x[i + 1] - x[i] : x[i] - x[i + 1]);
    return r;
  }
  constexpr uint16_t Max() const {
    uint16_t m = D[0];
    for (uint16_t d : D) m = d > m ? d : m;
    return m;
  }
  // How many of the four differences equal D[i] when D[i] is the first of them with that value,
  // else 0: walking i = 0..3 gives the distinct differences in first-seen order.
  constexpr int FirstSeenCount(int i) const {
    for (int j = 0; j < i; ++j)
      if (D[j] == D[i]) return 0;
    int n = 0;
    for (int j = i; j < 4; ++j) n += D[j] == D[i];
    return n;
  }
  constexpr int MaxMultiplicity() const {
    int m = 0;
    for (int i = 0; i < 4; ++i) m = FirstSeenCount(i) > m ? FirstSeenCount(i) : m;
    return m;
  }
};

// The four adjacent differences as column registers, and which of them are equal (0xFF) by pair.
struct TDiffColumns {
  int D[4];
  int Eq[4][4];  // Eq[i][j], i != j

  explicit TDiffColumns(TColumnProgram& prog) : D{}, Eq{} {
    for (int i = 0; i < 4; ++i) D[i] = prog.AbsDiff(i, i + 1);
    for (int i = 0; i < 4; ++i)
      for (int j = i + 1; j < 4; ++j) Eq[i][j] = Eq[j][i] = prog.CmpEq(D[i], D[j]);
  }
};

// All four differences; only d1 measures periods, so a period is counted once per draw.
class TstDiffTotal final : public TStatImpl<TstDiffTotal, TCustomNumbersStat> {
 public:
  static constexpr std::string_view ClassName = "TstDiffTotal";
  static constexpr std::string_view Code = "DIFA";
  static constexpr std::string_view Caption = "Все разности между соседними позициями";
  static constexpr int Group = 2;
  static constexpr uint8_t Options = OptS | OptN;
  using TStatImpl::TStatImpl;

  template <TValueSink Sink>
  void Values(const TComb& c, Sink&& sink) const {
    const TAdjacentDiffs d = TAdjacentDiffs::Of(c);
    sink(TStatKey::Words(d.D[0]), true);
    sink(TStatKey::Words(d.D[1]), false);
    sink(TStatKey::Words(d.D[2]), false);
    sink(TStatKey::Words(d.D[3]), false);
  }
  template <class Sel>
  bool Match(const TComb& c, const Sel& sel, const TMatchContext&) const {
    const TAdjacentDiffs d = TAdjacentDiffs::Of(c);
    return sel.Word(1, d.D[0]) || sel.Word(1, d.D[1]) || sel.Word(1, d.D[2]) || sel.Word(1, d.D[3]);
  }
  bool Columns(TColumnProgram& prog, const TMatchContext*) const {
    for (int i = 0; i < 4; ++i) prog.Output(prog.AbsDiff(i, i + 1));
    return true;
  }
  template <class Sel>
  bool ColumnMatch(int, uint8_t v, const Sel& sel) const {
    return sel.Word(1, v);
  }
  TStatKey ColumnKey(uint8_t v) const { return TStatKey::Words(v); }
  void EnumValues(int refIndex, TStatDrawArray& values) override;
};

class TstDiffMax final : public TStatImpl<TstDiffMax, TCustomGraphStat> {
 public:
  static constexpr std::string_view ClassName = "TstDiffMax";
  static constexpr std::string_view Code = "DIFM";
  static constexpr std::string_view Caption = "Максимальная разность между соседними позициями";
  static constexpr int Group = 2;
  static constexpr uint8_t Options = OptS | OptN;
  static constexpr bool SingleValue = true;
  using TStatImpl::TStatImpl;

  template <TValueSink Sink>
  void Values(const TComb& c, Sink&& sink) const {
    sink(TStatKey::Words(TAdjacentDiffs::Of(c).Max()), true);
  }
  template <class Sel>
  bool Match(const TComb& c, const Sel& sel, const TMatchContext&) const {
    return sel.Word(1, TAdjacentDiffs::Of(c).Max());
  }
  bool Columns(TColumnProgram& prog, const TMatchContext*) const {
    const TDiffColumns d(prog);
    prog.Output(prog.Max(prog.Max(d.D[0], d.D[1]), prog.Max(d.D[2], d.D[3])));
    return true;
  }
  template <class Sel>
  bool ColumnMatch(int, uint8_t v, const Sel& sel) const {
    return sel.Word(1, v);
  }
  TStatKey ColumnKey(uint8_t v) const { return TStatKey::Words(v); }
  void EnumValues(int refIndex, TStatDrawArray& values) override;
  int32_t CombValue(const TComb& c, int, int, bool) override { return TAdjacentDiffs::Of(c).Max(); }
};

// The largest number minus the smallest (the order of the numbers does not matter).
class TstMinMaxDiffs final : public TStatImpl<TstMinMaxDiffs, TCustomGraphStat> {
 public:
  static constexpr std::string_view ClassName = "TstMinMaxDiffs";
  static constexpr std::string_view Code = "DIFD";
  static constexpr std::string_view Caption = "Разность между минимальным и максимальным числом";
  static constexpr int Group = 2;
  static constexpr uint8_t Options = OptN;
  static constexpr bool SingleValue = true;
  using TStatImpl::TStatImpl;

  static constexpr uint16_t Spread(const TComb& c) {
    uint8_t lo = c[0], hi = c[0];
    for (uint8_t n : c) {
      lo = n < lo ? n : lo;
      hi = n > hi ? n : hi;
    }
    return static_cast<uint16_t>(hi - lo);
  }
  template <TValueSink Sink>
  void Values(const TComb& c, Sink&& sink) const {
    sink(TStatKey::Words(Spread(c)), true);
  }
  template <class Sel>
  bool Match(const TComb& c, const Sel& sel, const TMatchContext&) const {
    return sel.Word(1, Spread(c));
  }
  bool Columns(TColumnProgram& prog, const TMatchContext*) const {
    const int hi = prog.Max(prog.Max(prog.Max(0, 1), prog.Max(2, 3)), 4);
    const int lo = prog.Min(prog.Min(prog.Min(0, 1), prog.Min(2, 3)), 4);
    prog.Output(prog.Sub(hi, lo));
    return true;
  }
  template <class Sel>
  bool ColumnMatch(int, uint8_t v, const Sel& sel) const {
    return sel.Word(1, v);
  }
  TStatKey ColumnKey(uint8_t v) const { return TStatKey::Words(v); }
  void EnumValues(int refIndex, TStatDrawArray& values) override;
  int32_t CombValue(const TComb& c, int, int, bool) override { return Spread(c); }
};

// One value per distinct difference: K1 = the difference, K2 = how many of the four equal it.
class TstDiffSame final : public TStatImpl<TstDiffSame, TCustomStat> {
 public:
  static constexpr std::string_view ClassName = "TstDiffSame";
  static constexpr std::string_view Code = "DIFO";
  static constexpr std::string_view Caption = "Одинаковые разности между соседними позициями";
  static constexpr int Group = 2;
  static constexpr uint8_t Options = OptS | OptN;
  static constexpr bool DistinctValues = true;  // each difference once
  using TStatImpl::TStatImpl;

  template <TValueSink Sink>
  void Values(const TComb& c, Sink&& sink) const {
    const TAdjacentDiffs d = TAdjacentDiffs::Of(c);
    for (int i = 0; i < 4; ++i)
      if (const int n = d.FirstSeenCount(i)) sink(TStatKey::Words(d.D[i], static_cast<uint16_t>(n)), true);
  }
  template <class Sel>
  bool Match(const TComb& c, const Sel& sel, const TMatchContext&) const {
    const TAdjacentDiffs d = TAdjacentDiffs::Of(c);
    for (int i = 0; i < 4; ++i)
      if (const int n = d.FirstSeenCount(i); n != 0 && sel.Key(d.D[i], static_cast<uint16_t>(n))) return true;
    return false;
  }
  // Output i: d_i + 64 * (n_i - 1) for a difference first seen at i (differences of numbers
  // 1..45 stay below 63), else 0xFF.
  bool Columns(TColumnProgram& prog, const TMatchContext*) const {
    const TDiffColumns d(prog);
    prog.SkipValue = 0xFF;
    const int sixtyFour = prog.Const(64), none = prog.Const(0xFF);
    for (int i = 0; i < 4; ++i) {
      int value = d.D[i];
      for (int j = i + 1; j < 4; ++j) value = prog.Add(value, prog.And(d.Eq[i][j], sixtyFour));
      int seenBefore = -1;
      for (int j = 0; j < i; ++j) seenBefore = seenBefore < 0 ? d.Eq[i][j] : prog.Or(seenBefore, d.Eq[i][j]);
      prog.Output(seenBefore < 0 ? value : prog.Select(seenBefore, none, value));
    }
    return true;
  }
  template <class Sel>
  bool ColumnMatch(int, uint8_t v, const Sel& sel) const {
    return (v & 63) != 63 && sel.Key(v & 63, static_cast<uint16_t>((v >> 6) + 1));
  }
  TStatKey ColumnKey(uint8_t v) const { return TStatKey::Words(v & 63, static_cast<uint16_t>((v >> 6) + 1)); }
  std::string ValueCaption(const TStatDrawRec& rec) const override;
};

// The largest multiplicity among the four differences (1..4).
class TstDiffSameCnt final : public TStatImpl<TstDiffSameCnt, TCustomGraphStat> {
 public:
  static constexpr std::string_view ClassName = "TstDiffSameCnt";
  static constexpr std::string_view Code = "DIFK";
  static constexpr std::string_view Caption = "Количество одинаковых разностей между соседними позициями";
  static constexpr int Group = 2;
  static constexpr uint8_t Options = OptS | OptN;
  static constexpr bool SingleValue = true;
  using TStatImpl::TStatImpl;

  static constexpr uint16_t Count(const TComb& c) {
    return static_cast<uint16_t>(TAdjacentDiffs::Of(c).MaxMultiplicity());
  }
  template <TValueSink Sink>
  void Values(const TComb& c, Sink&& sink) const {
    sink(TStatKey::Words(Count(c)), true);
  }
  template <class Sel>
  bool Match(const TComb& c, const Sel& sel, const TMatchContext&) const {
    return sel.Word(1, Count(c));
  }
  // The six pairwise equalities as a 6-bit pattern, and the multiplicity of each pattern from a
  // table.
  bool Columns(TColumnProgram& prog, const TMatchContext*) const {
    const TDiffColumns d(prog);
    int pattern = -1, bit = 0;
    for (int i = 0; i < 4; ++i)
      for (int j = i + 1; j < 4; ++j, ++bit) {
        const int b = prog.And(d.Eq[i][j], prog.Const(1 << bit));
        pattern = pattern < 0 ? b : prog.Or(pattern, b);
      }
    prog.Output(prog.Lut(pattern, prog.Table([](int p) {
      int pairBit = 0, same[4][4] = {};
      for (int i = 0; i < 4; ++i)
        for (int j = i + 1; j < 4; ++j, ++pairBit) same[i][j] = same[j][i] = p >> pairBit & 1;
      int most = 0;
      for (int i = 0; i < 4; ++i) most = std::max(most, same[i][0] + same[i][1] + same[i][2] + same[i][3]);
      return most + 1;
    })));
    return true;
  }
  template <class Sel>
  bool ColumnMatch(int, uint8_t v, const Sel& sel) const {
    return sel.Word(1, v);
  }
  TStatKey ColumnKey(uint8_t v) const { return TStatKey::Words(v); }
  void EnumValues(int refIndex, TStatDrawArray& values) override;
  int32_t CombValue(const TComb& c, int, int, bool) override { return Count(c); }
};

// Runs of Len consecutive differences (Len = 2, 3, 4), one starting at each position 1..5-Len,
// the differences in K1..K<Len> and zeros after them. Only the run at position 1 measures periods.
// Not evaluated on bare combinations (no full-set comparison).
template <int Len>
class TstCombDiffSeq final : public TStatImpl<TstCombDiffSeq<Len>, TCustomStat> {
  static_assert(Len >= 2 && Len <= 4);
  using Impl = TStatImpl<TstCombDiffSeq<Len>, TCustomStat>;

 public:
  static constexpr std::string_view ClassName = Len == 2   ? "TstCombDiffSeq2"
                                                : Len == 3 ? "TstCombDiffSeq3"
                                                           : "TstCombDiffSeq4";
  static constexpr std::string_view Code = Len == 2 ? "KDS2" : Len == 3 ? "KDS3" : "KDS4";
  static constexpr std::string_view Caption = Len == 2 ? "Сочетания из 2 разностей между числами"
                                              : Len == 3 ? "Сочетания из 3 разностей между числами"
                                                         : "Сочетания из 4 разностей между числами";
  static constexpr int Group = 2;
  static constexpr uint8_t Options = OptS;
  static constexpr bool IsNumeric = false;
  static constexpr int RunCount = 5 - Len;
  using Impl::Impl;

  // The byte a run's j-th difference adds to the run's hash (odd multipliers spread small values).
  static constexpr int RunHash(int j, int x) {
    constexpr int Multipliers[4] = {1, 37, 101, 151};
    return x * Multipliers[j] & 255;
  }
  static constexpr TStatKey Run(const TAdjacentDiffs& d, int start) {
    uint16_t k[4] = {};
    for (int j = 0; j < Len; ++j) k[j] = d.D[start + j];
    return TStatKey::Words(k[0], k[1], k[2], k[3]);
  }
  template <class Sel>
  bool Match(const TComb& c, const Sel& sel, const TMatchContext&) const {
    const TAdjacentDiffs d = TAdjacentDiffs::Of(c);
    if constexpr (IsFastPath<Sel>) {
      // The runs as raw keys straight from the differences: four words, the unused ones 0.
      const uint64_t d0 = d.D[0], d1 = d.D[1], d2 = d.D[2], d3 = d.D[3];
      if constexpr (Len == 2) return sel.KeyRaw(d0 | d1 << 16) | sel.KeyRaw(d1 | d2 << 16) | sel.KeyRaw(d2 | d3 << 16);
      else if constexpr (Len == 3) return sel.KeyRaw(d0 | d1 << 16 | d2 << 32) | sel.KeyRaw(d1 | d2 << 16 | d3 << 32);
      else return sel.KeyRaw(d0 | d1 << 16 | d2 << 32 | d3 << 48);
    } else {
      for (int s = 0; s < RunCount; ++s) {
        const TStatKey k = Run(d, s);
        if (sel.Key(k.K1(), k.K2(), k.K3(), k.K4())) return true;
      }
      return false;
    }
  }
  // Each run hashed into a byte (the differences of numbers 1..45 are below 64): a combination
  // whose hashes miss the hashes of every selected run cannot match, the others are tested.
  bool Columns(TColumnProgram& prog, const TMatchContext*) const {
    prog.Exact = false;
    int d[4], scaled[4][4];
    for (int i = 0; i < 4; ++i) d[i] = prog.AbsDiff(i, i + 1);
    for (int j = 1; j < Len; ++j) {
      const int table = prog.Table([j](int x) { return RunHash(j, x); });
      for (int i = j; i < 4; ++i) scaled[j][i] = prog.Lut(d[i], table);
    }
    for (int s = 0; s < RunCount; ++s) {
      int h = d[s];
      for (int j = 1; j < Len; ++j) h = prog.Add(h, scaled[j][s + j]);
      prog.Output(h);
    }
    return true;
  }
  void ColumnSets(uint64_t (*sets)[4], const TFastSelection& sel) const {
    for (const TStatDrawRec& r : sel.Records()) {
      int h = 0;
      bool fits = true;
      for (int j = 1; j <= 4; ++j) {
        const int k = r.Key.K(j);
        if (j > Len ? k != 0 : k >= 64) fits = false;
        if (j <= Len) h += RunHash(j - 1, k);
      }
      if (!fits) continue;  // no run of numbers 1..45 has this key
      h &= 255;
      for (int s = 0; s < RunCount; ++s) sets[s][h >> 6] |= uint64_t{1} << (h & 63);
    }
  }
  template <TValueSink Sink>
  void FilterValues(const TComb& c, const TMatchContext&, Sink&& sink) const {
    const TAdjacentDiffs d = TAdjacentDiffs::Of(c);
    for (int s = 0; s < RunCount; ++s) sink(Run(d, s), s == 0);
  }
  // Codes of the runs of numbers 1..45: the differences (0..44) as base-45 digits.
  static constexpr uint32_t DiffBase = MaxNumber;
  static constexpr uint64_t CodeSpace() {
    uint64_t space = 1;
    for (int j = 0; j < Len; ++j) space *= DiffBase;
    return space;
  }
  template <class F>
  void ValueCodes(const TComb& c, F&& f) const {
    const TAdjacentDiffs d = TAdjacentDiffs::Of(c);
    for (int s = 0; s < RunCount; ++s) {
      uint32_t code = 0;
      for (int j = 0; j < Len; ++j) code = code * DiffBase + d.D[s + j];
      f(code);
    }
  }
  static bool CodeOfKey(TStatKey key, uint32_t& code) {
    code = 0;
    for (int j = 1; j <= 4; ++j) {
      const uint16_t x = key.K(j);
      if (j > Len ? x != 0 : x >= DiffBase) return false;
      if (j <= Len) code = code * DiffBase + x;
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
  // The differences joined by ":", for example 3:12.
  std::string ValueCaption(const TStatDrawRec& rec) const override {
    std::string text = std::to_string(rec.Key.K1());
    for (int j = 2; j <= Len; ++j) text += ':' + std::to_string(rec.Key.K(j));
    return text;
  }
};

using TstCombDiffSeq2 = TstCombDiffSeq<2>;
using TstCombDiffSeq3 = TstCombDiffSeq<3>;
using TstCombDiffSeq4 = TstCombDiffSeq<4>;

}  // namespace kivra
