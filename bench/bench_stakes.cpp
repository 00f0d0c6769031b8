// The stakes journal, with the straightforward versions it is held against in the same run:
//   BM_StakesCheck             the check of 100,000 unchecked stakes of 6..12 numbers against a
//                              2,000-draw archive (the journal mapped, each draw number looked up once)
//   BM_StakesCheckReference    the same record by record: one read and one write call per record, a
//                              scan of the archive for the draw and a membership loop per number
//   BM_StakeAddAll             one manual stake per combination of the full list (1,221,759
//                              records), then the check and the view update
//   BM_RatingsSort/<column>    the ratings' quicksort of 10,000 rows by a column, every column of
//                              the list (the E columns leave the order as it is)
//   BM_RatingsRefresh          the ratings rebuilt from a journal of 1,000,000 checked stakes
//   BM_TablesStakeTest         the back-test of 100 regular stake rules over the latest 1,000
//                              draws: 100,000 stakes appended, checked and rated
//   BM_StakesChance            the comparison with chance: 10,000 runs over 100,000 checked
//                              stakes of 5..12 numbers spread over 100 draws, on two threads
//   BM_StakesChanceOneThread   the same stakes, 1,000 runs on one thread (processor time per run)
//   BM_StakesChanceReference   the same runs recounted the plain way, every stake compared number
//                              by number with its run's draw and priced (processor time per run)
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <bit>
#include <filesystem>
#include <fstream>
#include <random>

#include "stakes/Prizes.h"
#include "stakes/StakesChance.h"
#include "workspace/Workspace.h"

namespace kivra {
namespace {

class TQuietPort : public TUserPort {
 public:
  void ShowProgress(std::string_view) override {}
  bool Message(TMessageKind, std::string_view, std::string_view, bool defaultYes) override { return defaultYes; }
};

constexpr int StakeCount = 100000;
constexpr int DrawCount = 2000;

struct TCheckSetup {
  std::filesystem::path dir =
      std::filesystem::temp_directory_path() / ("kivra-bench-stakes-" + std::to_string(getpid()));
  TDrawsArchive archive;
  TConfigData config;
  std::string journalBytes;

  TCheckSetup() {
    std::filesystem::create_directories(dir);
    std::mt19937 rng(5045);
    std::array<uint8_t, 45> pool;
    for (int n = 0; n < 45; ++n) pool[n] = static_cast<uint8_t>(n + 1);
    for (int i = 1; i <= DrawCount; ++i) {
      TDraw d;
      d.Number = i;
      std::shuffle(pool.begin(), pool.end(), rng);
      std::copy_n(pool.begin(), 5, d.Nums.begin());
      archive.Append(d);
    }
    config.Cost = 10 * MoneyScale;
    config.Profits = {{0, 0}, {1, 0}, {2, 0}, {3, 15 * MoneyScale}, {4, 100 * MoneyScale}, {5, 10000 * MoneyScale}};
    // Stakes for draws all over the archive (and a few not drawn yet), with separators between groups.
    for (int i = 0; i < StakeCount; ++i) {
      TStakeData r;
      if (i % 50 == 49) {
        r = SeparatorRecord();
      } else {
        r.Kind = StakeScript;
        r.DrawNumber = static_cast<int32_t>(std::uniform_int_distribution<int>(1, DrawCount + 20)(rng));
        r.Numbers.Count = std::uniform_int_distribution<int>(6, 12)(rng);
        std::shuffle(pool.begin(), pool.end(), rng);
        std::copy_n(pool.begin(), r.Numbers.Count, r.Numbers.Values.begin());
        r.Matched.Count = -1;
        r.Profit = StakeProfit(config, r.Numbers.Count, -1);
        r.Comment = "Сценарий 1";
      }
      const TStakeBytes b = EncodeStake(r);
      journalBytes.append(reinterpret_cast<const char*>(b.data()), b.size());
    }
  }
  ~TCheckSetup() {
    std::error_code ec;
    std::filesystem::remove_all(dir, ec);
  }
  std::filesystem::path Journal() const { return dir / "Kivra_5x45.lsk"; }
  void WriteJournal() const {
    const int fd = ::open(Journal().c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd < 0 || ::write(fd, journalBytes.data(), journalBytes.size()) != static_cast<ssize_t>(journalBytes.size()))
      std::abort();
    ::close(fd);
  }
};

TCheckSetup& CheckSetup() {
  static TCheckSetup setup;
  return setup;
}

void BM_StakesCheck(benchmark::State& state) {
  auto& s = CheckSetup();
  TQuietPort port;
  int checked = 0;
  for (auto _ : state) {
    state.PauseTiming();
    s.WriteJournal();
    TStakesJournal journal(port, s.Journal(), s.dir / "Kivra_5x45.~tmp");
    if (!journal.Load()) std::abort();
    state.ResumeTiming();
    journal.Check(s.archive, s.config, nullptr);
    checked = journal.LastChecked();
  }
  state.counters["checked"] = checked;
}
BENCHMARK(BM_StakesCheck)->Unit(benchmark::kMillisecond)->UseRealTime();

// The check as written from its description: each record read, tested, completed and written back
// on its own; the draw found by scanning the archive; the matches by comparing every pair.
int ReferenceCheck(int fd, int count, const TDrawsArchive& archive, const TConfigData& config) {
  int checked = 0;
  for (int i = 0; i < count; ++i) {
    TStakeBytes bytes;
    if (::pread(fd, bytes.data(), bytes.size(), static_cast<off_t>(i) * 320) != 320) std::abort();
    TStakeData r = DecodeStake(bytes);
    if (!IsDue(r)) continue;
    int index = -1;
    for (int k = 0; k < archive.Count(); ++k)
      if (archive.Stored(k).Number == r.DrawNumber) {
        index = k;
        break;
      }
    if (index < 0) continue;
    const TDraw& draw = archive.Stored(index);
    r.Checked = 1;
    r.DrawResult = draw.Nums;
    r.Matched = TStakeNumbers{};
    for (uint8_t d : draw.Nums)
      for (int k = 0; k < r.Numbers.Count; ++k)
        if (r.Numbers.Values[k] == d) {
          r.Matched.Values[r.Matched.Count++] = d;
          break;
        }
    std::sort(r.Matched.Values.begin(), r.Matched.Values.begin() + r.Matched.Count);
    r.Profit = StakeProfit(config, r.Numbers.Count, r.Matched.Count);
    bytes = EncodeStake(r);
    if (::pwrite(fd, bytes.data(), bytes.size(), static_cast<off_t>(i) * 320) != 320) std::abort();
    ++checked;
  }
  return checked;
}

void BM_StakesCheckReference(benchmark::State& state) {
  auto& s = CheckSetup();
  int checked = 0;
  for (auto _ : state) {
    state.PauseTiming();
    s.WriteJournal();
    const int fd = ::open(s.Journal().c_str(), O_RDWR);
    state.ResumeTiming();
    checked = ReferenceCheck(fd, StakeCount, s.archive, s.config);
    state.PauseTiming();
    ::close(fd);
    state.ResumeTiming();
  }
  state.counters["checked"] = checked;
}
BENCHMARK(BM_StakesCheckReference)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_StakeAddAll(benchmark::State& state) {
  TQuietPort port;
  const auto dir = std::filesystem::temp_directory_path() / ("kivra-bench-addall-" + std::to_string(getpid()));
  std::filesystem::create_directories(dir);
  TWorkspace ws(dir, port);
  ws.LoadSettingsAndConfig();
  ws.Combs().ReserveLists();
  ws.Combs().GenerateList(false, {GenFullSet, ""});
  for (auto _ : state) {
    state.PauseTiming();
    ws.Stakes().Save();
    std::filesystem::remove(dir / "Kivra_5x45.lsk");
    if (!ws.Stakes().Load()) std::abort();
    state.ResumeTiming();
    ws.Stakes().AddCombinations(nullptr, 1, 1, ManualStakeComment);
  }
  state.counters["records"] = ws.Stakes().Journal().Count();
  ws.Stakes().Save();
  std::filesystem::remove_all(dir);
}
BENCHMARK(BM_StakeAddAll)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(2);

void BM_TablesStakeTest(benchmark::State& state) {
  TQuietPort port;
  const auto dir = std::filesystem::temp_directory_path() / ("kivra-bench-tables-" + std::to_string(getpid()));
  std::filesystem::create_directories(dir);
  TWorkspace ws(dir, port);
  ws.LoadSettingsAndConfig();
  ws.Config().Data = CheckSetup().config;
  for (int i = 0; i < 1001; ++i) ws.Archive().Append(CheckSetup().archive.Stored(i));
  ws.Tables().Load();
  std::vector<int> rows;
  for (int r = 0; r < 100; ++r) {
    TTableData rule;
    rule.Comment = "Regular " + std::to_string(r);
    rule.Mode = static_cast<uint8_t>(r % 2);
    rule.Step = r % 91 - 45;
    rule.Start = {static_cast<uint8_t>(r % 41 + 1), static_cast<uint8_t>(r % 41 + 2), static_cast<uint8_t>(r % 41 + 3),
                  static_cast<uint8_t>(r % 41 + 4), static_cast<uint8_t>(r % 41 + 5)};
    ws.Tables().Add(rule, std::vector<TListComb>{{0, rule.Start}});
    rows.push_back(r);
  }
  int checked = 0;
  for (auto _ : state) {
    state.PauseTiming();
    ws.Stakes().Save();
    std::filesystem::remove(dir / "Kivra_5x45.lsk");
    std::filesystem::remove(dir / "Kivra_5x45.lrt");
    ws.Ratings().Ratings().Clear();
    if (!ws.Stakes().Load()) std::abort();
    state.ResumeTiming();
    if (!ws.Tables().Test(rows, 1000)) std::abort();
    checked = ws.Stakes().Journal().LastChecked();
  }
  state.counters["stakes"] = ws.Stakes().Journal().Count();
  state.counters["checked"] = checked;
  state.counters["ratings"] = ws.Ratings().Ratings().Count();
  ws.Stakes().Save();
  std::filesystem::remove_all(dir);
}
BENCHMARK(BM_TablesStakeTest)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

void BM_RatingsSort(benchmark::State& state) {
  std::mt19937 rng(17);
  TRatingsArray rows(10000);
  for (size_t i = 0; i < rows.size(); ++i) {
    rows[i].Comment = "Сценарий " + std::to_string(rng() % 5000);
    rows[i].Stakes = 1 + static_cast<int32_t>(rng() % 1000);
    rows[i].Guessed = static_cast<int32_t>(rng() % (5 * rows[i].Stakes));
    rows[i].Profit = static_cast<TMoney>(rng() % 2000000) - 1000000;
    for (auto& h : rows[i].Hits) h = static_cast<int32_t>(rng() % 100);
  }
  const int column = static_cast<int>(state.range(0));
  for (auto _ : state) {
    state.PauseTiming();
    TRatingsArray copy = rows;
    state.ResumeTiming();
    SortRatings(copy, column, true);
    benchmark::DoNotOptimize(copy.data());
  }
}
BENCHMARK(BM_RatingsSort)->DenseRange(0, RatingColumnCount - 1)->Unit(benchmark::kMillisecond);

void BM_RatingsRefresh(benchmark::State& state) {
  TQuietPort port;
  const auto dir = std::filesystem::temp_directory_path() / ("kivra-bench-refresh-" + std::to_string(getpid()));
  std::filesystem::create_directories(dir);
  {
    std::mt19937 rng(3);
    std::string bytes;
    bytes.reserve(size_t{1000000} * StakeRecordSize);
    for (int i = 0; i < 1000000; ++i) {
      TStakeData r;
      r.Kind = StakeScript;
      r.DrawNumber = 1 + i / 1000;
      r.Checked = 1;
      r.Numbers.Count = 5;
      r.Matched.Count = static_cast<int32_t>(rng() % 4);
      r.Profit = -10 * MoneyScale;
      r.Comment = "Сценарий, строка " + std::to_string(i % 1000) + " @ фильтр";
      const TStakeBytes b = EncodeStake(r);
      bytes.append(reinterpret_cast<const char*>(b.data()), b.size());
    }
    std::ofstream(dir / "Kivra_5x45.lsk", std::ios::binary)
        .write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  }
  TWorkspace ws(dir, port);
  ws.LoadSettingsAndConfig();
  if (!ws.Stakes().Load()) std::abort();
  for (auto _ : state) {
    state.PauseTiming();
    ws.Ratings().Ratings().Clear();
    state.ResumeTiming();
    ws.Ratings().Refresh();
  }
  state.counters["rows"] = ws.Ratings().Ratings().Count();
  ws.Stakes().Save();
  std::filesystem::remove_all(dir);
}
BENCHMARK(BM_RatingsRefresh)->Unit(benchmark::kMillisecond)->UseRealTime();

// --- The comparison with chance ---

struct TChanceSetup {
  TConfigData config;
  std::vector<TChanceStake> stakes;

  TChanceSetup() {
    config.Cost = 10 * MoneyScale;
    config.Profits = {{0, 0}, {1, 0}, {2, 0}, {3, 15 * MoneyScale}, {4, 100 * MoneyScale}, {5, 10000 * MoneyScale}};
    std::mt19937 rng(4545);
    std::vector<uint64_t> drawn;
    for (int d = 0; d < 100; ++d) drawn.push_back(TChanceRng(1, 1000000 + d).DrawMask());
    for (int i = 0; i < StakeCount; ++i) {
      const auto size = static_cast<uint8_t>(5 + rng() % 8);
      uint64_t mask = 0;
      while (std::popcount(mask) < size) mask |= uint64_t{1} << (1 + rng() % 45);
      const int d = static_cast<int>(rng() % 100);
      const int m = std::popcount(mask & drawn[d]);
      stakes.push_back({3000 + d, size, mask, static_cast<uint8_t>(m), StakeProfit(config, size, m)});
    }
  }
};

const TChanceSetup& ChanceSetup() {
  static const TChanceSetup setup;
  return setup;
}

void ChanceRuns(benchmark::State& state, int runs, int threads) {
  const TChanceSetup& setup = ChanceSetup();
  TQuietPort port;
  int beats = 0;
  for (auto _ : state) {
    const auto report = CompareWithChance(port, setup.stakes, setup.config, {runs, 7, threads});
    if (!report) std::abort();
    beats = report->BeatsShare;
  }
  state.counters["runs"] = runs;
  state.counters["beats_share"] = beats / 10000.0;
}

void BM_StakesChance(benchmark::State& state) { ChanceRuns(state, 10000, 2); }
BENCHMARK(BM_StakesChance)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);

void BM_StakesChanceOneThread(benchmark::State& state) {
  ChanceRuns(state, 1000, 1);
  state.counters["seconds_per_run"] =
      benchmark::Counter(1000, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_StakesChanceOneThread)->Unit(benchmark::kMillisecond)->Iterations(1);

void BM_StakesChanceReference(benchmark::State& state) {
  const TChanceSetup& setup = ChanceSetup();
  constexpr int Runs = 20;
  for (auto _ : state) benchmark::DoNotOptimize(ChanceReferenceProfits(setup.stakes, setup.config, Runs, 7));
  state.counters["seconds_per_run"] =
      benchmark::Counter(Runs, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_StakesChanceReference)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace
}  // namespace kivra

BENCHMARK_MAIN();
