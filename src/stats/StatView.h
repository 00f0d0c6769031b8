// The statistics table: the distribution of a statistic's values over the latest draws, with
// shares, the expected counts from the full-set file, depth, weight, periods, three forecasts of
// the next occurrence and the draw where the value actually came next; the chart series of the
// counts; the sort order of the rows and the key that lets an unforced refresh skip the work.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "core/Config.h"
#include "core/DrawsArchive.h"
#include "core/ChartData.h"
#include "stats/CustomStat.h"
#include "stats/StatCache.h"

namespace kivra {

inline constexpr int StatColumnCount = 20;
enum TStatColumn : int {
  ColValue = 0,
  ColCount,
  ColCountPct,
  ColNorm,
  ColDeviation,
  ColDeviationPct,
  ColDepth,
  ColDepthPct,
  ColWeight,
  ColLastDraw,
  ColMinPeriod,
  ColPeriod,
  ColMaxPeriod,
  ColForecastPrd,
  ColForecastStf,
  ColForecastKrn,
  ColActual,
  ColDiffPrd,
  ColDiffStf,
  ColDiffKrn,
};
extern const std::array<std::string_view, StatColumnCount> StatColumnCaptions;

// The column the window may show after "Значение": how many combinations of the list a keep by the
// row would leave. It is no column of the table's texts (files and exports never see it); it sorts
// as the column after the last.
inline constexpr int ColInList = StatColumnCount;
inline constexpr std::string_view InListCaption = "В списке";

// One row of the table with its own copy of the value record (the filter reads the keys from it).
struct TStatRow {
  TStatDrawRec Rec;
  std::array<std::string, StatColumnCount> Cells;
  std::string InList;  // the count of column ColInList; empty while not computed
};

inline constexpr std::string_view ActualSeriesTitle = "Фактические данные";
inline constexpr std::string_view IdealSeriesTitle = "Все возможные комбинации";

// What a computation depends on for the unforced refresh.
struct TStatViewKey {
  int ArchiveCount = 0;
  int Offset = 0;
  int WindowLength = 0;
  int Item = -1;  // the selected registry entry
  bool operator==(const TStatViewKey&) const = default;
};

struct TStatViewParams {
  int Offset = 0;           // draws hidden from analysis
  int WindowLength = 1000;  // at least 1
  bool Sorted = false;      // draws read with their numbers in ascending order
  bool IdealLine = false;   // the full-set series on the chart (only with the comparison)
  TCDLCoefs Coefs = {};
};

// A cell text read as a number ("," and "." both read as the decimal point); false when it is not one.
bool StatCellNumber(std::string_view cell, long double& value);
// The order of two cells: as numbers when both are numbers, else as texts without regard to
// letter case; the placeholder "-" comes before every number. <0, 0, >0.
int CompareStatCells(std::string_view a, std::string_view b);

class TStatView {
 public:
  // Computes the table of `stat` over the window that ends `params.Offset` draws before the newest
  // (the statistic must read the same archive). `cache` is the full-set file of the statistic's
  // entry, or null for no comparison. The rows are sorted by the current sort column afterwards.
  void Compute(TCustomStat& stat, const TDrawsArchive& archive, const TStatViewParams& params, const TCacheData* cache);
  // No rows, no chart (the key stays).
  void Clear();

  const std::vector<TStatRow>& Rows() const { return rows_; }
  const std::vector<TChartSeries>& Series() const { return series_; }
  bool ComparisonActive() const { return comparison_; }
  int First() const { return first_; }
  int Last() const { return last_; }
  int DrawCount() const { return n_; }  // N, the draws analysed
  const TStatAggregate& Aggregate() const { return aggregate_; }
  long double Scale() const { return scale_; }  // R of the comparison

  // Sorting: the column stays across computations (initially "Количество", ascending); ColInList
  // sorts by the rows' InList texts.
  int SortColumn() const { return sortColumn_; }
  bool SortDescending() const { return sortDescending_; }
  void SetSort(int column, bool descending);
  // A click on a column header: ascending by a new column, the order reversed on the same one.
  void ClickColumn(int column);
  void SortRows();

  // The counts of column ColInList in row order (display order; missing counts read as none), the
  // rows sorted again when the table is sorted by that column. Empty: the column cleared.
  void SetInList(std::span<const uint32_t> counts);

  // The selected rows (positions in display order; out-of-range ones skipped) as the filter reads
  // them: the record copies in row order, and their captions joined by "; ".
  TStatDrawArray SelectedValues(std::span<const size_t> rows) const;
  std::string SelectedText(std::span<const size_t> rows) const;

  // Unforced refreshes compute only when the key differs from the last computation's.
  bool NeedsCompute(const TStatViewKey& key, bool force) const { return force || !lastKey_ || *lastKey_ != key; }
  void SetLastKey(const TStatViewKey& key) { lastKey_ = key; }
  void ResetKey() { lastKey_.reset(); }

 private:
  class TFixedTexts;  // the fixed-notation texts of one computation
  void FillRow(TStatRow& row, const TCustomStat& stat, int32_t actual, const TCDLCoefs& coefs,
               TFixedTexts& fixed) const;
  void BuildChart(const TCustomStat& stat, const TStatDrawArray& values, const TStatViewParams& params,
                  const TCacheData* cache);

  std::vector<TStatRow> rows_;
  std::vector<TChartSeries> series_;
  bool comparison_ = false;
  long double scale_ = 0;
  int first_ = 0, last_ = -1, n_ = 0;
  TStatAggregate aggregate_;
  int sortColumn_ = ColCount;
  bool sortDescending_ = false;
  std::optional<TStatViewKey> lastKey_;
};

// For each record of a window distribution, the number of the first draw after its LastDraw (to
// the end of the archive, hidden draws included) that shows its value, or -1; -1 for records
// that never occurred. Equal to FindNextDraw(record, 1 + index of LastDraw, refIndex, sorted) for
// each record, with the draws shared between the records' searches.
std::vector<int32_t> FindNextDraws(TCustomStat& stat, const TDrawsArchive& archive, const TStatDrawArray& values,
                                   int refIndex, bool sorted);

}  // namespace kivra
