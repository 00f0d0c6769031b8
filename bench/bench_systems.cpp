// Own systems, with the straightforward greedy cover they are held against in the same run:
//   BM_VerifyCover            the exhaustive check of a 30-number design for "3 если 5" (142,506
//                             subsets)
//   BM_Design/N_T_M           one search with the default budget on one thread; counters: its
//                             blocks, the greedy's blocks, the lower bound, processor seconds
//   GreedyCover (reference)   repeatedly the five-number block that covers the most still-uncovered
//                             M-subsets, ties by lexicographic order (gains kept up to date as
//                             subsets become covered, so that it finishes in seconds; the choices are
//                             those of the plain rule)
#include <benchmark/benchmark.h>

#include <algorithm>
#include <bit>
#include <ctime>
#include <functional>
#include <map>

#include "stakes/CoverDesign.h"

namespace kivra {
namespace {

uint64_t ColexRank(uint64_t mask) {
  uint64_t r = 0;
  for (int i = 1; mask; ++i, mask &= mask - 1) r += CoverBinom(std::countr_zero(mask), i);
  return r;
}

// Calls f for every k-subset of the set bits of `from`.
void ForEachSubset(uint64_t from, int k, const std::function<void(uint64_t)>& f) {
  std::vector<int> pts;
  for (uint64_t m = from; m; m &= m - 1) pts.push_back(std::countr_zero(m));
  const int n = static_cast<int>(pts.size());
  if (k > n) return;
  std::vector<int> idx(static_cast<size_t>(k));
  for (int i = 0; i < k; ++i) idx[size_t(i)] = i;
  while (true) {
    uint64_t mask = 0;
    for (int i = 0; i < k; ++i) mask |= uint64_t(1) << pts[size_t(idx[size_t(i)])];
    f(mask);
    int i = k - 1;
    while (i >= 0 && idx[size_t(i)] == n - k + i) --i;
    if (i < 0) return;
    ++idx[size_t(i)];
    for (int q = i + 1; q < k; ++q) idx[size_t(q)] = idx[size_t(q - 1)] + 1;
  }
}

// The sets of `size` positions out of n that share at least `least` positions with `with`.
void ForEachMeeting(int n, uint64_t with, int least, int size, const std::function<void(uint64_t)>& f) {
  const uint64_t all = (n == 64 ? ~uint64_t(0) : (uint64_t(1) << n) - 1);
  for (int j = least; j <= std::min(size, std::popcount(with)); ++j)
    ForEachSubset(with, j, [&](uint64_t in) { ForEachSubset(all & ~with, size - j, [&](uint64_t out) { f(in | out); }); });
}

std::vector<uint64_t> GreedyCover(const TCoverSpec& wanted) {
  const int n = wanted.Nums, t = wanted.Guarantee, m = wanted.Drawn;
  std::vector<uint64_t> blocks;  // lexicographic order
  for (int a = 0; a < n; ++a)
    for (int b = a + 1; b < n; ++b)
      for (int c = b + 1; c < n; ++c)
        for (int d = c + 1; d < n; ++d)
          for (int e = d + 1; e < n; ++e)
            blocks.push_back(uint64_t(1) << a | uint64_t(1) << b | uint64_t(1) << c | uint64_t(1) << d |
                             uint64_t(1) << e);
  std::vector<uint32_t> lexOf(blocks.size());
  for (uint32_t i = 0; i < blocks.size(); ++i) lexOf[ColexRank(blocks[i])] = i;
  uint64_t per = 0;
  for (int j = t; j <= std::min(m, 5); ++j) per += CoverBinom(5, j) * CoverBinom(n - 5, m - j);
  std::vector<uint32_t> gain(blocks.size(), static_cast<uint32_t>(per));
  std::vector<uint8_t> covered(CoverBinom(n, m), 0);
  std::vector<uint64_t> chosen;
  while (true) {
    const size_t best = size_t(std::max_element(gain.begin(), gain.end()) - gain.begin());
    if (gain[best] == 0) break;
    chosen.push_back(blocks[best]);
    ForEachMeeting(n, blocks[best], t, m, [&](uint64_t s) {
      uint8_t& c = covered[ColexRank(s)];
      if (c) return;
      c = 1;
      ForEachMeeting(n, s, t, 5, [&](uint64_t b) { --gain[lexOf[ColexRank(b)]]; });
    });
  }
  return chosen;
}

double ProcessSeconds() {
  timespec ts{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
  return double(ts.tv_sec) + double(ts.tv_nsec) * 1e-9;
}

void BM_VerifyCover(benchmark::State& state) {
  const TCoverSpec wanted{30, 3, 5};
  TCoverOptions options;
  options.Seconds = 2;
  const TCoverResult design = MakeCover(wanted, options);
  for (auto _ : state) {
    const TCoverCheck check = VerifyCover(wanted, design.Blocks);
    if (!check.Ok) state.SkipWithError("the design does not pass its check");
    benchmark::DoNotOptimize(check.Subsets);
  }
  state.counters["blocks"] = double(design.Blocks.size());
  state.counters["subsets"] = double(CoverBinom(30, 5));
}
BENCHMARK(BM_VerifyCover)->Unit(benchmark::kMillisecond)->UseRealTime();

// The parameter sets of the table: plain coverings (T = M) and lotto designs (T < M).
const std::vector<TCoverSpec> TableSets = {
    {11, 4, 4}, {21, 2, 2}, {25, 2, 2}, {10, 3, 3}, {13, 3, 3}, {16, 3, 3}, {12, 4, 4}, {20, 3, 3}, {9, 4, 4},
    {10, 2, 3}, {15, 2, 3}, {20, 2, 3}, {26, 2, 3}, {30, 2, 3}, {12, 3, 4}, {15, 3, 4}, {18, 3, 4}, {22, 3, 4},
    {10, 4, 5}, {13, 4, 5}, {16, 4, 5}, {20, 3, 5}, {25, 3, 5}, {30, 3, 5}, {14, 2, 4}, {24, 2, 4}, {8, 3, 4}};

void BM_Design(benchmark::State& state) {
  const TCoverSpec wanted = TableSets[size_t(state.range(0))];
  const double greedyStart = ProcessSeconds();
  const size_t greedy = GreedyCover(wanted).size();
  const double greedySeconds = ProcessSeconds() - greedyStart;
  TCoverResult result;
  double seconds = 0;
  for (auto _ : state) {
    const double start = ProcessSeconds();
    result = MakeCover(wanted, TCoverOptions{});
    seconds = ProcessSeconds() - start;
  }
  if (!result.Verified) state.SkipWithError("no verified design");
  state.SetLabel(std::to_string(wanted.Nums) + " " + GuaranteeText(wanted.Guarantee, wanted.Drawn));
  state.counters["blocks"] = double(result.Blocks.size());
  state.counters["greedy"] = double(greedy);
  state.counters["bound"] = double(result.LowerBound);
  state.counters["seconds"] = seconds;
  state.counters["greedy_seconds"] = greedySeconds;
  state.counters["lotto"] = wanted.Guarantee < wanted.Drawn ? 1 : 0;
}

void DesignArgs(benchmark::internal::Benchmark* b) {
  for (size_t i = 0; i < TableSets.size(); ++i) {
    const TCoverSpec& s = TableSets[i];
    b->Arg(int64_t(i));
    (void)s;
  }
}
BENCHMARK(BM_Design)->Apply(DesignArgs)->Iterations(1)->Unit(benchmark::kSecond);

}  // namespace
}  // namespace kivra

BENCHMARK_MAIN();
