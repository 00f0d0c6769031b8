// Repeat statistics (group 7): the numbers of a draw that came again from one or two earlier draws,
// possibly shifted by a fixed amount, listed or counted.
//
// Over a window, the draw at Index is compared with the draws before it; the filter test treats
// a combination as the draw that follows RefIndex, so its earlier draws are RefIndex and before.
// Draws before the archive read as five zeros (ReadDraw), which a shift turns into the number k
// (k > 0) or 45 + k (k < 0); nothing is read outside the archive.
//
// The list members filter on the combination's numbers alone: the selected values already are
// the (shifted) numbers of the newest draw. Every value is in K1.
#pragma once

#include <array>
#include <cstdint>

#include "stats/CustomStat.h"

namespace kivra {

// Class-list entries of the family.
std::span<const TStatListEntry> RepeatStatClasses();

namespace rep_detail {

struct TRepNames {
  std::string_view ClassName, Code, Caption;
};

// The members compared with one earlier draw, by shift k and gap g (how many draws back).
constexpr TRepNames RepNames(bool counts, int shift, int gap) {
  if (shift == 0) {
    switch (gap) {
      case 1:
        return counts ? TRepNames{"TstRepCount2", "RPC2", "Количество повторов в 2-х тиражах подряд"}
                      : TRepNames{"TstRepValues2", "RPV2", "Повторяющиеся числа в 2-х тиражах подряд"};
      case 2:
        return counts ? TRepNames{"TstRepCount2over1", "RPO1", "Количество повторов в 2-х тиражах через 1 тираж(а)"}
                      : TRepNames{"TstRepValues2over1", "PRV2O1", "Повторяющиеся числа в 2-х тиражах через 1 тираж(а)"};
      case 3:
        return counts ? TRepNames{"TstRepCount2over2", "PRC2O2", "Количество повторов в 2-х тиражах через 2 тираж(а)"}
                      : TRepNames{"TstRepValues2over2", "PRV2O2", "Повторяющиеся числа в 2-х тиражах через 2 тираж(а)"};
      case 4:
        return counts ? TRepNames{"TstRepCount2over3", "PRC2O3", "Количество повторов в 2-х тиражах через 3 тираж(а)"}
                      : TRepNames{"TstRepValues2over3", "PRV2O3", "Повторяющиеся числа в 2-х тиражах через 3 тираж(а)"};
    }
  } else if (gap == 1) {
    switch (shift) {
      case 1:
        return counts ? TRepNames{"TstRepCount2P1", "PRC+1", "Количество совпадений \"значений + 1\""}
                      : TRepNames{"TstRepValues2P1", "PRV+1", "Данные предыдущего тиража + 1"};
      case -1:
        return counts ? TRepNames{"TstRepCount2N1", "PRC-1", "Количество совпадений \"значений - 1\""}
                      : TRepNames{"TstRepValues2N1", "PRV-1", "Данные предыдущего тиража - 1"};
      case 2:
        return counts ? TRepNames{"TstRepCount2P2", "PRC+2", "Количество совпадений \"значений + 2\""}
                      : TRepNames{"TstRepValues2P2", "PRV+2", "Данные предыдущего тиража + 2"};
      case -2:
        return counts ? TRepNames{"TstRepCount2N2", "PRC-2", "Количество совпадений \"значений - 2\""}
                      : TRepNames{"TstRepValues2N2", "PRV-2", "Данные предыдущего тиража - 2"};
    }
  }
  return {};
}

inline TComb Shifted(TComb c, int shift) {
  ShiftComb(c, shift);
  return c;
}

// True when one of the five numbers is a selected value (K1).
template <class Sel>
bool AnyNumberSelected(const TComb& c, const Sel& sel) {
  return sel.Word(1, c[0]) || sel.Word(1, c[1]) || sel.Word(1, c[2]) || sel.Word(1, c[3]) || sel.Word(1, c[4]);
}

// The five numbers as values (what the list members' filter looks up).
template <TValueSink Sink>
void NumberValues(const TComb& c, Sink&& sink) {
  for (uint8_t n : c) sink(TStatKey::Words(n), true);
}

// Column program of the list members: the five numbers are the outputs, each tested as a value.
inline bool NumberColumns(TColumnProgram& prog, const TMatchContext* ctx) {
  if (ctx == nullptr) return false;  // no values of bare combinations
  for (int k = 0; k < CombSize; ++k) prog.Output(k);
  return true;
}

// How many entries of `earlier` are numbers of `c` (an entry that occurs twice counts twice).
inline int EntriesIn(const TComb& earlier, const TComb& c) {
  int count = 0;
  for (uint8_t x : earlier) count += NumberInComb(c, x);
  return count;
}

// The three-draw rule: x is a number of P, and of Q (or, with notInQ, not of Q).
inline bool FromPrevious(uint8_t x, const TComb& p, const TComb& q, bool notInQ) {
  return NumberInComb(p, x) && NumberInComb(q, x) != notInQ;
}

// How many of the five numbers of `c` (positions, so a number written twice counts twice) keep
// the three-draw rule.
inline int FromPreviousCount(const TComb& c, const TComb& p, const TComb& q, bool notInQ) {
  int count = 0;
  for (uint8_t x : c) count += FromPrevious(x, p, q, notInQ);
  return count;
}

}  // namespace rep_detail

// Lists of numbers of the newest draw that came again from the draw g draws earlier, shifted by k.
class TCustomRepValues2Stat : public TCustomValuesStat {
 public:
  using TCustomValuesStat::TCustomValuesStat;
  static constexpr int Group = 7;
  static constexpr uint8_t Options = OptD;
  virtual int32_t GetShift() const = 0;  // k, added to the earlier draw's numbers
  virtual int32_t GetGap() const = 0;    // g, how many draws back the earlier draw lies

 protected:
  // The numbers of the draw at refIndex in drawn order (whatever Sorted), shifted by k.
  void EnumShiftedNewest(int refIndex, TStatDrawArray& values, int shift);
  // For each number x of the draw at index - gap shifted by k, in order: x when it is a number of
  // Ref shifted by k and a number of Cur. Cur, Ref and Val are prepared by DrawValues.
  void AddShiftedRepeats(int index, bool sorted, TStatDrawArray& values, int shift, int gap);
};

// How many numbers of the draw g draws earlier, shifted by k, came again.
class TCustomRepCount2Stat : public TCustomNumbersStat {
 public:
  using TCustomNumbersStat::TCustomNumbersStat;
  static constexpr int Group = 7;
  static constexpr uint8_t Options = OptD;
  virtual int32_t GetShift() const = 0;
  virtual int32_t GetGap() const = 0;

 protected:
  // The earlier draw of a filter pass: the one at earlierIndex, shifted by k.
  void PrepareEarlier(int earlierIndex, bool sorted, int shift);
  int ReferenceCount(const TComb& c) const { return rep_detail::EntriesIn(earlier_, c); }
  // The same count from the weight of each byte (how many earlier entries equal it), each
  // different byte of the combination taken once.
  int FastCount(const TComb& c) const {
    const uint8_t a = c[0], b = c[1], x = c[2], y = c[3], z = c[4];
    return weight_[a] + weight_[b] * (b != a) + weight_[x] * ((x != a) & (x != b)) +
           weight_[y] * ((y != a) & (y != b) & (y != x)) + weight_[z] * ((z != a) & (z != b) & (z != x) & (z != y));
  }
  // FastCount as a column program: the weights of the five numbers, a number that already occurred
  // at an earlier position taken as 0.
  int CountColumn(TColumnProgram& prog) const {
    const int table = prog.Table([&](int n) { return weight_[static_cast<size_t>(n)]; });
    const int zero = prog.Const(0);
    int count = prog.Lut(0, table);
    for (int k = 1; k < CombSize; ++k) {
      int again = prog.CmpEq(k, 0);
      for (int j = 1; j < k; ++j) again = prog.Or(again, prog.CmpEq(k, j));
      count = prog.Add(count, prog.Select(again, zero, prog.Lut(k, table)));
    }
    return count;
  }
  // The count of the draw at index against the draw at index - gap (Cur prepared by DrawValues).
  void AddRepeatCount(int index, bool sorted, TStatDrawArray& values, int shift, int gap);

 private:
  TComb earlier_{};
  std::array<uint8_t, 256> weight_{};
};

template <int K, int G>
class TstRepValues2Of final : public TStatImpl<TstRepValues2Of<K, G>, TCustomRepValues2Stat> {
  using Impl = TStatImpl<TstRepValues2Of<K, G>, TCustomRepValues2Stat>;
  static constexpr rep_detail::TRepNames Names = rep_detail::RepNames(false, K, G);
  static_assert(!Names.Code.empty());

 public:
  static constexpr std::string_view ClassName = Names.ClassName;
  static constexpr std::string_view Code = Names.Code;
  static constexpr std::string_view Caption = Names.Caption;
  static constexpr int Group = 7;
  static constexpr uint8_t Options = OptD;
  static constexpr int32_t Shift = K;
  static constexpr int32_t Gap = G;
  using Impl::Impl;

  int32_t GetShift() const override { return K; }
  int32_t GetGap() const override { return G; }

  template <class Sel>
  bool Match(const TComb& c, const Sel& sel, const TMatchContext&) const {
    return rep_detail::AnyNumberSelected(c, sel);
  }
  bool Columns(TColumnProgram& prog, const TMatchContext* ctx) const { return rep_detail::NumberColumns(prog, ctx); }
  template <class Sel>
  bool ColumnMatch(int, uint8_t v, const Sel& sel) const {
    return sel.Word(1, v);
  }
  template <TValueSink Sink>
  void FilterValues(const TComb& c, const TMatchContext&, Sink&& sink) const {
    rep_detail::NumberValues(c, sink);
  }
  void EnumValues(int refIndex, TStatDrawArray& values) override { this->EnumShiftedNewest(refIndex, values, K); }
  void DrawValues(int index, int refIndex, bool sorted, TStatDrawArray& values, TStatWork& work,
                  TLastValueArray& lastSeen) override {
    TCustomStat::DrawValues(index, refIndex, sorted, values, work, lastSeen);
    this->AddShiftedRepeats(index, sorted, values, K, G);
  }
};

template <int K, int G>
class TstRepCount2Of final : public TStatImpl<TstRepCount2Of<K, G>, TCustomRepCount2Stat> {
  using Impl = TStatImpl<TstRepCount2Of<K, G>, TCustomRepCount2Stat>;
  static constexpr rep_detail::TRepNames Names = rep_detail::RepNames(true, K, G);
  static_assert(!Names.Code.empty());

 public:
  static constexpr std::string_view ClassName = Names.ClassName;
  static constexpr std::string_view Code = Names.Code;
  static constexpr std::string_view Caption = Names.Caption;
  static constexpr int Group = 7;
  static constexpr uint8_t Options = OptD;
  static constexpr int32_t Shift = K;
  static constexpr int32_t Gap = G;
  using Impl::Impl;

  int32_t GetShift() const override { return K; }
  int32_t GetGap() const override { return G; }

  // The combination stands for the draw after RefIndex: its earlier draw lies g - 1 before RefIndex.
  void PrepareMatch(const TMatchContext& ctx) { this->PrepareEarlier(ctx.RefIndex - G + 1, ctx.Sorted, K); }
  template <class Sel>
  bool Match(const TComb& c, const Sel& sel, const TMatchContext&) const {
    return sel.Word(1, static_cast<uint16_t>(IsFastPath<Sel> ? this->FastCount(c) : this->ReferenceCount(c)));
  }
  bool Columns(TColumnProgram& prog, const TMatchContext* ctx) const {
    if (ctx == nullptr) return false;  // the earlier draw is set by PrepareMatch
    prog.Output(this->CountColumn(prog));
    return true;
  }
  template <class Sel>
  bool ColumnMatch(int, uint8_t v, const Sel& sel) const {
    return sel.Word(1, v);
  }
  template <TValueSink Sink>
  void FilterValues(const TComb& c, const TMatchContext&, Sink&& sink) const {
    sink(TStatKey::Words(static_cast<uint16_t>(this->ReferenceCount(c))), true);
  }
  // The counts 1..5; 0 is listed once it occurs.
  void EnumValues(int refIndex, TStatDrawArray& values) override { this->EnumWordRange(refIndex, values, 1, CombSize); }
  void DrawValues(int index, int refIndex, bool sorted, TStatDrawArray& values, TStatWork& work,
                  TLastValueArray& lastSeen) override {
    TCustomStat::DrawValues(index, refIndex, sorted, values, work, lastSeen);
    this->AddRepeatCount(index, sorted, values, K, G);
  }
};

using TstRepValues2 = TstRepValues2Of<0, 1>;
using TstRepValues2over1 = TstRepValues2Of<0, 2>;
using TstRepValues2over2 = TstRepValues2Of<0, 3>;
using TstRepValues2over3 = TstRepValues2Of<0, 4>;
using TstRepValues2P1 = TstRepValues2Of<1, 1>;
using TstRepValues2N1 = TstRepValues2Of<-1, 1>;
using TstRepValues2P2 = TstRepValues2Of<2, 1>;
using TstRepValues2N2 = TstRepValues2Of<-2, 1>;

using TstRepCount2 = TstRepCount2Of<0, 1>;
using TstRepCount2over1 = TstRepCount2Of<0, 2>;
using TstRepCount2over2 = TstRepCount2Of<0, 3>;
using TstRepCount2over3 = TstRepCount2Of<0, 4>;
using TstRepCount2P1 = TstRepCount2Of<1, 1>;
using TstRepCount2N1 = TstRepCount2Of<-1, 1>;
using TstRepCount2P2 = TstRepCount2Of<2, 1>;
using TstRepCount2N2 = TstRepCount2Of<-2, 1>;

// Over three draws: with P the draw before and Q the one before that, the numbers that were in P
// and in Q ("RPV3", "RPC3") or in P but not in Q ("PRL2", "PRB2").
template <bool NotInQ>
class TstRepValues3Of final : public TStatImpl<TstRepValues3Of<NotInQ>, TCustomValuesStat> {
  using Impl = TStatImpl<TstRepValues3Of<NotInQ>, TCustomValuesStat>;

 public:
  static constexpr std::string_view ClassName = NotInQ ? "TstRepValues2B3" : "TstRepValues3";
  static constexpr std::string_view Code = NotInQ ? "PRL2" : "RPV3";
  static constexpr std::string_view Caption =
      NotInQ ? "Повторяющиеся числа не более чем в 2-х тиражах" : "Повторяющиеся числа в 3-х тиражах подряд";
  static constexpr int Group = 7;
  static constexpr uint8_t Options = OptD;
  using Impl::Impl;

  template <class Sel>
  bool Match(const TComb& c, const Sel& sel, const TMatchContext&) const {
    return rep_detail::AnyNumberSelected(c, sel);
  }
  bool Columns(TColumnProgram& prog, const TMatchContext* ctx) const { return rep_detail::NumberColumns(prog, ctx); }
  template <class Sel>
  bool ColumnMatch(int, uint8_t v, const Sel& sel) const {
    return sel.Word(1, v);
  }
  template <TValueSink Sink>
  void FilterValues(const TComb& c, const TMatchContext&, Sink&& sink) const {
    rep_detail::NumberValues(c, sink);
  }
  // The newest draw's numbers in drawn order.
  void EnumValues(int refIndex, TStatDrawArray& values) override {
    TCustomStat::EnumValues(refIndex, values);
    for (uint8_t n : this->ReadDraw(refIndex, false).Nums) this->AddDomainValue(values, TStatKey::Words(n));
  }
  // Each number of Cur that is a number of Ref and keeps the rule with the two draws before.
  void DrawValues(int index, int refIndex, bool sorted, TStatDrawArray& values, TStatWork& work,
                  TLastValueArray& lastSeen) override {
    TCustomStat::DrawValues(index, refIndex, sorted, values, work, lastSeen);
    const TComb p = this->ReadDraw(index - 1, sorted).Nums, q = this->ReadDraw(index - 2, sorted).Nums;
    for (uint8_t x : this->Cur.Nums) {
      if (!NumberInComb(this->Ref.Nums, x) || !rep_detail::FromPrevious(x, p, q, NotInQ)) continue;
      this->Val.Key = TStatKey::Words(x);
      AddStatValue(values, this->Val, true);
    }
  }
};

template <bool NotInQ>
class TstRepCount3Of final : public TStatImpl<TstRepCount3Of<NotInQ>, TCustomNumbersStat> {
  using Impl = TStatImpl<TstRepCount3Of<NotInQ>, TCustomNumbersStat>;

 public:
  static constexpr std::string_view ClassName = NotInQ ? "TstRepCount2B3" : "TstRepCount3";
  static constexpr std::string_view Code = NotInQ ? "PRB2" : "RPC3";
  static constexpr std::string_view Caption =
      NotInQ ? "Количество повторов не более чем в 2-х тиражах" : "Количество повторов в 3-х тиражах подряд";
  static constexpr int Group = 7;
  static constexpr uint8_t Options = OptD;
  using Impl::Impl;

  // The combination stands for the draw after RefIndex: P is the draw at RefIndex, Q the one before.
  void PrepareMatch(const TMatchContext& ctx) {
    p_ = this->ReadDraw(ctx.RefIndex, ctx.Sorted).Nums;
    q_ = this->ReadDraw(ctx.RefIndex - 1, ctx.Sorted).Nums;
    // Only numbers of P can keep the rule.
    kept_.fill(0);
    for (uint8_t x : p_) kept_[x] = rep_detail::FromPrevious(x, p_, q_, NotInQ);
  }
  int FastCount(const TComb& c) const { return kept_[c[0]] + kept_[c[1]] + kept_[c[2]] + kept_[c[3]] + kept_[c[4]]; }
  template <class Sel>
  bool Match(const TComb& c, const Sel& sel, const TMatchContext&) const {
    const int count = IsFastPath<Sel> ? FastCount(c) : rep_detail::FromPreviousCount(c, p_, q_, NotInQ);
    return sel.Word(1, static_cast<uint16_t>(count));
  }
  // Numbers are counted by position, as FastCount does.
  bool Columns(TColumnProgram& prog, const TMatchContext* ctx) const {
    if (ctx == nullptr) return false;
    prog.Output(prog.LutSum(prog.Table([&](int n) { return kept_[static_cast<size_t>(n)]; })));
    return true;
  }
  template <class Sel>
  bool ColumnMatch(int, uint8_t v, const Sel& sel) const {
    return sel.Word(1, v);
  }
  template <TValueSink Sink>
  void FilterValues(const TComb& c, const TMatchContext&, Sink&& sink) const {
    sink(TStatKey::Words(static_cast<uint16_t>(rep_detail::FromPreviousCount(c, p_, q_, NotInQ))), true);
  }
  void EnumValues(int refIndex, TStatDrawArray& values) override { this->EnumWordRange(refIndex, values, 1, CombSize); }
  void DrawValues(int index, int refIndex, bool sorted, TStatDrawArray& values, TStatWork& work,
                  TLastValueArray& lastSeen) override {
    TCustomStat::DrawValues(index, refIndex, sorted, values, work, lastSeen);
    const int count = rep_detail::FromPreviousCount(this->Cur.Nums, this->ReadDraw(index - 1, sorted).Nums,
                                                    this->ReadDraw(index - 2, sorted).Nums, NotInQ);
    this->Val.Key = TStatKey::Words(static_cast<uint16_t>(count));
    AddStatValue(values, this->Val, true);
  }

 private:
  TComb p_{}, q_{};
  std::array<uint8_t, 256> kept_{};
};

using TstRepValues3 = TstRepValues3Of<false>;
using TstRepValues2B3 = TstRepValues3Of<true>;
using TstRepCount3 = TstRepCount3Of<false>;
using TstRepCount2B3 = TstRepCount3Of<true>;

}  // namespace kivra
