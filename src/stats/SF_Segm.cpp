#include "stats/SF_Segm.h"

namespace kivra {

template class TstGroupLines<TSegmentGrouping>;
template class TstGroupValues<TSegmentGrouping>;
template class TstGroupCount<TSegmentGrouping>;
template class TstGroupValCnt<TSegmentGrouping>;

std::span<const TStatListEntry> SegmentStatClasses() {
  static const TStatListEntry entries[] = {
      {37, &StatClassOf<TstSegments>()},      {38, &StatClassOf<TstSegmValues>()},
      {39, &StatClassOf<TstSegmCount>()},     {96, &StatClassOf<TstCombSegmMix2>()},
      {97, &StatClassOf<TstCombSegmMix3>()},  {98, &StatClassOf<TstCombSegmMix4>()},
      {99, &StatClassOf<TstCombSegmSeq2>()},  {100, &StatClassOf<TstCombSegmSeq3>()},
      {101, &StatClassOf<TstCombSegmSeq4>()}, {107, &StatClassOf<TstSgmValCnt>()},
  };
  return entries;
}

}  // namespace kivra
