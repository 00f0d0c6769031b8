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
#include "scripts/ScriptText.h"
#include "stakes/Ratings.h"
#include "workspace/StakeState.h"

namespace kivra {

class TScriptState;

// The script line a rating's caption (UTF-8) turns back into: the part after the last "@" is the
// options and the filters joined by " + ", the part before it the comment. Nothing when no filter
// of the line names a known statistic, or when the caption fills the whole 255 characters of a
// comment (it may have been cut, and would then restore another filter).
std::optional<std::string> RatingCaptionToScriptLine(std::string_view caption, const TMethodLookup& methods);

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

  // Appends a script line for each of the rows (busy "Генерация новых строк в сценарии..."); a row
  // that gives no line is refused with a message and the next follows. The lines added.
  int ToScript(const std::vector<int>& rows, TScriptState& script, const TMethodLookup& methods);

  // The charts; nothing (after the message) when there is nothing to show.
  std::optional<TChartData> ProfitByDrawChart();
  // Matches (or profits) of the stakes of rows with these comments over the last 100 draws.
  std::optional<TChartData> StakesByDrawChart(const std::vector<int>& rows, bool profits);
  std::optional<TChartData> MatchCountChart(const std::vector<int>& rows);

  // The checked stakes behind rows of the list (0-based): the journal's stakes whose comment is a
  // row's, compared without regard to letter case. A row outside the list is refused with the
  // message.
  std::optional<std::vector<TChanceStake>> ChanceStakes(const std::vector<int>& rows);

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
