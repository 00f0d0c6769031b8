// The shredding statistic (group 12): a user formula over the numbers of a draw (n1..n5), of the
// draw before it (p1..p5) and of the draw two before it (t1..t5); the value is the first Digits
// decimal digits of the fractional part of the formula's absolute value. One method per formula of
// the configuration ("SHR1".."SHR3").
#pragma once

#include <cstring>

#include "stats/CustomStat.h"
#include "stats/Formula.h"

namespace kivra {

// Class-list entries of the family.
std::span<const TStatListEntry> ShreddingStatClasses();

class TstShreddingStat final : public TStatImpl<TstShreddingStat, TCustomGraphStat> {
 public:
  static constexpr std::string_view ClassName = "TstShreddingStat";
  static constexpr std::string_view Code = "SHR%d";
  static constexpr std::string_view Caption = "Метод шинковки %0:d: %%s";
  static constexpr std::string_view HelpCode = "SHRx";
  static constexpr int Group = 12;
  static constexpr uint8_t Options = OptS | OptN;
  static constexpr bool HasParam = true;
  static constexpr bool SingleValue = true;
  static std::pair<int32_t, int32_t> GetParamRange(const TStatEnv&) { return {1, 3}; }

  // Formula and digits of configuration formula number Param (1..3); another Param gets an empty
  // formula, which never evaluates.
  TstShreddingStat(const TStatClass& cls, const TStatEnv& env, int32_t param);

  const std::string& Formula() const { return formula_; }
  int32_t Digits() const { return digits_; }

  // Bare combinations: the previous draws read as zeros. The fast kernels use the compiled
  // formula, the reference the substituted text.
  template <TValueSink Sink>
  void Values(const TComb& c, Sink&& sink) const {
    const int32_t v =
        IsFastPath<Sink> ? compiled_.Value(c, zeros_) : ShreddingValue(WithNumbers(zeros_, c), digits_, formula_);
    sink(TStatKey::Words(static_cast<uint16_t>(v)), true);
  }
  uint64_t ValueKey(uint64_t word) const {
    TShreddingInputs in = zeros_;
    std::memcpy(in.data(), &word, CombSize);
    return static_cast<uint16_t>(compiled_.Value(in));
  }

  // Bare combinations counted with the remembering form of the compiled formula (each thread its
  // own): a formula of a few sums of the numbers takes each of their combinations once.
  void CountSpan(std::span<const TComb> in, uint64_t firstIndex, TKeyCounter& counter) const override {
    TShreddingMemo memo = compiled_.Memo(zeros_);
    if (memo.Remembers() && CountSingleValues(in, firstIndex, counter, [&](uint64_t word) -> uint64_t {
          TComb c;
          std::memcpy(c.data(), &word, sizeof c);
          return static_cast<uint16_t>(memo.Value(c));
        }))
      return;
    TStatImpl::CountSpan(in, firstIndex, counter);
  }

  // Filter passes remember the formula's values the same way (each call its own memo: parallel
  // passes call it once per chunk). Short spans do not repay filling the memo.
  size_t FilterSpan(std::span<const TComb> in, TComb* out, const TFastSelection& sel,
                    const TMatchContext& ctx) const override {
    constexpr size_t MinMemoSpan = 4096;
    if (in.size() >= MinMemoSpan) {
      TShreddingMemo memo = compiled_.Memo(matchInputs_);
      if (memo.Remembers()) {
        size_t n = 0;
        for (const TComb& c : in) {
          const bool match = sel.Word(1, static_cast<uint16_t>(memo.Value(c)));
          out[n] = c;  // in place, n never passes the input position
          n += match != ctx.Remove;
        }
        return n;
      }
    }
    return TStatImpl::FilterSpan(in, out, sel, ctx);
  }

  // The previous draws are those at RefIndex and RefIndex - 1.
  void PrepareMatch(const TMatchContext& ctx);
  template <class Sel>
  bool Match(const TComb& c, const Sel& sel, const TMatchContext&) const {
    const int32_t v = IsFastPath<Sel> ? compiled_.Value(c, matchInputs_)
                                      : ShreddingValue(WithNumbers(matchInputs_, c), digits_, formula_);
    return sel.Word(1, static_cast<uint16_t>(v));
  }

  // The draw at index with the draws at index - 1 and index - 2.
  void DrawValues(int index, int refIndex, bool sorted, TStatDrawArray& values, TStatWork& work,
                  TLastValueArray& lastSeen) override;
  // The combination with the draws at index - 1 and index - 2 (charts).
  int32_t CombValue(const TComb& c, int index, int refIndex, bool sorted) override;

 private:
  static TShreddingInputs WithNumbers(const TShreddingInputs& previous, const TComb& c) {
    TShreddingInputs in = previous;
    std::memcpy(in.data(), c.data(), CombSize);
    return in;
  }

  std::string formula_;
  int32_t digits_;
  TShreddingFormula compiled_;
  TShreddingInputs zeros_{};
  TShreddingInputs matchInputs_{};  // p and t of the filter pass
};

}  // namespace kivra
