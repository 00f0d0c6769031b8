#include "views/LayoutView.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <string>

namespace kivra {

std::optional<TViewWindow> ViewWindow(const TDrawsArchive& archive, int length) {
  if (archive.Empty()) return std::nullopt;
  const int newest = archive.AnalysisEnd();
  const int64_t oldest = int64_t{newest} - std::max(length, 1) + 1;
  return TViewWindow{newest, static_cast<int>(std::max<int64_t>(0, oldest))};
}

TShemaArray BuildShemaArray(const TDrawsArchive& archive, const TViewWindow& window) {
  TShemaArray rows;
  std::array<int, MaxNumber + 1> rowOf;
  rowOf.fill(-1);
  for (int i = window.Newest; i >= window.Oldest; --i) {
    const TDraw& d = archive.Stored(i);
    for (uint8_t n : d.Nums) {
      if (n < 1 || n > MaxNumber) continue;
      if (rowOf[n] >= 0) {
        ++rows[size_t(rowOf[n])].Count;
      } else {
        rowOf[n] = static_cast<int>(rows.size());
        rows.push_back({n, 1, d.Number});
      }
    }
  }
  return rows;
}

TTextGrid BuildLayoutGrid(const TDrawsArchive& archive, int length, const TNumSet& hidden) {
  const auto window = ViewWindow(archive, length);
  if (!window) return TTextGrid(2, 2);
  const TShemaArray shema = BuildShemaArray(archive, *window);
  if (shema.empty()) return TTextGrid(2, 2);
  std::vector<int32_t> counts, draws;
  for (const TShemaRow& r : shema) {
    counts.push_back(r.Count);
    draws.push_back(r.NewestDraw);
  }
  for (auto* values : {&counts, &draws}) {
    std::sort(values->begin(), values->end(), std::greater<>());
    values->erase(std::unique(values->begin(), values->end()), values->end());
  }
  TTextGrid grid(static_cast<int>(counts.size()) + 1, static_cast<int>(draws.size()) + 1);
  for (size_t r = 0; r < counts.size(); ++r) grid.At(int(r) + 1, 0) = std::to_string(counts[r]);
  for (size_t c = 0; c < draws.size(); ++c) grid.At(0, int(c) + 1) = std::to_string(draws[c]);
  auto indexOf = [](const std::vector<int32_t>& values, int32_t v) {
    return static_cast<int>(std::lower_bound(values.begin(), values.end(), v, std::greater<>()) - values.begin()) + 1;
  };
  for (const TShemaRow& r : shema) {
    std::string& cell = grid.At(indexOf(counts, r.Count), indexOf(draws, r.NewestDraw));
    if (!cell.empty()) cell += ", ";
    const std::string n = std::to_string(r.Number);
    cell += hidden.Contains(static_cast<uint8_t>(r.Number)) ? "[" + n + "]" : n;
  }
  return grid;
}

uint32_t LayoutGradientColor(int row, int column, int rows, int columns) {
  rows = std::max(rows, 1);
  columns = std::max(columns, 1);
  auto part = [](int64_t base, int64_t sign, int64_t index, int64_t total) {
    return static_cast<uint32_t>(std::clamp<int64_t>(RoundHalfEven(base * total + sign * 155 * index, total), 0, 255));
  };
  return part(255, -1, row, rows) << 16 | part(255, -1, column, columns) << 8 | part(100, 1, row, rows);
}

uint32_t LayoutCheckerColor(int row, int column) {
  auto marked = [](int i) { return i >= 1 && i <= 95 && ((i - 1) / 5) % 2 == 0; };
  return marked(row) != marked(column) ? 0xFFEAEA : 0xEAFFEA;
}

TCellColor LayoutCellColor(const TTextGrid& grid, int row, int column, bool gradient) {
  if (row < 1 || column < 1 || row >= grid.Rows || column >= grid.Columns) return std::nullopt;
  if (grid.At(row, column).find('[') != std::string::npos) return RgbLime;
  return gradient ? LayoutGradientColor(row, column, grid.Rows, grid.Columns) : LayoutCheckerColor(row, column);
}

TCompareTable BuildCompareTable(const TDrawsArchive& archive, int length) {
  TCompareTable table;
  const auto window = ViewWindow(archive, length);
  if (!window) return table;
  table.Caption = std::to_string(archive.Stored(window->Oldest).Number) + " - " +
                  std::to_string(archive.Stored(window->Newest).Number);
  std::vector<int32_t> rowCounts;
  for (const TShemaRow& r : BuildShemaArray(archive, *window)) {
    const auto it = std::find(rowCounts.begin(), rowCounts.end(), r.Count);
    const std::string n = std::to_string(r.Number);
    if (it == rowCounts.end()) {
      rowCounts.push_back(r.Count);
      table.Rows.push_back({std::to_string(r.Count), n});
    } else {
      auto& cell = table.Rows[size_t(it - rowCounts.begin())][1];
      cell += ", ";
      cell += n;
    }
  }
  return table;
}

namespace {

// The whole text as a decimal number, "," read as the point.
bool ReadNumber(std::string_view text, double& value) {
  if (text.empty() || text.size() > 64) return false;
  std::string s(text);
  std::replace(s.begin(), s.end(), ',', '.');
  // Only plain decimal forms: no blanks, no hexadecimal, no "inf"/"nan".
  for (char c : s)
    if (!(std::isdigit(static_cast<unsigned char>(c)) || c == '.' || c == '-' || c == '+' || c == 'e' || c == 'E'))
      return false;
  char* end = nullptr;
  value = std::strtod(s.c_str(), &end);
  return end == s.c_str() + s.size();
}

int CompareTextNoCase(std::string_view a, std::string_view b) {
  const size_t n = std::min(a.size(), b.size());
  for (size_t i = 0; i < n; ++i) {
    const int x = std::tolower(static_cast<unsigned char>(a[i]));
    const int y = std::tolower(static_cast<unsigned char>(b[i]));
    if (x != y) return x < y ? -1 : 1;
  }
  return a.size() < b.size() ? -1 : a.size() > b.size() ? 1 : 0;
}

}  // namespace

int CompareCells(std::string_view a, std::string_view b) {
  double x = 0, y = 0;
  if (ReadNumber(a, x) && ReadNumber(b, y)) return x < y ? -1 : x > y ? 1 : 0;
  return CompareTextNoCase(a, b);
}

void SortCompareTable(TCompareTable& table, int column, bool descending) {
  if (column < 0 || column > 1) return;
  // Insertion sort: stable, and well defined even where mixed number and text cells make the
  // comparison intransitive (the tables hold at most 45 rows).
  auto& rows = table.Rows;
  for (size_t i = 1; i < rows.size(); ++i) {
    auto row = std::move(rows[i]);
    size_t j = i;
    while (j > 0) {
      const int c = CompareCells(row[size_t(column)], rows[j - 1][size_t(column)]);
      if (!(descending ? c > 0 : c < 0)) break;
      rows[j] = std::move(rows[j - 1]);
      --j;
    }
    rows[j] = std::move(row);
  }
}

}  // namespace kivra
