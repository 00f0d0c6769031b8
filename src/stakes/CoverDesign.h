// Own systems: five-number blocks over the positions 1..N such that every M-subset of the positions
// shares at least T positions with some block (the guarantee "T если M"). T = M is a covering
// design, T < M a lotto design. The search, its exhaustive check and a proven lower bound.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "core/SortaUtils.h"

namespace kivra {

struct TCoverSpec {
  int Nums = 0;       // N: the positions 1..N
  int Guarantee = 0;  // T: positions shared with a block
  int Drawn = 0;      // M: positions drawn
};

// The message for parameters that cannot be asked for (N 6..45, 2 <= T <= M <= 5); empty when
// they can.
std::string CoverSpecError(const TCoverSpec& wanted);
// The message for a time budget that is not positive; empty when it is.
std::string CoverBudgetError(double seconds);
// "T если M".
std::string GuaranteeText(int guarantee, int drawn);

// C(n, k) for n <= 64, k <= 5 (0 outside).
uint64_t CoverBinom(int n, int k);

// The exhaustive check: every one of the C(N, M) subsets is looked for in the blocks. A block is
// five distinct positions 1..N in any order.
struct TCoverCheck {
  bool Ok = false;
  uint64_t Subsets = 0;                // M-subsets checked
  std::vector<uint8_t> FirstUncovered;  // the first subset no block covers (lexicographic), 1-based
};
TCoverCheck VerifyCover(const TCoverSpec& wanted, std::span<const TComb> blocks);

// "1 5 7": positions separated by spaces.
std::string CoverSubsetText(std::span<const uint8_t> positions);

// A proven lower bound on the number of blocks (see CoverDesign.cpp for the arguments).
int64_t CoverLowerBound(const TCoverSpec& wanted);

// Progress of the search, reported between its rounds.
struct TCoverProgress {
  int64_t Blocks = 0;      // the best design so far (0: none yet)
  int64_t LowerBound = 0;
  int64_t Target = 0;      // the size being tried
  int64_t Uncovered = 0;   // subsets still uncovered at that size (the best chain's)
  double Seconds = 0;
};

// The search asks it between rounds; false stops the search (the best design so far is kept).
class TCoverObserver {
 public:
  virtual ~TCoverObserver() = default;
  virtual bool Progress(const TCoverProgress& progress) = 0;
};

struct TCoverOptions {
  double Seconds = 10;     // time budget
  uint64_t Seed = 1;
  int Threads = 1;         // search chains run side by side
  uint64_t MaxMoves = 0;   // per chain; 0: no limit but the time
};

struct TCoverResult {
  std::vector<TComb> Blocks;  // ascending within a block, blocks in ascending order; empty: none
  int64_t LowerBound = 0;
  bool Verified = false;      // the exhaustive check passed (a design that fails is never returned)
  bool Stopped = false;       // the observer stopped the search
  uint64_t Moves = 0;         // moves made by all chains
  double Seconds = 0;
};

// Builds the smallest design it can within the budget: a greedy start, then block by block fewer
// blocks, each size reached by simulated annealing over single-position exchanges. Deterministic
// for a seed, a number of threads and an amount of work; ends early at the lower bound or when
// the search stalls. The observer is called on the caller's thread only.
TCoverResult MakeCover(const TCoverSpec& wanted, const TCoverOptions& options, TCoverObserver* observer = nullptr);

// "Поиск системы: ..." for the progress line.
std::string CoverProgressText(const TCoverProgress& progress);
// "Комбинаций: B, нижняя граница: L, гарантия проверена".
std::string CoverResultText(size_t blocks, int64_t lowerBound);
// The design as the system file holds it: "01 02 03 04 05" lines ended by CR LF.
std::string CoverFileText(std::span<const TComb> blocks);

}  // namespace kivra
