// The combination list operations of the workspace, with the kernels they are held against in
// the same run:
//   BM_Generate/<mode>            GenerateList with the refresh step (mode 0 is the full set)
//   BM_FilterKernel/<CODE>        the fast filter pass alone over the full set, one core
//   BM_FilterByValues/<CODE>      the whole operation over the full list: undo copy, statistic,
//                                 filter pass, log row, view update (one core)
//   BM_RemoveLatestDraws/<N>      removal of the latest N draws from the full list
//   BM_RemoveLatestDrawsReference/<N>  the same by CommonCount with every draw for every combination
//   BM_SaveUndo                   a plain copy of the full list into the undo copy
//   BM_ListMemory                 storage of the list, the undo copy and the snapshot after a
//                                 session of generation, filters, undo and snapshot (counter MB)
//   BM_CombsFileRead              LoadCombsFile of a file of the full set (18.3 MB)
//   BM_CombsFileReadReference     the same file read line by line through ParseCombsFileLine
#include <benchmark/benchmark.h>

#include <algorithm>
#include <filesystem>
#include <random>

#include "combs/CombFiles.h"
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

// A seeded random archive of 1500 draws in a workspace with the full list room reserved.
struct TSetup {
  TQuietPort port;
  TWorkspace ws{std::filesystem::temp_directory_path() / "kivra-bench-list-unused", port};
  TSetup() {
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
    ws.Combs().ReserveLists();
    ws.Combs().SetFilterThreads(1);
  }
};

TSetup& Setup() {
  static TSetup setup;
  return setup;
}

void FullList() {
  Setup().ws.Combs().GenerateList(false, {GenFullSet, ""});
  Setup().ws.Combs().List().ClearFilterLog();
}

// The three most frequent values over the latest 200 draws, as a user would select them.
TStatDrawArray TypicalSelection(TCustomStat& stat) {
  const int ref = Setup().ws.Archive().AnalysisEnd();
  TStatDrawArray values = ComputeWindow(stat, ref - 199, ref, false);
  std::stable_sort(values.begin(), values.end(), [](const auto& a, const auto& b) { return a.Count > b.Count; });
  if (values.size() > 3) values.resize(3);
  return values;
}

void BM_Generate(benchmark::State& state, uint8_t mode, std::string param) {
  TWorkspace& ws = Setup().ws;
  for (auto _ : state) ws.Combs().GenerateList(true, {mode, param});
  state.counters["count"] = ws.Combs().List().Count();
}

void BM_FilterKernel(benchmark::State& state, std::string code) {
  TWorkspace& ws = Setup().ws;
  const auto& all = FullCombinationSet();
  auto stat = ws.Stats().CreateStat(ws.Stats().FindCode(code));
  const TStatDrawArray sel = TypicalSelection(*stat);
  TCombsArray out(all.size());
  size_t kept = 0;
  for (auto _ : state) {
    kept = FilterCombs(*stat, all, out.data(), sel, ws.Archive().AnalysisEnd(), false, false, 1);
    benchmark::DoNotOptimize(out.data());
  }
  state.counters["kept"] = static_cast<double>(kept);
}

void BM_FilterByValues(benchmark::State& state, std::string code) {
  TWorkspace& ws = Setup().ws;
  const int entry = ws.Stats().FindCode(code);
  auto stat = ws.Stats().CreateStat(entry);
  const TStatDrawArray sel = TypicalSelection(*stat);
  std::string text;
  for (const auto& r : sel) text += (text.empty() ? "" : "; ") + stat->ValueCaption(r);
  for (auto _ : state) {
    state.PauseTiming();
    FullList();
    state.ResumeTiming();
    ws.Combs().FilterByValues(entry, nullptr, sel, text, false);
  }
  state.counters["kept"] = ws.Combs().List().Count();
}

void BM_RemoveLatestDraws(benchmark::State& state) {
  TWorkspace& ws = Setup().ws;
  const int n = static_cast<int>(state.range(0));
  for (auto _ : state) {
    state.PauseTiming();
    FullList();
    state.ResumeTiming();
    ws.Combs().RemoveLatestDraws(n);
  }
  state.counters["kept"] = ws.Combs().List().Count();
}

void BM_RemoveLatestDrawsReference(benchmark::State& state) {
  const TDrawsArchive& archive = Setup().ws.Archive();
  const int n = static_cast<int>(state.range(0));
  const auto& all = FullCombinationSet();
  TCombsArray out(all.size());
  size_t kept = 0;
  for (auto _ : state) {
    kept = 0;
    for (const TComb& c : all) {
      bool drawn = false;
      for (int i = archive.High(); i > archive.High() - n && !drawn; --i)
        drawn = CommonCount(archive.Stored(i).Nums, c) == CombSize;
      if (!drawn) out[kept++] = c;
    }
    benchmark::DoNotOptimize(out.data());
  }
  state.counters["kept"] = static_cast<double>(kept);
}

void BM_SaveUndo(benchmark::State& state) {
  FullList();
  for (auto _ : state) Setup().ws.Combs().List().SaveUndo(false);
}

void BM_ListMemory(benchmark::State& state) {
  TWorkspace& ws = Setup().ws;
  const int entry = ws.Stats().FindCode("EVEN");
  auto stat = ws.Stats().CreateStat(entry);
  const TStatDrawArray sel = TypicalSelection(*stat);
  for (auto _ : state) {
    ws.Combs().GenerateCommand({GenFullSet, ""}, false);
    ws.Combs().List().SaveSnapshot(0, static_cast<int32_t>(state.iterations()));
    ws.Combs().RemoveLatestDraws(100);
    ws.Combs().FilterByValues(entry, nullptr, sel, "", true);
    ws.Combs().Undo();
    ws.Combs().FilterByValues(entry, nullptr, sel, "", false);
    ws.Combs().List().RestoreSnapshot(0, static_cast<int32_t>(state.iterations()));
  }
  state.counters["storage_MB"] = static_cast<double>(ws.Combs().List().StorageBytes()) / 1e6;
}

// A combination file of the full set, written once.
const std::filesystem::path& FullSetFile() {
  static const std::filesystem::path file = [] {
    FullList();
    const auto path = std::filesystem::temp_directory_path() / "kivra-bench-full-set.lcv";
    TQuietPort port;
    SaveCombsFile(Setup().ws.Combs().List(), path, port);
    return path;
  }();
  return file;
}

void BM_CombsFileRead(benchmark::State& state) {
  const auto& file = FullSetFile();
  TCombList& list = Setup().ws.Combs().List();
  TQuietPort port;
  for (auto _ : state) LoadCombsFile(list, file, port);
  state.counters["combinations"] = static_cast<double>(list.Count());
}

void BM_CombsFileReadReference(benchmark::State& state) {
  const auto& file = FullSetFile();
  TCombList& list = Setup().ws.Combs().List();
  for (auto _ : state) {
    list.ResizeList(0, 0);
    const std::string bytes = ReadWholeFile(file);
    for (std::string_view line : SplitTextLines(bytes))
      if (const auto comb = ParseCombsFileLine(line)) list.Append(*comb);
  }
  state.counters["combinations"] = static_cast<double>(list.Count());
}

void RegisterAll() {
  const auto ms = benchmark::kMillisecond;
  benchmark::RegisterBenchmark("BM_Generate/0", BM_Generate, GenFullSet, "")->Unit(ms);
  benchmark::RegisterBenchmark("BM_Generate/1", BM_Generate, GenAnyOfMine, "7;21;33")->Unit(ms);
  benchmark::RegisterBenchmark("BM_Generate/2", BM_Generate, GenOnlyMine,
                               "1;3;5;7;9;11;13;15;17;19;21;23;25;27;29;31;33;35;37;39;41;43;45")
      ->Unit(ms);
  benchmark::RegisterBenchmark("BM_Generate/3", BM_Generate, GenNoneOfMine, "7;21;33")->Unit(ms);
  for (const char* code : {"EVEN", "SUMS", "POS1", "NUMS", "SUMC"}) {
    benchmark::RegisterBenchmark((std::string("BM_FilterKernel/") + code).c_str(), BM_FilterKernel, code)->Unit(ms);
    benchmark::RegisterBenchmark((std::string("BM_FilterByValues/") + code).c_str(), BM_FilterByValues, code)->Unit(ms);
  }
  benchmark::RegisterBenchmark("BM_RemoveLatestDraws", BM_RemoveLatestDraws)->Arg(10)->Arg(1000)->Unit(ms);
  benchmark::RegisterBenchmark("BM_RemoveLatestDrawsReference", BM_RemoveLatestDrawsReference)->Arg(10)->Unit(ms);
  benchmark::RegisterBenchmark("BM_SaveUndo", BM_SaveUndo)->Unit(ms);
  benchmark::RegisterBenchmark("BM_ListMemory", BM_ListMemory)->Unit(ms);
  benchmark::RegisterBenchmark("BM_CombsFileRead", BM_CombsFileRead)->Unit(ms)->UseRealTime();
  benchmark::RegisterBenchmark("BM_CombsFileReadReference", BM_CombsFileReadReference)->Unit(ms)->UseRealTime();
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
