// "Лучше случайного?": checked stakes compared with chance by resampling. The stakes stay as they
// were made; every draw they were checked against is replaced, run after run, by a uniformly random
// five-number draw (one per draw and run, shared by all the stakes of that draw), and the real
// profit is placed among the profits of the random runs. The exact expectation from the
// hypergeometric law stands beside the resampled mean as a check.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "core/ChartData.h"
#include "core/Config.h"
#include "core/SortaUtils.h"
#include "core/UserPort.h"
#include "stakes/StakeData.h"

namespace kivra {

constexpr int ChanceMinRuns = 100;
constexpr int ChanceMaxRuns = 1000000;
constexpr int ChanceDefaultRuns = 10000;

// One checked stake as the comparison takes it.
struct TChanceStake {
  int32_t Draw = 0;     // the draw number it was checked against
  uint8_t Size = 0;     // its count of numbers (5..12): what it cost
  uint64_t Mask = 0;    // its numbers as bits 1..45 (a repeated number counts once, as in the check)
  uint8_t Matched = 0;  // its real match count (0..5), as the journal holds it
  TMoney Stored = 0;    // its profit as the journal holds it
};

// The stake of a journal record: a checked real stake of 5..12 numbers within 1..45 and a match
// count of 0..5; nothing for separators, unchecked and damaged records.
std::optional<TChanceStake> ChanceStakeOf(const TStakeData& record);
// The stake as the check would complete it against `draw` and price it (a stake a back-test made,
// whose record may since have left the journal).
std::optional<TChanceStake> ChanceStakeChecked(const TStakeData& record, const TComb& draw, const TConfigData& config);

struct TChanceOptions {
  int Runs = ChanceDefaultRuns;
  uint64_t Seed = 0;
  int Threads = 1;  // runs are spread over them; the result is the same for any count
};

// Figures of one quantity (the profit or a count of stakes with m matches): the real value and the
// random ones.
struct TChanceFigure {
  long double Real = 0;
  long double RandomMean = 0;
  long double P05 = 0, P95 = 0;  // nearest-rank percentiles of the runs
  long double Exact = 0;         // hypergeometric expectation
};

struct TChanceReport {
  int Stakes = 0;
  int Draws = 0;
  int Runs = 0;
  uint64_t Seed = 0;
  // The real profit priced with the configured cost and prize table, as the check prices stakes.
  TMoney Profit = 0;
  // The profit the journal holds for the same stakes, and how many of them it holds another profit
  // for (checked while the cost or the prize table was different).
  TMoney StoredProfit = 0;
  int Repriced = 0;
  std::array<int64_t, CombSize + 1> Matches{};  // real stakes with 0..5 matches

  std::vector<TMoney> RandomProfits;  // one per run, in run order
  // Per run, the stakes with 2..5 matches.
  std::vector<std::array<int32_t, 4>> RandomMatches;

  // Money figures in units of 1/10000, rounded to hundredths (halves away from zero).
  TMoney RandomMean = 0, RandomP05 = 0, RandomP95 = 0, ExactMean = 0;
  long double RandomMeanValue = 0;  // unrounded, in 1/10000
  long double RandomSd = 0;         // sample standard deviation of the runs' profits, in 1/10000
  long double ExactMeanValue = 0;   // unrounded, in 1/10000
  int64_t Below = 0, Equal = 0;     // runs whose profit is below / equal to the real one
  // Shares in ten-thousandths, rounded halves away from zero: runs the real profit beats (ties
  // counted half) and runs whose profit is at least the real one.
  int BeatsShare = 0;
  int PValue = 0;
  // Stakes with m = 2..5 matches: real, random and exact figures.
  std::array<TChanceFigure, 4> MatchFigures;
};

// The report for the stakes (those of a size outside 5..12 or more than 5 matches are left out), or
// nothing after the message: no stakes, runs outside 100..1,000,000, or a stop asked. `stop` is asked on the calling
// thread at the start and after every batch of runs (after the progress text); true ends the work without a message.
std::optional<TChanceReport> CompareWithChance(TUserPort& port, std::span<const TChanceStake> stakes,
                                               const TConfigData& config, const TChanceOptions& options,
                                               const std::function<bool()>& stop = nullptr);

// The same runs recounted the plain way: every stake of every run compared number by number with
// the run's draw and priced with StakeProfit. For tests and the benchmark.
std::vector<TMoney> ChanceReferenceProfits(std::span<const TChanceStake> stakes, const TConfigData& config, int runs,
                                           uint64_t seed);

// The random draw of a run for the draw at `index` among the distinct draws (in order of first
// appearance): five distinct numbers 1..45 as bits. Fixed by (seed, run) alone.
class TChanceRng {
 public:
  TChanceRng(uint64_t seed, uint64_t run);
  uint64_t Next();
  // Five distinct numbers 1..45 as bits, uniformly.
  uint64_t DrawMask();

 private:
  uint64_t state_;
  uint32_t spare_ = 0;
  bool hasSpare_ = false;
  uint32_t Next32();
};

// Texts of the report.
std::string ChanceShareText(int tenThousandths);  // "0.9730" with the configured separator
// The kivra-cli lines "key;value" in the fixed order.
std::vector<std::string> ChanceReportLines(const TChanceReport& report);
// The window: title, the table of figures (a header row, then rows), the notes that say what the
// figures mean and what they do not, and the histogram of the random profits with the real one.
TChartData ChanceChart(const TChanceReport& report, std::string_view what);

}  // namespace kivra
