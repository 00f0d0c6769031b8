#include "workspace/SystemState.h"

#include <algorithm>

#include "core/SysFormat.h"
#include "workspace/ProgramFiles.h"

namespace kivra {

TSystemState::TSystemState(TUserPort& port, std::filesystem::path dataDir, TCombState& combs, TStakeState& stakes,
                           TWindowSettings& settings)
    : port_(port), dataDir_(std::move(dataDir)), combs_(combs), stakes_(stakes), settings_(settings) {}

void TSystemState::LoadSettings() { enabled_ = settings_.ReadSetting(StateSettingsSection, "SystemsEnabled", true); }

void TSystemState::SetEnabled(bool on) {
  enabled_ = on;
  settings_.WriteSetting(StateSettingsSection, "SystemsEnabled", on, &port_);
}

void TSystemState::LoadList() {
  TBusyScope busy(port_, "Загрузка списка систем...");
  rows_ = {SystemPlaceholder()};
}

bool TSystemState::Downloaded(const TSystemInfo& info) const {
  if (info.Id < 0) return false;
  std::error_code ec;
  return std::filesystem::is_regular_file(Folder() / SystemFileName(info.Nums, info.Block, info.Id), ec);
}

std::optional<TSystemExpansion> TSystemState::ExpandList() {
  TSystemExpansion system;
  {
    TBusyScope busy(port_, "Подождите пожалуйста...");
    const TCombList& list = combs_.List();
    system = SystemExpand(Folder(), CollectUniqueNumbers(list.Array(), list.Count()));
  }
  if (!system.Ok) {
    port_.ShowError(system.LongMessage);
    return std::nullopt;
  }
  return system;
}

std::string TSystemState::PlayComment(TSystemPlayMode mode, const TSystemExpansion& system) {
  const std::string name = SystemShortName(system.File);
  const int n = system.Nums;
  return mode == TSystemPlayMode::All ? SysFormat("Системная игра для %d чисел [вся система]: %s", {n, name})
                                      : SysFormat("Системная игра для %d чисел [комбинации]: %s", {n, name});
}

bool TSystemState::Play(TSystemPlayMode mode, const TSystemExpansion& system, int32_t drawNumber, int draws,
                        const std::string& comment) {
  const TCombList& list = combs_.List();
  bool ok = true;
  {
    TBusyScope busy(port_, "Создание ставок...");
    stakes_.Journal().AppendSeparator();
    TStakeNumbers numbers;
    numbers.Count = CombSize;
    TStakeData record = stakes_.NewRecord(StakeSystem, comment, numbers);
    record.DrawNumber = drawNumber;
    record.SampleSize = mode == TSystemPlayMode::Filter ? static_cast<int32_t>(list.Count())
                                                        : static_cast<int32_t>(system.Combs.size());
    for (TComb comb : system.Combs) {
      std::sort(comb.begin(), comb.end());
      if (mode == TSystemPlayMode::Filter && !list.Contains(comb)) continue;
      std::copy(comb.begin(), comb.end(), record.Numbers.Values.begin());
      if (!(ok = stakes_.AddMany(record, draws, true))) break;
    }
  }
  if (!ok) return false;
  stakes_.CheckAndFlush();
  stakes_.UpdateView(true, true);
  return true;
}

}  // namespace kivra
