#include "scripts/ScriptLog.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <ctime>
#include <fmt/format.h>

#include "core/FileUtils.h"
#include "core/SysFormat.h"
#include "core/TextCodec.h"
#include "core/UserPort.h"

namespace kivra {

std::string ScriptLogName(const TLogTime& t) {
  return fmt::format("ScriptLog_{:04}-{:02}-{:02}-{:02}-{:02}-{:02}.txt", t.Year, t.Month, t.Day, t.Hour, t.Minute,
                     t.Second);
}

std::string ScriptLogPrefix(const TLogTime& t) {
  return fmt::format("[{:04}-{:02}-{:02} {:02}:{:02}:{:02}]: ", t.Year, t.Month, t.Day, t.Hour, t.Minute, t.Second);
}

TScriptLog::TScriptLog(TUserPort& port, std::filesystem::path folder, TLogClock clock)
    : port_(port), folder_(std::move(folder)), clock_(std::move(clock)) {}

void TScriptLog::Start() {
  path_ = enabled_ ? folder_ / ScriptLogName(clock_()) : std::filesystem::path();
  failureShown_ = false;
}

void TScriptLog::Write(std::string_view entry) {
  if (!enabled_) return;
  if (path_.empty()) Start();
  std::string line = ScriptLogPrefix(clock_()) + Utf8ToCp1251(entry);
  std::replace_if(
      line.begin(), line.end(), [](char c) { return c == '\r' || c == '\n'; }, ' ');
  line += "\r\n";
  std::FILE* f = std::fopen(path_.c_str(), "ab");
  bool ok = f != nullptr;
  int error = errno;
  if (f) {
    ok = std::fwrite(line.data(), 1, line.size(), f) == line.size();
    if (!ok) error = errno;
    if (std::fclose(f) != 0 && ok) {
      ok = false;
      error = errno;
    }
  }
  if (!ok && !failureShown_) {
    failureShown_ = true;
    port_.ShowError(SysFormat("Ошибка записи журнала: %s!", {SystemErrorText(error)}));
  }
}

void TScriptLog::Close() {
  std::error_code ec;
  if (enabled_ && !path_.empty() && std::filesystem::is_regular_file(path_, ec) && opener_) opener_(path_);
  path_.clear();
}

std::vector<std::filesystem::path> FindScriptLogs(const std::filesystem::path& folder) {
  return FindFilesByMask(folder, ScriptLogMask);
}

bool DeleteScriptLogs(const std::filesystem::path& folder, TUserPort& port) {
  return DeleteLogFiles(folder, ScriptLogMask, port);
}

}  // namespace kivra
