#include "workspace/TableState.h"

#include <algorithm>

#include "core/FileUtils.h"
#include "core/SysFormat.h"
#include "core/TextCodec.h"
#include "workspace/ProgramFiles.h"

namespace kivra {

namespace {

constexpr std::string_view TestProgress = "Создание ставок по регулярным табличным ставкам...";

TStakeNumbers StakeNumbersOf(const TComb& comb) {
  TStakeNumbers numbers;
  numbers.Count = CombSize;
  std::copy(comb.begin(), comb.end(), numbers.Values.begin());
  return numbers;
}

// Puts the archive's analysis point back when the scope ends, also on an exception.
class TOffsetRestore {
 public:
  explicit TOffsetRestore(TDrawsArchive& archive) : archive_(archive), offset_(archive.DrawsOffset()) {}
  ~TOffsetRestore() { archive_.SetDrawsOffset(offset_); }
  TOffsetRestore(const TOffsetRestore&) = delete;
  TOffsetRestore& operator=(const TOffsetRestore&) = delete;

 private:
  TDrawsArchive& archive_;
  int offset_;
};

}  // namespace

TTableState::TTableState(TUserPort& port, const std::filesystem::path& dataDir, TDrawsArchive& archive,
                         const TCombList& list, TStakeState& stakes, TWindowSettings& settings)
    : port_(port),
      archive_(archive),
      list_(list),
      stakes_(stakes),
      settings_(settings),
      tables_(port, dataDir / (std::string(ProgramBaseName) + ".ltb")) {}

std::string TTableState::CellText(int row, int column) const {
  if (row < 0 || row >= tables_.Count()) return {};
  return TableCellText(tables_.Rows()[static_cast<size_t>(row)], column);
}

void TTableState::LoadSettings() { shown_ = settings_.ReadSetting(StateSettingsSection, "TabTables", true); }

void TTableState::SetShown(bool shown) {
  shown_ = shown;
  settings_.WriteSetting(StateSettingsSection, "TabTables", shown, &port_);
  // Shown: the rules as the file holds them; hidden: none kept.
  Load();
}

void TTableState::Load() {
  tables_.Clear();
  if (shown_) tables_.Load();
  UpdateView();
}

bool TTableState::Save() {
  if (!shown_) return false;
  const bool ok = tables_.Save();
  UpdateView();
  return ok;
}

void TTableState::UpdateView() {
  if (viewHandler_) viewHandler_();
}

TTableData TTableState::NewRule(const std::vector<uint32_t>& selectedCombs) const {
  TTableData rule;
  rule.Comment = Utf8ToCp1251(DefaultTableComment);
  rule.Mode = TableFromCurrent;
  rule.Step = 1;
  rule.Count = 0;
  if (selectedCombs.size() == 1 && selectedCombs.front() < list_.Count()) rule.Start = list_[selectedCombs.front()];
  return rule;
}

int TTableState::Add(const TTableData& rule, const std::vector<uint32_t>& selectedCombs) {
  std::vector<TListComb> selected;
  selected.reserve(selectedCombs.size());
  for (uint32_t at : selectedCombs)
    if (at < list_.Count()) selected.push_back({at, list_[at]});
  return Add(rule, selected);
}

int TTableState::Add(const TTableData& rule, std::span<const TListComb> selected) {
  int added = 0;
  {
    TBusyScope busy(port_, "Создание регулярных ставок...");
    for (const TTableData& r : MakeTableRules(rule, selected)) {
      tables_.Append(r);
      ++added;
    }
  }
  Save();
  return added;
}

bool TTableState::Delete(std::vector<int> rows) {
  bool ok = true;
  {
    TBusyScope busy(port_, "Удаление регулярных ставок...");
    // From the last to the first, so that the rows still to go keep their indexes.
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    try {
      for (auto it = rows.rbegin(); it != rows.rend(); ++it) tables_.Delete(*it);
    } catch (const std::exception& e) {
      port_.ShowError(ErrorText(e));
      ok = false;
    }
  }
  Save();
  return ok;
}

std::optional<TTableState::TDraft> TTableState::Draft(int row) const {
  if (row < 0 || row >= tables_.Count()) return std::nullopt;
  TDraft draft;
  draft.Row = row;
  draft.Advanced = tables_.Rows()[static_cast<size_t>(row)];
  const TComb numbers = AdvanceTable(draft.Advanced, archive_, archive_.DrawsOffset());
  draft.Record = stakes_.NewRecord(StakeRegular, draft.Advanced.CommentText(), StakeNumbersOf(numbers));
  return draft;
}

bool TTableState::Commit(const TDraft& draft, const TStakeData& record, int draws) {
  if (draft.Row < 0 || draft.Row >= tables_.Count()) return false;
  tables_.Row(static_cast<size_t>(draft.Row)) = draft.Advanced;
  Save();
  return stakes_.AddOne(record, draws);
}

bool TTableState::Test(const std::vector<int>& rows, int tests) {
  if (tests <= 0) return true;
  std::vector<size_t> rules;
  for (int row : rows)
    if (row >= 0 && row < tables_.Count()) rules.push_back(static_cast<size_t>(row));
  bool ok = true;
  {
    TBusyScope busy(port_, TestProgress);
    TStakesJournal& journal = stakes_.Journal();
    {
      TOffsetRestore restore(archive_);
      for (int a = tests; a >= 1 && ok; --a) {
        archive_.SetDrawsOffset(a);
        for (size_t i = 0; i < rules.size() && ok; ++i) {
          TTableData& rule = tables_.Row(rules[i]);
          const TComb numbers = AdvanceTable(rule, archive_, a);
          // One stake for one draw: never a separator before it.
          ok = journal.Append(stakes_.NewRecord(StakeRegular, rule.CommentText(), StakeNumbersOf(numbers)), 1);
        }
        // Lets the window breathe every hundred draws.
        if (a % 100 == 0) port_.ShowProgress(TestProgress);
      }
    }
    Save();
    if (ok) stakes_.CheckAndFlush();
  }
  // The grid follows once for the whole batch.
  stakes_.UpdateView(true, true);
  return ok;
}

}  // namespace kivra
