// TWorkspace: the program's state rooted in one data folder. It owns the folder, the port, the
// archive, the configuration, the window settings and the statistics registry, and holds one state
// object per concern (the combination state, the statistics tab), which carry the commands of
// their concern; the archive and configuration commands are its own. The main window owns one;
// kivra-cli and the tests create their own.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "core/Config.h"
#include "core/DrawsArchive.h"
#include "core/SortaUtils.h"
#include "core/UserPort.h"
#include "core/WindowSettings.h"
#include "stats/StatList.h"
#include "workspace/CatalogState.h"
#include "workspace/CombState.h"
#include "workspace/DrawsDownload.h"
#include "workspace/GraphsState.h"
#include "workspace/OnlineSettings.h"
#include "workspace/ProgramFiles.h"
#include "workspace/ScriptRunner.h"
#include "workspace/ScriptState.h"
#include "workspace/RatingState.h"
#include "workspace/StakeState.h"
#include "workspace/StatTab.h"
#include "workspace/SystemState.h"
#include "workspace/ViewsState.h"
#include "workspace/TableState.h"

namespace kivra {

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

  // Archive commands; each ends with the archive saved and the status refreshed (adding and
  // importing then check the stakes when "StakesCheckOnLine" is on). A draw whose
  // number another draw already has is refused with DrawNumberTaken's message (nothing changes):
  // the lookups by number (FindDrawIndex, the stake check, merging downloads) need unique numbers.
  bool AddDraw(const TDraw& draw);
  bool EditDraw(int index, const TDraw& draw);
  // The message refusing `number` for the draw at `index` (-1: a new draw) because another draw of
  // the archive has it; empty when no other draw has it.
  std::string DrawNumberTaken(int index, int32_t number) const;
  // Deletes the draws with these numbers, given as the selected rows from the last to the first;
  // stops with the program's message at the first number no longer found.
  bool DeleteDraws(const std::vector<int32_t>& drawNumbers);
  // The number of draws added, or -1 when the file could not be read; `skipped` as
  // kivra::ImportDrawsCsv gives it.
  int ImportDrawsCsv(const std::filesystem::path& file, int* skipped = nullptr);
  bool ExportDrawsCsv(const std::filesystem::path& file);

  // A record for the add command: cleared, numbered NextDrawNumber(0).
  TDraw NewDrawRecord() const;

  // Configuration writers, each for its own keys.
  bool SaveConfig(const TConfigData& data);
  bool SaveShredding(const TShreddingConfig& shredding);
  bool SaveProxy(const TProxyConfig& proxy);
  // The configuration dialog confirmed: the data replaces the configuration in use and is saved;
  // statistics created from now on read it. Returns the full-set cache groups its changes touch
  // (bit 4 the matrix width, bit 3 the channel size, bit 5 the segment map).
  uint32_t ApplyConfig(const TConfigData& data);
  // The registry rebuilt after a configuration change (parameter ranges and shredding names may
  // change), keeping the user's names and favourites: SaveNames, Build, SelectAll, LoadNames.
  void RebuildRegistry();
  // The formula dialog confirmed: the formulas replace those in use, section "SHREDDING" is written
  // at once and statistics created from now on read them. Returns the full-set cache groups the
  // change touches (bit 12 when anything changed).
  uint32_t ApplyShredding(const TShreddingConfig& shredding);

  // --- The state objects: one per concern, each with its own commands ---

  // The combination list with its undo copy, snapshot and log, and the commands that narrow it.
  TCombState& Combs() { return combs_; }
  const TCombState& Combs() const { return combs_; }
  // The statistics tab: selection, window length, table, comparison and the full-set files.
  TStatTab& StatTab() { return statTab_; }
  const TStatTab& StatTab() const { return statTab_; }
  // The working script with its file, list operations and journal.
  TScriptState& Script() { return script_; }
  const TScriptState& Script() const { return script_; }
  // The stakes journal, its logs and switches, and the commands that make, check and delete stakes.
  TStakeState& Stakes() { return stakes_; }
  const TStakeState& Stakes() const { return stakes_; }
  // The ratings of the stake sources, fed by every stake check.
  TRatingState& Ratings() { return ratings_; }
  const TRatingState& Ratings() const { return ratings_; }
  // The local systems and system play.
  TSystemState& Systems() { return systems_; }
  const TSystemState& Systems() const { return systems_; }
  // The script interpreter, which drives all of the above while a script runs.
  TScriptRunner& Runner() { return runner_; }
  const TScriptRunner& Runner() const { return runner_; }
  // The draws download from the operator's results archive.
  TDrawsDownload& Download() { return download_; }
  // The online services' addresses and the user's identity (section "ONLINE").
  TOnlineSettings& Online() { return online_; }
  const TOnlineSettings& Online() const { return online_; }
  // The systems catalogue and the script library over the online settings.
  TCatalogState& Catalog() { return catalog_; }
  const TCatalogState& Catalog() const { return catalog_; }
  // The card, layout and week views: their switches, lengths and last tables.
  TViewsState& Views() { return views_; }
  const TViewsState& Views() const { return views_; }
  // The "Графики" tab: its switch, window length and last chart.
  TGraphsState& Graphs() { return graphs_; }
  const TGraphsState& Graphs() const { return graphs_; }
  // The regular stake rules of the "Регуляры" tab, their stakes and back-test.
  TTableState& Tables() { return tables_; }
  const TTableState& Tables() const { return tables_; }

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
  TCombState combs_;
  TStatTab statTab_;
  TScriptState script_;
  TStakeState stakes_;
  TRatingState ratings_;
  TSystemState systems_;
  TViewsState views_;
  TGraphsState graphs_;
  TTableState tables_;
  TScriptRunner runner_;
  TDrawsDownload download_;
  TOnlineSettings online_;
  TCatalogState catalog_;
};

}  // namespace kivra
