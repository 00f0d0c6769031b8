// The stakes state: the open journal, the stake logs and the switches of the "Ставки" tab, with the
// commands that make, check and delete stakes. The grid asks it for records; the view handler the
// shell sets keeps the grid's row count in line with the journal.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <unordered_set>
#include <vector>

#include "combs/CombList.h"
#include "core/Config.h"
#include "core/DrawsArchive.h"
#include "core/UserPort.h"
#include "core/WindowSettings.h"
#include "stakes/StakeData.h"
#include "stakes/StakeLogs.h"
#include "stakes/StakesChance.h"
#include "stakes/StakesJournal.h"

namespace kivra {

// The comment of stakes made by hand.
inline constexpr std::string_view ManualStakeComment = "Ставка \"вручную\"";

class TStakeState {
 public:
  TStakeState(TUserPort& port, const std::filesystem::path& dataDir, const TDrawsArchive& archive,
              const TConfiguration& config, const TCombList& list, TWindowSettings& settings);
  TStakeState(const TStakeState&) = delete;
  TStakeState& operator=(const TStakeState&) = delete;

  TStakesJournal& Journal() { return journal_; }
  const TStakesJournal& Journal() const { return journal_; }
  TStakeLogs& Logs() { return logs_; }

  // The switches, read at creation and written at once when toggled.
  void LoadSettings();
  bool ScrollEnabled() const { return scrollEnabled_; }
  void SetScrollEnabled(bool on);
  bool LogEnabled() const { return logs_.Enabled(); }
  void SetLogEnabled(bool on);
  bool CheckOnLine() const { return checkOnLine_; }
  void SetCheckOnLine(bool on);

  // Start-up: the journal opened (outdated content kept aside and emptied), the view updated.
  // False when it cannot be opened.
  bool Load();
  // Exit: the journal closed.
  void Save();

  // A new stake: kind, comment and numbers given; the draw that follows the analysis point, the
  // list's size as the sample and the cost of the numbers as the profit.
  TStakeData NewRecord(TStakeKind kind, std::string_view comment, const TStakeNumbers& numbers) const;
  // The stake's profit from its own numbers (the cost until it is checked).
  void PriceRecord(TStakeData& record) const;

  // One stake for `draws` consecutive draws, then the check and the view (scrolled).
  bool AddOne(const TStakeData& record, int draws);
  // A stake of a batch: no check; the view scrolled when not quiet or when scrolling is on.
  bool AddMany(const TStakeData& record, int draws, bool quiet);
  // One manual stake per combination of the list at these positions (every one when `rows` is
  // null), for `draws` draws from `drawNumber`, with the comment; appended without view updates in
  // between, then one check and the view. Stops at the first failure.
  bool AddCombinations(const std::vector<uint32_t>* rows, int32_t drawNumber, int draws, std::string_view comment);

  // The check of the journal against the archive; when it completed stakes, the journal is reopened
  // and the ratings are re-sorted. True when stakes were checked.
  bool CheckAndFlush();
  // The manual check command.
  void CheckManual();
  // After a draw arrived (added or imported): the check when "StakesCheckOnLine" is on.
  void CheckAfterDrawsChange();

  // The deletion commands (their confirmations are the caller's): busy "Удаление ставок...", the
  // deletion, then the check and the view.
  bool DeleteRows(int first, int last);
  bool DeleteWhere(TStakeCondition condition, int32_t value);
  void Clear();
  // "Удалить по условию": counts the stakes the condition removes, asks "Удалить ставок: N?" (No
  // the default; with none, says so) and deletes them. True when stakes were deleted.
  bool DeleteWhereAsked(TStakeCondition condition, int32_t value);

  // The comparison with chance ("Сравнить со случайной игрой"). The checked stakes of records
  // first..last (1-based; 0, 0: the whole journal), of the records whose comment (cp1251, folded
  // case) is one of `comments`, or of records a back-test made (each checked against the archive's
  // draw of its number, so that it counts even when it has left the journal); nothing after the
  // message when the rows lie outside the journal or it cannot be read.
  std::optional<std::vector<TChanceStake>> ChanceStakes(int first, int last);
  std::optional<std::vector<TChanceStake>> ChanceStakesOf(const std::unordered_set<std::string>& comments);
  std::vector<TChanceStake> ChanceStakesMade(std::span<const TStakeData> records) const;
  // The comparison of the stakes with chance at the configured cost and prize table (see
  // CompareWithChance of the engine).
  std::optional<TChanceReport> CompareWithChance(std::span<const TChanceStake> stakes, const TChanceOptions& options,
                                                 const std::function<bool()>& stop = nullptr);

  // Brings the grid in line with the journal (see TViewHandler) and writes "Ставок: %d".
  void UpdateView(bool refresh, bool scroll);
  // Rows the grid shows below its header: the journal's records as of the last view update, at
  // least 1 (an empty journal shows one empty row).
  int ViewRows() const { return shownCount_ > 0 ? shownCount_ : 1; }
  // The shell's grid: called with the data rows, whether to repaint, to scroll to the last record,
  // and whether the row count changed.
  using TViewHandler = std::function<void(int rows, bool refresh, bool scroll, bool changed)>;
  void SetViewHandler(TViewHandler handler) { viewHandler_ = std::move(handler); }

  // The ratings' part in checking: a completed stake is added; after a check that completed
  // stakes they are re-sorted and saved; clearing the journal rebuilds them.
  struct TRatingsHooks {
    std::function<void(const TStakeData&)> Add;
    std::function<void()> Resort;
    std::function<void()> Refresh;
  };
  void SetRatingsHooks(TRatingsHooks hooks) { ratings_ = std::move(hooks); }

 private:
  TUserPort& port_;
  const TDrawsArchive& archive_;
  const TConfiguration& config_;
  const TCombList& list_;
  TWindowSettings& settings_;
  TStakesJournal journal_;
  TStakeLogs logs_;
  bool scrollEnabled_ = true;
  bool checkOnLine_ = true;
  int shownCount_ = -1;  // records the grid shows; -1 until the first update
  TViewHandler viewHandler_;
  TRatingsHooks ratings_;
};

}  // namespace kivra
