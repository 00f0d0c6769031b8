// The window-settings file: one INI section per window class ("TFormMain" for the main window).
// Every read opens the file afresh; every write loads the whole file, changes one key and writes
// the file back atomically, so the keys of other windows survive. A batch (TSettingsBatch) holds
// the writes back and makes them with one rewrite: each rewrite waits for the disk, and closing
// the window writes dozens of keys.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace kivra {

class TIniFile;
class TUserPort;

class TWindowSettings {
 public:
  explicit TWindowSettings(std::filesystem::path path) : path_(std::move(path)) {}

  const std::filesystem::path& Path() const { return path_; }

  // The key's value, or the default when the key is missing, does not convert or the file cannot
  // be read.
  int64_t ReadSetting(std::string_view window, std::string_view key, int64_t def) const;
  bool ReadSetting(std::string_view window, std::string_view key, bool def) const;
  std::string ReadSetting(std::string_view window, std::string_view key, std::string_view def) const;
  int64_t ReadSetting(std::string_view window, std::string_view key, int def) const {
    return ReadSetting(window, key, int64_t{def});
  }
  std::string ReadSetting(std::string_view window, std::string_view key, const char* def) const {
    return ReadSetting(window, key, std::string_view(def));
  }

  // Writes the key at once (booleans as 1 or 0). Returns false, after telling the port when one is
  // given, when the file cannot be written.
  bool WriteSetting(std::string_view window, std::string_view key, int64_t value, TUserPort* port = nullptr);
  bool WriteSetting(std::string_view window, std::string_view key, bool value, TUserPort* port = nullptr);
  bool WriteSetting(std::string_view window, std::string_view key, std::string_view value, TUserPort* port = nullptr);
  bool WriteSetting(std::string_view window, std::string_view key, int value, TUserPort* port = nullptr) {
    return WriteSetting(window, key, int64_t{value}, port);
  }
  bool WriteSetting(std::string_view window, std::string_view key, const char* value, TUserPort* port = nullptr) {
    return WriteSetting(window, key, std::string_view(value), port);
  }

  // While a batch is open, writes are kept in memory (reads see them) and return true; closing
  // the last open batch writes them all at once, and a failure is reported then.
  void BeginBatch() { ++batchDepth_; }
  bool EndBatch(TUserPort* port = nullptr);

 private:
  using TChange = std::function<void(TIniFile&)>;
  bool Update(TChange change, TUserPort* port);
  // The file with the writes of the open batch applied.
  TIniFile Current() const;

  std::filesystem::path path_;
  int batchDepth_ = 0;
  std::vector<TChange> pending_;
};

// Opens a batch of writes for its lifetime (see TWindowSettings::BeginBatch).
class TSettingsBatch {
 public:
  explicit TSettingsBatch(TWindowSettings& settings, TUserPort* port = nullptr) : settings_(settings), port_(port) {
    settings_.BeginBatch();
  }
  ~TSettingsBatch() {
    try {
      settings_.EndBatch(port_);
    } catch (...) {
      // Settings that cannot be written are lost (a file error has been reported).
    }
  }
  TSettingsBatch(const TSettingsBatch&) = delete;
  TSettingsBatch& operator=(const TSettingsBatch&) = delete;

 private:
  TWindowSettings& settings_;
  TUserPort* port_;
};

}  // namespace kivra
