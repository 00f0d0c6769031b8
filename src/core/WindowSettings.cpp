#include "core/WindowSettings.h"

#include <fmt/format.h>

#include "core/FileUtils.h"
#include "core/IniFile.h"
#include "core/UserPort.h"

namespace kivra {

namespace {

// The file as it is now; an unreadable file reads as empty, so every key gives its default.
TIniFile LoadOrEmpty(const std::filesystem::path& path) {
  try {
    return TIniFile::Load(path);
  } catch (const TFileError&) {
    return {};
  }
}

}  // namespace

TIniFile TWindowSettings::Current() const {
  TIniFile ini = LoadOrEmpty(path_);
  for (const TChange& change : pending_) change(ini);
  return ini;
}

int64_t TWindowSettings::ReadSetting(std::string_view window, std::string_view key, int64_t def) const {
  return Current().ReadInteger(window, key, def);
}

bool TWindowSettings::ReadSetting(std::string_view window, std::string_view key, bool def) const {
  return Current().ReadBool(window, key, def);
}

std::string TWindowSettings::ReadSetting(std::string_view window, std::string_view key, std::string_view def) const {
  return Current().ReadString(window, key, def);
}

bool TWindowSettings::Update(TChange change, TUserPort* port) {
  if (batchDepth_ > 0) {
    pending_.push_back(std::move(change));
    return true;
  }
  try {
    TIniFile ini = TIniFile::Load(path_);
    change(ini);
    ini.Save(path_);
    return true;
  } catch (const TFileError& e) {
    if (port) port->ShowError(fmt::format("Ошибка сохранения параметров программы!\r\r{}", ErrorText(e)));
    return false;
  }
}

bool TWindowSettings::EndBatch(TUserPort* port) {
  if (batchDepth_ == 0 || --batchDepth_ > 0 || pending_.empty()) return true;
  std::vector<TChange> changes;
  changes.swap(pending_);
  return Update(
      [&](TIniFile& ini) {
        for (const TChange& change : changes) change(ini);
      },
      port);
}

bool TWindowSettings::WriteSetting(std::string_view window, std::string_view key, int64_t value, TUserPort* port) {
  return Update([window = std::string(window), key = std::string(key),
                 value](TIniFile& ini) { ini.WriteInteger(window, key, value); },
                port);
}

bool TWindowSettings::WriteSetting(std::string_view window, std::string_view key, bool value, TUserPort* port) {
  return Update([window = std::string(window), key = std::string(key),
                 value](TIniFile& ini) { ini.WriteBool(window, key, value); },
                port);
}

bool TWindowSettings::WriteSetting(std::string_view window, std::string_view key, std::string_view value,
                                   TUserPort* port) {
  return Update([window = std::string(window), key = std::string(key),
                 value = std::string(value)](TIniFile& ini) { ini.WriteString(window, key, value); },
                port);
}

}  // namespace kivra
