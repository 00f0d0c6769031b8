#include "stakes/StakeLogs.h"

#include <algorithm>
#include <cerrno>
#include <ctime>
#include <fcntl.h>
#include <fmt/format.h>
#include <unistd.h>

#include "core/FileUtils.h"
#include "core/SysFormat.h"
#include "core/TextCodec.h"
#include "stakes/Prizes.h"

namespace kivra {

TStakeLogs::TStakeLogs(TUserPort& port, std::filesystem::path folder, std::string baseName,
                       std::function<TLogTime()> clock)
    : port_(port), folder_(std::move(folder)), baseName_(std::move(baseName)), clock_(std::move(clock)) {}

std::filesystem::path TStakeLogs::LogPath(int matches) const {
  return folder_ / fmt::format("{}-{}.log", baseName_, matches);
}

std::string TStakeLogs::LogLine(const TStakeData& r) const {
  const TLogTime t = clock_();
  std::string comment = r.Comment;
  std::replace_if(
      comment.begin(), comment.end(), [](char c) { return c == '\r' || c == '\n'; }, ' ');
  return fmt::format("{:04}.{:02}.{:02} {:02}:{:02}:{:02}: ", t.Year, t.Month, t.Day, t.Hour, t.Minute, t.Second) +
         SysFormat("Тираж № %s. Ставка: \"%s\" [%s] {%d}. Результаты тиража: [%s]. Совпадений: %d. Профит: %s.",
                   {std::to_string(r.DrawNumber), comment, StakeNumbersText(r.Numbers, ";"), r.SampleSize,
                    StakeDrawText(r.DrawResult), r.Matched.Count, MoneyText(r.Profit)});
}

void TStakeLogs::Write(const TStakeData& record) {
  if (!enabled_ || record.Checked == 0) return;
  const std::filesystem::path path = LogPath(record.Matched.Count);
  std::error_code error;
  const uintmax_t size = std::filesystem::file_size(path, error);
  if (!error && size > MaxLogSize && !std::filesystem::remove(path, error))
    port_.ShowError(SysFormat("Ошибка удаления файла \"%s\"!\r\r%s", {path.string(), SystemErrorText(error.value())}));
  const std::string line = Utf8ToCp1251(LogLine(record)) + "\r\n";
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
  bool ok = fd >= 0;
  int failure = ok ? 0 : errno;
  if (ok) {
    ok = ::write(fd, line.data(), line.size()) == static_cast<ssize_t>(line.size());
    if (!ok) failure = errno ? errno : EIO;
    if (::close(fd) != 0 && ok) ok = false, failure = errno;
  }
  if (!ok) port_.ShowError(SysFormat("Ошибка записи в файл \"%s\"!\r\r%s", {path.string(), SystemErrorText(failure)}));
}

void TStakeLogs::DeleteAll() { DeleteLogFiles(folder_, baseName_ + "-*.log", port_); }

}  // namespace kivra
