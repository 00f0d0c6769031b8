// TWorkspace: the program's state rooted in one data folder, and the commands that change it.
// The main window owns one; kivra-cli and the tests create their own.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "core/Config.h"
#include "core/DrawsArchive.h"
#include "core/SortaUtils.h"
#include "core/UserPort.h"
#include "core/WindowSettings.h"
#include "stats/StatCache.h"
#include "stats/StatList.h"
#include "stats/StatView.h"
#include "workspace/CombFilters.h"
#include "workspace/CombGen.h"
#include "workspace/CombList.h"

namespace kivra {

inline constexpr std::string_view ProgramBaseName = "Kivra_5x45";
inline constexpr std::string_view MainWindowSection = "TFormMain";

class TWorkspace {
 public:
  TWorkspace(std::filesystem::path dataDir, TUserPort& port);

  // The data folder: `explicitDir` when given; else the executable's folder when it is writable;
  // else $XDG_DATA_HOME/Kivra_5x45 (default ~/.local/share/Kivra_5x45).
  static std::filesystem::path ResolveDataDir(const std::filesystem::path& explicitDir,
                                              const std::filesystem::path& executableDir);

  const std::filesystem::path& DataDir() const { return dataDir_; }
  std::filesystem::path FilePath(std::string_view extension) const;  // Kivra_5x45<extension>
  std::filesystem::path ArchivePath() const { return FilePath(".ldr"); }
  std::filesystem::path ConfigPath() const { return FilePath(".ini"); }
  std::filesystem::path SettingsPath() const { return FilePath(".frm"); }
  std::filesystem::path NamesPath() const { return FilePath(".flt"); }

  TUserPort& Port() { return port_; }
  TDrawsArchive& Archive() { return archive_; }
  const TDrawsArchive& Archive() const { return archive_; }
  TConfiguration& Config() { return config_; }
  const TConfiguration& Config() const { return config_; }
  TWindowSettings& Settings() { return settings_; }
  const TMatchDistribution& MatchDistribution() const { return matchDistribution_; }
  TStatList& Stats() { return stats_; }
  const TStatList& Stats() const { return stats_; }

  // Reads what start-up reads before the window shows: the window settings' "SortedDraws", the
  // configuration, and the statistics registry with its names file.
  void LoadSettingsAndConfig();
  // The start-up steps of the engine: offset 0, the archive file, the status panels.
  void LoadArchive();

  // Writes panels 0..2 from the archive and rebuilds the hidden-draw set.
  void RefreshDrawsStatus();
  const TNumSet& HiddenDrawSet() const { return hiddenDrawSet_; }

  // Sets DrawsOffset; when it changed, refreshes the status panels. True when it changed.
  bool SetDrawsOffset(int offset);
  // Turns the sorted reading of draws on or off and writes it to the window settings at once.
  void SetSortedDraws(bool on);

  // Archive commands; each ends with the archive saved and the status refreshed.
  bool AddDraw(const TDraw& draw);
  bool EditDraw(int index, const TDraw& draw);
  // Deletes the draws with these numbers, given as the selected rows from the last to the first;
  // stops with the program's message at the first number no longer found.
  bool DeleteDraws(const std::vector<int32_t>& drawNumbers);
  // The number of draws added, or -1 when the file could not be read.
  int ImportDrawsCsv(const std::filesystem::path& file);
  bool ExportDrawsCsv(const std::filesystem::path& file);

  // A record for the add command: cleared, numbered NextDrawNumber(0).
  TDraw NewDrawRecord() const;

  // Configuration writers, each for its own keys.
  bool SaveConfig(const TConfigData& data);
  bool SaveShredding(const TShreddingConfig& shredding);
  bool SaveGenDefaults(const TGenDefaults& gen);
  bool SaveProxy(const TProxyConfig& proxy);
  // The configuration dialog confirmed: the data replaces the configuration in use and is saved;
  // statistics created from now on read it. Returns the full-set cache groups its changes touch
  // (bit 4 the matrix width, bit 3 the channel size, bit 5 the segment map).
  uint32_t ApplyConfig(const TConfigData& data);
  // The registry rebuilt after a configuration change (parameter ranges and shredding names may
  // change), keeping the user's names and favourites: SaveNames, Build, SelectAll, LoadNames.
  void RebuildRegistry();

  // --- Combination list ---
  // Every operation that changes the list saves the undo copy first, keeps the order of what it
  // keeps, and reports its failures through the port (the result is then false).

  TCombList& Combs() { return combs_; }
  const TCombList& Combs() const { return combs_; }
  // Start-up: room for FullSetSize entries in the list, the undo copy and the snapshot.
  void ReserveCombLists() { combs_.ReserveAll(FullSetSize); }
  // Threads the filter passes may use (default: the hardware's count).
  void SetFilterThreads(unsigned threads) { filterThreads_ = threads ? threads : 1; }
  unsigned FilterThreads() const { return filterThreads_; }

  // The generation defaults of the configuration as parameters.
  TGenParams GenDefaults() const;
  // Makes a new list. With `refresh`: busy with its progress text, then the log cleared, the view
  // updated, the undo copy dropped and the snapshot emptied (its key kept).
  bool GenerateList(bool refresh, const TGenParams& params);
  // The generate command: the parameter cut to 255 characters; stored as the defaults when asked;
  // the undo copy saved; GenerateList with refresh.
  bool GenerateCommand(TGenParams params, bool saveAsDefaults);

  // Keeps (remove false) or removes the combinations that show one of the values, under the
  // statistic of registry entry `entry` (or `stat` when given, which must be of that entry), with
  // AnalysisEnd and SortedDraws. One log row: the entry's selector caption and `valuesText`.
  // No values: nothing happens.
  bool FilterByValues(int entry, TCustomStat* stat, const TStatDrawArray& values, std::string_view valuesText,
                      bool remove);
  // Keeps or removes the combinations that hold one of the numbers of a grid selection. No values:
  // the message "В выделенном диапазоне нет значений для фильтра!", and nothing changes.
  bool FilterByGrid(TGridKind kind, const TGridSelection& selection, bool remove);
  // Removes the combinations equal to one of the latest n visible draws (n = 0: none).
  bool RemoveLatestDraws(int n);
  // Removes the entries at these positions (any order; repeats and positions past the end ignored).
  bool RemoveSelected(std::span<const uint32_t> rows);
  // The undo command: the list before the last operation, and its log row removed. False when
  // there is nothing to undo.
  bool UndoCombs();

  // Lists the draws of the whole archive (at most 26, newest first) that equal the combination.
  void CombsFindInDraws(const TComb& comb);
  // Reports the number of different numbers in the list.
  void CombsCheckNums();

  // The open command: the file's combinations replace the list; when it cannot be read, the
  // previous list comes back. Afterwards nothing can be undone and the log is empty.
  bool OpenCombsFile(const std::filesystem::path& file);
  // The save command.
  bool SaveCombsFile(const std::filesystem::path& file);
  // The copy command: the clipboard text of the given rows (empty: leave the clipboard alone).
  std::string CopyCombsText(std::span<const uint32_t> rows);
  // The paste command with the clipboard's text: every line must be a combination, else the
  // message "Некорректная комбинация: \"%s\"!" and the previous list comes back. No lines:
  // nothing happens (false).
  bool PasteCombsText(std::string_view text);

  // --- Statistics view and full-set files ---

  // The statistics tab's inputs, read from the window settings at start-up.
  void LoadStatViewSettings();
  int StatItem() const { return statItem_; }
  void SetStatItem(int entry) { statItem_ = entry; }  // -1: nothing selected
  int StatWindowLength() const { return statWindowLength_; }
  void SetStatWindowLength(int length) { statWindowLength_ = length < 1 ? 1 : length; }
  bool PrefetchsEnabled() const { return prefetchsEnabled_; }
  // The comparison switch; `store` writes it to the window settings.
  void SetPrefetchsEnabled(bool on, bool store = true);
  bool ShowTotalLine() const { return showTotalLine_; }
  void SetShowTotalLine(bool on, bool store = true);
  TStatView& StatView() { return statView_; }
  const TStatView& StatView() const { return statView_; }

  // Computes the table of the selected entry: always when forced, otherwise only when the archive
  // length, the offset, the window length or the entry changed since the last computation.
  // False when a failure was reported.
  bool RefreshStatView(bool force);
  // The keep (remove false) or remove command over the selected rows of the table.
  bool FilterByStatRows(std::span<const size_t> rows, bool remove);

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
  // Builds the files of these entries (those without option N are skipped), in parallel on
  // FilterThreads() threads, with progress; reports each failure. Returns how many were written.
  int BuildCacheFiles(std::span<const int> entries);

 private:
  bool SaveArchive();

  std::filesystem::path dataDir_;
  TUserPort& port_;
  TDrawsArchive archive_;
  TConfiguration config_;
  TWindowSettings settings_;
  TMatchDistribution matchDistribution_;
  TNumSet hiddenDrawSet_;
  TStatList stats_;
  TCombList combs_;
  unsigned filterThreads_;
  int statItem_ = -1;
  int statWindowLength_ = 1000;
  bool prefetchsEnabled_ = false;
  bool showTotalLine_ = true;
  TStatView statView_;
};

}  // namespace kivra
