#include "core/LogTime.h"

#include <cerrno>
#include <ctime>
#include <string>
#include <system_error>

#include "core/FileUtils.h"
#include "core/SysFormat.h"
#include "core/UserPort.h"

namespace kivra {

TLogTime LocalLogTime() {
  const std::time_t now = std::time(nullptr);
  std::tm tm{};
  localtime_r(&now, &tm);
  return {tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec};
}

bool DeleteLogFiles(const std::filesystem::path& folder, std::string_view mask, TUserPort& port) {
  const std::vector<std::filesystem::path> files = FindFilesByMask(folder, mask);
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
