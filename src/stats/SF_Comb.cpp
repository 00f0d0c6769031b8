#include "stats/SF_Comb.h"

namespace kivra {

std::span<const TStatListEntry> CombValueStatClasses() {
  static const TStatListEntry entries[] = {
      {63, &StatClassOf<TstCombValMix2>()},  {64, &StatClassOf<TstCombValMix3>()},
      {65, &StatClassOf<TstCombValMix4>()},  {66, &StatClassOf<TstCombValSeq2>()},
      {67, &StatClassOf<TstCombValSeq3>()},  {68, &StatClassOf<TstCombValSeq4>()},
      {69, &StatClassOf<TstCombValPos2>()},  {70, &StatClassOf<TstCombValPos3>()},
      {71, &StatClassOf<TstCombValPos4>()},  {72, &StatClassOf<TstCombValSort2>()},
      {73, &StatClassOf<TstCombValSort3>()}, {74, &StatClassOf<TstCombValSort4>()},
  };
  return entries;
}

}  // namespace kivra
