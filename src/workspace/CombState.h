// The combination state: the working list with its undo copy, snapshot and log, and the commands
// that make and narrow it (generation, the filters, undo, files and the clipboard text).
#pragma once

#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <string_view>

#include "combs/CombFilters.h"
#include "combs/CombGen.h"
#include "combs/CombList.h"
#include "core/Config.h"
#include "core/DrawsArchive.h"
#include "core/UserPort.h"
#include "stats/StatList.h"

namespace kivra {

class TCombState {
 public:
  // The archive gives the draws the filters analyse; the registry the statistics; the
  // configuration (stored in `configPath`) the generation defaults.
  TCombState(TUserPort& port, const TDrawsArchive& archive, const TStatList& stats, TConfiguration& config,
             std::filesystem::path configPath);
  TCombState(const TCombState&) = delete;
  TCombState& operator=(const TCombState&) = delete;

  // Every operation that changes the list saves the undo copy first, keeps the order of what it
  // keeps, and reports its failures through the port (the result is then false).

  TCombList& List() { return list_; }
  const TCombList& List() const { return list_; }
  // Start-up: room for FullSetSize entries in the list, the undo copy and the snapshot.
  void ReserveLists() { list_.ReserveAll(FullSetSize); }
  // Threads the filter passes may use (default: the hardware's count).
  void SetFilterThreads(unsigned threads) { filterThreads_ = threads ? threads : 1; }
  unsigned FilterThreads() const { return filterThreads_; }

  // The generation defaults of the configuration as parameters.
  TGenParams GenDefaults() const;
  // Stores the generation defaults in the configuration file.
  bool SaveGenDefaults(const TGenDefaults& gen);
  // Makes a new list. With `refresh`: busy with its progress text, then the log cleared, the view
  // updated, the undo copy dropped and the snapshot emptied (its key kept).
  bool GenerateList(bool refresh, const TGenParams& params);
  // The generate command: the parameter cut to 255 characters; numbers that cannot make a useful
  // list refused with GenNumbersProblem's message (nothing changes); stored as the defaults when
  // asked; the undo copy and the log saved; GenerateList with refresh, keeping the undo copy, so
  // that undo brings back the list and the log it replaced.
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
  // The undo command: the list before the last operation, and its log row removed (after a
  // replacement of the whole list, the log it had comes back). False when there is nothing to undo.
  bool Undo();

  // Lists the draws of the whole archive (at most 26, newest first) that equal the combination.
  void FindInDraws(const TComb& comb);
  // Reports the number of different numbers in the list.
  void CheckNums();

  // The open command: the file's combinations replace the list and the log is emptied; undo
  // brings back the previous list and log. When the file cannot be read, the list and the log stay
  // as they were and nothing can be undone.
  bool OpenFile(const std::filesystem::path& file);
  // The save command.
  bool SaveFile(const std::filesystem::path& file);
  // The copy command: the clipboard text of the given rows (empty: leave the clipboard alone).
  std::string CopyText(std::span<const uint32_t> rows);
  // The paste command with the clipboard's text: every line must be a combination, else the
  // message "Некорректная комбинация: \"%s\"!" and the previous list comes back (nothing to
  // undo). The pasted list starts an empty log; undo brings back the previous list and log. No
  // lines: nothing happens (false).
  bool PasteText(std::string_view text);

 private:
  TUserPort& port_;
  const TDrawsArchive& archive_;
  const TStatList& stats_;
  TConfiguration& config_;
  std::filesystem::path configPath_;
  TCombList list_;

  // GenerateList; with `keepUndo` the undo copy saved by the caller stays.
  bool Generate(bool refresh, const TGenParams& params, bool keepUndo);
  unsigned filterThreads_;
};

}  // namespace kivra
