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

TLogTime LocalLogTime() {
  const std::time_t now = std::time(nullptr);
  std::tm tm{};
  localtime_r(&now, &tm);
  return {tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec};
}

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

bool MatchesFileMask(std::string_view name, std::string_view mask) {
  const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
  // Greedy matching with one step back to the last "*": linear enough for file names.
  size_t n = 0, m = 0, starMask = std::string_view::npos, starName = 0;
  while (n < name.size()) {
    if (m < mask.size() && (mask[m] == '?' || lower(mask[m]) == lower(name[n]))) {
      ++n;
      ++m;
    } else if (m < mask.size() && mask[m] == '*') {
      starMask = m++;
      starName = n;
    } else if (starMask != std::string_view::npos) {
      m = starMask + 1;
      n = ++starName;
    } else {
      return false;
    }
  }
  while (m < mask.size() && mask[m] == '*') ++m;
  return m == mask.size();
}

std::vector<std::filesystem::path> FindScriptLogs(const std::filesystem::path& folder) {
  std::vector<std::filesystem::path> found;
  std::error_code ec;
  for (std::filesystem::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
    std::error_code typeError;
    if (it->is_regular_file(typeError) && MatchesFileMask(it->path().filename().string(), ScriptLogMask))
      found.push_back(it->path());
  }
  std::sort(found.begin(), found.end());
  return found;
}

bool DeleteScriptLogs(const std::filesystem::path& folder, TUserPort& port) {
  const std::vector<std::filesystem::path> files = FindScriptLogs(folder);
  if (files.empty()) {
    port.ShowInfo("Файлы журналов не найдены!");
    return false;
  }
  TBusyScope busy(port, "Поиск файлов журналов...");
  std::string failures;
  int deleted = 0;
  for (const auto& file : files) {
    std::error_code ec;
    if (std::filesystem::remove(file, ec) && !ec) {
      ++deleted;
      continue;
    }
    if (!failures.empty()) failures += "\r";
    failures += SysFormat("Не удалось удалить файл \"%s\": %s",
                          {file.filename().string(), SystemErrorText(ec ? ec.value() : ENOENT)});
  }
  const int total = static_cast<int>(files.size());
  const std::string summary = SysFormat("Удалено файлов журналов: %d из %d.", {deleted, total});
  if (deleted == total) {
    port.ShowInfo(summary + "\r\rОшибок нет.");
    return true;
  }
  port.ShowWarning(summary + "\r\r" + failures, CaptionWarningAlt);
  return false;
}

}  // namespace kivra
