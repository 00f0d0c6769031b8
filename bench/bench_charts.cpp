// The draw chart, repeats, sum distribution and information window over a seeded random archive:
//   BM_InfoWindow           the information rows of a draw of a 2,000-draw archive (every chartable
//                           statistic created and evaluated) and its placement on 5 columns
//   BM_DrawChart/CODE       the draw chart of a 1,000-draw window for each chartable statistic
//   BM_Repeats              the repeats rows and series of 1,000 draws, each compared 1,000 deep
//   BM_SumDistribution      the sum distribution and its five series over the 2,000-draw archive
//   BM_SumEnumeration       the reference for the combinations' sums: all 1,221,759 enumerated
#include <benchmark/benchmark.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "stats/StatList.h"
#include "views/DrawChart.h"
#include "views/InfoView.h"
#include "views/RepeatsView.h"
#include "views/SumDistribution.h"

namespace kivra {
namespace {

const TDrawsArchive& Archive() {
  static const TDrawsArchive archive = [] {
    std::mt19937 rng(4545);
    TDrawsArchive a;
    for (int i = 0; i < 2000; ++i) {
      std::array<uint8_t, 45> pool;
      for (int n = 0; n < 45; ++n) pool[size_t(n)] = static_cast<uint8_t>(n + 1);
      std::shuffle(pool.begin(), pool.end(), rng);
      TDraw d{};
      d.Number = i + 1;
      std::copy_n(pool.begin(), 5, d.Nums.begin());
      a.Append(d);
    }
    return a;
  }();
  return archive;
}

TStatList& Registry() {
  static TStatList list;
  static const bool built = [] {
    list.SetDraws(&Archive().StoredDraws());
    list.Build();
    return true;
  }();
  (void)built;
  return list;
}

void BM_InfoWindow(benchmark::State& state) {
  const TStatList& stats = Registry();
  for (auto _ : state) {
    TInfoRows rows = BuildInfoRows(stats, DrawInfoSubject(Archive(), 1500, false));
    TTextGrid grid = PlaceNumbers(Archive().Stored(1500).Nums, 5);
    benchmark::DoNotOptimize(rows);
    benchmark::DoNotOptimize(grid);
  }
}
BENCHMARK(BM_InfoWindow)->Unit(benchmark::kMillisecond);

void DrawChart(benchmark::State& state, int index) {
  const TStatList& stats = Registry();
  const std::string title = stats.ListCaption(index, true);
  for (auto _ : state) {
    auto stat = stats.CreateStat(index);
    TDrawChart chart = BuildDrawChart(dynamic_cast<TCustomGraphStat&>(*stat), Archive(), 1000, false, title, true);
    benchmark::DoNotOptimize(chart);
  }
}

void BM_Repeats(benchmark::State& state) {
  for (auto _ : state) {
    int steps = 0;
    TRepeatsResult r = AnalyzeRepeats(Archive(), 1000, 1000, [&](int done) { steps = done; });
    std::mt19937 random(1);
    TChartData chart = RepeatsChart(r, random);
    benchmark::DoNotOptimize(chart);
    benchmark::DoNotOptimize(steps);
  }
}
BENCHMARK(BM_Repeats)->Unit(benchmark::kMillisecond);

void BM_SumDistribution(benchmark::State& state) {
  for (auto _ : state) {
    TChartData chart = SumDistributionChart(BuildSumDistribution(Archive()));
    benchmark::DoNotOptimize(chart);
  }
}
BENCHMARK(BM_SumDistribution)->Unit(benchmark::kMillisecond);

void BM_SumEnumeration(benchmark::State& state) {
  for (auto _ : state) {
    std::array<int64_t, CombSumCount> counts{};
    for (int a = 1; a <= 41; ++a)
      for (int b = a + 1; b <= 42; ++b)
        for (int c = b + 1; c <= 43; ++c)
          for (int d = c + 1; d <= 44; ++d)
            for (int e = d + 1; e <= 45; ++e) ++counts[size_t(a + b + c + d + e - MinCombSum)];
    benchmark::DoNotOptimize(counts);
  }
}
BENCHMARK(BM_SumEnumeration)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace kivra

int main(int argc, char** argv) {
  using namespace kivra;
  const TStatList& stats = Registry();
  for (int i = 0; i < stats.Count(); ++i) {
    const TStatClass& cls = *stats.Item(i).StatClass;
    if (!cls.IsGraph() || !cls.IsEnabled()) continue;
    benchmark::RegisterBenchmark(("BM_DrawChart/" + stats.Code(i)).c_str(), DrawChart, i)
        ->Unit(benchmark::kMillisecond);
  }
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
