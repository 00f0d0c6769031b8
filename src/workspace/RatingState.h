// The ratings state: the rows with their file, the efficiency mode and sort order of the list, the
// rebuild from the journal, the CSV export and the charts of the stakes behind the rows. It feeds
// on every stake check through the stakes state's hooks.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "core/ChartData.h"
#include "core/SortaUtils.h"
#include "core/UserPort.h"
#include "core/WindowSettings.h"
#include "stakes/Ratings.h"
#include "workspace/StakeState.h"

namespace kivra {

class TRatingState {
 public:
  TRatingState(TUserPort& port, const std::filesystem::path& dataDir, TStakeState& stakes,
               const TMatchDistribution& matches, TWindowSettings& settings);
  TRatingState(const TRatingState&) = delete;
  TRatingState& operator=(const TRatingState&) = delete;

  TRatings& Ratings() { return ratings_; }
  const TRatings& Ratings() const { return ratings_; }
  const TMatchDistribution& Matches() const { return matches_; }

  // "RatingsEffMode" (written when changed) and the list's "lvRatings.SortType" (written by
  // SaveSortSetting, at closing), read at creation.
  void LoadSettings();
  void SaveSortSetting();
  int EffMode() const { return effMode_; }
  void SetEffMode(int mode);
  std::string CellText(int row, int column) const;

  // The list's sort column and direction (initially "Среднее", descending).
  int SortColumn() const { return sortColumn_; }
  bool SortDescending() const { return sortDescending_; }
  // Sorts by the column and direction and saves.
  void SortBy(int column, bool descending);
  // Sorts again by the current column and direction (after a check) and saves.
  void Resort() { SortBy(sortColumn_, sortDescending_); }

  // Start-up: the file read, then sorted and saved. A check before it loads the rows first, so
  // that the file is never rewritten from rows it did not read.
  void Load();
  bool Loaded() const { return loaded_; }
  // Rebuilds the rows from the checked stakes of the journal, asking first when rows exist.
  // False when the answer was No or the journal could not be read.
  bool Refresh();
  // Writes the CSV export to the file.
  bool Export(const std::filesystem::path& file);

  // The charts; nothing (after the message) when there is nothing to show.
  std::optional<TChartData> ProfitByDrawChart();
  // Matches (or profits) of the stakes of rows with these comments over the last 100 draws.
  std::optional<TChartData> StakesByDrawChart(const std::vector<int>& rows, bool profits);
  std::optional<TChartData> MatchCountChart(const std::vector<int>& rows);

 private:
  TUserPort& port_;
  TStakeState& stakes_;
  const TMatchDistribution& matches_;
  TWindowSettings& settings_;
  TRatings ratings_;
  int effMode_ = 1;
  int sortColumn_ = 3;
  bool sortDescending_ = true;
  bool loaded_ = false;
};

}  // namespace kivra
