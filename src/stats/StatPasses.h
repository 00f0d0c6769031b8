// The three ways statistics are driven: a distribution over a window of draws, the filter pass
// over a list of combinations and the distribution over bare combinations. The last two split
// their input into contiguous chunks, one per thread, and join them in order, so the result is the
// same as the serial one.
#pragma once

#include <functional>
#include <span>

#include "stats/CustomStat.h"

namespace kivra {

// The distribution over draws first..last (oldest first), RefIndex = last: EnumValues, then
// DrawValues for each draw with one Work block and one last-seen array. Empty when last < first.
TStatDrawArray ComputeWindow(TCustomStat& stat, int first, int last, bool sorted);

// Threads to use for data-parallel passes: the hardware's count (at least 1).
unsigned DefaultThreadCount();

// Writes the combinations of `in` that are kept to `out` in order and returns how many: with
// remove false those that show a selected value, with remove true the others. `out` may equal
// `in.data()`. An empty selection keeps nothing (or, removing, everything), as the test says.
size_t FilterCombs(TCustomStat& stat, std::span<const TComb> in, TComb* out, const TStatDrawArray& selected,
                   int refIndex, bool sorted, bool remove, unsigned threads = 1);

// How many combinations FilterCombs would keep, without writing them anywhere: one filter pass.
size_t CountKept(TCustomStat& stat, std::span<const TComb> in, const TStatDrawArray& selected, int refIndex,
                 bool sorted, bool remove, unsigned threads = 1);

// The number of contiguous chunks a data-parallel pass over `size` combinations uses with
// `threads` threads (1 for small inputs).
unsigned PassParts(size_t size, unsigned threads);
// Runs task(0..parts-1), part 0 on the calling thread and the others on the pass threads, and
// waits for all of them.
void RunPassParts(unsigned parts, const std::function<void(unsigned)>& task);

// The distribution of the values of bare combinations (option N): keys with counts, in the order
// in which they were first seen, as CombValues into AddStatValue gives it. Empty for statistics
// without option N.
TStatDrawArray CountCombValues(const TCustomStat& stat, std::span<const TComb> combs, unsigned threads = 1);

// Every combination of the lottery in lexicographic order (1221759 of them).
const TCombsArray& FullCombinationSet();

}  // namespace kivra
