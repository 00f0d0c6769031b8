#include "stats/SF_Segm.h"

#include <vector>

namespace kivra {

namespace {

// The segments the map uses, in the order the numbers 1..45 first reach them.
std::vector<uint8_t> UsedSegments(const std::array<uint8_t, MaxNumber>& map) {
  std::array<bool, 256> seen{};
  std::vector<uint8_t> used;
  for (uint8_t s : map)
    if (!seen[s]) {
      seen[s] = true;
      used.push_back(s);
    }
  return used;
}

}  // namespace

void TstSegments::EnumValues(int refIndex, TStatDrawArray& values) {
  TCustomStat::EnumValues(refIndex, values);
  for (uint8_t s : UsedSegments(SegmentMap())) {
    Val.Key = TStatKey::Words(s);
    AddStatValue(values, Val, false);
  }
}

TstSegmValues::TstSegmValues(const TStatClass& cls, const TStatEnv& env, int32_t param)
    : TStatImpl(cls, env, param) {
  slots_.Build(SegmentTable(), UsedSegments(SegmentMap()));
}

std::span<const TStatListEntry> SegmentStatClasses() {
  static const TStatListEntry entries[] = {
      {37, &StatClassOf<TstSegments>()},     {38, &StatClassOf<TstSegmValues>()},
      {39, &StatClassOf<TstSegmCount>()},    {96, &StatClassOf<TstCombSegmMix2>()},
      {97, &StatClassOf<TstCombSegmMix3>()}, {98, &StatClassOf<TstCombSegmMix4>()},
      {99, &StatClassOf<TstCombSegmSeq2>()}, {100, &StatClassOf<TstCombSegmSeq3>()},
      {101, &StatClassOf<TstCombSegmSeq4>()}, {107, &StatClassOf<TstSgmValCnt>()},
  };
  return entries;
}

}  // namespace kivra
