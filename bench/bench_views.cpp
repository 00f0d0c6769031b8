// The card, layout and week views over seeded random archives (dated twice a week):
//   BM_LayoutWithCompare           the layout grid of a 1000-draw window and its five compare tables
//                                  (lengths 50..400) over a 1000-draw archive
//   BM_LayoutWithCompareReference  the same by the straightforward way: each number looked up in
//                                  the array by a linear search, each count's table row found by
//                                  comparing texts
//   BM_WeekCounts                  the week counts of a 1000-draw window
//   BM_WeekCountsReference         the same cell by cell: each of the 45 x 7 cells walks the window
//   BM_CardAllCells                every cell's text and colour of a 10,000-draw card, as its model
//                                  reads them on demand
//   BM_CardFillReference           the whole card filled as a grid of texts first (every row's 46
//                                  cells), then coloured cell by cell from the texts
#include <benchmark/benchmark.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "views/CardView.h"
#include "views/LayoutView.h"
#include "views/WeekView.h"

namespace kivra {
namespace {

TDrawsArchive RandomArchive(int count) {
  std::mt19937 rng(4545);
  TDrawsArchive a;
  TDateTime date = EncodeDate(2000, 1, 5);  // a Wednesday
  for (int i = 0; i < count; ++i) {
    std::array<uint8_t, 45> pool;
    for (int n = 0; n < 45; ++n) pool[size_t(n)] = static_cast<uint8_t>(n + 1);
    std::shuffle(pool.begin(), pool.end(), rng);
    TDraw d{};
    d.Number = i + 1;
    std::copy_n(pool.begin(), 5, d.Nums.begin());
    d.SetDateText(DateToText(date));
    date += i % 2 == 0 ? 3 : 4;  // Wednesday, Saturday
    a.Append(d);
  }
  return a;
}

void BM_LayoutWithCompare(benchmark::State& state) {
  const TDrawsArchive a = RandomArchive(1000);
  for (auto _ : state) {
    TTextGrid grid = BuildLayoutGrid(a, 1000, a.HiddenDrawSet());
    benchmark::DoNotOptimize(grid);
    for (int len : {50, 100, 200, 300, 400}) {
      TCompareTable t = BuildCompareTable(a, len);
      benchmark::DoNotOptimize(t);
    }
  }
}
BENCHMARK(BM_LayoutWithCompare)->Unit(benchmark::kMicrosecond);

// The straightforward layout: linear searches in the array and in the texts.
TShemaArray ReferenceShema(const TDrawsArchive& a, int newest, int oldest) {
  TShemaArray rows;
  for (int i = newest; i >= oldest; --i)
    for (uint8_t n : a.Stored(i).Nums) {
      if (n < 1 || n > 45) continue;
      auto it = std::find_if(rows.begin(), rows.end(), [n](const TShemaRow& r) { return r.Number == n; });
      if (it != rows.end()) ++it->Count;
      else rows.push_back({n, 1, a.Stored(i).Number});
    }
  return rows;
}

void BM_LayoutWithCompareReference(benchmark::State& state) {
  const TDrawsArchive a = RandomArchive(1000);
  for (auto _ : state) {
    const int end = a.AnalysisEnd();
    const TShemaArray shema = ReferenceShema(a, end, std::max(0, end - 999));
    std::vector<std::string> counts, draws;
    for (const auto& r : shema) {
      if (std::find(counts.begin(), counts.end(), std::to_string(r.Count)) == counts.end())
        counts.push_back(std::to_string(r.Count));
      if (std::find(draws.begin(), draws.end(), std::to_string(r.NewestDraw)) == draws.end())
        draws.push_back(std::to_string(r.NewestDraw));
    }
    auto byValue = [](const std::string& x, const std::string& y) { return std::stoi(x) > std::stoi(y); };
    std::sort(counts.begin(), counts.end(), byValue);
    std::sort(draws.begin(), draws.end(), byValue);
    std::vector<std::vector<std::string>> cells(counts.size() + 1, std::vector<std::string>(draws.size() + 1));
    for (const auto& r : shema) {
      const size_t row = size_t(std::find(counts.begin(), counts.end(), std::to_string(r.Count)) - counts.begin()) + 1;
      const size_t col =
          size_t(std::find(draws.begin(), draws.end(), std::to_string(r.NewestDraw)) - draws.begin()) + 1;
      std::string& cell = cells[row][col];
      if (!cell.empty()) cell += ", ";
      cell += std::to_string(r.Number);
    }
    benchmark::DoNotOptimize(cells);
    for (int len : {50, 100, 200, 300, 400}) {
      std::vector<std::array<std::string, 2>> rows;
      for (const auto& r : ReferenceShema(a, end, std::max(0, end - len + 1))) {
        auto it =
            std::find_if(rows.begin(), rows.end(), [&](const auto& x) { return x[0] == std::to_string(r.Count); });
        if (it == rows.end()) rows.push_back({std::to_string(r.Count), std::to_string(r.Number)});
        else (*it)[1] += ", " + std::to_string(r.Number);
      }
      benchmark::DoNotOptimize(rows);
    }
  }
}
BENCHMARK(BM_LayoutWithCompareReference)->Unit(benchmark::kMicrosecond);

void BM_WeekCounts(benchmark::State& state) {
  const TDrawsArchive a = RandomArchive(1000);
  for (auto _ : state) {
    TWeekCounts w = CountWeekdays(a, 1000);
    benchmark::DoNotOptimize(w);
  }
}
BENCHMARK(BM_WeekCounts)->Unit(benchmark::kMicrosecond);

void BM_WeekCountsReference(benchmark::State& state) {
  const TDrawsArchive a = RandomArchive(1000);
  for (auto _ : state) {
    TWeekCounts w;
    for (int n = 1; n <= 45; ++n)
      for (int d = 1; d <= 7; ++d)
        for (int i = 0; i < a.Count(); ++i)
          if (DrawWeekday(a.Stored(i)) == d && CardHolds(a.Stored(i), n)) ++w.Counts[size_t(n)][size_t(d)];
    benchmark::DoNotOptimize(w);
  }
}
BENCHMARK(BM_WeekCountsReference)->Unit(benchmark::kMillisecond)->Iterations(2);

void BM_CardAllCells(benchmark::State& state) {
  const TDrawsArchive a = RandomArchive(10000);
  const TCardOptions options{true, true, 5};
  for (auto _ : state) {
    size_t chars = 0, colored = 0;
    for (int r = 0; r < CardRowCount(a); ++r)
      for (int c = 0; c < CardColumnCount; ++c) {
        chars += CardCellText(a, r, c).size();
        colored += CardCellColor(a, r, c, options).has_value();
      }
    benchmark::DoNotOptimize(chars);
    benchmark::DoNotOptimize(colored);
  }
}
BENCHMARK(BM_CardAllCells)->Unit(benchmark::kMillisecond);

void BM_CardFillReference(benchmark::State& state) {
  const TDrawsArchive a = RandomArchive(10000);
  for (auto _ : state) {
    const int rows = a.Count() + 1;
    std::vector<std::vector<std::string>> grid(size_t(rows), std::vector<std::string>(46));
    for (int c = 1; c <= 45; ++c) grid[0][size_t(c)] = std::to_string(c);
    for (int r = 1; r < rows; ++r) {
      const TDraw& d = a.Stored(a.High() - r + 1);
      grid[size_t(r)][0] = std::to_string(d.Number);
      for (uint8_t n : d.Nums)
        if (n >= 1 && n <= 45) grid[size_t(r)][n] = std::to_string(n);
    }
    size_t colored = 0;
    for (int r = 1; r < rows; ++r)
      for (int c = 1; c <= 45; ++c) {
        const std::string& t = grid[size_t(r)][size_t(c)];
        if (t.empty()) continue;
        const bool repeat =
            (r > 1 && grid[size_t(r - 1)][size_t(c)] == t) || (r + 1 < rows && grid[size_t(r + 1)][size_t(c)] == t);
        const bool neighbour =
            (c > 1 && !grid[size_t(r)][size_t(c - 1)].empty()) || (c < 45 && !grid[size_t(r)][size_t(c + 1)].empty());
        colored += repeat || neighbour;
      }
    benchmark::DoNotOptimize(colored);
  }
}
BENCHMARK(BM_CardFillReference)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace kivra

BENCHMARK_MAIN();
