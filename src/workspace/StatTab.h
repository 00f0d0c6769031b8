// The statistics tab: the selected entry, the window length, the table with its comparison, the
// filter commands over its rows, and the full-set distribution files (caches) the comparison reads.
#pragma once

#include <filesystem>
#include <optional>
#include <span>

#include "core/DrawsArchive.h"
#include "core/UserPort.h"
#include "core/WindowSettings.h"
#include "stats/StatCache.h"
#include "stats/StatList.h"
#include "stats/StatView.h"
#include "workspace/CombState.h"

namespace kivra {

class TStatTab {
 public:
  // The tab's inputs are kept in `settings`; the caches live in
  // <dataDir>/Prefetchs; building one borrows the combination list of `combs`.
  TStatTab(TUserPort& port, const TDrawsArchive& archive, const TStatList& stats, TWindowSettings& settings,
           std::filesystem::path dataDir, TCombState& combs);
  TStatTab(const TStatTab&) = delete;
  TStatTab& operator=(const TStatTab&) = delete;

  // The tab's inputs, read from the window settings at start-up.
  void LoadSettings();
  int Item() const { return item_; }
  void SetItem(int entry) { item_ = entry; }  // -1: nothing selected
  int WindowLength() const { return windowLength_; }
  void SetWindowLength(int length) { windowLength_ = length < 1 ? 1 : length; }
  bool PrefetchsEnabled() const { return prefetchsEnabled_; }
  // The comparison switch; `store` writes it to the window settings.
  void SetPrefetchsEnabled(bool on, bool store = true);
  bool ShowTotalLine() const { return showTotalLine_; }
  void SetShowTotalLine(bool on, bool store = true);
  // The switch of column "В списке" (ColInList); `store` writes it to the window settings. Off, the
  // column is cleared and a sort by it falls back to "Количество".
  bool ShowInList() const { return showInList_; }
  void SetShowInList(bool on, bool store = true);
  TStatView& View() { return view_; }
  const TStatView& View() const { return view_; }

  // Computes the table of the selected entry: always when forced, otherwise only when the archive
  // length, the offset, the window length or the entry changed since the last computation.
  // False when a failure was reported.
  bool Refresh(bool force);
  // Column "В списке" while its switch is on: for every row, how many combinations of the list a
  // keep by that row alone would leave (Refresh does it after each computation; call it when the
  // list changed). Nothing while the switch is off.
  void RefreshInList();
  // How many combinations of the list a keep by these rows together would leave: one filter pass.
  // 0 for no rows or no selected entry.
  size_t InListOfRows(std::span<const size_t> rows);
  // The keep (remove false) or remove command over the selected rows of the table.
  bool FilterByRows(std::span<const size_t> rows, bool remove);

  // <data folder>/Prefetchs/Kivra_5x45_<CODE>.dfc
  std::filesystem::path CacheFileName(int entry) const;
  // Counts the entry's values over the full set and writes its file. The combination list stays as
  // it is; its undo copy is dropped (the build borrows the list). Nothing on failure, after the
  // program's message.
  std::optional<TCacheData> BuildCache(int entry);
  // Nothing while the comparison switch is off or for entries without option N; otherwise the
  // file's content, built first when it is missing or empty.
  std::optional<TCacheData> OpenCache(int entry);
  // Builds the files of every entry with option N whose file is missing or whose group is in
  // `groups` (bit g = group g); nothing when `force` is false and the comparison switch is off.
  // Entries are built in parallel; returns how many files were written.
  int BuildAllCaches(bool force, uint32_t groups);
  // Builds the files of these entries (those without option N are skipped), in parallel on the
  // filter threads, with progress; reports each failure. Returns how many were written.
  int BuildCacheFiles(std::span<const int> entries);

 private:
  TUserPort& port_;
  const TDrawsArchive& archive_;
  const TStatList& stats_;
  TWindowSettings& settings_;
  std::filesystem::path dataDir_;
  TCombState& combs_;
  int item_ = -1;
  int windowLength_ = 1000;
  bool prefetchsEnabled_ = false;
  bool showTotalLine_ = true;
  bool showInList_ = false;
  TStatView view_;
};

}  // namespace kivra
