#include "workspace/StakeState.h"

#include <algorithm>

#include "core/FileUtils.h"
#include "core/SysFormat.h"
#include "core/TextCodec.h"
#include "stakes/Prizes.h"
#include "workspace/ProgramFiles.h"

namespace kivra {

TStakeState::TStakeState(TUserPort& port, const std::filesystem::path& dataDir, const TDrawsArchive& archive,
                         const TConfiguration& config, const TCombList& list, TWindowSettings& settings)
    : port_(port),
      archive_(archive),
      config_(config),
      list_(list),
      settings_(settings),
      journal_(port, dataDir / (std::string(ProgramBaseName) + ".lsk"),
               dataDir / (std::string(ProgramBaseName) + ".~tmp")),
      logs_(port, dataDir, std::string(ProgramBaseName)) {}

void TStakeState::LoadSettings() {
  logs_.SetEnabled(settings_.ReadSetting(StateSettingsSection, "StakesLogEnabled", false));
  scrollEnabled_ = settings_.ReadSetting(StateSettingsSection, "StakesScrollEnabled", true);
  checkOnLine_ = settings_.ReadSetting(StateSettingsSection, "StakesCheckOnLine", true);
}

void TStakeState::SetScrollEnabled(bool on) {
  scrollEnabled_ = on;
  settings_.WriteSetting(StateSettingsSection, "StakesScrollEnabled", on, &port_);
}

void TStakeState::SetLogEnabled(bool on) {
  logs_.SetEnabled(on);
  settings_.WriteSetting(StateSettingsSection, "StakesLogEnabled", on, &port_);
}

void TStakeState::SetCheckOnLine(bool on) {
  checkOnLine_ = on;
  settings_.WriteSetting(StateSettingsSection, "StakesCheckOnLine", on, &port_);
}

bool TStakeState::Load() {
  if (!journal_.Load()) return false;
  UpdateView(true, false);
  return true;
}

void TStakeState::Save() { journal_.Save(); }

void TStakeState::PriceRecord(TStakeData& record) const {
  record.Profit = StakeProfit(config_.Data, record.Numbers.Count, -1);
}

TStakeData TStakeState::NewRecord(TStakeKind kind, std::string_view comment, const TStakeNumbers& numbers) const {
  TStakeData r;
  r.Version = 2;
  r.Kind = kind;
  r.DrawNumber = archive_.NextDrawNumber(archive_.DrawsOffset());
  r.Comment = std::string(comment);
  r.Checked = 0;
  r.SampleSize = static_cast<int32_t>(list_.Count());
  r.Numbers = numbers;
  r.Matched.Count = -1;
  PriceRecord(r);
  return r;
}

bool TStakeState::AddOne(const TStakeData& record, int draws) {
  bool ok;
  {
    TBusyScope busy(port_, "Создание ставки...");
    ok = journal_.Append(record, draws);
    if (ok) CheckAndFlush();
  }
  if (ok) UpdateView(true, true);
  return ok;
}

bool TStakeState::AddMany(const TStakeData& record, int draws, bool quiet) {
  bool ok;
  {
    TBusyScope busy(port_, "Создание ставок...");
    ok = journal_.Append(record, draws);
  }
  if (ok) UpdateView(false, !quiet || scrollEnabled_);
  return ok;
}

bool TStakeState::AddCombinations(const std::vector<uint32_t>* rows, int32_t drawNumber, int draws,
                                  std::string_view comment) {
  const size_t total = rows ? rows->size() : list_.Count();
  if (total == 0) return false;
  bool ok = true;
  {
    TBusyScope busy(port_, "Создание ставок...");
    TStakeNumbers numbers;
    numbers.Count = CombSize;
    TStakeData record = NewRecord(StakeManual, comment, numbers);
    record.DrawNumber = drawNumber;
    const size_t step = std::max<size_t>(1, total / 100);
    for (size_t i = 0; i < total && ok; ++i) {
      const size_t at = rows ? (*rows)[i] : i;
      if (at >= list_.Count()) continue;
      const TComb& comb = list_[at];
      std::copy(comb.begin(), comb.end(), record.Numbers.Values.begin());
      ok = journal_.Append(record, draws);
      if ((i + 1) % step == 0 && i + 1 < total)
        port_.ShowProgress(SysFormat("Создание ставок ( завершено %.0f %% )...",
                                     {100.0L * static_cast<long double>(i + 1) / static_cast<long double>(total)}));
    }
    if (ok) CheckAndFlush();
  }
  // The grid follows once for the whole batch.
  UpdateView(true, true);
  return ok;
}

bool TStakeState::CheckAndFlush() {
  const auto onChecked = [this](const TStakeData& record) {
    if (ratings_.Add && record.Matched.Count >= 0 && record.Matched.Count <= CombSize) ratings_.Add(record);
    logs_.Write(record);
  };
  const bool needRecords = ratings_.Add || logs_.Enabled();
  if (!journal_.Check(archive_, config_.Data, needRecords ? TStakesJournal::TCheckedHandler(onChecked) : nullptr))
    return false;
  journal_.Reopen();
  if (ratings_.Resort) ratings_.Resort();
  return true;
}

void TStakeState::CheckManual() {
  CheckAndFlush();
  UpdateView(true, false);
}

void TStakeState::CheckAfterDrawsChange() {
  if (!checkOnLine_ || !journal_.HasRecords()) return;
  CheckAndFlush();
  UpdateView(true, false);
}

bool TStakeState::DeleteRows(int first, int last) {
  bool ok;
  {
    TBusyScope busy(port_, "Удаление ставок...");
    ok = journal_.DeleteRows(first, last);
    if (ok) CheckAndFlush();
  }
  UpdateView(true, false);
  return ok;
}

bool TStakeState::DeleteWhere(TStakeCondition condition, int32_t value) {
  bool ok;
  {
    TBusyScope busy(port_, "Удаление ставок...");
    ok = journal_.DeleteWhere(condition, value);
    if (ok) CheckAndFlush();
  }
  UpdateView(true, false);
  return ok;
}

bool TStakeState::DeleteWhereAsked(TStakeCondition condition, int32_t value) {
  int n = 0;
  try {
    n = journal_.CountWhere(condition, value);
  } catch (const std::exception& e) {
    port_.ShowError(SysFormat("Ошибка чтения файла ставок!\r\r%s", {ErrorText(e)}));
    return false;
  }
  if (n == 0) {
    port_.ShowInfo("Нет ставок, удовлетворяющих условию.");
    return false;
  }
  if (!port_.Message(TMessageKind::Question, CaptionWarningAlt, SysFormat("Удалить ставок: %d?", {n}), false))
    return false;
  return DeleteWhere(condition, value);
}

void TStakeState::Clear() {
  {
    TBusyScope busy(port_, "Удаление ставок...");
    journal_.Clear();
  }
  UpdateView(false, false);
  if (ratings_.Refresh) ratings_.Refresh();
}

void TStakeState::UpdateView(bool refresh, bool scroll) {
  // The grid's row count is compared as a record count: an empty journal and a journal of one
  // record both show one data row, and the status must still change between them.
  const int n = journal_.Count();
  bool changed = false;
  if (n > 0) {
    if ((refresh || scroll) && shownCount_ != n) {
      shownCount_ = n;
      changed = true;
    }
  } else {
    changed = shownCount_ != 0;
    shownCount_ = 0;
    refresh = true;
  }
  if (viewHandler_) viewHandler_(ViewRows(), refresh, scroll && n > 0, changed);
  if (changed || n == 0) port_.SetStatusText(4, SysFormat("Ставок: %d", {n}));
}

// --- The comparison with chance ---

std::optional<std::vector<TChanceStake>> TStakeState::ChanceStakes(int first, int last) {
  const int count = journal_.Count();
  const bool all = first == 0 && last == 0;
  if (!all && (first < 1 || last < first || last > count)) {
    port_.ShowError(SysFormat("Строк %d-%d нет в журнале ставок (записей в журнале: %d)!", {first, last, count}));
    return std::nullopt;
  }
  std::vector<TChanceStake> stakes;
  try {
    int index = all ? 0 : first - 1;
    const int end = all ? count : last;
    journal_.ScanRecords(index, [&](const TStakeBytes& bytes) {
      if (index++ >= end) return;
      if (const auto stake = ChanceStakeOf(DecodeStake(bytes))) stakes.push_back(*stake);
    });
  } catch (const std::exception& e) {
    port_.ShowError(SysFormat("Ошибка чтения файла ставок!\r\r%s", {ErrorText(e)}));
    return std::nullopt;
  }
  return stakes;
}

std::optional<std::vector<TChanceStake>> TStakeState::ChanceStakesOf(const std::unordered_set<std::string>& comments) {
  std::vector<TChanceStake> stakes;
  try {
    journal_.ScanRecords(0, [&](const TStakeBytes& bytes) {
      const std::string_view comment(reinterpret_cast<const char*>(bytes.data() + StakeField::Comment + 1),
                                     bytes[StakeField::Comment]);
      if (!comments.contains(FoldCaseCp1251(comment))) return;
      if (const auto stake = ChanceStakeOf(DecodeStake(bytes))) stakes.push_back(*stake);
    });
  } catch (const std::exception& e) {
    port_.ShowError(SysFormat("Ошибка чтения файла ставок!\r\r%s", {ErrorText(e)}));
    return std::nullopt;
  }
  return stakes;
}

std::vector<TChanceStake> TStakeState::ChanceStakesMade(std::span<const TStakeData> records) const {
  std::vector<TChanceStake> stakes;
  for (const TStakeData& r : records) {
    const int at = r.DrawNumber > 0 ? archive_.FindDrawIndex(r.DrawNumber) : -1;
    if (at < 0) continue;
    if (const auto stake = ChanceStakeChecked(r, archive_.Stored(at).Nums, config_.Data)) stakes.push_back(*stake);
  }
  return stakes;
}

std::optional<TChanceReport> TStakeState::CompareWithChance(std::span<const TChanceStake> stakes,
                                                            const TChanceOptions& options,
                                                            const std::function<bool()>& stop) {
  return kivra::CompareWithChance(port_, stakes, config_.Data, options, stop);
}

}  // namespace kivra
