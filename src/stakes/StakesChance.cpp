#include "stakes/StakesChance.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <fmt/format.h>
#include <iterator>
#include <thread>
#include <unordered_map>

#include "core/SysFormat.h"
#include "stakes/Prizes.h"

namespace kivra {

namespace {

using TWide = __int128;

constexpr uint64_t Golden = 0x9E3779B97F4A7C15ull;

uint64_t Mix(uint64_t z) {
  z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
  z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
  return z ^ (z >> 31);
}

uint64_t MaskOf(const TStakeNumbers& numbers) {
  uint64_t mask = 0;
  for (int i = 0; i < numbers.Count; ++i) mask |= uint64_t{1} << numbers.Values[static_cast<size_t>(i)];
  return mask;
}

bool PlainStake(const TStakeData& r) {
  if (IsSeparator(r) || r.Numbers.Count < MinStakeNumbers || r.Numbers.Count > MaxStakeNumbers) return false;
  for (int i = 0; i < r.Numbers.Count; ++i)
    if (r.Numbers.Values[static_cast<size_t>(i)] < 1 || r.Numbers.Values[static_cast<size_t>(i)] > MaxNumber)
      return false;
  return true;
}

// num / den rounded to the nearest integer, halves away from zero (den > 0).
TWide RoundDiv(TWide num, TWide den) {
  const TWide q = (num < 0 ? -num : num) * 2 + den;
  const TWide r = q / (den * 2);
  return num < 0 ? -r : r;
}

TMoney Saturate(TWide v) {
  if (v > std::numeric_limits<TMoney>::max()) return std::numeric_limits<TMoney>::max();
  if (v < std::numeric_limits<TMoney>::min()) return std::numeric_limits<TMoney>::min();
  return static_cast<TMoney>(v);
}

// An amount rounded to hundredths, kept in units of 1/10000.
TMoney Hundredths(TWide num, TWide den) { return Saturate(RoundDiv(num, den * 100) * 100); }

// C(n, k) with C(n, k) = 0 for k > n.
uint64_t Choose(int n, int k) {
  if (k < 0 || k > n) return 0;
  uint64_t c = 1;
  for (int i = 1; i <= k; ++i) c = c * static_cast<uint64_t>(n - k + i) / static_cast<uint64_t>(i);
  return c;
}

// Combinations of five numbers that share exactly m numbers with a set of d numbers.
uint64_t Ways(int d, int m) { return Choose(d, m) * Choose(MaxNumber - d, CombSize - m); }

using TProfitTable = std::array<std::array<TMoney, CombSize + 1>, MaxStakeNumbers + 1>;

TProfitTable ProfitTable(const TConfigData& config) {
  TProfitTable table{};
  for (int k = MinStakeNumbers; k <= MaxStakeNumbers; ++k)
    for (int m = 0; m <= CombSize; ++m) table[k][m] = StakeProfit(config, k, m);
  return table;
}

// The distinct draws of the stakes in order of first appearance: each stake's index among them.
std::vector<uint32_t> DrawIndexes(std::span<const TChanceStake> stakes, int& draws) {
  std::unordered_map<int32_t, uint32_t> index;
  std::vector<uint32_t> of(stakes.size());
  for (size_t i = 0; i < stakes.size(); ++i)
    of[i] = index.emplace(stakes[i].Draw, static_cast<uint32_t>(index.size())).first->second;
  draws = static_cast<int>(index.size());
  return of;
}

// The work of the runs: the stakes grouped by draw, then by size, then by their numbers, each
// distinct (draw, size, numbers) once with its weight. An item is one word: the numbers in bits
// 1..45 and the weight in bits 48..59. A block is a run of items of one draw and one size whose
// weights sum to at most 4095, so that the match counts 1..5 of the block add up in five 12-bit
// fields of one register.
struct TBlock {
  uint32_t Draw;
  uint32_t Size;
  uint32_t Begin, End;
  uint32_t Weight;
};
constexpr uint32_t FieldBits = 12;
constexpr uint32_t FieldMax = (1u << FieldBits) - 1;
constexpr int WeightShift = 48;
constexpr uint64_t NumberBits = ((uint64_t{1} << (MaxNumber + 1)) - 1) & ~uint64_t{1};
constexpr std::array<uint64_t, CombSize + 1> FieldUnit = {
    0, 1, uint64_t{1} << 12, uint64_t{1} << 24, uint64_t{1} << 36, uint64_t{1} << 48};

struct TWork {
  std::vector<uint64_t> Items;
  std::vector<TBlock> Blocks;
  int Draws = 0;
};

TWork Group(std::span<const TChanceStake> stakes) {
  TWork work;
  const std::vector<uint32_t> drawOf = DrawIndexes(stakes, work.Draws);
  struct TKey {
    uint32_t Draw, Size;
    uint64_t Mask;
    auto operator<=>(const TKey&) const = default;
  };
  std::vector<TKey> keys(stakes.size());
  for (size_t i = 0; i < stakes.size(); ++i) keys[i] = {drawOf[i], stakes[i].Size, stakes[i].Mask & NumberBits};
  std::sort(keys.begin(), keys.end());
  for (size_t i = 0; i < keys.size();) {
    size_t j = i;
    while (j < keys.size() && keys[j] == keys[i]) ++j;
    uint64_t weight = j - i;
    const bool sameGroup =
        !work.Blocks.empty() && work.Blocks.back().Draw == keys[i].Draw && work.Blocks.back().Size == keys[i].Size;
    if (!sameGroup)
      work.Blocks.push_back({keys[i].Draw, keys[i].Size, static_cast<uint32_t>(work.Items.size()),
                             static_cast<uint32_t>(work.Items.size()), 0});
    while (weight > 0) {
      const auto w = static_cast<uint32_t>(std::min<uint64_t>(weight, FieldMax));
      if (work.Blocks.back().Weight + w > FieldMax) {
        const TBlock& last = work.Blocks.back();
        work.Blocks.push_back({last.Draw, last.Size, last.End, last.End, 0});
      }
      work.Items.push_back(keys[i].Mask | uint64_t{w} << WeightShift);
      work.Blocks.back().End = static_cast<uint32_t>(work.Items.size());
      work.Blocks.back().Weight += w;
      weight -= w;
    }
    i = j;
  }
  return work;
}

// Runs counted together in one pass over the items (each item read once for all of them).
constexpr int RunsPerPass = 4;
using TRunCounts = std::array<std::array<int64_t, CombSize + 1>, MaxStakeNumbers + 1>;

// The stakes of RunsPerPass runs by size and match count; drawn[r * draws + d] is run r's draw d.
[[gnu::always_inline]] inline void CountBlocks(const TWork& work, const uint64_t* drawn,
                                               std::array<TRunCounts, RunsPerPass>& counts) {
  const uint64_t* items = work.Items.data();
  const size_t draws = static_cast<size_t>(work.Draws);
  for (const TBlock& b : work.Blocks) {
    std::array<uint64_t, RunsPerPass> d, acc{};
    for (int r = 0; r < RunsPerPass; ++r) d[r] = drawn[r * draws + b.Draw];
    for (uint32_t i = b.Begin; i < b.End; ++i) {
      const uint64_t item = items[i], weight = item >> WeightShift;
      for (int r = 0; r < RunsPerPass; ++r)
        acc[r] += weight * FieldUnit[static_cast<size_t>(std::popcount(item & d[r]))];
    }
    for (int r = 0; r < RunsPerPass; ++r) {
      auto& c = counts[r][b.Size];
      int64_t matched = 0;
      for (int m = 1; m <= CombSize; ++m) {
        const auto n = static_cast<int64_t>((acc[r] >> (FieldBits * (m - 1))) & FieldMax);
        c[static_cast<size_t>(m)] += n;
        matched += n;
      }
      c[0] += b.Weight - matched;
    }
  }
}

// The same loop compiled for the processor's population-count instruction, and without it.
__attribute__((target("popcnt"))) void CountBlocksPopcnt(const TWork& work, const uint64_t* drawn,
                                                         std::array<TRunCounts, RunsPerPass>& counts) {
  CountBlocks(work, drawn, counts);
}
void CountBlocksPlain(const TWork& work, const uint64_t* drawn, std::array<TRunCounts, RunsPerPass>& counts) {
  CountBlocks(work, drawn, counts);
}
using TCountRuns = void (*)(const TWork&, const uint64_t*, std::array<TRunCounts, RunsPerPass>&);
TCountRuns CountRuns() {
  static const TCountRuns kernel = [] {
    __builtin_cpu_init();
    return __builtin_cpu_supports("popcnt") ? CountBlocksPopcnt : CountBlocksPlain;
  }();
  return kernel;
}

// Runs first..last-1: each run's profit and its stakes with 2..5 matches. Runs past `last` in the
// final pass are counted and dropped.
void RunRange(const TWork& work, const TProfitTable& prices, uint64_t seed, int first, int last,
              std::vector<TMoney>& profits, std::vector<std::array<int32_t, 4>>& matches) {
  const size_t draws = static_cast<size_t>(work.Draws);
  std::vector<uint64_t> drawn(draws * RunsPerPass);
  const TCountRuns countRuns = CountRuns();
  for (int pass = first; pass < last; pass += RunsPerPass) {
    for (int r = 0; r < RunsPerPass; ++r) {
      TChanceRng rng(seed, static_cast<uint64_t>(pass + r));
      for (size_t d = 0; d < draws; ++d) drawn[r * draws + d] = rng.DrawMask();
    }
    std::array<TRunCounts, RunsPerPass> counts{};
    countRuns(work, drawn.data(), counts);
    for (int r = 0; r < RunsPerPass && pass + r < last; ++r) {
      TMoney profit = 0;
      std::array<int32_t, 4> byMatches{};
      for (int k = MinStakeNumbers; k <= MaxStakeNumbers; ++k)
        for (int m = 0; m <= CombSize; ++m) {
          const int64_t n = counts[r][k][m];
          if (n == 0) continue;
          profit = MoneyAdd(profit, MoneyMul(prices[k][m], n));
          if (m >= 2) byMatches[static_cast<size_t>(m - 2)] += static_cast<int32_t>(n);
        }
      profits[static_cast<size_t>(pass + r)] = profit;
      matches[static_cast<size_t>(pass + r)] = byMatches;
    }
  }
}

// The nearest-rank percentile p% of the values: the smallest value that at least p% of them do not
// exceed.
template <class T>
T Percentile(std::vector<T> values, int percent) {
  const size_t n = values.size();
  const size_t rank = (static_cast<size_t>(percent) * n + 99) / 100;
  const size_t at = rank == 0 ? 0 : rank - 1;
  std::nth_element(values.begin(), values.begin() + static_cast<std::ptrdiff_t>(at), values.end());
  return values[at];
}

}  // namespace

// --- Random draws ---

TChanceRng::TChanceRng(uint64_t seed, uint64_t run) : state_(Mix(Mix(seed) ^ (run * Golden + 0xD1B54A32D192ED03ull))) {}

uint64_t TChanceRng::Next() {
  state_ += Golden;
  return Mix(state_);
}

uint32_t TChanceRng::Next32() {
  if (hasSpare_) {
    hasSpare_ = false;
    return spare_;
  }
  const uint64_t x = Next();
  spare_ = static_cast<uint32_t>(x >> 32);
  hasSpare_ = true;
  return static_cast<uint32_t>(x);
}

uint64_t TChanceRng::DrawMask() {
  // Numbers by the multiply-and-reject method (exactly uniform over 1..45), repeats drawn again:
  // every set of five numbers is equally likely.
  constexpr uint32_t Reject = static_cast<uint32_t>(-static_cast<uint32_t>(MaxNumber)) % MaxNumber;
  uint64_t mask = 0;
  for (int n = 0; n < CombSize;) {
    const uint64_t product = uint64_t{Next32()} * MaxNumber;
    if (static_cast<uint32_t>(product) < Reject) continue;
    const uint64_t bit = uint64_t{1} << ((product >> 32) + 1);
    if (mask & bit) continue;
    mask |= bit;
    ++n;
  }
  return mask;
}

// --- Stakes ---

std::optional<TChanceStake> ChanceStakeOf(const TStakeData& r) {
  if (!PlainStake(r) || r.Checked == 0 || r.Matched.Count < 0 || r.Matched.Count > CombSize) return std::nullopt;
  return TChanceStake{r.DrawNumber, static_cast<uint8_t>(r.Numbers.Count), MaskOf(r.Numbers),
                      static_cast<uint8_t>(r.Matched.Count), r.Profit};
}

std::optional<TChanceStake> ChanceStakeChecked(const TStakeData& r, const TComb& draw, const TConfigData& config) {
  if (!PlainStake(r)) return std::nullopt;
  uint64_t drawn = 0;
  for (uint8_t d : draw)
    if (d >= 1 && d <= MaxNumber) drawn |= uint64_t{1} << d;
  const uint64_t mask = MaskOf(r.Numbers);
  const int m = std::popcount(mask & drawn);
  return TChanceStake{r.DrawNumber, static_cast<uint8_t>(r.Numbers.Count), mask, static_cast<uint8_t>(m),
                      StakeProfit(config, r.Numbers.Count, m)};
}

// --- The comparison ---

std::optional<TChanceReport> CompareWithChance(TUserPort& port, std::span<const TChanceStake> given,
                                               const TConfigData& config, const TChanceOptions& options,
                                               const std::function<bool()>& stop) {
  // Stakes of another size or match count than a checked stake can have are left out.
  const auto valid = [](const TChanceStake& s) {
    return s.Size >= MinStakeNumbers && s.Size <= MaxStakeNumbers && s.Matched <= CombSize;
  };
  std::vector<TChanceStake> kept;
  std::span<const TChanceStake> stakes = given;
  if (!std::all_of(given.begin(), given.end(), valid)) {
    std::copy_if(given.begin(), given.end(), std::back_inserter(kept), valid);
    stakes = kept;
  }
  if (options.Runs < ChanceMinRuns || options.Runs > ChanceMaxRuns) {
    port.ShowError(SysFormat("Количество прогонов должно быть от %d до %d (задано %d)!",
                             {ChanceMinRuns, ChanceMaxRuns, options.Runs}));
    return std::nullopt;
  }
  if (stakes.empty()) {
    port.ShowError(
        "Нет проверенных ставок для сравнения со случайной игрой!\r\rСравнивать можно только ставки, "
        "уже проверенные по архиву тиражей.");
    return std::nullopt;
  }
  TBusyScope busy(port, "Сравнение со случайной игрой...");
  const TProfitTable prices = ProfitTable(config);

  TChanceReport report;
  report.Stakes = static_cast<int>(stakes.size());
  report.Runs = options.Runs;
  report.Seed = options.Seed;
  // The real figures, and the exact expectation: a stake of d distinct numbers shares m numbers
  // with Ways(d, m) of the C(45, 5) draws.
  TWide exact = 0;
  std::array<long double, 4> exactMatches{};
  const long double fullSet = static_cast<long double>(Ways(0, 0));
  for (const TChanceStake& s : stakes) {
    const TMoney profit = prices[s.Size][s.Matched];
    report.Profit = MoneyAdd(report.Profit, profit);
    report.StoredProfit = MoneyAdd(report.StoredProfit, s.Stored);
    report.Repriced += profit != s.Stored;
    ++report.Matches[s.Matched];
    const int d = std::popcount(s.Mask);
    for (int m = 0; m <= CombSize; ++m) {
      exact += static_cast<TWide>(Ways(d, m)) * prices[s.Size][static_cast<size_t>(m)];
      if (m >= 2) exactMatches[static_cast<size_t>(m - 2)] += static_cast<long double>(Ways(d, m)) / fullSet;
    }
  }
  const TWork work = Group(stakes);
  report.Draws = work.Draws;

  // The runs in batches of at most 2e7 stake comparisons and a fiftieth of the runs, each batch spread over the
  // threads; the progress and the stop request between batches.
  const int runs = options.Runs;
  report.RandomProfits.assign(static_cast<size_t>(runs), 0);
  report.RandomMatches.assign(static_cast<size_t>(runs), {});
  const int threads = std::clamp(options.Threads, 1, 64);
  const size_t perBatch = std::min<size_t>(20000000 / std::max<size_t>(work.Items.size(), 1), (runs + 49) / 50);
  const int batch = std::max<int>(threads, static_cast<int>(perBatch));
  if (stop && stop()) return std::nullopt;
  for (int done = 0; done < runs;) {
    const int end = std::min(runs, done + batch);
    const int parts = std::min(threads, end - done);
    std::vector<std::thread> workers;
    for (int p = 1; p < parts; ++p) {
      const int first = done + (end - done) * p / parts, last = done + (end - done) * (p + 1) / parts;
      workers.emplace_back([&, first, last] {
        RunRange(work, prices, options.Seed, first, last, report.RandomProfits, report.RandomMatches);
      });
    }
    RunRange(work, prices, options.Seed, done, done + (end - done) / parts, report.RandomProfits, report.RandomMatches);
    for (std::thread& t : workers) t.join();
    done = end;
    port.ShowProgress(SysFormat("Сравнение со случайной игрой ( завершено %.0f %% )...",
                                {100.0L * static_cast<long double>(done) / static_cast<long double>(runs)}));
    if (stop && stop()) return std::nullopt;
  }

  // The summary.
  TWide sum = 0;
  for (TMoney p : report.RandomProfits) {
    sum += p;
    report.Below += p < report.Profit;
    report.Equal += p == report.Profit;
  }
  report.RandomMeanValue = static_cast<long double>(sum) / runs;
  report.RandomMean = Hundredths(sum, runs);
  long double squares = 0;
  for (TMoney p : report.RandomProfits) {
    const long double dev = static_cast<long double>(p) - report.RandomMeanValue;
    squares += dev * dev;
  }
  report.RandomSd = runs > 1 ? std::sqrt(squares / (runs - 1)) : 0;
  report.RandomP05 = Hundredths(Percentile(report.RandomProfits, 5), 1);
  report.RandomP95 = Hundredths(Percentile(report.RandomProfits, 95), 1);
  report.ExactMeanValue = static_cast<long double>(exact) / fullSet;
  report.ExactMean = Hundredths(exact, static_cast<TWide>(Ways(0, 0)));
  report.BeatsShare = static_cast<int>(RoundDiv(TWide{2 * report.Below + report.Equal} * 10000, TWide{2} * runs));
  report.PValue = static_cast<int>(RoundDiv(TWide{runs - report.Below} * 10000, runs));
  for (size_t m = 0; m < 4; ++m) {
    TChanceFigure& f = report.MatchFigures[m];
    std::vector<int32_t> counts(static_cast<size_t>(runs));
    int64_t total = 0;
    for (size_t r = 0; r < counts.size(); ++r) total += counts[r] = report.RandomMatches[r][m];
    f.Real = static_cast<long double>(report.Matches[m + 2]);
    f.RandomMean = static_cast<long double>(total) / runs;
    f.P05 = Percentile(counts, 5);
    f.P95 = Percentile(std::move(counts), 95);
    f.Exact = exactMatches[m];
  }
  return report;
}

std::vector<TMoney> ChanceReferenceProfits(std::span<const TChanceStake> stakes, const TConfigData& config, int runs,
                                           uint64_t seed) {
  int draws = 0;
  const std::vector<uint32_t> drawOf = DrawIndexes(stakes, draws);
  // Each stake's numbers as a list.
  std::vector<std::vector<int>> numbers(stakes.size());
  for (size_t i = 0; i < stakes.size(); ++i)
    for (int n = 1; n <= MaxNumber; ++n)
      if (stakes[i].Mask >> n & 1) numbers[i].push_back(n);
  std::vector<TMoney> profits(static_cast<size_t>(runs));
  std::vector<std::array<int, CombSize>> drawn(static_cast<size_t>(draws));
  for (int run = 0; run < runs; ++run) {
    TChanceRng rng(seed, static_cast<uint64_t>(run));
    for (auto& d : drawn) {
      const uint64_t mask = rng.DrawMask();
      int k = 0;
      for (int n = 1; n <= MaxNumber; ++n)
        if (mask >> n & 1) d[static_cast<size_t>(k++)] = n;
    }
    TMoney profit = 0;
    for (size_t i = 0; i < stakes.size(); ++i) {
      int matched = 0;
      for (int n : numbers[i])
        for (int d : drawn[drawOf[i]]) matched += n == d;
      profit = MoneyAdd(profit, StakeProfit(config, stakes[i].Size, matched));
    }
    profits[static_cast<size_t>(run)] = profit;
  }
  return profits;
}

// --- Texts ---

std::string ChanceShareText(int tenThousandths) {
  return fmt::format("{}{}{:04}", tenThousandths / 10000, DecimalSeparator(), tenThousandths % 10000);
}

std::vector<std::string> ChanceReportLines(const TChanceReport& r) {
  std::vector<std::string> lines = {
      fmt::format("stakes;{}", r.Stakes),
      fmt::format("draws;{}", r.Draws),
      fmt::format("profit;{}", MoneyText(r.Profit)),
  };
  for (int m = 2; m <= CombSize; ++m) lines.push_back(fmt::format("matches_{};{}", m, r.Matches[m]));
  lines.push_back(fmt::format("random_mean;{}", MoneyText(r.RandomMean)));
  lines.push_back(fmt::format("random_p05;{}", MoneyText(r.RandomP05)));
  lines.push_back(fmt::format("random_p95;{}", MoneyText(r.RandomP95)));
  lines.push_back(fmt::format("exact_mean;{}", MoneyText(r.ExactMean)));
  lines.push_back(fmt::format("beats_share;{}", ChanceShareText(r.BeatsShare)));
  lines.push_back(fmt::format("p_value;{}", ChanceShareText(r.PValue)));
  lines.push_back(fmt::format("runs;{}", r.Runs));
  lines.push_back(fmt::format("seed;{}", r.Seed));
  return lines;
}

namespace {

std::string Count1(long double v) { return SysFormat("%.1f", {v}); }
std::string Count0(long double v) { return SysFormat("%.0f", {v}); }
std::string Percent(int tenThousandths) {
  return SysFormat("%.2f%%", {static_cast<long double>(tenThousandths) / 100});
}

// A step of 1, 2 or 5 times a power of ten hundredths, at least `raw` (in 1/10000).
TMoney NiceStep(TWide raw) {
  TWide step = 100;
  for (;;) {
    for (int m : {1, 2, 5})
      if (step * m >= raw) return Saturate(step * m);
    if (step > TWide{std::numeric_limits<TMoney>::max()} / 10) return Saturate(step * 10);
    step *= 10;
  }
}

}  // namespace

TChartData ChanceChart(const TChanceReport& r, std::string_view what) {
  TChartData chart;
  chart.Title = "Сравнение со случайной игрой";
  chart.Table = {{"Показатель", "Реально", "Случайно: среднее", "Случайно: 5–95%", "Ожидание (точно)"},
                 {"Профит", MoneyText(r.Profit), MoneyText(r.RandomMean),
                  MoneyText(r.RandomP05) + " … " + MoneyText(r.RandomP95), MoneyText(r.ExactMean)}};
  for (int m = 2; m <= CombSize; ++m) {
    const TChanceFigure& f = r.MatchFigures[static_cast<size_t>(m - 2)];
    chart.Table.push_back({SysFormat("Ставок с %d совпадениями", {m}), Count0(f.Real), Count1(f.RandomMean),
                           Count0(f.P05) + " … " + Count0(f.P95), Count1(f.Exact)});
  }
  chart.Notes.push_back(SysFormat("%s: ставок %d, тиражей %d, прогонов %d (начальное число %u).",
                                  {what, r.Stakes, r.Draws, r.Runs, static_cast<int64_t>(r.Seed)}));
  chart.Notes.push_back(
      SysFormat("Реальный профит лучше случайного в %s прогонов (равный считается за половину); "
                "p-значение %s — доля прогонов, где случайная игра дала не меньше.",
                {Percent(r.BeatsShare), ChanceShareText(r.PValue)}));
  chart.Notes.push_back(
      "Как это считается: ставки остаются такими, какими были сделаны, а результат каждого тиража, по которому они "
      "проверены, заменяется случайным (один случайный тираж на все ставки этого тиража). «Случайно» — то, что "
      "дали бы эти же ставки при случайных результатах; «Ожидание» — точное среднее по законам вероятности.");
  chart.Notes.push_back(
      "Что это не значит: это не прогноз. Высокая доля за один период не означает, что ставки будут выигрывать и "
      "дальше: из многих сценариев какой-нибудь всегда окажется «лучше случайного» просто по везению. Судить о "
      "превосходстве можно лишь тогда, когда результат держится на новых тиражах, не участвовавших в отборе.");
  if (r.Repriced > 0)
    chart.Notes.push_back(
        SysFormat("Профит посчитан по текущей стоимости ставки и таблице призов; у %d ставок в "
                  "журнале записан другой профит (всего %s).",
                  {r.Repriced, MoneyText(r.StoredProfit)}));

  // The histogram: about 30 bins of a round width from the 1st to the 99th percentile of the random
  // profits, stretched to hold the real one; the rare runs beyond go into the end bins.
  chart.Notes.push_back(
      "Гистограмма: по горизонтали — профит прогона (начало интервала), по вертикали — сколько случайных прогонов "
      "дали такой профит; красный столбец отмечает интервал, в который попал реальный профит.");
  const TMoney lo = std::min(r.Profit, r.RandomProfits.empty() ? r.Profit : Percentile(r.RandomProfits, 1));
  const TMoney hi = std::max(r.Profit, r.RandomProfits.empty() ? r.Profit : Percentile(r.RandomProfits, 99));
  const TMoney step = NiceStep((TWide{hi} - lo) / 30 + 1);
  const TWide start = (TWide{lo} >= 0 ? TWide{lo} / step : -((-TWide{lo} + step - 1) / step)) * step;
  const auto bins = static_cast<size_t>((TWide{hi} - start) / step + 1);
  const auto binOf = [&](TMoney p) {
    if (TWide{p} < start) return size_t{0};
    return std::min(bins - 1, static_cast<size_t>((TWide{p} - start) / step));
  };
  std::vector<int64_t> counts(bins);
  bool below = false, above = false;
  for (TMoney p : r.RandomProfits) {
    ++counts[binOf(p)];
    below = below || TWide{p} < start;
    above = above || TWide{p} >= start + TWide{step} * static_cast<TWide>(bins);
  }
  const size_t realBin = binOf(r.Profit);
  const int64_t tallest = std::max<int64_t>(1, *std::max_element(counts.begin(), counts.end()));
  TChartSeries random, real;
  random.Title = "Случайная игра: прогонов с таким профитом";
  random.Color = TRgb::FromRgb(0x4F81BD);
  real.Title = "Реальный профит";
  real.Color = TRgb::FromRgb(0xD62728);
  random.Bars = real.Bars = true;
  for (size_t b = 0; b < bins; ++b) {
    const TWide from = start + TWide{step} * static_cast<TWide>(b);
    std::string label = MoneyText(Saturate(from));
    if (b == 0 && below) label = "< " + MoneyText(Saturate(from + step));
    else if (b + 1 == bins && above) label = "≥ " + label;
    random.Points.push_back({static_cast<long double>(b), static_cast<long double>(counts[b]), label});
    real.Points.push_back({static_cast<long double>(b), b == realBin ? static_cast<long double>(tallest) : 0, label});
  }
  chart.Series = {std::move(random), std::move(real)};
  return chart;
}

}  // namespace kivra
