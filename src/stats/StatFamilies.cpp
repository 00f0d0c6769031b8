#include "stats/StatFamilies.h"

#include <stdexcept>

namespace kivra {

const std::array<const TStatClass*, StatClassListSize + 1>& StatClassList() {
  static const auto list = [] {
    std::array<const TStatClass*, StatClassListSize + 1> classes{};
    for (auto family :
         {NumberStatClasses(), SumStatClasses(), DiffStatClasses(), ChannelStatClasses(), MatrixStatClasses(),
          SegmentStatClasses(), SequenceStatClasses(), RepeatStatClasses(), CombValueStatClasses(), SerialStatClasses(),
          ChainStatClasses(), TesmarStatClasses(), ShreddingStatClasses()}) {
      for (const TStatListEntry& e : family) {
        if (e.No < 1 || e.No > StatClassListSize || classes[e.No] != nullptr)
          throw std::logic_error("statistic class list position taken twice or out of range");
        classes[e.No] = e.Class;
      }
    }
    return classes;
  }();
  return list;
}

}  // namespace kivra
