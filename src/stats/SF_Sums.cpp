#include "stats/SF_Sums.h"

#include "core/SysFormat.h"

namespace kivra {

// --- SUMS ---

void TstSumValues::EnumValues(int refIndex, TStatDrawArray& values) {
  TCustomStat::EnumValues(refIndex, values);
  for (int32_t s = MinSum; s <= MaxSum; ++s) AddDomainValue(values, TStatKey::Longs(s));
}

// --- SUM1..SUM3 ---

std::string TstSumRanges::CaptionFor(int32_t param) {
  // The pair of figures each range shows after its number.
  static constexpr int Figures[4][2] = {{0, 0}, {1, 3}, {1, 2}, {2, 3}};
  const int* f = Figures[param >= 1 && param <= 3 ? param : 0];
  return SysFormat(Caption, {param, f[0], f[1]});
}

void TstSumRanges::EnumValues(int refIndex, TStatDrawArray& values) {
  TCustomStat::EnumValues(refIndex, values);
  for (uint16_t k : {0, 1}) AddDomainValue(values, TStatKey::Words(k));
}

std::string TstSumRanges::ValueCaption(const TStatDrawRec& rec) const {
  if (rec.Key.K1() == 0) return "Остальные";
  return SysFormat("%d-%d", {range_.Low, range_.High});
}

// --- SUMC ---

void TstSumChange::PrepareMatch(const TMatchContext& ctx) {
  refSum_ = CombNumbersSum(ReadDraw(ctx.RefIndex, ctx.Sorted).Nums);
}

void TstSumChange::DrawValues(int index, int refIndex, bool sorted, TStatDrawArray& values, TStatWork& work,
                              TLastValueArray& lastSeen) {
  TCustomStat::DrawValues(index, refIndex, sorted, values, work, lastSeen);
  // The previous draw is read in stored order: only its sum is used.
  const int prevSum = CombNumbersSum(ReadDraw(index - 1, false).Nums);
  if (prevSum != CombNumbersSum(Ref.Nums)) return;
  Val.Key = TStatKey::Longs(prevSum, CombNumbersSum(Cur.Nums));
  AddStatValue(values, Val, true);
}

int32_t TstSumChange::CombValue(const TComb& c, int index, int, bool) {
  return CombNumbersSum(c) - CombNumbersSum(ReadDraw(index - 1, false).Nums);
}

std::string TstSumChange::ValueCaption(const TStatDrawRec& rec) const {
  const int32_t a = rec.Key.L1();
  const int32_t b = rec.Key.L2();
  if (b < a) return SysFormat("- %0:.2d : %1:d - %0:d = %2:d", {a - b, a, b});
  return SysFormat("+%0:.2d : %1:d + %0:d = %2:d", {b - a, a, b});
}

// --- SUMV ---

void TstSumChangeSome::PrepareMatch(const TMatchContext& ctx) {
  LoadDraws(ctx.RefIndex, ctx.RefIndex, ctx.Sorted);
  refSum_ = CombNumbersSum(Ref.Nums);
}

void TstSumChangeSome::DrawValues(int index, int refIndex, bool sorted, TStatDrawArray& values, TStatWork& work,
                                  TLastValueArray& lastSeen) {
  TCustomStat::DrawValues(index, refIndex, sorted, values, work, lastSeen);
  const int prevSum = CombNumbersSum(ReadDraw(index - 1, false).Nums);
  const int refSum = CombNumbersSum(Ref.Nums);
  if (refSum < prevSum - SumStep || refSum > prevSum + SumStep) return;
  Val.Key = TStatKey::Longs(CombNumbersSum(Cur.Nums) - prevSum);
  AddStatValue(values, Val, true);
}

std::string TstSumChangeSome::ValueCaption(const TStatDrawRec& rec) const {
  const int32_t change = rec.Key.L1();
  if (change >= 0) return SysFormat("+%0:.2d", {change});
  return SysFormat("- %0:.2d", {-change});
}

// --- SUMT ---

void TstSumTrend::PrepareMatch(const TMatchContext& ctx) {
  LoadDraws(ctx.RefIndex, ctx.RefIndex, ctx.Sorted);
  refSum_ = CombNumbersSum(Ref.Nums);
}

void TstSumTrend::EnumValues(int refIndex, TStatDrawArray& values) {
  TCustomStat::EnumValues(refIndex, values);
  for (int32_t sign : {0, 1, -1}) AddDomainValue(values, TStatKey::Longs(sign));
}

void TstSumTrend::DrawValues(int index, int refIndex, bool sorted, TStatDrawArray& values, TStatWork& work,
                             TLastValueArray& lastSeen) {
  TCustomStat::DrawValues(index, refIndex, sorted, values, work, lastSeen);
  const int prevSum = CombNumbersSum(ReadDraw(index - 1, false).Nums);
  if (prevSum != CombNumbersSum(Ref.Nums)) return;
  Val.Key = TStatKey::Longs(SumChangeSign(CombNumbersSum(Cur.Nums) - prevSum));
  AddStatValue(values, Val, true);
}

int32_t TstSumTrend::CombValue(const TComb& c, int index, int, bool) {
  return SumChangeSign(CombNumbersSum(c) - CombNumbersSum(ReadDraw(index - 1, false).Nums));
}

std::string TstSumTrend::ValueCaption(const TStatDrawRec& rec) const {
  const int32_t sign = rec.Key.L1();
  return sign == 0 ? "=" : sign > 0 ? "+" : "-";
}

// --- S2T3 ---

int TstSum2To3::Count(const TComb& c) {
  // Each pair of positions j < k against the three other positions.
  const uint8_t* x = c.data();
  int count = 0;
  for (int j = 0; j < CombSize; ++j)
    for (int k = j + 1; k < CombSize; ++k) {
      const int sum = x[j] + x[k];
      for (int i = 0; i < CombSize; ++i) count += i != j && i != k && x[i] == sum;
    }
  return count;
}

std::span<const TStatListEntry> SumStatClasses() {
  static const TStatListEntry entries[] = {
      {9, &StatClassOf<TstSumValues>()},       {10, &StatClassOf<TstSumRanges>()},
      {11, &StatClassOf<TstSumChange>()},      {12, &StatClassOf<TstSumChangeSome>()},
      {13, &StatClassOf<TstSumTrend>()},       {14, &StatClassOf<TstSumEvenValues>()},
      {15, &StatClassOf<TstSumPrimeValues>()}, {16, &StatClassOf<TstSum2To3>()},
  };
  return entries;
}

}  // namespace kivra
