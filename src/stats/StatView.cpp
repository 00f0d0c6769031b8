#include "stats/StatView.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <unordered_map>

#include "core/SysFormat.h"
#include "core/TextCodec.h"
#include "stats/StatPasses.h"

namespace kivra {

const std::array<std::string_view, StatColumnCount> StatColumnCaptions = {
    "Значение",    "Количество", "Кол-во в %",  "Норма",      "Отклонение", "Откл-ие в %", "Глубина",
    "Глубина в %", "Вес",        "Посл. тираж", "Период min", "Период",     "Период max",  "Ожд. ПРД",
    "Ожд. СТФ",    "Ожд. КРН",   "Факт",        "+/- ПРД",    "+/- СТФ",    "+/- КРН"};

namespace {

constexpr std::string_view NoValue = "-";

// Rounds to the nearest integer, halves to the even neighbour.
int64_t RoundHalfEven(long double v) { return static_cast<int64_t>(std::llrintl(v)); }

// The text folded for a comparison without regard to letter case: cp1251 bytes with the Latin and
// Cyrillic capitals made small.
std::string FoldedText(std::string_view text) {
  std::string s = Utf8ToCp1251(text);
  for (char& ch : s) {
    auto c = static_cast<unsigned char>(ch);
    if (c >= 'A' && c <= 'Z') c = static_cast<unsigned char>(c + 32);
    else if (c >= 0xC0 && c <= 0xDF) c = static_cast<unsigned char>(c + 32);
    else if (c == 0xA8) c = 0xB8;  // Ё
    ch = static_cast<char>(c);
  }
  return s;
}

// The difference column: forecast minus actual, "+d" when positive.
std::string DiffCell(const std::string& forecast, int32_t actual) {
  if (actual < 0 || forecast == NoValue) return std::string(NoValue);
  const int64_t d = std::stoll(forecast) - actual;
  std::string text = std::to_string(d);
  if (d > 0) text.insert(text.begin(), '+');
  return text;
}

// Key -> first index of the records with that key, and the chain to the next one with the same key.
class TKeyIndex {
 public:
  explicit TKeyIndex(const TStatDrawArray& values) : next_(values.size(), -1) {
    first_.reserve(values.size() * 2);
    for (size_t i = values.size(); i-- > 0;) {
      auto [it, inserted] = first_.try_emplace(values[i].Key.Raw(), static_cast<int>(i));
      if (!inserted) {
        next_[i] = it->second;
        it->second = static_cast<int>(i);
      }
    }
  }
  int Find(TStatKey key) const {
    const auto it = first_.find(key.Raw());
    return it == first_.end() ? -1 : it->second;
  }
  int Next(int i) const { return next_[i]; }

 private:
  std::unordered_map<uint64_t, int> first_;
  std::vector<int> next_;
};

bool WorkIsZero(const TStatWork& work) {
  return std::all_of(work.begin(), work.end(), [](uint8_t b) { return b == 0; });
}

}  // namespace

bool StatCellNumber(std::string_view cell, long double& value) { return TextToFloat(cell, value); }

namespace {

// A cell prepared for comparisons: its number when it reads as one, its folded text otherwise.
struct TCellKey {
  long double Number = 0;  // declared first: the number is read while IsNumber is set
  bool IsNumber;
  bool IsPlaceholder;
  std::string Folded;

  explicit TCellKey(std::string_view cell)
      : Number(0), IsNumber(StatCellNumber(cell, Number)), IsPlaceholder(cell == NoValue), Folded(FoldedText(cell)) {}
};

int CompareFolded(const std::string& a, const std::string& b) {
  const int c = a.compare(b);  // char_traits<char> compares as unsigned bytes
  return c < 0 ? -1 : (c > 0 ? 1 : 0);
}

int CompareKeys(const TCellKey& a, const TCellKey& b) {
  if (a.IsNumber && b.IsNumber) return a.Number < b.Number ? -1 : (a.Number > b.Number ? 1 : 0);
  if (b.IsNumber && a.IsPlaceholder) return -1;
  if (a.IsNumber && b.IsPlaceholder) return 1;
  return CompareFolded(a.Folded, b.Folded);
}

}  // namespace

int CompareStatCells(std::string_view a, std::string_view b) { return CompareKeys(TCellKey(a), TCellKey(b)); }

std::vector<int32_t> FindNextDraws(TCustomStat& stat, const TDrawsArchive& archive, const TStatDrawArray& values,
                                   int refIndex, bool sorted) {
  std::vector<int32_t> result(values.size(), -1);
  std::vector<int> from(values.size(), 0);
  std::vector<size_t> open;  // records still looked for
  const int high = archive.High();
  for (size_t i = 0; i < values.size(); ++i) {
    if (values[i].Depth == 0) continue;
    from[i] = std::max(0, 1 + archive.FindDrawIndex(values[i].LastDraw));
    if (from[i] <= high) open.push_back(i);
  }
  if (open.empty()) return result;

  // Each record's search starts at its own draw with a cleared Work block. As long as the
  // statistic leaves the Work block cleared, a draw's values do not depend on where a search
  // started, so one walk from the earliest start answers every record. A statistic that keeps
  // state in the block gets one walk per distinct start.
  const TKeyIndex index(values);
  auto walk = [&](int start, std::vector<size_t>& wanted, bool requireCleanWork) {
    size_t left = wanted.size();
    std::vector<char> want(values.size(), 0);
    for (size_t i : wanted) want[i] = 1;
    TStatWork work{};
    TStatDrawArray drawVals;
    TLastValueArray lastSeen;
    for (int d = start; d <= high && left > 0; ++d) {
      drawVals.clear();
      lastSeen.clear();
      stat.DrawValues(d, refIndex, sorted, drawVals, work, lastSeen);
      if (requireCleanWork && !WorkIsZero(work)) return false;
      for (const auto& e : drawVals)
        for (int r = index.Find(e.Key); r >= 0; r = index.Next(r))
          if (want[r] && from[r] <= d) {
            want[r] = 0;
            result[r] = e.LastDraw;
            --left;
          }
    }
    return true;
  };

  int start = high + 1;
  for (size_t i : open) start = std::min(start, from[i]);
  if (walk(start, open, true)) return result;

  std::fill(result.begin(), result.end(), -1);
  std::sort(open.begin(), open.end(), [&](size_t a, size_t b) { return from[a] < from[b]; });
  for (size_t k = 0; k < open.size();) {
    size_t e = k;
    std::vector<size_t> group;
    while (e < open.size() && from[open[e]] == from[open[k]]) group.push_back(open[e++]);
    walk(from[open[k]], group, false);
    k = e;
  }
  return result;
}

void TStatView::Clear() {
  rows_.clear();
  series_.clear();
  comparison_ = false;
  scale_ = 0;
  first_ = 0;
  last_ = -1;
  n_ = 0;
  aggregate_ = {};
}

// The rows of a large table share few counts, depths and periods: each value is written once per
// template.
class TStatView::TFixedTexts {
 public:
  const std::string& operator()(std::string_view templ, long double v) {
    TKey key{};
    std::memcpy(key.Value, &v, ValueBytes);
    std::memcpy(&key.Templ, templ.data(), std::min(templ.size(), sizeof key.Templ));
    const auto [it, added] = texts_.try_emplace(key);
    if (added) it->second = SysFormat(templ, {v});
    return it->second;
  }

 private:
  // The bytes that hold the value (x87 extended precision: ten, the rest is padding) and the
  // template ("%.5f" and the like).
  static constexpr size_t ValueBytes = std::numeric_limits<long double>::digits == 64 ? 10 : sizeof(long double);
  static_assert(ValueBytes <= 16);
  struct TKey {
    uint64_t Value[2];
    uint64_t Templ;
    bool operator==(const TKey&) const = default;
  };
  struct THash {
    size_t operator()(const TKey& k) const {
      uint64_t h = (k.Value[0] ^ k.Templ) * 0x9E3779B97F4A7C15ULL ^ k.Value[1] * 0xC2B2AE3D27D4EB4FULL;
      return static_cast<size_t>(h ^ (h >> 29));
    }
  };
  std::unordered_map<TKey, std::string, THash> texts_;
};

void TStatView::Compute(TCustomStat& stat, const TDrawsArchive& archive, const TStatViewParams& params,
                        const TCacheData* cache) {
  Clear();
  last_ = archive.High() - params.Offset;
  first_ = std::max(0, last_ - std::max(params.WindowLength, 1) + 1);
  n_ = std::max(0, last_ - first_ + 1);

  TStatDrawArray values = ComputeWindow(stat, first_, last_, params.Sorted);
  aggregate_ = AggregateStats(values);

  if (cache && cache->MaxCount != 0) {
    comparison_ = true;
    const long double fileMax = cache->MaxCount;
    if (cache->MinCount == cache->MaxCount)
      scale_ = ((static_cast<long double>(aggregate_.MinCount) + aggregate_.MaxCount) / 2) / fileMax;
    else scale_ = static_cast<long double>(aggregate_.MaxCount) / fileMax;
    const TKeyIndex index(values);
    for (const auto& rec : cache->Records)
      for (int r = index.Find(rec.Key); r >= 0; r = index.Next(r))
        values[r].Norm = static_cast<int32_t>(RoundHalfEven(rec.Count * scale_));
  }

  const std::vector<int32_t> actual = FindNextDraws(stat, archive, values, last_, params.Sorted);
  rows_.resize(values.size());
  TFixedTexts fixed;
  for (size_t i = 0; i < values.size(); ++i) {
    rows_[i].Rec = values[i];
    FillRow(rows_[i], stat, actual[i], params.Coefs, fixed);
  }
  BuildChart(stat, values, params, cache);
  SortRows();
}

void TStatView::FillRow(TStatRow& row, const TCustomStat& stat, int32_t actual, const TCDLCoefs& coefs,
                        TFixedTexts& fixed) const {
  const TStatDrawRec& r = row.Rec;
  auto& c = row.Cells;
  const std::string none(NoValue);
  c.fill(none);
  const long double total = static_cast<long double>(aggregate_.Total);
  c[ColValue] = stat.ValueCaption(r);
  c[ColCount] = std::to_string(r.Count);
  if (aggregate_.Total != 0) c[ColCountPct] = fixed("%.5f", r.Count * 100.0L / total);
  if (comparison_) {
    c[ColNorm] = std::to_string(r.Norm);
    c[ColDeviation] = std::to_string(int64_t{r.Count} - r.Norm);
    const long double pct =
        r.Norm != 0 ? (static_cast<long double>(r.Count) - r.Norm) * 100 / r.Norm : (r.Count == 0 ? 0.0L : 100.0L);
    c[ColDeviationPct] = fixed("%.5f", pct);
  }
  if (r.Depth == 0) return;

  c[ColDepth] = std::to_string(r.Depth);
  if (aggregate_.MaxDepth != 0) c[ColDepthPct] = fixed("%.2f", r.Depth * 100.0L / aggregate_.MaxDepth);

  long double x1, x2, x3;
  if (coefs.UsePercents) {
    x1 = aggregate_.Total != 0 ? r.Count * 100.0L / total : 0;
    x2 = comparison_ && r.Norm != 0 ? (static_cast<long double>(r.Count) - r.Norm) * 100 / r.Norm : 0;
    x3 = aggregate_.MaxDepth != 0 ? r.Depth * 100.0L / aggregate_.MaxDepth : 0;
  } else {
    x1 = r.Count;
    x2 = comparison_ ? static_cast<long double>(r.Count) - r.Norm : 0;
    x3 = r.Depth;
  }
  if (coefs.UseAbsValues) {
    x1 = std::fabs(x1);
    x2 = std::fabs(x2);
    x3 = std::fabs(x3);
  }
  c[ColWeight] = fixed("%.2f", coefs.Count * x1 + coefs.Deviation * x2 + coefs.Level * x3);
  c[ColLastDraw] = std::to_string(r.LastDraw);

  const int64_t count = r.Count, last = r.LastDraw;
  if (count != 1) {
    c[ColMinPeriod] = std::to_string(r.MinPeriod);
    c[ColMaxPeriod] = std::to_string(r.MaxPeriod);
    if (count != 0) {
      c[ColPeriod] = fixed("%.4f", static_cast<long double>(n_) / count);
      c[ColForecastPrd] = std::to_string(RoundHalfEven(static_cast<long double>(n_) / count + last));
    }
  }
  if (count != 0)
    c[ColForecastStf] = std::to_string(RoundHalfEven(static_cast<long double>((count + 1) * last) / count));
  c[ColForecastKrn] = std::to_string(RoundHalfEven(static_cast<long double>((count + 2) * (last + 1)) / (count + 1)));

  if (actual >= 0) c[ColActual] = std::to_string(actual);
  c[ColDiffPrd] = DiffCell(c[ColForecastPrd], actual);
  c[ColDiffStf] = DiffCell(c[ColForecastStf], actual);
  c[ColDiffKrn] = DiffCell(c[ColForecastKrn], actual);
}

void TStatView::BuildChart(const TCustomStat& stat, const TStatDrawArray& values, const TStatViewParams& params,
                           const TCacheData* cache) {
  if (values.size() <= 1) return;
  TChartSeries actual;
  actual.Title = ActualSeriesTitle;
  actual.Color = {0, 128, 0};
  actual.LineWidth = 2;
  actual.PointMarks = true;
  actual.PointSize = 2;
  actual.PointOutline = {255, 0, 255};
  if (comparison_) {
    const bool ideal = params.IdealLine;
    TChartSeries total;
    total.Title = IdealSeriesTitle;
    total.Color = {255, 0, 0};
    const TKeyIndex index(values);
    for (size_t x = 0; x < cache->Records.size(); ++x) {
      const TCacheRecord& rec = cache->Records[x];
      const int r = index.Find(rec.Key);
      if (!ideal && r < 0) continue;
      const std::string label = r >= 0 ? stat.ValueCaption(values[r]) : stat.ValueCaption(TStatDrawRec{.Key = rec.Key});
      const long double px = static_cast<long double>(x + 1);
      if (ideal) total.Points.push_back({px, rec.Count * scale_, label});
      if (r >= 0) actual.Points.push_back({px, static_cast<long double>(values[r].Count), label});
    }
    series_.push_back(std::move(actual));
    if (ideal) series_.push_back(std::move(total));
  } else {
    TStatDrawArray sorted = values;
    SortStatValues(sorted);
    for (size_t x = 0; x < sorted.size(); ++x)
      actual.Points.push_back(
          {static_cast<long double>(x + 1), static_cast<long double>(sorted[x].Count), stat.ValueCaption(sorted[x])});
    series_.push_back(std::move(actual));
  }
}

void TStatView::SetSort(int column, bool descending) {
  if (column >= 0 && column <= ColInList) sortColumn_ = column;
  sortDescending_ = descending;
  SortRows();
}

void TStatView::ClickColumn(int column) {
  if (column < 0 || column > ColInList) return;
  SetSort(column, column == sortColumn_ ? !sortDescending_ : false);
}

void TStatView::SetInList(std::span<const uint32_t> counts) {
  for (size_t i = 0; i < rows_.size(); ++i) rows_[i].InList = i < counts.size() ? std::to_string(counts[i]) : "";
  if (sortColumn_ == ColInList) SortRows();
}

void TStatView::SortRows() {
  const int col = sortColumn_;
  const bool desc = sortDescending_;
  struct TSortItem {
    TCellKey Cell;
    std::string Caption;  // folded "Значение", the tie-break
    size_t Row;
  };
  std::vector<TSortItem> items;
  items.reserve(rows_.size());
  for (size_t i = 0; i < rows_.size(); ++i)
    items.push_back(
        {TCellKey(col == ColInList ? rows_[i].InList : rows_[i].Cells[col]), FoldedText(rows_[i].Cells[ColValue]), i});
  std::stable_sort(items.begin(), items.end(), [desc](const TSortItem& a, const TSortItem& b) {
    int c = CompareKeys(a.Cell, b.Cell);
    if (c == 0) c = CompareFolded(a.Caption, b.Caption);
    return desc ? c > 0 : c < 0;
  });
  std::vector<TStatRow> sorted;
  sorted.reserve(rows_.size());
  for (auto& item : items) sorted.push_back(std::move(rows_[item.Row]));
  rows_ = std::move(sorted);
}

namespace {

// Selected positions in row order, each once, those past the end left out.
std::vector<size_t> SelectionInRowOrder(std::span<const size_t> rows, size_t count) {
  std::vector<size_t> s;
  for (size_t r : rows)
    if (r < count) s.push_back(r);
  std::sort(s.begin(), s.end());
  s.erase(std::unique(s.begin(), s.end()), s.end());
  return s;
}

}  // namespace

TStatDrawArray TStatView::SelectedValues(std::span<const size_t> rows) const {
  TStatDrawArray values;
  for (size_t r : SelectionInRowOrder(rows, rows_.size())) values.push_back(rows_[r].Rec);
  return values;
}

std::string TStatView::SelectedText(std::span<const size_t> rows) const {
  std::string text;
  for (size_t r : SelectionInRowOrder(rows, rows_.size())) {
    if (!text.empty()) text += "; ";
    text += rows_[r].Cells[ColValue];
  }
  return text;
}

}  // namespace kivra
