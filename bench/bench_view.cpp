// The statistics table and the full-set distribution files:
//   BM_StatTable/<CODE>/<offset>    the table of one registry entry over a 1000-draw window of a
//                                   1500-draw archive (every entry; offsets 0 and 100)
//   BM_BuildAllCaches               every file of the default configuration, built in parallel
//   BM_BuildCachesSubset            the files of the entries with at most 64 distinct values, the
//                                   same way
//   BM_BuildAllCachesReference      the same subset by the straightforward builder: CombValues
//                                   per combination into the distribution, one entry after
//                                   another, one core
//   BM_CacheEntry/<CODE>, BM_CacheEntryReference/<CODE>
//                                   one entry of the subset, fast counting and reference, one core
//                                   (run with --benchmark_filter=BM_CacheEntry to see where the
//                                   time of the two builders goes)
#include <benchmark/benchmark.h>

#include <algorithm>
#include <filesystem>
#include <random>

#include "core/FileUtils.h"
#include "stats/StatPasses.h"
#include "workspace/Workspace.h"

namespace kivra {
namespace {

class TQuietPort : public TUserPort {
 public:
  void ShowProgress(std::string_view) override {}
  bool Message(TMessageKind, std::string_view, std::string_view, bool defaultYes) override { return defaultYes; }
};

// A seeded random archive of 1500 draws in a workspace of its own folder.
struct TSetup {
  std::filesystem::path dir = std::filesystem::temp_directory_path() / "kivra-bench-view";
  TQuietPort port;
  TWorkspace ws{dir, port};
  std::vector<int> subset;  // entries with option N and at most 64 values over the full set

  TSetup() {
    std::filesystem::create_directories(dir);
    ws.LoadSettingsAndConfig();
    std::mt19937 rng(5045);
    TDrawsArray draws(1500);
    for (size_t i = 0; i < draws.size(); ++i) {
      std::array<uint8_t, 45> pool;
      for (int n = 0; n < 45; ++n) pool[n] = static_cast<uint8_t>(n + 1);
      std::shuffle(pool.begin(), pool.end(), rng);
      draws[i].Number = static_cast<int32_t>(i + 1);
      std::copy_n(pool.begin(), 5, draws[i].Nums.begin());
    }
    ws.Archive().Assign(std::move(draws));
    for (int i = 0; i < ws.Stats().Count(); ++i) {
      const auto stat = ws.Stats().CreateStat(i);
      if (stat->Class().CanPrefetch() && FullSetDistribution(*stat, 1).size() <= 64) subset.push_back(i);
    }
  }
  ~TSetup() {
    std::error_code ec;
    std::filesystem::remove_all(dir, ec);
  }
};

TSetup& Setup() {
  static TSetup setup;
  return setup;
}

void BM_StatTable(benchmark::State& state, int entry, int offset) {
  TWorkspace& ws = Setup().ws;
  auto stat = ws.Stats().CreateStat(entry);
  TStatView view;
  TStatViewParams params;
  params.Offset = offset;
  params.WindowLength = 1000;
  for (auto _ : state) {
    view.Compute(*stat, ws.Archive(), params, nullptr);
    benchmark::DoNotOptimize(view.Rows().data());
  }
  state.counters["rows"] = static_cast<double>(view.Rows().size());
}

void BM_BuildAllCaches(benchmark::State& state) {
  TWorkspace& ws = Setup().ws;
  int built = 0;
  for (auto _ : state) built = ws.StatTab().BuildAllCaches(true, (1u << StatGroupCount) - 1);
  state.counters["files"] = built;
}

void BM_BuildCachesSubset(benchmark::State& state) {
  TWorkspace& ws = Setup().ws;
  int built = 0;
  for (auto _ : state) built = ws.StatTab().BuildCacheFiles(Setup().subset);
  state.counters["files"] = built;
}

void BM_BuildAllCachesReference(benchmark::State& state) {
  TWorkspace& ws = Setup().ws;
  const auto& all = FullCombinationSet();
  for (auto _ : state) {
    for (int entry : Setup().subset) {
      const auto stat = ws.Stats().CreateStat(entry);
      TStatDrawArray values;
      for (const TComb& c : all) stat->CombValues(c, values);
      SortStatValues(values);
      WriteFileAtomic(ws.StatTab().CacheFileName(entry), CacheBytes(values));
    }
  }
  state.counters["files"] = static_cast<double>(Setup().subset.size());
}

void BM_CacheEntry(benchmark::State& state, int entry) {
  const auto stat = Setup().ws.Stats().CreateStat(entry);
  for (auto _ : state) benchmark::DoNotOptimize(CacheBytes(FullSetDistribution(*stat, 1)));
}

void BM_CacheEntryReference(benchmark::State& state, int entry) {
  const auto stat = Setup().ws.Stats().CreateStat(entry);
  for (auto _ : state) {
    TStatDrawArray values;
    for (const TComb& c : FullCombinationSet()) stat->CombValues(c, values);
    SortStatValues(values);
    benchmark::DoNotOptimize(CacheBytes(values));
  }
}

void RegisterAll() {
  const auto ms = benchmark::kMillisecond;
  TWorkspace& ws = Setup().ws;
  for (int i = 0; i < ws.Stats().Count(); ++i)
    for (int offset : {0, 100})
      benchmark::RegisterBenchmark(("BM_StatTable/" + ws.Stats().Code(i) + "/" + std::to_string(offset)).c_str(),
                                   BM_StatTable, i, offset)
          ->Unit(ms);
  benchmark::RegisterBenchmark("BM_BuildAllCaches", BM_BuildAllCaches)->Unit(ms)->UseRealTime();
  benchmark::RegisterBenchmark("BM_BuildCachesSubset", BM_BuildCachesSubset)->Unit(ms)->UseRealTime();
  benchmark::RegisterBenchmark("BM_BuildAllCachesReference", BM_BuildAllCachesReference)
      ->Unit(ms)
      ->UseRealTime()
      ->Iterations(1);
  for (int entry : Setup().subset) {
    const std::string code = ws.Stats().Code(entry);
    benchmark::RegisterBenchmark(("BM_CacheEntry/" + code).c_str(), BM_CacheEntry, entry)->Unit(ms);
    benchmark::RegisterBenchmark(("BM_CacheEntryReference/" + code).c_str(), BM_CacheEntryReference, entry)
        ->Unit(ms)
        ->Iterations(1);
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
