// The regular stakes state: the rules of the "Регуляры" tab with their file, whether the tab is
// shown ("TabTables"), and the commands that add and delete rules, make a stake from a rule and
// back-test rules over the latest draws. The rules are only loaded, kept and saved while the tab is
// shown; hiding it empties them.
#pragma once

#include <filesystem>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "combs/CombList.h"
#include "core/DrawsArchive.h"
#include "core/UserPort.h"
#include "core/WindowSettings.h"
#include "stakes/Tables.h"
#include "workspace/StakeState.h"

namespace kivra {

class TTableState {
 public:
  // The back-test moves the archive's analysis point (and puts it back), so the archive is taken
  // writable.
  TTableState(TUserPort& port, const std::filesystem::path& dataDir, TDrawsArchive& archive, const TCombList& list,
              TStakeState& stakes, TWindowSettings& settings);
  TTableState(const TTableState&) = delete;
  TTableState& operator=(const TTableState&) = delete;

  TTables& Tables() { return tables_; }
  const TTables& Tables() const { return tables_; }
  int Count() const { return tables_.Count(); }
  std::string CellText(int row, int column) const;

  // "TabTables", read at creation.
  void LoadSettings();
  bool Shown() const { return shown_; }
  // The "Вид" command: writes "TabTables"; shown, the rules are read from the file; hidden, they
  // are dropped.
  void SetShown(bool shown);
  // Shown for this session without touching the setting (kivra-cli works on the rules whatever
  // the window shows).
  void ShowForSession() { shown_ = true; }

  // Start-up: the rules emptied, then read from the file when the tab is shown; the view follows.
  void Load();
  // Rewrites the file when the tab is shown; the view follows.
  bool Save();

  // The rule the add dialog opens with: comment "Регулярная ставка", mode 0, step 1 and, when
  // exactly one combination is selected, that combination as the start.
  TTableData NewRule(const std::vector<uint32_t>& selectedCombs) const;
  // After the dialog: the rules MakeTableRules makes from `rule` and the selected combinations
  // (busy "Создание регулярных ставок..."), then the file saved. The number of rules added.
  int Add(const TTableData& rule, const std::vector<uint32_t>& selectedCombs);
  // The same with the selected combinations given (kivra-cli gives its start combination as one).
  int Add(const TTableData& rule, std::span<const TListComb> selected);
  // Removes the rules at these rows (busy "Удаление регулярных ставок...", from the last to the
  // first), then saves. False when a row was not found (after the message).
  bool Delete(std::vector<int> rows);

  // A stake from a rule, prepared: a copy of the rule advanced at the current analysis point and
  // the kind-2 stake of its new combination for the next draw. The caller may show the stake to
  // the user first; Commit then stores the copy, saves and adds the stake for `draws` draws (with
  // the check). Nothing when the row does not exist.
  struct TDraft {
    int Row = -1;
    TTableData Advanced;
    TStakeData Record;
  };
  std::optional<TDraft> Draft(int row) const;
  bool Commit(const TDraft& draft, const TStakeData& record, int draws);

  // The largest back-test: the draws of the archive less one.
  int MaxTests() const { return std::max(0, archive_.Count() - 1); }
  // The back-test of the rules at these rows over the latest `tests` draws: for a = tests down to
  // 1 every rule in list order advances at analysis point a and stakes on the draw after it. The
  // stakes are appended as one batch (one view update at the end, then the check, which feeds the
  // ratings). The analysis point is put back and the rules saved also after a failure. False when
  // an append failed.
  bool Test(const std::vector<int>& rows, int tests);

  // The list: called after every load, save and hiding (it shows Count() rows).
  void SetViewHandler(std::function<void()> handler) { viewHandler_ = std::move(handler); }

 private:
  void UpdateView();

  TUserPort& port_;
  TDrawsArchive& archive_;
  const TCombList& list_;
  TStakeState& stakes_;
  TWindowSettings& settings_;
  TTables tables_;
  bool shown_ = true;
  std::function<void()> viewHandler_;
};

}  // namespace kivra
