// Filter passes and full-set counting of every registered statistic, each against the
// straightforward reference measured in the same run:
//   BM_Filter/<CODE>           the fast batch filter, one core
//   BM_FilterParallel/<CODE>   the same on two threads
//   BM_FilterReference/<CODE>  one virtual CombMatches per combination, linear selected-set scan,
//                              push_back into a vector
//   BM_FullSetCounts/<CODE>    the fast full-set distribution (option N only)
//   BM_FullSetCountsReference/<CODE>  CombValues into AddStatValue one by one
//   BM_CopyFullSet             a plain copy of the full list, the physical floor
#include <benchmark/benchmark.h>

#include <algorithm>
#include <random>

#include "stats/StatList.h"
#include "stats/StatPasses.h"

namespace kivra {
namespace {

// A seeded random archive, so that every statistic sees typical values.
TDrawsArray MakeArchive(int count) {
  std::mt19937 rng(5045);
  TDrawsArray draws(count);
  for (int i = 0; i < count; ++i) {
    std::array<uint8_t, 45> pool;
    for (int n = 0; n < 45; ++n) pool[n] = static_cast<uint8_t>(n + 1);
    std::shuffle(pool.begin(), pool.end(), rng);
    draws[i].Number = i + 1;
    std::copy_n(pool.begin(), 5, draws[i].Nums.begin());
  }
  return draws;
}

struct TSetup {
  TDrawsArray draws = MakeArchive(1000);
  TStatList stats;
  TSetup() {
    stats.SetDraws(&draws);
    stats.Build();
  }
  int RefIndex() const { return static_cast<int>(draws.size()) - 1; }
};

TSetup& Setup() {
  static TSetup setup;
  return setup;
}

// A few values typical for the statistic: the three most frequent over the latest 200 draws.
TStatDrawArray TypicalSelection(TCustomStat& stat) {
  const int ref = Setup().RefIndex();
  TStatDrawArray values = ComputeWindow(stat, ref - 199, ref, false);
  std::stable_sort(values.begin(), values.end(), [](const auto& a, const auto& b) { return a.Count > b.Count; });
  if (values.size() > 3) values.resize(3);
  return values;
}

void SetPerCombination(benchmark::State& state, size_t combs) {
  // Inverted rate of (combinations / 1e9) per second: nanoseconds per combination.
  state.counters["ns_per_comb"] = benchmark::Counter(
      static_cast<double>(combs) * 1e-9, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

void BM_Filter(benchmark::State& state, int index, unsigned threads) {
  const auto& all = FullCombinationSet();
  auto stat = Setup().stats.CreateStat(index);
  const TStatDrawArray sel = TypicalSelection(*stat);
  TCombsArray out(all.size());
  size_t kept = 0;
  for (auto _ : state) {
    kept = FilterCombs(*stat, all, out.data(), sel, Setup().RefIndex(), false, false, threads);
    benchmark::DoNotOptimize(out.data());
  }
  state.counters["kept"] = static_cast<double>(kept);
  SetPerCombination(state, all.size());
}

void BM_FilterReference(benchmark::State& state, int index) {
  const auto& all = FullCombinationSet();
  std::unique_ptr<TCustomStat> stat = Setup().stats.CreateStat(index);
  const TStatDrawArray sel = TypicalSelection(*stat);
  std::vector<TComb> out;
  const int ref = Setup().RefIndex();
  for (auto _ : state) {
    out.clear();
    for (const TComb& c : all)
      if (stat->CombMatches(c, sel, ref, false, false)) out.push_back(c);
    benchmark::DoNotOptimize(out.data());
  }
  state.counters["kept"] = static_cast<double>(out.size());
  SetPerCombination(state, all.size());
}

void BM_FullSetCounts(benchmark::State& state, int index) {
  const auto& all = FullCombinationSet();
  auto stat = Setup().stats.CreateStat(index);
  for (auto _ : state) benchmark::DoNotOptimize(CountCombValues(*stat, all, 1));
  SetPerCombination(state, all.size());
}

void BM_FullSetCountsReference(benchmark::State& state, int index) {
  const auto& all = FullCombinationSet();
  std::unique_ptr<TCustomStat> stat = Setup().stats.CreateStat(index);
  for (auto _ : state) {
    TStatDrawArray values;
    for (const TComb& c : all) stat->CombValues(c, values);
    benchmark::DoNotOptimize(values.data());
  }
  SetPerCombination(state, all.size());
}

void BM_CopyFullSet(benchmark::State& state) {
  const auto& all = FullCombinationSet();
  TCombsArray out(all.size());
  for (auto _ : state) {
    std::copy(all.begin(), all.end(), out.begin());
    benchmark::DoNotOptimize(out.data());
  }
  SetPerCombination(state, all.size());
}

void RegisterAll() {
  benchmark::RegisterBenchmark("BM_CopyFullSet", BM_CopyFullSet)->Unit(benchmark::kMillisecond);
  const TStatList& stats = Setup().stats;
  for (int i = 0; i < stats.Count(); ++i) {
    const std::string code = stats.Code(i);
    benchmark::RegisterBenchmark(("BM_Filter/" + code).c_str(), BM_Filter, i, 1u)->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark(("BM_FilterParallel/" + code).c_str(), BM_Filter, i, 2u)
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime();
    benchmark::RegisterBenchmark(("BM_FilterReference/" + code).c_str(), BM_FilterReference, i)
        ->Unit(benchmark::kMillisecond);
    if (stats.Item(i).StatClass->CanPrefetch()) {
      benchmark::RegisterBenchmark(("BM_FullSetCounts/" + code).c_str(), BM_FullSetCounts, i)
          ->Unit(benchmark::kMillisecond);
      benchmark::RegisterBenchmark(("BM_FullSetCountsReference/" + code).c_str(), BM_FullSetCountsReference, i)
          ->Unit(benchmark::kMillisecond);
    }
  }
}

}  // namespace
}  // namespace kivra

int main(int argc, char** argv) {
  kivra::RegisterAll();
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
