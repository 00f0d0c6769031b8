#include "workspace/Workspace.h"

#include <cstdlib>
#include <unistd.h>

#include "core/FileUtils.h"
#include "core/DrawsCsv.h"
#include "core/SysFormat.h"
#include "workspace/ProgramFiles.h"

namespace kivra {

TWorkspace::TWorkspace(std::filesystem::path dataDir, TUserPort& port)
    : dataDir_(std::move(dataDir)),
      port_(port),
      settings_(dataDir_ / (std::string(ProgramBaseName) + ".frm")),
      matchDistribution_(BuildMatchDistribution()),
      combs_(port, archive_, stats_, config_, ConfigPath()),
      statTab_(port, archive_, stats_, settings_, dataDir_, combs_),
      script_(port, settings_, dataDir_),
      stakes_(port, dataDir_, archive_, config_, combs_.List(), settings_),
      ratings_(port, dataDir_, stakes_, matchDistribution_, settings_),
      systems_(port, dataDir_, combs_, stakes_, settings_),
      views_(port, archive_, config_, settings_),
      graphs_(port, archive_, stats_, settings_),
      tables_(port, dataDir_, archive_, combs_.List(), stakes_, settings_),
      runner_(*this),
      download_(port, dataDir_, ConfigPath(), archive_, stakes_, [this] { return SaveArchive(); }),
      online_(ConfigPath()),
      catalog_(port_, online_, config_, systems_, script_, settings_) {}

std::filesystem::path TWorkspace::ResolveDataDir(const std::filesystem::path& explicitDir,
                                                 const std::filesystem::path& executableDir) {
  if (!explicitDir.empty()) return explicitDir;
  // A program run from its build or unpacked folder keeps its data there; an installed one (even
  // in a writable prefix such as ~/.local) in the user's data folder.
  if (!executableDir.empty() && !InstalledProgram(executableDir) && access(executableDir.c_str(), W_OK) == 0)
    return executableDir;
  const char* xdg = std::getenv("XDG_DATA_HOME");
  std::filesystem::path base;
  if (xdg && *xdg) {
    base = xdg;
  } else {
    const char* home = std::getenv("HOME");
    base = std::filesystem::path(home && *home ? home : ".") / ".local" / "share";
  }
  return base / ProgramBaseName;
}

std::filesystem::path TWorkspace::FilePath(std::string_view extension) const {
  return dataDir_ / (std::string(ProgramBaseName) + std::string(extension));
}

void TWorkspace::LoadSettingsAndConfig() {
  archive_.SetSortedDraws(settings_.ReadSetting(StateSettingsSection, "SortedDraws", false));
  ConfigLoad(ConfigPath(), config_, port_);
  stats_.SetDraws(&archive_.StoredDraws());
  stats_.SetConfig(config_.Data, config_.Shredding);
  stats_.Build();
  stats_.LoadNames(NamesPath(), true, port_);
  statTab_.LoadSettings();
  script_.LoadSettings();
  stakes_.LoadSettings();
  ratings_.LoadSettings();
  systems_.LoadSettings();
  catalog_.LoadSettings();
  views_.LoadSettings();
  tables_.LoadSettings();
}

void TWorkspace::LoadArchive() {
  archive_.SetDrawsOffset(0);
  archive_.LoadArchive(ArchivePath(), port_);
  RefreshDrawsStatus();
}

void TWorkspace::RefreshDrawsStatus() {
  hiddenDrawSet_ = archive_.HiddenDrawSet();
  const auto texts = archive_.StatusTexts();
  for (int i = 0; i < 3; ++i) port_.SetStatusText(i, texts[i]);
}

bool TWorkspace::SetDrawsOffset(int offset) {
  if (!archive_.SetDrawsOffset(offset)) return false;
  RefreshDrawsStatus();
  return true;
}

void TWorkspace::SetSortedDraws(bool on) {
  archive_.SetSortedDraws(on);
  settings_.WriteSetting(StateSettingsSection, "SortedDraws", on, &port_);
}

bool TWorkspace::SaveArchive() {
  const bool ok = archive_.SaveArchive(ArchivePath(), port_);
  RefreshDrawsStatus();
  return ok;
}

TDraw TWorkspace::NewDrawRecord() const {
  TDraw d;
  d.Number = archive_.NextDrawNumber(0);
  return d;
}

std::string TWorkspace::DrawNumberTaken(int index, int32_t number) const {
  // Every draw is looked at: an archive written before numbers were checked may hold a number
  // twice, and the draw being edited may be one of them.
  bool taken = false;
  for (int i = 0; i <= archive_.High() && !taken; ++i) taken = i != index && archive_.Stored(i).Number == number;
  if (!taken) return {};
  return SysFormat("Тираж № %d уже есть в архиве!\r\rУ каждого тиража должен быть свой номер.", {number});
}

bool TWorkspace::AddDraw(const TDraw& draw) {
  if (const std::string taken = DrawNumberTaken(-1, draw.Number); !taken.empty()) {
    port_.ShowError(taken);
    return false;
  }
  archive_.Append(draw);
  const bool saved = SaveArchive();
  stakes_.CheckAfterDrawsChange();
  return saved;
}

bool TWorkspace::EditDraw(int index, const TDraw& draw) {
  if (const std::string taken = DrawNumberTaken(index, draw.Number); !taken.empty()) {
    port_.ShowError(taken);
    return false;
  }
  try {
    archive_.Replace(index, draw);
  } catch (const std::exception& e) {
    port_.ShowError(ErrorText(e));
    return false;
  }
  return SaveArchive();
}

bool TWorkspace::DeleteDraws(const std::vector<int32_t>& drawNumbers) {
  bool ok = true;
  {
    TBusyScope busy(port_, "Удаление выделенных тиражей....");
    try {
      for (int32_t number : drawNumbers) archive_.DeleteDrawAt(archive_.FindDrawIndex(number));
    } catch (const std::exception& e) {
      port_.ShowError(ErrorText(e));
      ok = false;
    }
    RefreshDrawsStatus();
  }
  return SaveArchive() && ok;
}

int TWorkspace::ImportDrawsCsv(const std::filesystem::path& file, int* skipped) {
  const int added = kivra::ImportDrawsCsv(archive_, file, port_, skipped);
  if (added < 0) return added;
  const bool saved = SaveArchive();
  if (added > 0) stakes_.CheckAfterDrawsChange();
  return saved ? added : -1;
}

bool TWorkspace::ExportDrawsCsv(const std::filesystem::path& file) {
  return kivra::ExportDrawsCsv(archive_, file, port_);
}

bool TWorkspace::SaveConfig(const TConfigData& data) {
  config_.Data = data;
  return ConfigSave(ConfigPath(), data, port_);
}

uint32_t TWorkspace::ApplyConfig(const TConfigData& data) {
  uint32_t groups = 0;
  if (data.MatrixCols != config_.Data.MatrixCols) groups |= 1u << 4;
  if (data.ChannelSize != config_.Data.ChannelSize) groups |= 1u << 3;
  if (data.Segments != config_.Data.Segments) groups |= 1u << 5;
  SaveConfig(data);
  stats_.SetConfig(config_.Data, config_.Shredding);
  return groups;
}

void TWorkspace::RebuildRegistry() {
  stats_.SaveNames(NamesPath(), true, false, port_);
  stats_.Build();
  stats_.SelectAll();
  stats_.LoadNames(NamesPath(), true, port_);
}

bool TWorkspace::SaveShredding(const TShreddingConfig& shredding) {
  config_.Shredding = shredding;
  return SaveShreddingConfig(ConfigPath(), shredding, port_);
}

uint32_t TWorkspace::ApplyShredding(const TShreddingConfig& shredding) {
  const uint32_t groups = shredding == config_.Shredding ? 0u : 1u << 12;
  SaveShredding(shredding);
  stats_.SetConfig(config_.Data, config_.Shredding);
  return groups;
}

bool TWorkspace::SaveProxy(const TProxyConfig& proxy) {
  config_.Proxy = proxy;
  return SaveProxyConfig(ConfigPath(), proxy, port_);
}

}  // namespace kivra
