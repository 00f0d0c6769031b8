// Sum statistics (group 1): the sum of the five numbers, its three fixed ranges, the sums of the
// even or prime-set numbers only, the "two numbers add up to a third" count, and three statistics of
// how the sum changed from the previous draw, conditioned on the sum of the newest draw in use.
#pragma once

#include "stats/CustomStat.h"
#include "stats/SF_Nums.h"
#include "stats/Swar.h"

namespace kivra {

// Class-list entries of the family.
std::span<const TStatListEntry> SumStatClasses();

constexpr int MinSum = 15;                       // 1 + 2 + 3 + 4 + 5
constexpr int MaxSum = 215;                      // 45 + 44 + 43 + 42 + 41
constexpr int SumStep = (MaxSum - MinSum) / 10;  // the tolerance of "SUMV" around the reference sum

// The inclusive bounds of sum range 1..3; an empty range (Low > High) for any other number.
struct TSumRange {
  int Low;
  int High;
  constexpr bool Contains(int s) const { return Low <= s && s <= High; }
};
constexpr TSumRange SumRangeBounds(int range) {
  switch (range) {
    case 1: return {93, 183};
    case 2: return {102, 174};
    case 3: return {110, 166};
    default: return {1, 0};
  }
}

// The sum of the five bytes of a combination (any bytes, so up to 5 * 255).
constexpr int CombNumbersSum(const TComb& c) { return c[0] + c[1] + c[2] + c[3] + c[4]; }
constexpr int SumChangeSign(int x) { return (x > 0) - (x < 0); }

class TstSumValues final : public TStatImpl<TstSumValues, TCustomGraphStat> {
 public:
  static constexpr std::string_view ClassName = "TstSumValues";
  static constexpr std::string_view Code = "SUMS";
  static constexpr std::string_view Caption = "Сумма тиража: все значения";
  static constexpr int Group = 1;
  static constexpr uint8_t Options = OptN;
  static constexpr bool SingleValue = true;
  uint64_t ValueKey(uint64_t w) const { return swar::SumBytes(w); }
  using TStatImpl::TStatImpl;

  template <TValueSink Sink>
  void Values(const TComb& c, Sink&& sink) const {
    sink(TStatKey::Longs(CombNumbersSum(c)), true);
  }
  template <class Sel>
  bool Match(const TComb& c, const Sel& sel, const TMatchContext&) const {
    return sel.Pair(static_cast<uint16_t>(CombNumbersSum(c)), 0);
  }
  template <class Sel>
  bool MatchWord(uint64_t w, const Sel& sel, const TMatchContext&) const {
    return sel.Pair(static_cast<uint16_t>(swar::SumBytes(w)), 0);
  }
  // The sum of five numbers up to 45 fits a byte.
  bool Columns(TColumnProgram& prog, const TMatchContext*) const {
    prog.Output(prog.LutSum(prog.Table([](int n) { return n; })));
    return true;
  }
  template <class Sel>
  bool ColumnMatch(int, uint8_t v, const Sel& sel) const {
    return sel.Pair(v, 0);
  }
  TStatKey ColumnKey(uint8_t v) const { return TStatKey::Longs(v); }
  void EnumValues(int refIndex, TStatDrawArray& values) override;
  int32_t CombValue(const TComb& c, int, int, bool) override { return CombNumbersSum(c); }
};

// "SUM1".."SUM3": 1 when the sum lies in the range Param, else 0 ("Остальные").
class TstSumRanges final : public TStatImpl<TstSumRanges, TCustomGraphStat> {
 public:
  static constexpr std::string_view ClassName = "TstSumRanges";
  static constexpr std::string_view Code = "SUM%d";
  static constexpr std::string_view Caption = "Сумма тиража: диапазон %d (%d/%d)";
  static constexpr int Group = 1;
  static constexpr uint8_t Options = OptN;
  static constexpr bool SingleValue = true;
  static constexpr bool IsNumeric = false;
  static constexpr bool HasParam = true;
  static std::pair<int32_t, int32_t> GetParamRange(const TStatEnv&) { return {1, 3}; }
  static std::string CaptionFor(int32_t param);

  TstSumRanges(const TStatClass& cls, const TStatEnv& env, int32_t param)
      : TStatImpl(cls, env, param), range_(SumRangeBounds(param)) {}

  template <TValueSink Sink>
  void Values(const TComb& c, Sink&& sink) const {
    sink(TStatKey::Words(InRange(c)), true);
  }
  // A selected "1" asks for sums inside the range; without it the others are asked for, so with
  // both values selected only the sums inside the range match. Nothing selected matches nothing.
  template <class Sel>
  bool Match(const TComb& c, const Sel& sel, const TMatchContext&) const {
    if (sel.Empty()) return false;
    return sel.Key(1) ? InRange(c) : !InRange(c);
  }
  bool Columns(TColumnProgram& prog, const TMatchContext*) const {
    const int sum = prog.LutSum(prog.Table([](int n) { return n; }));
    prog.Output(prog.Lut256(sum, prog.Table256([&](int s) { return range_.Contains(s); })));
    return true;
  }
  template <class Sel>
  bool ColumnMatch(int, uint8_t v, const Sel& sel) const {
    return !sel.Empty() && (sel.Key(1) ? v != 0 : v == 0);
  }
  TStatKey ColumnKey(uint8_t v) const { return TStatKey::Words(v); }
  void EnumValues(int refIndex, TStatDrawArray& values) override;
  int32_t CombValue(const TComb& c, int, int, bool) override { return InRange(c); }
  std::string ValueCaption(const TStatDrawRec& rec) const override;

 private:
  uint16_t InRange(const TComb& c) const { return range_.Contains(CombNumbersSum(c)) ? 1 : 0; }
  TSumRange range_;
};

// The pair (previous sum, this sum) for the draws that follow a draw whose sum equals the sum of
// the reference draw. The chart shows the change from the previous draw.
class TstSumChange final : public TStatImpl<TstSumChange, TCustomGraphStat> {
 public:
  static constexpr std::string_view ClassName = "TstSumChange";
  static constexpr std::string_view Code = "SUMC";
  static constexpr std::string_view Caption = "Сумма тиража: изменения (точно)";
  static constexpr int Group = 1;
  static constexpr uint8_t Options = OptD;
  static constexpr bool IsNumeric = false;
  using TStatImpl::TStatImpl;

  void PrepareMatch(const TMatchContext& ctx);
  // The selected pairs carry the reference sum in L1 already: only this sum is looked up.
  template <class Sel>
  bool Match(const TComb& c, const Sel& sel, const TMatchContext&) const {
    return sel.Long(2, CombNumbersSum(c));
  }
  bool Columns(TColumnProgram& prog, const TMatchContext*) const {
    prog.Output(prog.LutSum(prog.Table([](int n) { return n; })));
    return true;
  }
  template <class Sel>
  bool ColumnMatch(int, uint8_t v, const Sel& sel) const {
    return sel.Long(2, v);
  }
  template <TValueSink Sink>
  void FilterValues(const TComb& c, const TMatchContext&, Sink&& sink) const {
    sink(TStatKey::Longs(refSum_, CombNumbersSum(c)), true);
  }
  void DrawValues(int index, int refIndex, bool sorted, TStatDrawArray& values, TStatWork& work,
                  TLastValueArray& lastSeen) override;
  int32_t CombValue(const TComb& c, int index, int, bool) override;
  std::string ValueCaption(const TStatDrawRec& rec) const override;

 private:
  int refSum_ = 0;
};

// The change of the sum (this minus previous) for the draws that follow a draw whose sum lies
// within SumStep of the reference sum.
class TstSumChangeSome final : public TStatImpl<TstSumChangeSome, TCustomStat> {
 public:
  static constexpr std::string_view ClassName = "TstSumChangeSome";
  static constexpr std::string_view Code = "SUMV";
  static constexpr std::string_view Caption = "Сумма тиража: изменения (диапазон)";
  static constexpr int Group = 1;
  static constexpr uint8_t Options = OptD;
  static constexpr bool IsNumeric = false;
  using TStatImpl::TStatImpl;

  void PrepareMatch(const TMatchContext& ctx);
  template <class Sel>
  bool Match(const TComb& c, const Sel& sel, const TMatchContext&) const {
    return sel.Long(1, CombNumbersSum(c) - refSum_);
  }
  bool Columns(TColumnProgram& prog, const TMatchContext*) const {
    prog.Output(prog.LutSum(prog.Table([](int n) { return n; })));
    return true;
  }
  template <class Sel>
  bool ColumnMatch(int, uint8_t v, const Sel& sel) const {
    return sel.Long(1, v - refSum_);
  }
  template <TValueSink Sink>
  void FilterValues(const TComb& c, const TMatchContext&, Sink&& sink) const {
    sink(TStatKey::Longs(CombNumbersSum(c) - refSum_), true);
  }
  void DrawValues(int index, int refIndex, bool sorted, TStatDrawArray& values, TStatWork& work,
                  TLastValueArray& lastSeen) override;
  std::string ValueCaption(const TStatDrawRec& rec) const override;

 private:
  int refSum_ = 0;
};

// The direction of the change (1, 0, -1) for the draws that follow a draw whose sum equals the
// reference sum. The chart shows the direction from the previous draw.
class TstSumTrend final : public TStatImpl<TstSumTrend, TCustomGraphStat> {
 public:
  static constexpr std::string_view ClassName = "TstSumTrend";
  static constexpr std::string_view Code = "SUMT";
  static constexpr std::string_view Caption = "Сумма тиража: направление изменения";
  static constexpr int Group = 1;
  static constexpr uint8_t Options = OptD;
  static constexpr bool IsNumeric = false;
  using TStatImpl::TStatImpl;

  void PrepareMatch(const TMatchContext& ctx);
  template <class Sel>
  bool Match(const TComb& c, const Sel& sel, const TMatchContext&) const {
    return sel.Long(1, SumChangeSign(CombNumbersSum(c) - refSum_));
  }
  bool Columns(TColumnProgram& prog, const TMatchContext*) const {
    prog.Output(prog.LutSum(prog.Table([](int n) { return n; })));
    return true;
  }
  template <class Sel>
  bool ColumnMatch(int, uint8_t v, const Sel& sel) const {
    return sel.Long(1, SumChangeSign(v - refSum_));
  }
  template <TValueSink Sink>
  void FilterValues(const TComb& c, const TMatchContext&, Sink&& sink) const {
    sink(TStatKey::Longs(SumChangeSign(CombNumbersSum(c) - refSum_)), true);
  }
  void EnumValues(int refIndex, TStatDrawArray& values) override;
  void DrawValues(int index, int refIndex, bool sorted, TStatDrawArray& values, TStatWork& work,
                  TLastValueArray& lastSeen) override;
  int32_t CombValue(const TComb& c, int index, int, bool) override;
  std::string ValueCaption(const TStatDrawRec& rec) const override;

 private:
  int refSum_ = 0;
};

// The sum of the even numbers only ("SUME") or of the prime-set numbers only ("SUMP").
template <bool Primes>
class TstSumClassValues final : public TStatImpl<TstSumClassValues<Primes>, TCustomGraphStat> {
  using Impl = TStatImpl<TstSumClassValues<Primes>, TCustomGraphStat>;

 public:
  static constexpr std::string_view ClassName = Primes ? "TstSumPrimeValues" : "TstSumEvenValues";
  static constexpr std::string_view Code = Primes ? "SUMP" : "SUME";
  static constexpr std::string_view Caption = Primes ? "Сумма тиража: только простые" : "Сумма тиража: только четные";
  static constexpr int Group = 1;
  static constexpr uint8_t Options = OptN;
  static constexpr bool SingleValue = true;
  using Impl::Impl;

  static int Sum(const TComb& c) {
    int sum = 0;
    for (uint8_t n : c)
      if (Primes ? IsPrimeSetNumber(n) : IsEvenNumber(n)) sum += n;
    return sum;
  }
  template <TValueSink Sink>
  void Values(const TComb& c, Sink&& sink) const {
    sink(TStatKey::Longs(Sum(c)), true);
  }
  template <class Sel>
  bool Match(const TComb& c, const Sel& sel, const TMatchContext&) const {
    return sel.Pair(static_cast<uint16_t>(Sum(c)), 0);
  }
  // At most 44 + 42 + 40 + 38 + 36 (even) or 43 + 41 + 37 + 31 + 29 (prime set): a byte.
  bool Columns(TColumnProgram& prog, const TMatchContext*) const {
    prog.Output(prog.LutSum(prog.Table([](int n) {
      const auto b = static_cast<uint8_t>(n);
      return (Primes ? IsPrimeSetNumber(b) : IsEvenNumber(b)) ? n : 0;
    })));
    return true;
  }
  template <class Sel>
  bool ColumnMatch(int, uint8_t v, const Sel& sel) const {
    return sel.Pair(v, 0);
  }
  TStatKey ColumnKey(uint8_t v) const { return TStatKey::Longs(v); }
  int32_t CombValue(const TComb& c, int, int, bool) override { return Sum(c); }
};
using TstSumEvenValues = TstSumClassValues<false>;
using TstSumPrimeValues = TstSumClassValues<true>;

// How many times one number equals the sum of two numbers in other positions.
class TstSum2To3 final : public TStatImpl<TstSum2To3, TCustomGraphStat> {
 public:
  static constexpr std::string_view ClassName = "TstSum2To3";
  static constexpr std::string_view Code = "S2T3";
  static constexpr std::string_view Caption = "Сумма двух чисел тиража равна третьему числу";
  static constexpr int Group = 1;
  static constexpr uint8_t Options = OptN;
  static constexpr bool SingleValue = true;
  using TStatImpl::TStatImpl;

  static int Count(const TComb& c);
  // The same count by pair sums looked up in the set of the numbers, for five different numbers
  // 1..63 (then no number can be one of its own two addends); others take Count.
  static int FastCount(const TComb& c) {
    const uint8_t a = c[0], b = c[1], x = c[2], y = c[3], z = c[4];
    const bool inRange = ((a - 1u) < 63u) & ((b - 1u) < 63u) & ((x - 1u) < 63u) & ((y - 1u) < 63u) & ((z - 1u) < 63u);
    if (!inRange) return Count(c);
    const uint64_t set = 1ull << a | 1ull << b | 1ull << x | 1ull << y | 1ull << z;
    // The bits add up to their union exactly when no two numbers are equal.
    if ((1ull << a) + (1ull << b) + (1ull << x) + (1ull << y) + (1ull << z) != set) return Count(c);
    auto in = [set](unsigned sum) { return static_cast<int>((sum < 64) & ((set >> (sum & 63)) & 1)); };
    return in(a + b) + in(a + x) + in(a + y) + in(a + z) + in(b + x) + in(b + y) + in(b + z) + in(x + y) + in(x + z) +
           in(y + z);
  }
  uint64_t ValueKey(uint64_t w) const {
    TComb c;
    std::memcpy(c.data(), &w, sizeof c);
    return static_cast<uint64_t>(FastCount(c));
  }
  template <TValueSink Sink>
  void Values(const TComb& c, Sink&& sink) const {
    const int count = IsFastPath<Sink> ? FastCount(c) : Count(c);
    sink(TStatKey::Words(static_cast<uint16_t>(count)), true);
  }
  template <class Sel>
  bool Match(const TComb& c, const Sel& sel, const TMatchContext&) const {
    return sel.Word(1, static_cast<uint16_t>(IsFastPath<Sel> ? FastCount(c) : Count(c)));
  }
  // Every pair of positions against the three others; equal bytes compare as 0xFF, so the sum of
  // the comparisons is minus the count.
  bool Columns(TColumnProgram& prog, const TMatchContext*) const {
    const int minusCount = prog.Const(0);
    for (int j = 0; j < CombSize; ++j)
      for (int k = j + 1; k < CombSize; ++k) {
        const int sum = prog.Add(j, k);
        for (int i = 0; i < CombSize; ++i)
          if (i != j && i != k) prog.AddTo(minusCount, prog.CmpEq(i, sum));
      }
    prog.Output(prog.Sub(prog.Const(0), minusCount));
    return true;
  }
  template <class Sel>
  bool ColumnMatch(int, uint8_t v, const Sel& sel) const {
    return sel.Word(1, v);
  }
  TStatKey ColumnKey(uint8_t v) const { return TStatKey::Words(v); }
  int32_t CombValue(const TComb& c, int, int, bool) override { return Count(c); }
};

}  // namespace kivra
