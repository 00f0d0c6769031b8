#include "stats/SF_Nums.h"

namespace kivra {

void TstValues::EnumValues(int refIndex, TStatDrawArray& values) { EnumWordRange(refIndex, values, 1, MaxNumber); }

// Counts list 1..5 only: 0 shows up only when it occurs.
void TstEvenCount::EnumValues(int refIndex, TStatDrawArray& values) { EnumWordRange(refIndex, values, 1, CombSize); }

void TstSmallCount::EnumValues(int refIndex, TStatDrawArray& values) { EnumWordRange(refIndex, values, 1, CombSize); }

void TstPrimeCount::EnumValues(int refIndex, TStatDrawArray& values) { EnumWordRange(refIndex, values, 1, CombSize); }

// Unlike the other masks, no domain: only the masks that occurred are listed.
void TstSmallValues::EnumValues(int refIndex, TStatDrawArray& values) { TCustomStat::EnumValues(refIndex, values); }

void TstPosVal::EnumValues(int refIndex, TStatDrawArray& values) { EnumWordRange(refIndex, values, 1, MaxNumber); }

uint8_t TstPosExt::ExtraByte(const TDraw& d, int32_t offset) {
  if (offset == 1) return d.DateLen;
  if (offset >= 2 && offset < 2 + static_cast<int32_t>(d.Date.size()))
    return static_cast<uint8_t>(d.Date[static_cast<size_t>(offset - 2)]);
  return 0;
}

void TstPosExt::DrawValues(int index, int refIndex, bool sorted, TStatDrawArray& values, TStatWork& work,
                           TLastValueArray& lastSeen) {
  TStatImpl::DrawValues(index, refIndex, sorted, values, work, lastSeen);
  Val.Key = TStatKey::Words(ExtraByte(Cur, Param()));
  AddStatValue(values, Val, true);
}

int32_t TstPosExt::CombValue(const TComb&, int index, int refIndex, bool sorted) {
  LoadDraws(index, refIndex, sorted);
  return ExtraByte(Cur, Param());
}

std::span<const TStatListEntry> NumberStatClasses() {
  static const TStatListEntry entries[] = {
      {1, &StatClassOf<TstValues>()},     {2, &StatClassOf<TstDigits>()},      {3, &StatClassOf<TstEvenCount>()},
      {4, &StatClassOf<TstEvenValues>()}, {5, &StatClassOf<TstSmallCount>()},  {6, &StatClassOf<TstSmallValues>()},
      {7, &StatClassOf<TstPrimeCount>()}, {8, &StatClassOf<TstPrimeValues>()}, {102, &StatClassOf<TstPosVal>()},
      {103, &StatClassOf<TstPosExt>()},
  };
  return entries;
}

}  // namespace kivra
