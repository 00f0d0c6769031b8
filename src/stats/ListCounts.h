// The column "В списке" of the statistics table: for each row, how many combinations of a list a
// keep by that row alone would leave, and how many a keep by several rows leaves.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "stats/CustomStat.h"

namespace kivra {

// How the rows of a statistic are counted over a list.
enum class TListCountMethod {
  Counted,  // one value per combination: the counting kernel's distribution read by key
  Shown,    // one pass that counts, per combination, each row whose value it shows
  PerRow,   // a counting filter pass per distinct row value (statistics whose keep by one row is
            // not decided by the values a combination shows)
};
TListCountMethod ListCountMethod(const TCustomStat& stat);

// counts[i]: the number of combinations of `list` that a keep (FilterCombs with remove false,
// `refIndex`, `sorted`) by rows[i] alone leaves. Rows with equal keys get equal counts. Parallel
// passes split the list into contiguous chunks and add their counts.
std::vector<uint32_t> CountRowsInList(TCustomStat& stat, std::span<const TComb> list,
                                      std::span<const TStatDrawRec> rows, int refIndex, bool sorted,
                                      unsigned threads = 1);

// The number of combinations a keep by all of `rows` leaves: one counting filter pass.
size_t CountSelectedInList(TCustomStat& stat, std::span<const TComb> list, const TStatDrawArray& rows, int refIndex,
                           bool sorted, unsigned threads = 1);

}  // namespace kivra
