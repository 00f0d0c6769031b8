#include "workspace/OnlineSettings.h"

#include <algorithm>
#include <random>

#include "core/IniFile.h"
#include "core/SortaUtils.h"

namespace kivra {

TOnlineSettings::TOnlineSettings(std::filesystem::path configPath) : configPath_(std::move(configPath)) {}

const TIniFile& TOnlineSettings::File() const {
  std::error_code ec;
  const auto time = std::filesystem::last_write_time(configPath_, ec);
  const auto size = ec ? 0 : std::filesystem::file_size(configPath_, ec);
  if (ec) {
    file_ = TIniFile();  // no file (or none readable): nothing configured
    fileRead_ = false;
    return file_;
  }
  if (!fileRead_ || time != fileTime_ || size != fileSize_) {
    try {
      file_ = TIniFile::Load(configPath_);
      fileTime_ = time;
      fileSize_ = size;
      fileRead_ = true;
    } catch (const std::exception&) {
      file_ = TIniFile();
      fileRead_ = false;
    }
  }
  return file_;
}

std::string TOnlineSettings::Read(const char* key) const {
  return std::string(Trim(File().ReadString(Section, key, "")));
}

bool TOnlineSettings::Write(const char* key, const std::string& value) {
  try {
    TIniFile ini = TIniFile::Load(configPath_);
    ini.WriteString(Section, key, value);
    ini.Save(configPath_);
    fileRead_ = false;
    return true;
  } catch (const std::exception&) {
    return false;
  }
}

std::string TOnlineSettings::CatalogUrl() const {
  std::string url = overrides_.CatalogUrl ? std::string(Trim(*overrides_.CatalogUrl)) : Read("CatalogUrl");
  while (!url.empty() && url.back() == '/') url.pop_back();
  return url;
}

std::string TOnlineSettings::UpdateUrl() const {
  return overrides_.UpdateUrl ? std::string(Trim(*overrides_.UpdateUrl)) : Read("UpdateUrl");
}

std::string TOnlineSettings::CaFile() const {
  return overrides_.CaFile ? std::string(Trim(*overrides_.CaFile)) : Read("CaFile");
}

std::string TOnlineSettings::UserName() const { return Read("UserName"); }
std::string TOnlineSettings::UserMail() const { return Read("UserMail"); }

bool TOnlineSettings::SaveIdentity(const std::string& name, const std::string& mail) {
  try {
    TIniFile ini = TIniFile::Load(configPath_);
    ini.WriteString(Section, "UserName", Trim(name));
    ini.WriteString(Section, "UserMail", Trim(mail));
    ini.Save(configPath_);
    fileRead_ = false;
    return true;
  } catch (const std::exception&) {
    return false;
  }
}

std::string TOnlineSettings::ClientKey() {
  std::string key = Read("ClientKey");
  if (!key.empty()) return key;
  key = MakeClientKey();
  return Write("ClientKey", key) ? key : std::string();
}

bool PlausibleMail(std::string_view mail) {
  const size_t at = mail.find('@');
  if (at == 0 || at == std::string_view::npos || mail.find('@', at + 1) != std::string_view::npos) return false;
  if (std::any_of(mail.begin(), mail.end(), [](char c) { return static_cast<unsigned char>(c) <= ' '; })) return false;
  const std::string_view domain = mail.substr(at + 1);
  const size_t dot = domain.find('.');
  return dot != std::string_view::npos && dot > 0 && domain.back() != '.';
}

std::string MakeClientKey() {
  static constexpr char Digits[] = "0123456789abcdef";
  std::random_device device;
  std::string key;
  for (int i = 0; i < 8; ++i) {
    const uint32_t word = device();
    for (int j = 0; j < 4; ++j) key += Digits[(word >> (j * 8)) & 0xF];
  }
  return key;
}

}  // namespace kivra
