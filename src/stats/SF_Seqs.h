// Sequence statistics (group 6): runs of consecutive numbers inside one draw or combination.
//
// A run is a longest stretch of neighbouring positions in which each number is exactly one more
// than the one before it; every position belongs to one run, so the run lengths add up to 5, and a
// run of two or more is a sequence. 4 5 6 20 21 has the runs 3 and 2; 7 9 11 13 15 five runs of 1.
//
// The charts count a pair as continuing a run when its numbers differ by one in either direction,
// so a draw in drawn order such as 12 11 30 31 40 shows two sequences on the chart and one in the
// table and the filter.
#pragma once

#include <array>
#include <bit>
#include <cstdint>
#include <cstring>

#include "stats/CustomStat.h"

namespace kivra {

// Class-list entries of the family.
std::span<const TStatListEntry> SequenceStatClasses();

namespace seq_detail {

// Which of the four neighbouring pairs continue a run: bit i for positions i+1, i+2. Any bytes
// (0..255) are compared as integers, so 255 0 is no pair.
inline unsigned AscendingPairs(const TComb& c) {
  unsigned bits = 0;
  for (int i = 0; i + 1 < CombSize; ++i) bits |= unsigned{c[i + 1] - c[i] == 1} << i;
  return bits;
}
// The chart rule: a difference of one either way.
inline unsigned AdjacentPairs(const TComb& c) {
  unsigned bits = 0;
  for (int i = 0; i + 1 < CombSize; ++i) {
    const int d = c[i + 1] - c[i];
    bits |= unsigned{d == 1 || d == -1} << i;
  }
  return bits;
}

// The run lengths of one pattern of continuing pairs, in position order.
struct TRunShape {
  uint8_t RunCount = 0;
  uint8_t Lengths[CombSize] = {};
  uint8_t LengthSet = 0;  // bit L for each run length L that occurs
  uint8_t Sequences = 0;  // runs of length 2 or more
  uint8_t Longest = 0;
};

// Every pattern of the four pairs, worked out once.
constexpr std::array<TRunShape, 16> RunShapes = [] {
  std::array<TRunShape, 16> shapes{};
  for (unsigned bits = 0; bits < 16; ++bits) {
    TRunShape& s = shapes[bits];
    int length = 1;
    for (int i = 0; i < CombSize; ++i) {
      if (i + 1 < CombSize && ((bits >> i) & 1)) {
        ++length;
        continue;
      }
      s.Lengths[s.RunCount++] = static_cast<uint8_t>(length);
      s.LengthSet = static_cast<uint8_t>(s.LengthSet | 1u << length);
      s.Sequences = static_cast<uint8_t>(s.Sequences + (length >= 2));
      if (length > s.Longest) s.Longest = static_cast<uint8_t>(length);
      length = 1;
    }
  }
  return shapes;
}();

// The plain walk over the pairs: f(length) for each run in position order (the reference the
// table above is held to).
template <class F>
void ForEachRun(const TComb& c, F&& f) {
  int length = 1;
  for (int i = 0; i + 1 < CombSize; ++i) {
    if (c[i + 1] - c[i] == 1) {
      ++length;
    } else {
      f(length);
      length = 1;
    }
  }
  f(length);
}

inline int SequenceCount(const TComb& c) {
  int count = 0;
  ForEachRun(c, [&](int length) { count += length >= 2; });
  return count;
}

inline int LongestRun(const TComb& c) {
  int longest = 0;
  ForEachRun(c, [&](int length) { longest = length > longest ? length : longest; });
  return longest;
}

// AscendingPairs as a column program: bit i from the difference of positions i+2 and i+1, looked
// up in a table that holds the bit for a difference of 1 only (numbers 1..45 make differences
// -44..44, which no other table index shares with 1).
inline int PairsColumn(TColumnProgram& prog) {
  int bits = -1;
  for (int i = 0; i + 1 < CombSize; ++i) {
    const int bit = prog.Lut(prog.Sub(i + 1, i), prog.Table([&](int d) { return d == 1 ? 1 << i : 0; }));
    bits = bits < 0 ? bit : prog.Or(bits, bit);
  }
  return bits;
}

// A property of the run pattern as a column program.
template <class F>
int ShapeColumn(TColumnProgram& prog, int pairs, F valueOf) {
  return prog.Lut(pairs,
                  prog.Table([&](int bits) { return bits < 16 ? valueOf(RunShapes[static_cast<size_t>(bits)]) : 0; }));
}

inline TComb CombOfWord(uint64_t w) {
  TComb c;
  std::memcpy(c.data(), &w, sizeof c);
  return c;
}

}  // namespace seq_detail

// "SEQL": the length of each run, one value per run.
class TstSequenceLen final : public TStatImpl<TstSequenceLen, TCustomNumbersStat> {
 public:
  static constexpr std::string_view ClassName = "TstSequenceLen";
  static constexpr std::string_view Code = "SEQL";
  static constexpr std::string_view Caption = "Длина последовательности в тираже";
  static constexpr int Group = 6;
  static constexpr uint8_t Options = OptS | OptN;
  using TStatImpl::TStatImpl;

  template <TValueSink Sink>
  void Values(const TComb& c, Sink&& sink) const {
    if constexpr (IsFastPath<Sink>) {
      const seq_detail::TRunShape& s = seq_detail::RunShapes[seq_detail::AscendingPairs(c)];
      for (int i = 0; i < s.RunCount; ++i) sink(TStatKey::Words(s.Lengths[i]), true);
    } else {
      seq_detail::ForEachRun(c, [&](int length) { sink(TStatKey::Words(static_cast<uint16_t>(length)), true); });
    }
  }
  template <class Sel>
  bool Match(const TComb& c, const Sel& sel, const TMatchContext&) const {
    if constexpr (IsFastPath<Sel>) {
      // Each length that occurs is looked up once.
      for (unsigned set = seq_detail::RunShapes[seq_detail::AscendingPairs(c)].LengthSet; set != 0; set &= set - 1)
        if (sel.Word(1, static_cast<uint16_t>(std::countr_zero(set)))) return true;
      return false;
    } else {
      bool found = false;
      seq_detail::ForEachRun(c, [&](int length) { found = found || sel.Word(1, static_cast<uint16_t>(length)); });
      return found;
    }
  }
  // Filtering tests the run pattern (0..15) as a whole, each length that occurs once; counting
  // gives the run lengths in position order, 0 after the last run.
  bool Columns(TColumnProgram& prog, const TMatchContext* ctx) const {
    const int pairs = seq_detail::PairsColumn(prog);
    if (ctx != nullptr) {
      prog.Output(pairs);
    } else {
      for (int i = 0; i < CombSize; ++i)
        prog.Output(seq_detail::ShapeColumn(prog, pairs, [&](const seq_detail::TRunShape& s) { return s.Lengths[i]; }));
      prog.SkipValue = 0;  // a run length of 0: no run there
    }
    return true;
  }
  template <class Sel>
  bool ColumnMatch(int, uint8_t v, const Sel& sel) const {
    if (v >= 16) return false;
    for (unsigned set = seq_detail::RunShapes[v].LengthSet; set != 0; set &= set - 1)
      if (sel.Word(1, static_cast<uint16_t>(std::countr_zero(set)))) return true;
    return false;
  }
  TStatKey ColumnKey(uint8_t v) const { return TStatKey::Words(v); }
  void EnumValues(int refIndex, TStatDrawArray& values) override;
};

// "SEQS": how many runs of two or more.
class TstSequenceCnt final : public TStatImpl<TstSequenceCnt, TCustomGraphStat> {
 public:
  static constexpr std::string_view ClassName = "TstSequenceCnt";
  static constexpr std::string_view Code = "SEQS";
  static constexpr std::string_view Caption = "Количество последовательностей в тираже";
  static constexpr int Group = 6;
  static constexpr uint8_t Options = OptS | OptN;
  static constexpr bool SingleValue = true;
  using TStatImpl::TStatImpl;

  static int FastCount(const TComb& c) { return seq_detail::RunShapes[seq_detail::AscendingPairs(c)].Sequences; }
  uint64_t ValueKey(uint64_t w) const { return static_cast<uint64_t>(FastCount(seq_detail::CombOfWord(w))); }
  template <TValueSink Sink>
  void Values(const TComb& c, Sink&& sink) const {
    const int count = IsFastPath<Sink> ? FastCount(c) : seq_detail::SequenceCount(c);
    sink(TStatKey::Words(static_cast<uint16_t>(count)), true);
  }
  template <class Sel>
  bool Match(const TComb& c, const Sel& sel, const TMatchContext&) const {
    return sel.Word(1, static_cast<uint16_t>(IsFastPath<Sel> ? FastCount(c) : seq_detail::SequenceCount(c)));
  }
  bool Columns(TColumnProgram& prog, const TMatchContext*) const {
    prog.Output(seq_detail::ShapeColumn(prog, seq_detail::PairsColumn(prog),
                                        [](const seq_detail::TRunShape& s) { return s.Sequences; }));
    return true;
  }
  template <class Sel>
  bool ColumnMatch(int, uint8_t v, const Sel& sel) const {
    return sel.Word(1, v);
  }
  TStatKey ColumnKey(uint8_t v) const { return TStatKey::Words(v); }
  void EnumValues(int refIndex, TStatDrawArray& values) override;
  // Chart: pairs that differ by one either way.
  int32_t CombValue(const TComb& c, int, int, bool) override {
    return seq_detail::RunShapes[seq_detail::AdjacentPairs(c)].Sequences;
  }
};

// "LENS": the length of the longest run (1 when no pair continues one).
class TstSequenceLenMax final : public TStatImpl<TstSequenceLenMax, TCustomGraphStat> {
 public:
  static constexpr std::string_view ClassName = "TstSequenceLenMax";
  static constexpr std::string_view Code = "LENS";
  static constexpr std::string_view Caption = "Макс. длина последовательности в тираже";
  static constexpr int Group = 6;
  static constexpr uint8_t Options = OptS | OptN;
  static constexpr bool SingleValue = true;
  using TStatImpl::TStatImpl;

  static int FastLongest(const TComb& c) { return seq_detail::RunShapes[seq_detail::AscendingPairs(c)].Longest; }
  uint64_t ValueKey(uint64_t w) const { return static_cast<uint64_t>(FastLongest(seq_detail::CombOfWord(w))); }
  template <TValueSink Sink>
  void Values(const TComb& c, Sink&& sink) const {
    const int longest = IsFastPath<Sink> ? FastLongest(c) : seq_detail::LongestRun(c);
    sink(TStatKey::Words(static_cast<uint16_t>(longest)), true);
  }
  template <class Sel>
  bool Match(const TComb& c, const Sel& sel, const TMatchContext&) const {
    return sel.Word(1, static_cast<uint16_t>(IsFastPath<Sel> ? FastLongest(c) : seq_detail::LongestRun(c)));
  }
  bool Columns(TColumnProgram& prog, const TMatchContext*) const {
    prog.Output(seq_detail::ShapeColumn(prog, seq_detail::PairsColumn(prog),
                                        [](const seq_detail::TRunShape& s) { return s.Longest; }));
    return true;
  }
  template <class Sel>
  bool ColumnMatch(int, uint8_t v, const Sel& sel) const {
    return sel.Word(1, v);
  }
  TStatKey ColumnKey(uint8_t v) const { return TStatKey::Words(v); }
  void EnumValues(int refIndex, TStatDrawArray& values) override;
  // Chart: pairs that differ by one either way; 0 when there is no sequence, else its length.
  int32_t CombValue(const TComb& c, int, int, bool) override {
    const int longest = seq_detail::RunShapes[seq_detail::AdjacentPairs(c)].Longest;
    return longest >= 2 ? longest : 0;
  }
};

}  // namespace kivra
