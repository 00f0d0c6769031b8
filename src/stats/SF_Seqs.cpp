#include "stats/SF_Seqs.h"

namespace kivra {

void TstSequenceLen::EnumValues(int refIndex, TStatDrawArray& values) { EnumWordRange(refIndex, values, 1, CombSize); }

// Unlike the length domains, the count domain starts at 0 (no sequence).
void TstSequenceCnt::EnumValues(int refIndex, TStatDrawArray& values) { EnumWordRange(refIndex, values, 0, 2); }

void TstSequenceLenMax::EnumValues(int refIndex, TStatDrawArray& values) {
  EnumWordRange(refIndex, values, 1, CombSize);
}

std::span<const TStatListEntry> SequenceStatClasses() {
  static const TStatListEntry entries[] = {
      {40, &StatClassOf<TstSequenceLen>()},
      {41, &StatClassOf<TstSequenceCnt>()},
      {42, &StatClassOf<TstSequenceLenMax>()},
  };
  return entries;
}

}  // namespace kivra
