// The column "В списке" of the statistics table, for every registry entry, over a 1000-draw
// window of a 1500-draw archive (offset 0), on all the machine's cores:
//   BM_InList/<CODE>/full     the rows' counts over the full set (1221759 combinations)
//   BM_InList/<CODE>/100000   the same over a list of 100000 combinations (every 12th)
//   BM_InListUnion/<CODE>/full
//                             the count of three selected rows together (one filter pass)
// The counters say how many rows the table has and how they are counted (0 one counting pass of
// single values, 1 one pass over the values shown, 2 a filter pass per row).
//
// `bench_inlist --sweep[=R]` instead times the column of every registry entry R times (default 3)
// on both lists, and prints the entries sorted by their slowest minimum wall time against the
// figures (20 ms full, 5 ms 100000), the worst first, with the processor time of all threads.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <random>
#include <string>

#include "stats/ListCounts.h"
#include "stats/StatPasses.h"
#include "workspace/Workspace.h"

namespace kivra {
namespace {

class TQuietPort : public TUserPort {
 public:
  void ShowProgress(std::string_view) override {}
  bool Message(TMessageKind, std::string_view, std::string_view, bool defaultYes) override { return defaultYes; }
};

struct TSetup {
  std::filesystem::path dir = std::filesystem::temp_directory_path() / "kivra-bench-inlist";
  TQuietPort port;
  TWorkspace ws{dir, port};
  TCombsArray list100k;

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
    const TCombsArray& all = FullCombinationSet();
    for (size_t i = 0; i < all.size() && list100k.size() < 100000; i += 12) list100k.push_back(all[i]);
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

// The table's records, as the view computes them.
TStatDrawArray TableRows(TCustomStat& stat) {
  TStatView view;
  TStatViewParams params;
  params.WindowLength = 1000;
  view.Compute(stat, Setup().ws.Archive(), params, nullptr);
  TStatDrawArray rows;
  for (const TStatRow& r : view.Rows()) rows.push_back(r.Rec);
  return rows;
}

void BM_InList(benchmark::State& state, int entry, bool full) {
  TWorkspace& ws = Setup().ws;
  const auto stat = ws.Stats().CreateStat(entry);
  const TStatDrawArray rows = TableRows(*stat);
  const std::span<const TComb> list = full ? std::span<const TComb>(FullCombinationSet()) : Setup().list100k;
  const int ref = ws.Archive().AnalysisEnd();
  for (auto _ : state)
    benchmark::DoNotOptimize(CountRowsInList(*stat, list, rows, ref, false, DefaultThreadCount()).data());
  state.counters["rows"] = static_cast<double>(rows.size());
  state.counters["method"] = static_cast<double>(ListCountMethod(*stat));
}

void BM_InListUnion(benchmark::State& state, int entry) {
  TWorkspace& ws = Setup().ws;
  const auto stat = ws.Stats().CreateStat(entry);
  const TStatDrawArray rows = TableRows(*stat);
  TStatDrawArray selected;
  for (size_t k = 0; k < 3 && !rows.empty(); ++k) selected.push_back(rows[k * (rows.size() - 1) / 2]);
  const int ref = ws.Archive().AnalysisEnd();
  size_t kept = 0;
  for (auto _ : state)
    kept = CountSelectedInList(*stat, FullCombinationSet(), selected, ref, false, DefaultThreadCount());
  state.counters["kept"] = static_cast<double>(kept);
}

void RegisterAll() {
  TWorkspace& ws = Setup().ws;
  for (int i = 0; i < ws.Stats().Count(); ++i) {
    const std::string code = ws.Stats().Code(i);
    benchmark::RegisterBenchmark(("BM_InList/" + code + "/full").c_str(), BM_InList, i, true)
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime();
    benchmark::RegisterBenchmark(("BM_InList/" + code + "/100000").c_str(), BM_InList, i, false)
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime();
    benchmark::RegisterBenchmark(("BM_InListUnion/" + code + "/full").c_str(), BM_InListUnion, i)
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime();
  }
}

// The least of `repeat` timings of the column in milliseconds: wall clock, and the processor time
// of all threads together (less disturbed by other work on the machine).
struct TTiming {
  double Wall = 1e300, Cpu = 1e300;
};
TTiming MinMillis(TCustomStat& stat, std::span<const TComb> list, const TStatDrawArray& rows, int ref, int repeat) {
  TTiming best;
  const auto cpuNow = [] {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_nsec) / 1e6;
  };
  for (int r = 0; r < repeat; ++r) {
    const double cpu = cpuNow();
    const auto start = std::chrono::steady_clock::now();
    benchmark::DoNotOptimize(CountRowsInList(stat, list, rows, ref, false, DefaultThreadCount()).data());
    best.Wall = std::min(best.Wall,
                         std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
    best.Cpu = std::min(best.Cpu, cpuNow() - cpu);
  }
  return best;
}

int Sweep(int repeat) {
  TWorkspace& ws = Setup().ws;
  struct TLine {
    std::string Code;
    size_t Rows;
    int Method;
    TTiming Full, Part;
  };
  std::vector<TLine> lines;
  const int ref = ws.Archive().AnalysisEnd();
  for (int i = 0; i < ws.Stats().Count(); ++i) {
    const auto stat = ws.Stats().CreateStat(i);
    const TStatDrawArray rows = TableRows(*stat);
    lines.push_back({ws.Stats().Code(i), rows.size(), static_cast<int>(ListCountMethod(*stat)),
                     MinMillis(*stat, FullCombinationSet(), rows, ref, repeat),
                     MinMillis(*stat, Setup().list100k, rows, ref, repeat)});
  }
  std::sort(lines.begin(), lines.end(), [](const TLine& a, const TLine& b) {
    return std::max(a.Full.Wall / 20, a.Part.Wall / 5) > std::max(b.Full.Wall / 20, b.Part.Wall / 5);
  });
  std::printf("%-10s %6s %6s %10s %10s %10s %10s\n", "code", "rows", "method", "full ms", "full cpu", "100k ms",
              "100k cpu");
  for (const TLine& l : lines)
    std::printf("%-10s %6zu %6d %10.2f %10.2f %10.2f %10.2f%s\n", l.Code.c_str(), l.Rows, l.Method, l.Full.Wall,
                l.Full.Cpu, l.Part.Wall, l.Part.Cpu, l.Full.Wall > 20 || l.Part.Wall > 5 ? "  over" : "");
  return 0;
}

}  // namespace
}  // namespace kivra

int main(int argc, char** argv) {
  for (int i = 1; i < argc; ++i)
    if (std::strncmp(argv[i], "--sweep", 7) == 0)
      return kivra::Sweep(argv[i][7] == '=' ? std::max(1, std::atoi(argv[i] + 8)) : 3);
  kivra::RegisterAll();
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
