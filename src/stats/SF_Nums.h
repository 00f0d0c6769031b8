// Number statistics (group 0): the numbers, their digits, even/small/prime counts and masks, and
// the number in a given position.
//
// Every test here reads the five number bytes only; a byte may be anything 0..255 (a zero draw, a
// pasted or shifted combination), so class lookups go through 256-entry tables and never index
// past them.
#pragma once

#include <array>
#include <bit>

#include "stats/CustomStat.h"
#include "stats/Swar.h"

namespace kivra {

// Class-list entries of the family.
std::span<const TStatListEntry> NumberStatClasses();

// Number classes: even, small (first half, 1..22), prime (the fixed set with 1 in it).
constexpr bool IsEvenNumber(uint8_t n) { return n % 2 == 0; }
constexpr bool IsSmallNumber(uint8_t n) { return n <= 22; }

namespace nums_detail {

constexpr std::array<bool, 256> PrimeSet = [] {
  std::array<bool, 256> t{};
  for (int n : {1, 2, 3, 5, 7, 11, 13, 17, 19, 23, 29, 31, 37, 41, 43}) t[n] = true;
  return t;
}();

// The decimal digits each byte value is written with, as a 10-bit set (bit d = digit d occurs).
constexpr std::array<uint16_t, 256> DigitSet = [] {
  std::array<uint16_t, 256> t{};
  for (int n = 0; n < 256; ++n) {
    int v = n;
    do {
      t[n] = static_cast<uint16_t>(t[n] | 1u << (v % 10));
      v /= 10;
    } while (v > 0);
  }
  return t;
}();

// The number of the five bytes for which Pred holds.
template <bool (*Pred)(uint8_t)>
constexpr int CountOf(const TComb& c) {
  return Pred(c[0]) + Pred(c[1]) + Pred(c[2]) + Pred(c[3]) + Pred(c[4]);
}

// The 5-bit mask over positions, position 1 in bit 4: mask := mask * 2 + bit.
template <bool (*Pred)(uint8_t)>
constexpr int32_t MaskOf(const TComb& c) {
  return Pred(c[0]) << 4 | Pred(c[1]) << 3 | Pred(c[2]) << 2 | Pred(c[3]) << 1 | int32_t{Pred(c[4])};
}

constexpr bool IsOddNumber(uint8_t n) { return n % 2 != 0; }
constexpr bool IsLargeNumber(uint8_t n) { return n >= 23; }

}  // namespace nums_detail

constexpr bool IsPrimeSetNumber(uint8_t n) { return nums_detail::PrimeSet[n]; }

namespace nums_detail {

// The column form of the class counts (a word key) and of the class masks (a long key).
template <bool (*Pred)(uint8_t)>
struct TCountColumns {
  bool Columns(TColumnProgram& prog, const TMatchContext*) const {
    prog.Output(prog.CountOf(Pred));
    return true;
  }
  template <class Sel>
  bool ColumnMatch(int, uint8_t v, const Sel& sel) const {
    return sel.Word(1, v);
  }
  TStatKey ColumnKey(uint8_t v) const { return TStatKey::Words(v); }
};

template <bool (*Pred)(uint8_t)>
struct TMaskColumns {
  bool Columns(TColumnProgram& prog, const TMatchContext*) const {
    prog.Output(prog.MaskOf(Pred));
    return true;
  }
  template <class Sel>
  bool ColumnMatch(int, uint8_t v, const Sel& sel) const {
    return sel.Long(1, v);
  }
  TStatKey ColumnKey(uint8_t v) const { return TStatKey::Longs(v); }
};

}  // namespace nums_detail

// Each of the five numbers, in position order.
class TstValues final : public TStatImpl<TstValues, TCustomValuesStat> {
 public:
  static constexpr std::string_view ClassName = "TstValues";
  static constexpr std::string_view Code = "NUMS";
  static constexpr std::string_view Caption = "Числа тиража";
  static constexpr int Group = 0;
  static constexpr uint8_t Options = OptN;
  using TStatImpl::TStatImpl;

  template <TValueSink Sink>
  void Values(const TComb& c, Sink&& sink) const {
    for (uint8_t n : c) sink(TStatKey::Words(n), true);
  }
  template <class Sel>
  bool Match(const TComb& c, const Sel& sel, const TMatchContext&) const {
    return sel.Key(c[0]) || sel.Key(c[1]) || sel.Key(c[2]) || sel.Key(c[3]) || sel.Key(c[4]);
  }
  bool Columns(TColumnProgram& prog, const TMatchContext*) const {
    for (int k = 0; k < CombSize; ++k) prog.Output(k);
    return true;
  }
  template <class Sel>
  bool ColumnMatch(int, uint8_t v, const Sel& sel) const {
    return sel.Key(v);
  }
  TStatKey ColumnKey(uint8_t v) const { return TStatKey::Words(v); }
  void EnumValues(int refIndex, TStatDrawArray& values) override;
};

// Each decimal digit of each number: numbers in position order, digits left to right, a digit
// that occurs twice counted twice.
class TstDigits final : public TStatImpl<TstDigits, TCustomNumbersStat> {
 public:
  static constexpr std::string_view ClassName = "TstDigits";
  static constexpr std::string_view Code = "DIGS";
  static constexpr std::string_view Caption = "Цифры тиража";
  static constexpr int Group = 0;
  static constexpr uint8_t Options = OptN;
  using TStatImpl::TStatImpl;

  template <TValueSink Sink>
  void Values(const TComb& c, Sink&& sink) const {
    for (uint8_t n : c) {
      if (n >= 100) sink(TStatKey::Words(n / 100), true);
      if (n >= 10) sink(TStatKey::Words(n / 10 % 10), true);
      sink(TStatKey::Words(n % 10), true);
    }
  }
  template <class Sel>
  bool Match(const TComb& c, const Sel& sel, const TMatchContext&) const {
    // Which digit occurs does not depend on how often: test each distinct digit once.
    using nums_detail::DigitSet;
    unsigned digits = DigitSet[c[0]] | DigitSet[c[1]] | DigitSet[c[2]] | DigitSet[c[3]] | DigitSet[c[4]];
    for (; digits != 0; digits &= digits - 1)
      if (sel.Key(static_cast<uint16_t>(std::countr_zero(digits)))) return true;
    return false;
  }
  // A row keeps the combinations that show its digit: the list is counted by the sets of distinct
  // digits of its combinations, then each digit adds the counts of the sets holding it.
  bool CountShownRows(std::span<const TComb> in, const TMatchContext&, const TRowKeyIndex& index,
                      uint32_t* counts) const override {
    using nums_detail::DigitSet;
    std::vector<uint32_t> sets(1024);
    for (const TComb& c : in)
      ++sets[DigitSet[c[0]] | DigitSet[c[1]] | DigitSet[c[2]] | DigitSet[c[3]] | DigitSet[c[4]]];
    for (uint16_t digit = 0; digit < 10; ++digit) {
      const int32_t id = index.Find(TStatKey::Words(digit).Raw());
      if (id == TRowKeyIndex::None) continue;
      uint32_t n = 0;
      for (unsigned set = 0; set < sets.size(); ++set) n += (set >> digit & 1) != 0 ? sets[set] : 0;
      counts[id] += n;
    }
    return true;
  }
  // Per number its tens digit (none below 10) and its units digit.
  bool Columns(TColumnProgram& prog, const TMatchContext*) const {
    prog.SkipValue = NoDigit;
    const int tens = prog.Table([](int n) { return n >= 10 ? n / 10 % 10 : NoDigit; });
    const int units = prog.Table([](int n) { return n % 10; });
    for (int k = 0; k < CombSize; ++k) {
      prog.Output(prog.Lut(k, tens));
      prog.Output(prog.Lut(k, units));
    }
    return true;
  }
  template <class Sel>
  bool ColumnMatch(int, uint8_t v, const Sel& sel) const {
    return v != NoDigit && sel.Key(v);
  }
  TStatKey ColumnKey(uint8_t v) const { return TStatKey::Words(v); }

 private:
  static constexpr uint8_t NoDigit = 0xFF;
};

class TstEvenCount final : public TStatImpl<TstEvenCount, TCustomRatioStat>,
                           public nums_detail::TCountColumns<IsEvenNumber> {
 public:
  static constexpr std::string_view ClassName = "TstEvenCount";
  static constexpr std::string_view Code = "EVEN";
  static constexpr std::string_view Caption = "Количество четных чисел в тираже (Ч:Н)";
  static constexpr int Group = 0;
  static constexpr uint8_t Options = OptN;
  static constexpr bool SingleValue = true;
  uint64_t ValueKey(uint64_t w) const { return static_cast<uint64_t>(swar::CountLowBits(swar::EvenBits(w))); }
  using TStatImpl::TStatImpl;

  static int Count(const TComb& c) { return nums_detail::CountOf<IsEvenNumber>(c); }
  template <TValueSink Sink>
  void Values(const TComb& c, Sink&& sink) const {
    sink(TStatKey::Words(static_cast<uint16_t>(Count(c))), true);
  }
  template <class Sel>
  bool Match(const TComb& c, const Sel& sel, const TMatchContext&) const {
    return sel.Word(1, static_cast<uint16_t>(Count(c)));
  }
  template <class Sel>
  bool MatchWord(uint64_t w, const Sel& sel, const TMatchContext&) const {
    return sel.Word(1, static_cast<uint16_t>(swar::CountLowBits(swar::EvenBits(w))));
  }
  void EnumValues(int refIndex, TStatDrawArray& values) override;
  int32_t CombValue(const TComb& c, int, int, bool) override { return Count(c); }
};

// Mask with bit 1 for an odd number.
class TstEvenValues final : public TStatImpl<TstEvenValues, TCustomMaskStat>,
                            public nums_detail::TMaskColumns<nums_detail::IsOddNumber> {
 public:
  static constexpr std::string_view ClassName = "TstEvenValues";
  static constexpr std::string_view Code = "EVNV";
  static constexpr std::string_view Caption = "Четные и нечетные числа в тираже (Чн..нЧ)";
  static constexpr int Group = 0;
  static constexpr uint8_t Options = OptS | OptN;
  static constexpr bool SingleValue = true;
  uint64_t ValueKey(uint64_t w) const { return swar::PositionMask(w); }
  using TStatImpl::TStatImpl;

  static int32_t Mask(const TComb& c) { return nums_detail::MaskOf<nums_detail::IsOddNumber>(c); }
  template <TValueSink Sink>
  void Values(const TComb& c, Sink&& sink) const {
    sink(TStatKey::Longs(Mask(c)), true);
  }
  template <class Sel>
  bool Match(const TComb& c, const Sel& sel, const TMatchContext&) const {
    return sel.Long(1, Mask(c));
  }
  template <class Sel>
  bool MatchWord(uint64_t w, const Sel& sel, const TMatchContext&) const {
    return sel.Long(1, static_cast<int32_t>(swar::PositionMask(w)));
  }
  std::string_view ZeroLetter() const override { return "Ч"; }
  std::string_view OneLetter() const override { return "н"; }
};

class TstSmallCount final : public TStatImpl<TstSmallCount, TCustomRatioStat>,
                            public nums_detail::TCountColumns<IsSmallNumber> {
 public:
  static constexpr std::string_view ClassName = "TstSmallCount";
  static constexpr std::string_view Code = "SMAL";
  static constexpr std::string_view Caption = "Количество чисел из первой половины диапазона (1П:2П)";
  static constexpr int Group = 0;
  static constexpr uint8_t Options = OptN;
  static constexpr bool SingleValue = true;
  uint64_t ValueKey(uint64_t w) const {
    return static_cast<uint64_t>(CombSize - swar::CountLowBits(swar::BytesAtLeast(w, 23) >> 7));
  }
  using TStatImpl::TStatImpl;

  static int Count(const TComb& c) { return nums_detail::CountOf<IsSmallNumber>(c); }
  template <TValueSink Sink>
  void Values(const TComb& c, Sink&& sink) const {
    sink(TStatKey::Words(static_cast<uint16_t>(Count(c))), true);
  }
  template <class Sel>
  bool Match(const TComb& c, const Sel& sel, const TMatchContext&) const {
    return sel.Word(1, static_cast<uint16_t>(Count(c)));
  }
  template <class Sel>
  bool MatchWord(uint64_t w, const Sel& sel, const TMatchContext&) const {
    return sel.Word(1, static_cast<uint16_t>(CombSize - swar::CountLowBits(swar::BytesAtLeast(w, 23) >> 7)));
  }
  void EnumValues(int refIndex, TStatDrawArray& values) override;
  int32_t CombValue(const TComb& c, int, int, bool) override { return Count(c); }
};

// Mask with bit 1 for a number of the second half (>= 23). Only masks that occur are listed.
class TstSmallValues final : public TStatImpl<TstSmallValues, TCustomMaskStat>,
                             public nums_detail::TMaskColumns<nums_detail::IsLargeNumber> {
 public:
  static constexpr std::string_view ClassName = "TstSmallValues";
  static constexpr std::string_view Code = "SMLV";
  static constexpr std::string_view Caption = "Числа из первой половины диапазона (12..12)";
  static constexpr int Group = 0;
  static constexpr uint8_t Options = OptS | OptN;
  static constexpr bool SingleValue = true;
  uint64_t ValueKey(uint64_t w) const { return swar::PositionMask(swar::BytesAtLeast(w, 23) >> 7); }
  using TStatImpl::TStatImpl;

  static int32_t Mask(const TComb& c) { return nums_detail::MaskOf<nums_detail::IsLargeNumber>(c); }
  template <TValueSink Sink>
  void Values(const TComb& c, Sink&& sink) const {
    sink(TStatKey::Longs(Mask(c)), true);
  }
  template <class Sel>
  bool Match(const TComb& c, const Sel& sel, const TMatchContext&) const {
    return sel.Long(1, Mask(c));
  }
  template <class Sel>
  bool MatchWord(uint64_t w, const Sel& sel, const TMatchContext&) const {
    return sel.Long(1, static_cast<int32_t>(swar::PositionMask(swar::BytesAtLeast(w, 23) >> 7)));
  }
  void EnumValues(int refIndex, TStatDrawArray& values) override;
  std::string_view ZeroLetter() const override { return "1"; }
  std::string_view OneLetter() const override { return "2"; }
};

class TstPrimeCount final : public TStatImpl<TstPrimeCount, TCustomRatioStat>,
                            public nums_detail::TCountColumns<IsPrimeSetNumber> {
 public:
  static constexpr std::string_view ClassName = "TstPrimeCount";
  static constexpr std::string_view Code = "PRIM";
  static constexpr std::string_view Caption = "Количество простых чисел (П:С)";
  static constexpr int Group = 0;
  static constexpr uint8_t Options = OptN;
  static constexpr bool SingleValue = true;
  using TStatImpl::TStatImpl;

  static int Count(const TComb& c) { return nums_detail::CountOf<IsPrimeSetNumber>(c); }
  template <TValueSink Sink>
  void Values(const TComb& c, Sink&& sink) const {
    sink(TStatKey::Words(static_cast<uint16_t>(Count(c))), true);
  }
  template <class Sel>
  bool Match(const TComb& c, const Sel& sel, const TMatchContext&) const {
    return sel.Word(1, static_cast<uint16_t>(Count(c)));
  }
  void EnumValues(int refIndex, TStatDrawArray& values) override;
  int32_t CombValue(const TComb& c, int, int, bool) override { return Count(c); }
};

// Mask with bit 1 for a number of the prime set.
class TstPrimeValues final : public TStatImpl<TstPrimeValues, TCustomMaskStat>,
                             public nums_detail::TMaskColumns<IsPrimeSetNumber> {
 public:
  static constexpr std::string_view ClassName = "TstPrimeValues";
  static constexpr std::string_view Code = "PRMV";
  static constexpr std::string_view Caption = "Простые и составные числа (ПС..СП)";
  static constexpr int Group = 0;
  static constexpr uint8_t Options = OptS | OptN;
  static constexpr bool SingleValue = true;
  using TStatImpl::TStatImpl;

  static int32_t Mask(const TComb& c) { return nums_detail::MaskOf<IsPrimeSetNumber>(c); }
  template <TValueSink Sink>
  void Values(const TComb& c, Sink&& sink) const {
    sink(TStatKey::Longs(Mask(c)), true);
  }
  template <class Sel>
  bool Match(const TComb& c, const Sel& sel, const TMatchContext&) const {
    return sel.Long(1, Mask(c));
  }
  std::string_view ZeroLetter() const override { return "С"; }
  std::string_view OneLetter() const override { return "П"; }
};

// The number in position Param (1..5) as the draw or combination holds it: drawn or ascending
// order for archive draws (the ordered-numbers switch), list order for combinations.
class TstPosVal final : public TStatImpl<TstPosVal, TCustomGraphStat> {
 public:
  static constexpr std::string_view ClassName = "TstPosVal";
  static constexpr std::string_view Code = "POS%d";
  static constexpr std::string_view Caption = "Число в %0:d позиции тиража";
  static constexpr std::string_view HelpCode = "POSx";
  static constexpr int Group = 0;
  static constexpr uint8_t Options = OptS | OptN;
  static constexpr bool SingleValue = true;
  uint64_t ValueKey(uint64_t w) const { return pos_ >= 0 ? swar::ByteAt(w, pos_) : 0; }
  static constexpr bool HasParam = true;
  static std::pair<int32_t, int32_t> GetParamRange(const TStatEnv&) { return {1, CombSize}; }

  TstPosVal(const TStatClass& cls, const TStatEnv& env, int32_t param)
      : TStatImpl(cls, env, param), pos_(param >= 1 && param <= CombSize ? param - 1 : -1) {}

  // 0 for a parameter outside 1..5.
  uint8_t Number(const TComb& c) const { return pos_ >= 0 ? c[static_cast<size_t>(pos_)] : uint8_t{0}; }
  template <TValueSink Sink>
  void Values(const TComb& c, Sink&& sink) const {
    sink(TStatKey::Words(Number(c)), true);
  }
  template <class Sel>
  bool Match(const TComb& c, const Sel& sel, const TMatchContext&) const {
    return sel.Word(1, Number(c));
  }
  template <class Sel>
  bool MatchWord(uint64_t w, const Sel& sel, const TMatchContext&) const {
    return sel.Word(1, pos_ >= 0 ? swar::ByteAt(w, pos_) : uint8_t{0});
  }
  bool Columns(TColumnProgram& prog, const TMatchContext*) const {
    if (pos_ < 0) return false;
    prog.Output(pos_);
    return true;
  }
  template <class Sel>
  bool ColumnMatch(int, uint8_t v, const Sel& sel) const {
    return sel.Word(1, v);
  }
  TStatKey ColumnKey(uint8_t v) const { return TStatKey::Words(v); }
  void EnumValues(int refIndex, TStatDrawArray& values) override;
  int32_t CombValue(const TComb& c, int, int, bool) override { return Number(c); }

 private:
  int pos_;
};

// The byte of the draw record that follows the five numbers, at offset Param after them (for
// lotteries with an extra number). The range 1..0 keeps it out of the registry here; it filters
// nothing.
class TstPosExt final : public TStatImpl<TstPosExt, TCustomGraphStat> {
 public:
  static constexpr std::string_view ClassName = "TstPosExt";
  static constexpr std::string_view Code = "POE%d";
  static constexpr std::string_view Caption = "Extra (Bonus, Star...) - число (!без фильтра!)";
  static constexpr std::string_view HelpCode = "POSx";
  static constexpr int Group = 0;
  static constexpr uint8_t Options = 0;
  static constexpr bool HasParam = true;
  static std::pair<int32_t, int32_t> GetParamRange(const TStatEnv&) { return {1, 0}; }
  using TStatImpl::TStatImpl;

  // Offset 1 is the date length byte, offsets 2..11 the date bytes; 0 elsewhere.
  static uint8_t ExtraByte(const TDraw& d, int32_t offset);

  template <class Sel>
  bool Match(const TComb&, const Sel&, const TMatchContext&) const {
    return false;
  }
  void DrawValues(int index, int refIndex, bool sorted, TStatDrawArray& values, TStatWork& work,
                  TLastValueArray& lastSeen) override;
  int32_t CombValue(const TComb& c, int index, int refIndex, bool sorted) override;
};

}  // namespace kivra
