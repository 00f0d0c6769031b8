// Segment statistics (group 5): the numbers seen through the configured segment map, a free
// assignment of a segment number to each of the numbers 1..45 (segments need not be contiguous nor
// all used); the segment of each number, how many numbers each segment holds, how many segments
// are occupied, the numbers in one segment, and tuples of segments over sets of positions.
//
// A statistic keeps the map it was created with. Bytes outside 1..45 have no entry in the map; they
// are taken as segment 0.
#pragma once

#include "stats/GroupLines.h"

namespace kivra {

// Class-list entries of the family.
std::span<const TStatListEntry> SegmentStatClasses();

// The segment map copied from the configuration at creation, as the segment of every byte.
template <class Base>
class TSegmentsStatBase : public Base {
 public:
  TSegmentsStatBase(const TStatClass& cls, const TStatEnv& env, int32_t param) : Base(cls, env, param) {
    table_.fill(0);
    for (int n = 1; n <= MaxNumber; ++n) table_[n] = env.Config.Segments[n - 1];
  }

  const TGroupTable& SegmentTable() const { return table_; }

 private:
  TGroupTable table_;
};

using TCustomSegmentsStat = TSegmentsStatBase<TCustomNumbersStat>;
using TCustomSegmentsGraphStat = TSegmentsStatBase<TCustomGraphStat>;

// The segment grouping: the line members "SGMS", "SGMV", "SGMC", "SGM%d" (GroupLines.h) and the
// tuple members "KGM2".."KGS4" (GroupTuples.h). The segments are listed in the order the numbers
// 1..45 first reach them; a free map fixes no value domain, so nothing is enumerated beyond the
// segments themselves.
struct TSegmentGrouping {
  using Base = TCustomSegmentsStat;
  using GraphBase = TCustomSegmentsGraphStat;
  static constexpr int Group = 5;
  template <class Stat>
  static const TGroupTable& Table(const Stat& stat) {
    return stat.SegmentTable();
  }

  static constexpr TStatNames Lines{"TstSegments", "SGMS", "Сегменты матрицы"};
  static constexpr TStatNames Values{"TstSegmValues", "SGMV", "Количество чисел в сегменте матрицы"};
  static constexpr TStatNames Count{"TstSegmCount", "SGMC", "Количество не пустых сегментов в матрице"};
  static constexpr TStatNames ValueCount{"TstSgmValCnt", "SGM%d", "Количество чисел в %0:d сегменте матрицы", "SGMx"};
  static constexpr TStatNames Names[2][3] = {
      {{"TstCombSegmMix2", "KGM2", "Сочетания из 2 сегментов по всем числам тиража"},
       {"TstCombSegmMix3", "KGM3", "Сочетания из 3 сегментов по всем числам тиража"},
       {"TstCombSegmMix4", "KGM4", "Сочетания из 4 сегментов по всем числам тиража"}},
      {{"TstCombSegmSeq2", "KGS2", "Сочетания из 2 сегментов по соседним числам"},
       {"TstCombSegmSeq3", "KGS3", "Сочетания из 3 сегментов по соседним числам"},
       {"TstCombSegmSeq4", "KGS4", "Сочетания из 4 сегментов по соседним числам"}},
  };

  static constexpr bool ByteSelection = false;
  template <class Stat>
  static std::vector<uint8_t> ListedGroups(const Stat& stat) {
    return GroupsOfNumbers(stat.SegmentTable());
  }
  // "SGM<min>".."SGM<max>" over the segment numbers of the map; a number between the smallest and
  // the largest that the map does not use still gets an entry (always 0). The scan starts from 9
  // and 1, so a map of ones gives 1..1 and a map with a 0 starts at 0.
  static std::pair<int32_t, int32_t> ParamRange(const TStatEnv& env) {
    int32_t lo = 9, hi = 1;
    for (uint8_t s : env.Config.Segments) {
      lo = s < lo ? s : lo;
      hi = s > hi ? s : hi;
    }
    return {lo, hi};
  }
};

using TstSegments = TstGroupLines<TSegmentGrouping>;     // the segment of each of the five numbers
using TstSegmValues = TstGroupValues<TSegmentGrouping>;  // (segment, numbers in it) for every used segment
using TstSegmCount = TstGroupCount<TSegmentGrouping>;    // how many segments are occupied
using TstSgmValCnt = TstGroupValCnt<TSegmentGrouping>;   // "SGM<min>".."SGM<max>"

using TstCombSegmMix2 = TstGroupTuples<TSegmentGrouping, true, 2>;
using TstCombSegmMix3 = TstGroupTuples<TSegmentGrouping, true, 3>;
using TstCombSegmMix4 = TstGroupTuples<TSegmentGrouping, true, 4>;
using TstCombSegmSeq2 = TstGroupTuples<TSegmentGrouping, false, 2>;
using TstCombSegmSeq3 = TstGroupTuples<TSegmentGrouping, false, 3>;
using TstCombSegmSeq4 = TstGroupTuples<TSegmentGrouping, false, 4>;

extern template class TstGroupLines<TSegmentGrouping>;
extern template class TstGroupValues<TSegmentGrouping>;
extern template class TstGroupCount<TSegmentGrouping>;
extern template class TstGroupValCnt<TSegmentGrouping>;

}  // namespace kivra
