// The journal of a script run: "ScriptLog_yyyy-mm-dd-hh-nn-ss.txt" in the program's folder, one
// "[yyyy-mm-dd hh:nn:ss]: entry" line per entry (cp1251, CR LF). Every entry opens the file,
// appends its line and closes it again, so the user can read the journal while the run goes on.
#pragma once

#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "core/LogTime.h"

namespace kivra {

class TUserPort;

// The name pattern of the journals; "*" stands where the start time goes.
inline constexpr std::string_view ScriptLogMask = "ScriptLog_*.txt";
std::string ScriptLogName(const TLogTime& start);  // "ScriptLog_2024-03-09-21-05-07.txt"
std::string ScriptLogPrefix(const TLogTime& now);  // "[2024-03-09 21:05:07]: "

class TScriptLog {
 public:
  // Journals go to `folder`; `clock` gives the time of the start and of every entry.
  TScriptLog(TUserPort& port, std::filesystem::path folder, TLogClock clock = LocalLogTime);

  // The switch "ScriptLogEnabled": while off, nothing is written.
  bool Enabled() const { return enabled_; }
  void SetEnabled(bool on) { enabled_ = on; }
  // What opens a closed journal for the user (the shell's default handler for text files);
  // nothing opens it when unset.
  void SetOpener(std::function<void(const std::filesystem::path&)> opener) { opener_ = std::move(opener); }

  // Names the journal after the current time when the switch is on; no journal when it is off.
  void Start();
  // Appends one line (starting a journal when none is named). A line that cannot be written shows
  // "Ошибка записи журнала: %s!" for the first failure of a journal only; later entries try again
  // silently. CR and LF inside the entry are written as spaces.
  void Write(std::string_view entry);
  // Opens the journal for the user when the switch is on and the file exists; no journal is named
  // afterwards.
  void Close();
  const std::filesystem::path& CurrentPath() const { return path_; }

 private:
  TUserPort& port_;
  std::filesystem::path folder_;
  TLogClock clock_;
  std::function<void(const std::filesystem::path&)> opener_;
  std::filesystem::path path_;
  bool enabled_ = false;
  bool failureShown_ = false;
};

// The regular files at the top level of the folder whose names match the journal pattern, by name.
std::vector<std::filesystem::path> FindScriptLogs(const std::filesystem::path& folder);
// Deletes every journal of the folder (DeleteLogFiles with the journal pattern).
bool DeleteScriptLogs(const std::filesystem::path& folder, TUserPort& port);

}  // namespace kivra
