#include "stats/SF_Diff.h"

#include "core/SysFormat.h"

namespace kivra {

namespace {

// Differences of five distinct numbers 1..45 lie in 1..44.
constexpr uint16_t MaxDiff = MaxNumber - 1;

}  // namespace

void TstDiffTotal::EnumValues(int refIndex, TStatDrawArray& values) { EnumWordRange(refIndex, values, 1, MaxDiff); }

void TstDiffMax::EnumValues(int refIndex, TStatDrawArray& values) { EnumWordRange(refIndex, values, 1, MaxDiff); }

// The spreads 1..3 cannot occur for five distinct numbers; the domain is the same as the others'.
void TstMinMaxDiffs::EnumValues(int refIndex, TStatDrawArray& values) { EnumWordRange(refIndex, values, 1, MaxDiff); }

std::string TstDiffSame::ValueCaption(const TStatDrawRec& rec) const {
  return SysFormat("%0:d x %1:d", {rec.Key.K1(), rec.Key.K2()});
}

void TstDiffSameCnt::EnumValues(int refIndex, TStatDrawArray& values) { EnumWordRange(refIndex, values, 1, 4); }

std::span<const TStatListEntry> DiffStatClasses() {
  static const TStatListEntry entries[] = {
      {17, &StatClassOf<TstDiffTotal>()},    {18, &StatClassOf<TstDiffMax>()},
      {19, &StatClassOf<TstMinMaxDiffs>()},  {20, &StatClassOf<TstDiffSame>()},
      {21, &StatClassOf<TstDiffSameCnt>()},  {75, &StatClassOf<TstCombDiffSeq2>()},
      {76, &StatClassOf<TstCombDiffSeq3>()}, {77, &StatClassOf<TstCombDiffSeq4>()},
  };
  return entries;
}

}  // namespace kivra
