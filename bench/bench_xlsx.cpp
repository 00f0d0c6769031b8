// Spreadsheet books written by the engine's writer:
//   BM_FullListBook     the full combination list (1,221,759 rows, two sheets) as the list shows
//                       it; counters: rows, sheets, MB (growth of the peak resident memory over
//                       the whole benchmark, getrusage maxrss), book size in MB
//   BM_ArchiveBook/N    an archive of N draws as the draws list shows it (number, numbers, sum,
//                       date)
#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <filesystem>
#include <random>
#include <string>

#include "combs/CombGen.h"
#include "combs/CombList.h"
#include "core/UserPort.h"
#include "core/XlsxBook.h"

namespace kivra {
namespace {

long MaxRssKb() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss;
}

std::filesystem::path BookPath(const char* name) {
  return std::filesystem::temp_directory_path() / (std::string("kivra-bench-") + name + ".xlsx");
}

std::string Sum(const TComb& c) { return std::to_string(c[0] + c[1] + c[2] + c[3] + c[4]); }

void BM_FullListBook(benchmark::State& state) {
  TRecordingPort port;
  TCombList list(port);
  list.ReserveAll(FullSetSize);
  GenerateCombs(list, 0, {});
  TXlsxTable table;
  table.Title = "Комбинации";
  table.Captions = {"№ п.п.", "1", "2", "3", "4", "5", "S"};
  table.RowCount = list.Count();
  table.Row = [&list](uint32_t row, std::vector<std::string>& cells, std::vector<TXlsxColor>&) {
    const TComb& c = list[row];
    cells[0] = std::to_string(row + 1);
    for (int i = 0; i < 5; ++i) cells[size_t(i) + 1] = std::to_string(c[size_t(i)]);
    cells[6] = Sum(c);
  };
  const auto file = BookPath("full");
  const long before = MaxRssKb();
  for (auto _ : state) {
    std::string error;
    if (!WriteXlsxBook(file, table, {}, error)) state.SkipWithError(error.c_str());
  }
  state.counters["rows"] = list.Count();
  state.counters["sheets"] = (list.Count() + 1048574) / 1048575;
  state.counters["MB"] = static_cast<double>(MaxRssKb() - before) / 1024;
  state.counters["bookMB"] = static_cast<double>(std::filesystem::file_size(file)) / (1 << 20);
  std::filesystem::remove(file);
}
BENCHMARK(BM_FullListBook)->Unit(benchmark::kMillisecond)->Iterations(1);

void BM_ArchiveBook(benchmark::State& state) {
  const auto rows = static_cast<uint32_t>(state.range(0));
  std::mt19937 rng(45);
  std::vector<TComb> draws(rows);
  for (auto& d : draws)
    for (auto& n : d) n = static_cast<uint8_t>(1 + rng() % 45);
  TXlsxTable table;
  table.Title = "Архив тиражей";
  table.Captions = {"Тираж", "1", "2", "3", "4", "5", "S", "Дата тиража"};
  table.RowCount = rows;
  table.Row = [&draws, rows](uint32_t row, std::vector<std::string>& cells, std::vector<TXlsxColor>&) {
    const TComb& c = draws[row];
    cells[0] = std::to_string(rows - row);
    for (int i = 0; i < 5; ++i) cells[size_t(i) + 1] = std::to_string(c[size_t(i)]);
    cells[6] = Sum(c);
    cells[7] = "2026-01-" + std::to_string(10 + row % 20);
  };
  const auto file = BookPath("archive");
  for (auto _ : state) {
    std::string error;
    if (!WriteXlsxBook(file, table, {}, error)) state.SkipWithError(error.c_str());
  }
  std::filesystem::remove(file);
}
BENCHMARK(BM_ArchiveBook)->Arg(2000)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace kivra

BENCHMARK_MAIN();
