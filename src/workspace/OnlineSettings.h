// The addresses and the identity of the online services: section "ONLINE" of the configuration
// file, with the overrides given on the command line. The catalogue's base address gets the
// catalogues' "/scripts/..." paths appended; the update address is a URL or a local folder.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "core/IniFile.h"

namespace kivra {

// Command-line overrides ("--catalog-url", "--update-url", "--ca-file"); unset ones are read from
// the configuration.
struct TOnlineOverrides {
  std::optional<std::string> CatalogUrl;
  std::optional<std::string> UpdateUrl;
  std::optional<std::string> CaFile;
};

class TOnlineSettings {
 public:
  static constexpr const char* Section = "ONLINE";

  explicit TOnlineSettings(std::filesystem::path configPath);

  void SetOverrides(TOnlineOverrides overrides) { overrides_ = std::move(overrides); }
  const TOnlineOverrides& Overrides() const { return overrides_; }

  // "CatalogUrl": trimmed, trailing "/" removed; empty when none is configured.
  std::string CatalogUrl() const;
  // "UpdateUrl": trimmed; a URL or a local folder; empty when none is configured.
  std::string UpdateUrl() const;
  // "CaFile": a PEM file of extra certificate authorities to trust besides the system's.
  std::string CaFile() const;

  // "UserName" and "UserMail": who publishes and rates; empty until the user gives them.
  std::string UserName() const;
  std::string UserMail() const;
  // Writes both at once. False when the file cannot be written.
  bool SaveIdentity(const std::string& name, const std::string& mail);
  bool HasIdentity() const { return !UserName().empty() && !UserMail().empty(); }

  // "ClientKey": 32 random hexadecimal digits made once per installation (written on first use;
  // the server binds an e-mail to the key that first used it). Empty only when it could not be
  // stored.
  std::string ClientKey();

  // Reading and writing of the section. The configuration file is shared with other parts of the
  // program: it is read again whenever its time or size changed (the commands' enabled rules ask
  // for the addresses several times a second).
  std::string Read(const char* key) const;
  bool Write(const char* key, const std::string& value);

 private:
  const TIniFile& File() const;

  std::filesystem::path configPath_;
  TOnlineOverrides overrides_;
  mutable TIniFile file_;
  mutable std::filesystem::file_time_type fileTime_{};
  mutable std::uintmax_t fileSize_ = 0;
  mutable bool fileRead_ = false;
};

// 32 hexadecimal digits from the system's random source.
std::string MakeClientKey();

// Whether an e-mail address the user typed looks like one: a name, one "@", and a domain with a
// dot inside it; no blanks or control characters.
bool PlausibleMail(std::string_view mail);

}  // namespace kivra
