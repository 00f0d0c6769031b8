// The analysis views' state: the switches and window lengths of the card, layout and week tabs
// (window-settings keys of "TFormMain"), the tables they computed last and the inputs of those
// computations, so that an unforced refresh computes only when its inputs changed. A hidden tab
// computes nothing and keeps what it shows.
#pragma once

#include <array>

#include "core/ChartData.h"
#include "core/Config.h"
#include "core/DrawsArchive.h"
#include "core/UserPort.h"
#include "core/WindowSettings.h"
#include "views/CardView.h"
#include "views/LayoutView.h"
#include "views/WeekView.h"

namespace kivra {

enum class TViewTab { Card, Layout, Week };

class TViewsState {
 public:
  TViewsState(TUserPort& port, const TDrawsArchive& archive, const TConfiguration& config, TWindowSettings& settings);
  TViewsState(const TViewsState&) = delete;
  TViewsState& operator=(const TViewsState&) = delete;

  // Reads every key at start-up and forgets the last computations' inputs.
  void LoadSettings();
  // The window lengths, written at closing ("LayoutLen", "LayoutCompareLen1".."5", "WeekLen").
  void SaveSettings();
  // Forgets the inputs of the last computations, so that the next refresh computes.
  void ResetKeys();

  // --- Switches: each written at once ---

  bool TabShown(TViewTab tab) const { return shown_[size_t(tab)]; }
  // "TabCard", "TabLayout", "TabWeek".
  void SetTabShown(TViewTab tab, bool shown, bool store = true);
  bool ColorCard() const { return colorCard_; }
  void SetColorCard(bool on, bool store = true);
  bool ColorCardSequences() const { return colorSequences_; }
  void SetColorCardSequences(bool on, bool store = true);
  bool LayoutGradient() const { return gradient_; }
  void SetLayoutGradient(bool on, bool store = true);
  int WeekChartMode() const { return weekChartMode_; }  // 0: a weekday across the numbers; 1: a number
  void SetWeekChartMode(int mode, bool store = true);
  bool WeekChartLine() const { return weekChartLine_; }  // "WeekChartType": line instead of bars
  void SetWeekChartLine(bool on, bool store = true);

  // --- Window lengths (1 and more) ---

  int LayoutLength() const { return layoutLen_; }
  void SetLayoutLength(int length) { layoutLen_ = std::max(length, 1); }
  int CompareLength(int table) const { return compareLen_[size_t(table)]; }
  void SetCompareLength(int table, int length) { compareLen_[size_t(table)] = std::max(length, 1); }
  int WeekLength() const { return weekLen_; }
  void SetWeekLength(int length) { weekLen_ = std::max(length, 1); }

  // --- The card: read on demand from the archive ---

  TCardOptions CardOptions() const;
  int CardRows() const { return cardRows_; }
  // Nothing while the tab is hidden; unforced, nothing when the grid already has the archive's
  // rows. True when the row count was set (the grid must be laid out again).
  bool RefreshCard(bool force);

  // --- The layout ---

  const TTextGrid& LayoutGrid() const { return layout_; }
  // Nothing while hidden; unforced, nothing when the archive count, the offset and the length are
  // those of the last build. True when it built.
  bool RefreshLayout(bool force);
  const std::array<TCompareTable, CompareTableCount>& CompareTables() const { return compare_; }
  // Nothing while hidden; unforced, nothing when the archive count and the offset are those of the
  // last build. True when it built (the tables are in their first-met order).
  bool RefreshLayoutCompare(bool force);
  // A header click on a compare table: its column, ascending; the same column again: the other way.
  void ClickCompareColumn(int table, int column);
  // The sort column of a table (-1: none since its build) and its direction.
  int CompareSortColumn(int table) const { return compareSort_[size_t(table)].Column; }
  bool CompareSortDescending(int table) const { return compareSort_[size_t(table)].Descending; }

  // --- The week ---

  const TWeekCounts& Week() const { return week_; }
  // Nothing while hidden; unforced, nothing when the archive count, the offset and the length are
  // those of the last count. True when it counted.
  bool RefreshWeek(bool force);
  // The chart of the grid cell in the current mode and type.
  TChartSeries WeekChartSeries(int column, int row) const;

 private:
  struct TKey {
    int Count = -1, Offset = -1, Length = -1;
    bool operator==(const TKey&) const = default;
  };
  struct TSort {
    int Column = -1;
    bool Descending = false;
  };
  TKey Key(int length) const { return {archive_.Count(), archive_.DrawsOffset(), length}; }
  void Write(const char* key, bool value, bool store);

  TUserPort& port_;
  const TDrawsArchive& archive_;
  const TConfiguration& config_;
  TWindowSettings& settings_;

  std::array<bool, 3> shown_{true, true, true};
  bool colorCard_ = true;
  bool colorSequences_ = true;
  bool gradient_ = true;
  int weekChartMode_ = 0;
  bool weekChartLine_ = false;
  int layoutLen_ = 100;
  std::array<int, CompareTableCount> compareLen_{50, 100, 200, 300, 400};
  int weekLen_ = 1000;

  int cardRows_ = 0;
  TTextGrid layout_{2, 2};
  TKey layoutKey_, compareKey_, weekKey_;
  std::array<TCompareTable, CompareTableCount> compare_;
  std::array<TSort, CompareTableCount> compareSort_;
  TWeekCounts week_;
};

}  // namespace kivra
