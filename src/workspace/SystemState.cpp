#include "workspace/SystemState.h"

#include <algorithm>

#include "core/FileUtils.h"
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

int TSystemState::ListNumberCount() const {
  const TCombList& list = combs_.List();
  return static_cast<int>(CollectUniqueNumbers(list.Array(), list.Count()).size());
}

std::optional<TCoverResult> TSystemState::Make(const TCoverSpec& wanted, const TCoverOptions& options,
                                               TCoverObserver* observer) {
  for (const std::string& error : {CoverSpecError(wanted), CoverBudgetError(options.Seconds)})
    if (!error.empty()) {
      port_.ShowError(error);
      return std::nullopt;
    }
  TCoverResult result;
  {
    TBusyScope busy(port_, "Создание системы...");
    result = MakeCover(wanted, options, observer);
  }
  if (!result.Verified) port_.ShowError("Система не построена: проверка гарантии не пройдена!");
  return result;
}

std::filesystem::path TSystemState::OwnFile(int nums) const { return Folder() / SystemFileName(nums, 0, 0); }

bool TSystemState::SaveOwn(const TCoverSpec& wanted, std::span<const TComb> blocks) {
  if (const std::string error = CoverSpecError(wanted); !error.empty()) {
    port_.ShowError(error);
    return false;
  }
  const TCoverCheck check = VerifyCover(wanted, blocks);
  if (!check.Ok || blocks.empty()) {
    const std::string subset = CoverSubsetText(check.FirstUncovered);
    port_.ShowError(SysFormat("Система не сохранена: гарантия \"%s\" для %d чисел не выполнена%s!",
                              {GuaranteeText(wanted.Guarantee, wanted.Drawn), wanted.Nums,
                               subset.empty() ? std::string() : " (не покрыто сочетание " + subset + ")"}));
    return false;
  }
  const std::filesystem::path file = OwnFile(wanted.Nums);
  const auto others = FindFilesByMask(Folder(), SystemFileMask(wanted.Nums));
  if (!others.empty() &&
      !port_.AskYesNo(SysFormat("Для %d чисел уже есть система \"%s\".\r\rЗаменить ее новой системой?",
                                {wanted.Nums, SystemShortName(others.front())})))
    return false;
  try {
    std::error_code ec;
    std::filesystem::create_directories(Folder(), ec);
    WriteFileAtomic(file, CoverFileText(blocks));
  } catch (const TFileError& e) {
    port_.ShowError(SysFormat("Ошибка сохранения системы!\r\r%s", {ErrorText(e)}));
    return false;
  }
  // One local system per count of numbers.
  std::error_code ec;
  for (const auto& other : others)
    if (other.filename() != file.filename()) std::filesystem::remove(other, ec);
  return true;
}

}  // namespace kivra
