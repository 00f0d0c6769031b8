// Shared inputs of the statistics tests.
#pragma once

#include "stats/StatPasses.h"

namespace kivra::test {

// The combinations the fast kernels are checked against their reference on: the full set in the
// optimised build; under the sanitizers, whose reference passes are many times slower, every 13th
// combination of it (still large enough to be split over threads).
inline const TCombsArray& CrossCheckCombinations() {
#ifdef KIVRA_SANITIZED_BUILD
  static const TCombsArray sample = [] {
    TCombsArray s;
    const TCombsArray& all = FullCombinationSet();
    for (size_t i = 0; i < all.size(); i += 13) s.push_back(all[i]);
    return s;
  }();
  return sample;
#else
  return FullCombinationSet();
#endif
}

}  // namespace kivra::test
