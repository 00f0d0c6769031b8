#include "stats/SF_Seqs.h"

namespace kivra {

void TstSequenceLen::EnumValues(int refIndex, TStatDrawArray& values) { EnumWordRange(refIndex, values, 1, CombSize); }

// No sequence (0) is listed from the start too: it is the most frequent value.
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
