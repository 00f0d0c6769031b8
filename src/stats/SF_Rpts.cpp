#include "stats/SF_Rpts.h"

namespace kivra {

// --- Lists against one earlier draw ---

void TCustomRepValues2Stat::EnumShiftedNewest(int refIndex, TStatDrawArray& values, int shift) {
  TCustomStat::EnumValues(refIndex, values);
  for (uint8_t n : ReadDraw(refIndex, false).Nums) AddDomainValue(values, TStatKey::Words(ShiftNumber(n, shift)));
}

void TCustomRepValues2Stat::AddShiftedRepeats(int index, bool sorted, TStatDrawArray& values, int shift, int gap) {
  const TComb newest = rep_detail::Shifted(Ref.Nums, shift);
  const TComb earlier = rep_detail::Shifted(ReadDraw(index - gap, sorted).Nums, shift);
  for (uint8_t x : earlier) {
    if (!NumberInComb(newest, x) || !NumberInComb(Cur.Nums, x)) continue;
    Val.Key = TStatKey::Words(x);
    AddStatValue(values, Val, true);
  }
}

// --- Counts against one earlier draw ---

void TCustomRepCount2Stat::PrepareEarlier(int earlierIndex, bool sorted, int shift) {
  earlier_ = rep_detail::Shifted(ReadDraw(earlierIndex, sorted).Nums, shift);
  weight_.fill(0);
  for (uint8_t x : earlier_) ++weight_[x];
}

void TCustomRepCount2Stat::AddRepeatCount(int index, bool sorted, TStatDrawArray& values, int shift, int gap) {
  const TComb earlier = rep_detail::Shifted(ReadDraw(index - gap, sorted).Nums, shift);
  Val.Key = TStatKey::Words(static_cast<uint16_t>(rep_detail::EntriesIn(earlier, Cur.Nums)));
  AddStatValue(values, Val, true);
}

std::span<const TStatListEntry> RepeatStatClasses() {
  static const TStatListEntry entries[] = {
      {43, &StatClassOf<TstRepValues2>()},      {44, &StatClassOf<TstRepValues3>()},
      {45, &StatClassOf<TstRepValues2B3>()},    {46, &StatClassOf<TstRepValues2over1>()},
      {47, &StatClassOf<TstRepValues2over2>()}, {48, &StatClassOf<TstRepValues2over3>()},
      {49, &StatClassOf<TstRepValues2P1>()},    {50, &StatClassOf<TstRepValues2N1>()},
      {51, &StatClassOf<TstRepValues2P2>()},    {52, &StatClassOf<TstRepValues2N2>()},
      {53, &StatClassOf<TstRepCount2>()},       {54, &StatClassOf<TstRepCount3>()},
      {55, &StatClassOf<TstRepCount2B3>()},     {56, &StatClassOf<TstRepCount2over1>()},
      {57, &StatClassOf<TstRepCount2over2>()},  {58, &StatClassOf<TstRepCount2over3>()},
      {59, &StatClassOf<TstRepCount2P1>()},     {60, &StatClassOf<TstRepCount2N1>()},
      {61, &StatClassOf<TstRepCount2P2>()},     {62, &StatClassOf<TstRepCount2N2>()},
  };
  return entries;
}

}  // namespace kivra
