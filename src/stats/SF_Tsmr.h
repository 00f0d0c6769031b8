// Tesmar numbers (group 11): the five numbers reduced to one characteristic number by repeated
// differences of neighbours (the difference triangle). "HCT1" and "HCT2" give the number of a
// combination or draw; "HCT3" lists, for the newest draw of the window only, its number and the
// multiples of it up to 45, each counted 1 when the draw after the window holds it.
#pragma once

#include <cstring>

#include "stats/CustomStat.h"

namespace kivra {

// Class-list entries of the family.
std::span<const TStatListEntry> TesmarStatClasses();

// The result of the triangle over five numbers in position order: while more than two numbers
// remain they are replaced by the absolute differences of neighbours; with a and b left, d = |b - a|.
//   mode 0: d;
//   mode 1: a + b when d is 0 or 1, else d;
//   mode 2: a + b when d is 0, the pair (1, a + b) when d is 1 (Pair set, Value = a + b), else d.
struct TTesmarResult {
  int32_t Value = 0;
  bool Pair = false;
};

constexpr TTesmarResult TesmarTriangle(const TComb& c, int mode) {
  int v[CombSize] = {c[0], c[1], c[2], c[3], c[4]};
  for (int k = CombSize; k > 2; --k)
    for (int i = 0; i + 1 < k; ++i) v[i] = v[i + 1] > v[i] ? v[i + 1] - v[i] : v[i] - v[i + 1];
  const int a = v[0], b = v[1];
  const int d = b > a ? b - a : a - b;
  switch (mode) {
    case 0: return {d, false};
    case 1: return {d <= 1 ? a + b : d, false};
    default:
      if (d == 0) return {a + b, false};
      if (d == 1) return {a + b, true};
      return {d, false};
  }
}

// "HCT1" (mode 0) and "HCT2" (mode 1): one value per combination, tested on K1.
template <int Mode>
class TstTesmar final : public TStatImpl<TstTesmar<Mode>, TCustomGraphStat> {
  static_assert(Mode == 0 || Mode == 1);
  using Impl = TStatImpl<TstTesmar<Mode>, TCustomGraphStat>;

 public:
  static constexpr std::string_view ClassName = Mode == 0 ? "TstTesmar1" : "TstTesmar2";
  static constexpr std::string_view Code = Mode == 0 ? "HCT1" : "HCT2";
  static constexpr std::string_view Caption =
      Mode == 0 ? "Число Тесмара 1 (только разность)" : "Число Тесмара 2 (разность + сложение, если {0,1})";
  static constexpr int Group = 11;
  static constexpr uint8_t Options = OptS | OptN;
  static constexpr bool SingleValue = true;
  using Impl::Impl;

  static constexpr uint16_t ValueOf(const TComb& c) { return static_cast<uint16_t>(TesmarTriangle(c, Mode).Value); }

  template <TValueSink Sink>
  void Values(const TComb& c, Sink&& sink) const {
    sink(TStatKey::Words(ValueOf(c)), true);
  }
  uint64_t ValueKey(uint64_t w) const {
    TComb c;
    std::memcpy(c.data(), &w, sizeof c);
    return ValueOf(c);
  }
  template <class Sel>
  bool Match(const TComb& c, const Sel& sel, const TMatchContext&) const {
    return sel.Word(1, ValueOf(c));
  }
  // The triangle on bytes: every entry stays in 0..44, a + b at most 88.
  bool Columns(TColumnProgram& prog, const TMatchContext*) const {
    int v[CombSize] = {0, 1, 2, 3, 4};
    for (int k = CombSize; k > 2; --k)
      for (int i = 0; i + 1 < k; ++i) v[i] = prog.AbsDiff(v[i], v[i + 1]);
    const int d = prog.AbsDiff(v[0], v[1]);
    if constexpr (Mode == 0) {
      prog.Output(d);
    } else {
      prog.Output(prog.Select(prog.CmpGt(d, prog.Const(1)), d, prog.Add(v[0], v[1])));
    }
    return true;
  }
  template <class Sel>
  bool ColumnMatch(int, uint8_t v, const Sel& sel) const {
    return sel.Word(1, v);
  }
  TStatKey ColumnKey(uint8_t v) const { return TStatKey::Words(v); }
  int32_t CombValue(const TComb& c, int, int, bool) override { return ValueOf(c); }
};

using TstTesmar1 = TstTesmar<0>;
using TstTesmar2 = TstTesmar<1>;

// "HCT3": for filtering only. The newest draw of the window gives f by the triangle in mode 2
// (K1 = f; a pair is written K1 = a + b, K2 = 1, K4 = 2) and then the multiples g = f^2 (or f^3 when
// f^2 < 45), g - f, g - 2f, ... down to 2f that lie in 1..45. Each value counts 1 when the draw
// after the window holds it, else 0; the filter keeps the combinations holding a selected number.
class TstTesmar3 final : public TStatImpl<TstTesmar3, TCustomStat> {
 public:
  static constexpr std::string_view ClassName = "TstTesmar3";
  static constexpr std::string_view Code = "HCT3";
  static constexpr std::string_view Caption = "Числа Тесмара 3 (динамический, только фильтр)";
  static constexpr int Group = 11;
  static constexpr uint8_t Options = OptS | OptD;
  static constexpr bool IsNumeric = false;
  using TStatImpl::TStatImpl;

  template <class Sel>
  bool Match(const TComb& c, const Sel& sel, const TMatchContext&) const {
    return sel.Word(1, c[0]) || sel.Word(1, c[1]) || sel.Word(1, c[2]) || sel.Word(1, c[3]) || sel.Word(1, c[4]);
  }
  // The five numbers are the outputs (filter passes only).
  bool Columns(TColumnProgram& prog, const TMatchContext* ctx) const {
    if (ctx == nullptr) return false;
    for (int k = 0; k < CombSize; ++k) prog.Output(k);
    return true;
  }
  template <class Sel>
  bool ColumnMatch(int, uint8_t v, const Sel& sel) const {
    return sel.Word(1, v);
  }
  // What the test looks up: the numbers of the combination.
  template <TValueSink Sink>
  void FilterValues(const TComb& c, const TMatchContext&, Sink&& sink) const {
    for (uint8_t n : c) sink(TStatKey::Words(n), false);
  }
  void DrawValues(int index, int refIndex, bool sorted, TStatDrawArray& values, TStatWork& work,
                  TLastValueArray& lastSeen) override;
  // K1, followed by " (K2)" for a pair: 14 (1).
  std::string ValueCaption(const TStatDrawRec& rec) const override;
};

}  // namespace kivra
