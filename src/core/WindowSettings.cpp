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

int64_t TWindowSettings::ReadSetting(std::string_view window, std::string_view key, int64_t def) const {
  return LoadOrEmpty(path_).ReadInteger(window, key, def);
}

bool TWindowSettings::ReadSetting(std::string_view window, std::string_view key, bool def) const {
  return LoadOrEmpty(path_).ReadBool(window, key, def);
}

std::string TWindowSettings::ReadSetting(std::string_view window, std::string_view key,
                                         std::string_view def) const {
  return LoadOrEmpty(path_).ReadString(window, key, def);
}

template <class Change>
bool TWindowSettings::Update(Change change, TUserPort* port) {
  try {
    TIniFile ini = TIniFile::Load(path_);
    change(ini);
    ini.Save(path_);
    return true;
  } catch (const TFileError& e) {
    if (port) port->ShowError(fmt::format("Ошибка сохранения параметров программы!\r\r{}", e.what()));
    return false;
  }
}

bool TWindowSettings::WriteSetting(std::string_view window, std::string_view key, int64_t value,
                                   TUserPort* port) {
  return Update([&](TIniFile& ini) { ini.WriteInteger(window, key, value); }, port);
}

bool TWindowSettings::WriteSetting(std::string_view window, std::string_view key, bool value,
                                   TUserPort* port) {
  return Update([&](TIniFile& ini) { ini.WriteBool(window, key, value); }, port);
}

bool TWindowSettings::WriteSetting(std::string_view window, std::string_view key, std::string_view value,
                                   TUserPort* port) {
  return Update([&](TIniFile& ini) { ini.WriteString(window, key, value); }, port);
}

}  // namespace kivra
