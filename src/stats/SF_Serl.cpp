#include "stats/SF_Serl.h"

namespace kivra {

std::span<const TStatListEntry> SerialStatClasses() {
  static const TStatListEntry entries[] = {
      {108, &StatClassOf<TstNumGroups>()},  {109, &StatClassOf<TstNumPauses>()},  {110, &StatClassOf<TstChnGroups>()},
      {111, &StatClassOf<TstChnPauses>()},  {112, &StatClassOf<TstSgmGroups>()},  {113, &StatClassOf<TstSgmPauses>()},
      {114, &StatClassOf<TstNumPeriods>()}, {115, &StatClassOf<TstChnPeriods>()}, {116, &StatClassOf<TstSgmPeriods>()},
  };
  return entries;
}

}  // namespace kivra
