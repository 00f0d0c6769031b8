#include "workspace/ScriptState.h"

#include <algorithm>

#include "core/SysFormat.h"
#include "scripts/ScriptFile.h"
#include "scripts/ScriptText.h"
#include "workspace/ProgramFiles.h"

namespace kivra {

TScriptIndexError::TScriptIndexError(int index)
    : std::out_of_range(SysFormat("Запись со индексом %d в файле данных не найдена!", {index})) {}

TScriptState::TScriptState(TUserPort& port, TWindowSettings& settings, std::filesystem::path dataDir, TLogClock clock)
    : port_(port), settings_(settings), dataDir_(std::move(dataDir)), log_(port, dataDir_, std::move(clock)) {}

std::filesystem::path TScriptState::WorkingPath() const { return dataDir_ / (std::string(ProgramBaseName) + ".lss"); }

void TScriptState::LoadSettings() {
  log_.SetEnabled(settings_.ReadSetting(StateSettingsSection, "ScriptLogEnabled", false));
}

void TScriptState::LoadWorkingScript() {
  std::error_code ec;
  if (std::filesystem::exists(WorkingPath(), ec)) LoadScriptFile(WorkingPath(), lines_, port_);
}

const std::string& TScriptState::Line(int index) const {
  if (index < 0 || index >= Count()) throw TScriptIndexError(index);
  return lines_[index];
}

bool TScriptState::IsSeparator(int index) const { return IsSeparatorLine(Line(index)); }

bool TScriptState::SaveWorking() { return SaveScriptFile(WorkingPath(), lines_, port_); }

int TScriptState::Append(std::string line) {
  lines_.push_back(std::move(line));
  SaveWorking();
  return Count() - 1;
}

void TScriptState::Replace(int index, std::string line) {
  if (index < 0 || index >= Count()) throw TScriptIndexError(index);
  lines_[index] = std::move(line);
  SaveWorking();
}

bool TScriptState::Delete(std::span<const int> rows) {
  std::vector<char> doomed(lines_.size(), 0);
  int count = 0;
  for (int row : rows)
    if (row >= 0 && row < Count() && !doomed[row]) {
      doomed[row] = 1;
      ++count;
    }
  if (count == 0 || !port_.ConfirmDelete(count)) return false;
  {
    TBusyScope busy(port_, "Удаление строк...");
    // One pass keeps the survivors in order: the same result as deleting from the last row down.
    size_t kept = 0;
    for (size_t i = 0; i < lines_.size(); ++i) {
      if (doomed[i]) continue;
      if (kept != i) lines_[kept] = std::move(lines_[i]);
      ++kept;
    }
    lines_.resize(kept);
  }
  SaveWorking();
  return true;
}

bool TScriptState::Clear() {
  if (lines_.empty() || !port_.ConfirmDelete(Count())) return false;
  lines_.clear();
  SaveWorking();
  return true;
}

int TScriptState::MoveUp(int index) {
  if (index <= 0 || index >= Count()) return -1;
  std::swap(lines_[index - 1], lines_[index]);
  SaveWorking();
  return index - 1;
}

int TScriptState::MoveDown(int index) {
  if (index < 0 || index + 1 >= Count()) return -1;
  std::swap(lines_[index], lines_[index + 1]);
  SaveWorking();
  return index + 1;
}

bool TScriptState::ReadUserFile(const std::filesystem::path& file, std::vector<std::string>& lines) {
  std::vector<std::string> read;
  if (!LoadScriptFile(file, read, port_)) return false;
  // Another kind of file opened by mistake would become lines of junk in the working script.
  if (std::none_of(read.begin(), read.end(), [](const std::string& line) { return IsScriptLine(line); })) {
    port_.ShowError(SysFormat("Ошибка чтения файла \"%s\"!\r\rВ файле нет ни одной строки сценария.", {file.string()}));
    return false;
  }
  lines = std::move(read);
  return true;
}

bool TScriptState::Open(const std::filesystem::path& file) {
  std::vector<std::string> read;
  if (!ReadUserFile(file, read)) return false;
  lines_ = std::move(read);
  SaveWorking();
  return true;
}

bool TScriptState::AppendFile(const std::filesystem::path& file) {
  if (lines_.empty()) return Open(file);
  std::vector<std::string> read;
  if (!ReadUserFile(file, read)) return false;
  if (!IsSeparatorLine(lines_.back())) lines_.emplace_back();
  lines_.insert(lines_.end(), std::make_move_iterator(read.begin()), std::make_move_iterator(read.end()));
  SaveWorking();
  return true;
}

void TScriptState::SetLines(std::vector<std::string> lines) {
  lines_ = std::move(lines);
  SaveWorking();
}

bool TScriptState::Save(const std::filesystem::path& file) { return SaveScriptFile(file, lines_, port_); }

void TScriptState::ToggleLog() {
  log_.SetEnabled(!log_.Enabled());
  settings_.WriteSetting(StateSettingsSection, "ScriptLogEnabled", log_.Enabled(), &port_);
}

bool TScriptState::DeleteLogs() { return DeleteScriptLogs(dataDir_, port_); }

}  // namespace kivra
