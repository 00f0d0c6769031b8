// The statistic families: each gives its classes with their positions in the class list.
#pragma once

#include <span>

#include "stats/SF_Chain.h"
#include "stats/SF_Chns.h"
#include "stats/SF_Comb.h"
#include "stats/SF_Diff.h"
#include "stats/SF_Mtxs.h"
#include "stats/SF_Nums.h"
#include "stats/SF_Rpts.h"
#include "stats/SF_Segm.h"
#include "stats/SF_Seqs.h"
#include "stats/SF_Serl.h"
#include "stats/SF_Shrd.h"
#include "stats/SF_Sums.h"
#include "stats/SF_Tsmr.h"

namespace kivra {

// Every class of the families present, at its position: element No (1..143) or nullptr.
constexpr int StatClassListSize = 143;
const std::array<const TStatClass*, StatClassListSize + 1>& StatClassList();

}  // namespace kivra
