// The back-test of a reference script (5 lines of 3 commands, 2-4 variants each, full and
// excluding starts, stake modes FIRST, ALL and EXT, sorted and multiple-selection parts) over the
// demo archive, on one core:
//   BM_BackTest            the interpreter over the last 100 draws
//   BM_BackTestReference   a straightforward interpreter over the last 10 draws: the list made by
//                          nested loops for every variant, one virtual filter call per combination,
//                          a statistics table computed for every part
//   BM_BackTestTwoThreads  the interpreter with its offsets on two threads (wall time, speedup over
//                          BM_BackTest's wall time, the journal checked against a one-thread run
//                          made right after it, whose wall time is reported too)
//   BM_Ratio               the reference's seconds per draw over the interpreter's
// Each reports seconds_per_100_draws, the processor time (the reference's scaled from its 10 draws),
// and the wall time apart. The reference
// also runs as a check: its journal over the last 10 draws must equal the interpreter's.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <ctime>
#include <unistd.h>

#include "core/SysFormat.h"
#include "core/UserPort.h"
#include "stats/ColumnKernel.h"
#include "workspace/Workspace.h"

namespace kivra {
namespace {

using Lines = std::vector<std::string>;

const Lines& ReferenceScript() {
  static const Lines lines = {
      "FULL:0#FIRST|TMD1#EVEN:10#CLV:1#SF:0|BSD1#NUMS:15#CMV:3#ST:2|TSD1#SUMS:10,20#LMV:2-3;1#ST:3| | | | |первая",
      "EXCL:5#ALL|TMF1#PRIM:25#CMV:2#SF:0|TSF1#SUMS:40#LMV:1#ST:1|TSF1#NUMS:20,40#CMV:2#ST:2| | | | |вторая",
      "FULL:0#EXT|TMF8#SMAL:20#WMV:1#SF:0|TSD1#DIFM:10,30#LLV:5#ST:2|BSD4#SUM1:15#LNO:#SE:12| | | | |третья",
      "EXCL:3#FIRST|BMD2#CHNC:20#CLV:2#SF:0|TSD1#NUMS:20#LMV:5#ST:3|BSD6#SUMS:20,30,40#LNO:#ST:6| | | | |четвертая",
      "FULL:0#ALL|TMF1#EVEN:10#CMV:2#SF:0|TSF1#SUMS:30#LMV:1#ST:1|TSF1#NUMS:10,20#CMV:1#ST:2| | | | |пятая",
  };
  return lines;
}

std::filesystem::path DemoArchive() { return KIVRA_DEMO_CSV; }

// A workspace on a fresh folder holding the demo archive, filtering on one thread.
struct TBenchWorkspace {
  explicit TBenchWorkspace(const std::string& name)
      : dir(std::filesystem::temp_directory_path() / ("kivra-bench-interp-" + name + "-" + std::to_string(getpid()))),
        ws((std::filesystem::remove_all(dir), std::filesystem::create_directories(dir), dir), port) {
    ws.LoadSettingsAndConfig();
    ws.ImportDrawsCsv(DemoArchive());
    ws.Combs().ReserveLists();
    ws.Combs().SetFilterThreads(std::getenv("BENCH_THREADS") ? std::atoi(std::getenv("BENCH_THREADS")) : 1);
    ws.Stakes().Load();
    ws.Ratings().Load();
    ws.Runner().SetSeed(1);
    ws.Runner().SetThreads(1);
  }
  ~TBenchWorkspace() {
    ws.Stakes().Save();
    std::filesystem::remove_all(dir);
  }
  std::vector<TStakeData> Journal() {
    std::vector<TStakeData> records;
    for (int i = 0; i < ws.Stakes().Journal().Count(); ++i)
      records.push_back(ws.Stakes().Journal().Read(TStakeOrigin::Begin, i));
    return records;
  }
  std::filesystem::path dir;
  TRecordingPort port;
  TWorkspace ws;
};

// The straightforward interpreter: the same walk, stakes and texts, without any reuse.
class TReferenceInterpreter {
 public:
  explicit TReferenceInterpreter(TWorkspace& ws) : ws_(ws), methods_(ws.Stats()), rng_(1) {}

  void BackTest(const Lines& lines, int k) {
    const int saved = ws_.Archive().DrawsOffset();
    for (int offset = k; offset >= 1; --offset) {
      ws_.SetDrawsOffset(offset);
      ws_.Stakes().Journal().AppendSeparator();
      // The interpreter's random choices: one generator per offset from the run's seed.
      rng_.seed(1 ^ (0x9E3779B97F4A7C15ull * static_cast<uint64_t>(offset + 1)));
      for (size_t i = 0; i < lines.size(); ++i)
        if (!IsSeparatorLine(lines[i])) RunLine(static_cast<int>(i) + 1, lines[i]);
    }
    ws_.SetDrawsOffset(saved);
  }

 private:
  void RunLine(int line, const std::string& text) {
    const TScriptLineText fields = ReadScriptLine(text);
    const TScriptOptions options = ReadOptions(fields.Options);
    const TLineVariants variants(fields.Commands, methods_);
    for (uint64_t v = 0; v < variants.Count(); ++v) {
      const auto parts = variants.Variant(v);
      std::vector<TComb> list = StartList(options);
      for (const TFilterPart& part : parts)
        if (part.Active && list.size() > 1) Apply(part, list);
      const std::string description =
          StakeDescription(line, static_cast<int>(v) + 1, fields.Comment,
                           OptionsShortForm(options) + " + " + VariantText(parts, methods_));
      Stake(list, options, description);
      ws_.Stakes().CheckAndFlush();
    }
  }

  std::vector<TComb> StartList(const TScriptOptions& options) const {
    std::vector<TComb> list;
    for (uint8_t a = 1; a <= 41; ++a)
      for (uint8_t b = a + 1; b <= 42; ++b)
        for (uint8_t c = b + 1; c <= 43; ++c)
          for (uint8_t d = c + 1; d <= 44; ++d)
            for (uint8_t e = d + 1; e <= 45; ++e) list.push_back({a, b, c, d, e});
    if (options.StartCombsType == StartExclude && options.DrawsExclude > 0) {
      const TDrawsArchive& archive = ws_.Archive();
      const int last = archive.High() - archive.DrawsOffset();
      std::vector<TComb> drawn;
      for (int i = std::max(0, last - options.DrawsExclude + 1); i <= last; ++i) {
        TComb d = archive.Stored(i).Nums;
        std::sort(d.begin(), d.end());
        drawn.push_back(d);
      }
      std::erase_if(list, [&](const TComb& c) { return std::find(drawn.begin(), drawn.end(), c) != drawn.end(); });
    }
    return list;
  }

  static bool Filter(TCustomStat& stat, std::vector<TComb>& list, const TStatDrawArray& values, bool remove,
                     int refIndex, bool sorted) {
    if (values.empty()) return true;
    std::vector<TComb> kept;
    for (const TComb& c : list)
      if (stat.CombMatches(c, values, refIndex, sorted, remove) != remove) kept.push_back(c);
    if (kept.empty()) return false;  // undone
    list = std::move(kept);
    return true;
  }

  void Apply(const TFilterPart& part, std::vector<TComb>& list) {
    const TDrawsArchive& archive = ws_.Archive();
    auto stat = ws_.Stats().CreateStat(part.Method);
    TStatView view;
    view.SetSort(part.SortColumn, true);
    TStatViewParams params;
    params.Offset = archive.DrawsOffset();
    params.WindowLength = std::max(part.DrawsLen, 1);
    params.Sorted = archive.SortedDraws();
    params.Coefs = part.CDLOverride ? part.Coefs : ws_.Stats().Coefs;
    view.Compute(*stat, archive, params, nullptr);
    const auto& rows = view.Rows();
    const int refIndex = archive.AnalysisEnd();
    const bool sorted = archive.SortedDraws();
    const bool remove = !part.KeepSelected;
    const int32_t v = part.StopValue;
    const int maxStake = std::clamp(ws_.Config().Data.MaxStake, 6, 12);
    const size_t n = rows.size();
    int counter = 0;
    std::vector<size_t> selected;
    for (size_t k = 0; k < n; ++k) {
      const TStatRow& row = rows[part.FromBottom ? n - 1 - k : k];
      if (!part.MultiSelect) {
        if (part.StopMode == StopByCombs && list.size() <= static_cast<size_t>(std::max(v, 0))) break;
        if (part.StopMode == StopByNumbers) {
          const int target = v > 5 && v <= maxStake ? v : maxStake;
          if (list.size() <= 1 || static_cast<int>(CollectUniqueNumbers(list, list.size()).size()) <= target) break;
        }
      }
      if (part.StopMode == StopBySteps && counter >= v) break;
      if (part.StopMode == StopByValue || part.StopMode == StopByPercent) std::abort();  // not in the script
      const bool match =
          RowMatches({&row.Cells, stat->ValueFromText(row.Cells[ColValue])}, part.LevelMode, part.LevelValue);
      if (part.MultiSelect) {
        if (match) selected.push_back(part.FromBottom ? n - 1 - k : k);
        ++counter;
        continue;
      }
      if (!match) continue;
      if (!Filter(*stat, list, view.SelectedValues(std::vector<size_t>{part.FromBottom ? n - 1 - k : k}), remove,
                  refIndex, sorted)) {
        if (part.StopMode == StopUntilEmpty) break;
      } else {
        ++counter;
      }
    }
    if (part.MultiSelect) Filter(*stat, list, view.SelectedValues(selected), remove, refIndex, sorted);
  }

  uint64_t Random(uint64_t n) {
    const uint64_t limit = UINT64_MAX - UINT64_MAX % n;
    uint64_t x;
    do x = rng_();
    while (x >= limit);
    return x % n;
  }

  void Stake(const std::vector<TComb>& list, const TScriptOptions& options, const std::string& description) {
    TStakeState& stakes = ws_.Stakes();
    const auto add = [&](const TStakeNumbers& numbers, bool bulk) {
      stakes.AddMany(stakes.NewRecord(StakeScript, description, numbers), 1, bulk);
    };
    const auto comb = [&](const TComb& c, bool bulk) {
      TStakeNumbers numbers;
      numbers.Count = CombSize;
      std::copy(c.begin(), c.end(), numbers.Values.begin());
      add(numbers, bulk);
    };
    // The stakes take the list's count as their sample: the reference's list is lent to the
    // combination list for that.
    TCombList& shared = ws_.Combs().List();
    shared.ResizeList(list.size(), static_cast<uint32_t>(list.size()));
    std::copy(list.begin(), list.end(), shared.Data());
    if (list.empty()) return;
    if (list.size() == 1) return comb(list[0], false);
    switch (options.ResultCombsMode) {
      case ResultFirst: comb(list[0], false); break;
      case ResultAll:
        for (const TComb& c : list) comb(c, true);
        break;
      case ResultExtended: {
        TByteArray numbers = CollectUniqueNumbers(list, list.size());
        const size_t maxStake = static_cast<size_t>(std::clamp(ws_.Config().Data.MaxStake, 6, 12));
        while (numbers.size() > maxStake)
          numbers.erase(numbers.begin() + static_cast<ptrdiff_t>(Random(numbers.size())));
        TStakeNumbers stake;
        stake.Count = static_cast<int32_t>(numbers.size());
        std::copy(numbers.begin(), numbers.end(), stake.Values.begin());
        add(stake, false);
        break;
      }
      default: std::abort();  // not in the script
    }
  }

  TWorkspace& ws_;
  TMethodLookup methods_;
  std::mt19937_64 rng_;
};

// BENCH_LINES=1,3 runs only those lines of the script; BENCH_DRAWS the number of draws.
Lines Script() {
  const char* only = std::getenv("BENCH_LINES");
  if (!only) return ReferenceScript();
  Lines lines;
  for (std::string_view w : SplitNumberWords(only))
    lines.push_back(ReferenceScript().at(std::stoi(std::string(w)) - 1));
  return lines;
}
int Draws() {
  const char* n = std::getenv("BENCH_DRAWS");
  return n ? std::atoi(n) : 100;
}
// BENCH_SCALAR=1 measures both on the statistics' scalar kernels (as on a processor without the
// vector ones).
[[maybe_unused]] const bool ScalarKernels = [] {
  if (const char* s = std::getenv("BENCH_SCALAR"); s && std::atoi(s) != 0) EnableColumnKernel(false);
  return true;
}();

// The processor time of the work (the machine may be shared: its wall time is reported apart).
double Seconds(const std::function<void()>& work, double* wall = nullptr) {
  const auto cpu = [] {
    timespec t;
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
  };
  const double start = cpu();
  const auto wallStart = std::chrono::steady_clock::now();
  work();
  if (wall) *wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - wallStart).count();
  return cpu() - start;
}

double interpreterPer100 = 0, referencePer100 = 0, interpreterWall100 = 0;

void BM_BackTest(benchmark::State& state) {
  for (auto _ : state) {
    TBenchWorkspace bench("fast");
    TScriptRunner& runner = bench.ws.Runner();
    double wall = 0;
    const double s = Seconds([&] { runner.BackTest(Script(), Draws()); }, &wall) * 100 / Draws();
    interpreterPer100 = s;
    state.counters["seconds_per_100_draws"] = s;
    state.counters["wall_seconds_per_100_draws"] = wall * 100 / Draws();
    interpreterWall100 = wall * 100 / Draws();
    state.counters["stakes"] = runner.StakeCount();
    state.counters["tables_computed"] = runner.TablesComputed();
    state.counters["filter_passes"] = static_cast<double>(runner.FilterPasses());
    state.counters["combinations_filtered"] = static_cast<double>(runner.CombsFiltered());
    if (!bench.port.Messages.empty()) state.SkipWithError(bench.port.Messages[0].Text.c_str());
  }
}
BENCHMARK(BM_BackTest)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();

void BM_BackTestReference(benchmark::State& state) {
  constexpr int Draws = 10;
  for (auto _ : state) {
    TBenchWorkspace reference("reference");
    TReferenceInterpreter interpreter(reference.ws);
    double wall = 0;
    const double s = Seconds([&] { interpreter.BackTest(ReferenceScript(), Draws); }, &wall);
    referencePer100 = s * 100 / Draws;
    state.counters["seconds_per_100_draws"] = referencePer100;
    state.counters["wall_seconds_per_100_draws"] = wall * 100 / Draws;
    // The check: the interpreter's journal over the same draws.
    TBenchWorkspace fast("check");
    fast.ws.Runner().BackTest(ReferenceScript(), Draws);
    const auto a = reference.Journal(), b = fast.Journal();
    state.counters["stakes"] = static_cast<double>(a.size());
    if (a != b) state.SkipWithError("the reference's journal differs from the interpreter's");
  }
}
BENCHMARK(BM_BackTestReference)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();

// The same back-test with its offsets on two threads: wall time against the one-thread run's, and
// the journal must be the same.
void BM_BackTestTwoThreads(benchmark::State& state) {
  for (auto _ : state) {
    TBenchWorkspace two("two");
    two.ws.Runner().SetThreads(2);
    double wall = 0;
    Seconds([&] { two.ws.Runner().BackTest(Script(), Draws()); }, &wall);
    state.counters["wall_seconds_per_100_draws"] = wall * 100 / Draws();
    state.counters["threads_used"] = two.ws.Runner().ThreadsUsed();
    state.counters["speedup_over_one_thread"] = wall > 0 ? interpreterWall100 / (wall * 100 / Draws()) : 0;
    // The one-thread run the journal is checked against is timed too, so that the speedup can also
    // be taken from two runs made side by side.
    TBenchWorkspace one("one");
    double oneWall = 0;
    Seconds([&] { one.ws.Runner().BackTest(Script(), Draws()); }, &oneWall);
    state.counters["one_thread_wall_seconds_per_100_draws"] = oneWall * 100 / Draws();
    if (one.Journal() != two.Journal()) state.SkipWithError("the two-thread journal differs from the one-thread one");
  }
}
BENCHMARK(BM_BackTestTwoThreads)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();

void BM_Ratio(benchmark::State& state) {
  for (auto _ : state) benchmark::DoNotOptimize(referencePer100);
  state.counters["ratio"] = interpreterPer100 > 0 ? referencePer100 / interpreterPer100 : 0;
}
BENCHMARK(BM_Ratio)->Iterations(1);

}  // namespace
}  // namespace kivra

BENCHMARK_MAIN();
